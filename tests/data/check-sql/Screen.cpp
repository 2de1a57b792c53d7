// A screen as the SQL check reads it: only line 10 holds a statement.
#include <QString>

using namespace Qt::StringLiterals;

// Select the row, then delete the row and update the grid.
QString statement()
{
    /* insert into the grid, update the status bar */
    return u"SELECT acc_no "
           u"from pay_acc where acc_no=?"_s;
}

QString message()
{
    const char quote = '"';
    Q_UNUSED(quote);
    return u"请选择要删除的记录：delete或update后再试"_s + QStringLiteral(R"(update)");
}
