// Find and sort in the lists, driven as the user does: Ctrl+F and typing in
// the find box, the arrow keys and Shift in the list, clicks on the headers.

#include "GuiTest.h"
#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "common/Money.h"
#include "common/TextFormat.h"
#include "payment/PaymentB2B.h"
#include "payroll/Laborage.h"
#include "store/RecordSet.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {

void addPayment(TestEnv& env, int serial, const QString& recAccNo, const QString& recAccName, const QString& amount)
{
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,?,?,?,?,?,'')"_s,
        { u"2024010112000000%1"_s.arg(serial, 6, 10, QChar(u'0')), u"6228480012345678"_s, u"某某贸易有限公司"_s, u"0"_s,
            recAccNo, recAccName, u"0101"_s, u"020"_s, QString(), amount, u"货款"_s });
}

// Five instructions in stored order; two payees named 李, amounts that sort
// differently as text and as numbers.
void addBatch(TestEnv& env)
{
    addPayment(env, 1, u"6217000000000001"_s, u"张三"_s, u"10"_s);
    addPayment(env, 2, u"6217000000000002"_s, u"李四"_s, u"0.1"_s);
    addPayment(env, 3, u"6217000000000003"_s, u"Alice Trading"_s, u"9"_s);
    addPayment(env, 4, u"6217000000000004"_s, u"李六"_s, u"0.2"_s);
    addPayment(env, 5, u"6217000000000005"_s, u"赵七"_s, u"1234.5"_s);
}

constexpr int kNameColumn = 6;
constexpr int kAmountColumn = 8;

QStringList column(const ListGrid* grid, int c)
{
    QStringList texts;
    for (int r = 1; r < grid->rows(); ++r)
        texts << grid->textMatrix(r, c);
    return texts;
}

QString storedNames(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(rec_acc_name, ',') from (select rec_acc_name from payment order by serial_no)"_s)
        .toString();
}

struct PaymentList {
    explicit PaymentList(TestEnv& env)
        : env(env)
        , gui(env.prompt)
        , page(static_cast<PaymentB2B*>(env.window().page(frmMain::TabPaymentB2B)))
        , grid(page->grid())
    {
        gui.show(env.window());
        env.window().resetPaymentB2B();
    }
    // Ctrl+F, then the text typed key by key.
    void find(const QString& text)
    {
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(gui.focused(), u"PaymentB2B_txtFind"_s);
        gui.keys(text);
    }
    void clickHeader(int c)
    {
        QHeaderView* header = grid->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    TestEnv& env;
    GuiTest gui;
    PaymentB2B* page;
    ListGrid* grid;
};

// Three employees of the roster with one payroll instruction each, and one
// roster entry without an instruction.
void addPayroll(TestEnv& env)
{
    const QStringList accounts { u"6228480011112222"_s, u"6228480033334444"_s, u"6228480055556666"_s,
        u"6228480077778888"_s };
    const QStringList names { u"张三"_s, u"李四"_s, u"王五"_s, u"赵六"_s };
    const QStringList amounts { u"1234.5"_s, u"200"_s, u"65.5"_s };
    for (int i = 0; i < accounts.size(); ++i) {
        env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no)"
                 u" values (?,'一组',?,?,?,'0','')"_s,
            { i + 1, accounts[i], names[i], QString::number(i + 1) });
        if (i < amounts.size())
            env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark)"
                     u" values (?,?,?,'0','','')"_s,
                { i + 1, accounts[i], amounts[i] });
    }
}

// The stored payroll amounts in fen, in serial-number order.
QString payrollFen(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(f, ',') from (select cast(round(pay_amount*100) as integer) as f"
                u" from laborage order by serial_no)"_s)
        .toString();
}

struct PayrollList {
    explicit PayrollList(TestEnv& env)
        : env(env)
        , gui(env.prompt)
        , grid(env.window().page(frmMain::TabLaborage)->grid())
    {
        gui.show(env.window());
        env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    }
    // A click on grid row `row` (from 1), then `key` with Ctrl.
    void clickRowAndPress(int row, Qt::Key key)
    {
        const QModelIndex cell = grid->model()->index(row - 1, Laborage::ColumnAccName);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
        QCOMPARE(gui.focused(), u"Laborage_DataGrid"_s);
        QTest::keyClick(grid, key, Qt::ControlModifier);
    }
    TestEnv& env;
    GuiTest gui;
    ListGrid* grid;
};

} // namespace

class TestLists : public QObject {
    Q_OBJECT
private slots:
    void findShowsTheMatchingRows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("panel");
        QTest::newRow("Chinese") << u"李"_s << QStringList { u"李四"_s, u"李六"_s }
                                 << u"筛选：显示 2 / 共 5 笔，显示合计 0.30"_s;
        QTest::newRow("Latin, other case")
            << u"alice"_s << QStringList { u"Alice Trading"_s } << u"筛选：显示 1 / 共 5 笔，显示合计 9.00"_s;
        QTest::newRow("amount without separators")
            << u"1234.5"_s << QStringList { u"赵七"_s } << u"筛选：显示 1 / 共 5 笔，显示合计 1,234.50"_s;
        QTest::newRow("account digits") << u"00004"_s << QStringList { u"李六"_s }
                                        << u"筛选：显示 1 / 共 5 笔，显示合计 0.20"_s;
        QTest::newRow("nothing") << u"王"_s << QStringList {} << u"筛选：显示 0 / 共 5 笔，显示合计 0.00"_s;
    }
    void findShowsTheMatchingRows()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        QFETCH(QString, panel);
        TestEnv env;
        addBatch(env);
        PaymentList list(env);
        list.find(typed);
        QCOMPARE(column(list.grid, kNameColumn), names);
        // The running number counts the rows shown.
        QStringList numbers;
        for (int i = 1; i <= names.size(); ++i)
            numbers << QString::number(i);
        QCOMPARE(column(list.grid, 0), numbers);
        QCOMPARE(env.window().statusPanelText(1), panel);
        // The whole batch stays in the count, the total and the capital figures.
        QCOMPARE(env.window().statusPanelText(2), u"5"_s);
        QCOMPARE(env.window().statusPanelText(4), u"1,253.80"_s);
        QCOMPARE(env.window().statusPanelText(6), u"壹仟贰佰伍拾叁元捌角"_s);

        // Esc empties the box: every row again, the plain panels.
        list.gui.escape();
        QCOMPARE(list.grid->rows(), 6);
        QCOMPARE(env.window().statusPanelText(1), u"总笔数"_s);
    }

    // The list reads the store in place and sums the status bar's total on
    // the way. Whatever a row holds, each amount cell shows what the stored
    // number's text shows, and the count and total are the store's own sums
    // (which count a row of a kind without a description, a row the list
    // does not show).
    void listAndTotalsAsTheStoreHasThem_data()
    {
        QTest::addColumn<QVariantList>("amounts");
        QTest::addColumn<QString>("kind");
        QTest::newRow("decimals of two places") << QVariantList { 1234.5, 0.29, 0.07, 999999999999.99 } << u"0"_s;
        QTest::newRow("whole numbers") << QVariantList { qint64(100), qint64(0), 12.0 } << u"1"_s;
        QTest::newRow("a sum's binary remainder") << QVariantList { 0.1 + 0.2, 1.0 } << u"0"_s;
        QTest::newRow("three places") << QVariantList { 0.125, 2.0 } << u"0"_s;
        QTest::newRow("tiny and large") << QVariantList { 1e-7, 1e15, 3.0 } << u"0"_s;
        QTest::newRow("negative and none") << QVariantList { -5.0, QVariant(), 4.0 } << u"0"_s;
        QTest::newRow("a kind without a description") << QVariantList { 10.0, 20.0 } << u"2"_s;
    }
    void listAndTotalsAsTheStoreHasThem()
    {
        QFETCH(QVariantList, amounts);
        QFETCH(QString, kind);
        TestEnv env;
        // The first row has the kind under test; the others are in-bank.
        for (int i = 0; i < amounts.size(); ++i)
            env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
                     u"rec_net_no,pay_amt,remark) values (?,'6228480012345678','某某公司',?,?,'收款人','',?,'')"_s,
                { u"20240101120000000000%1"_s.arg(i, 2, 10, QChar(u'0')), i == 0 ? kind : u"0"_s,
                    u"62170000000000%1"_s.arg(i, 2, 10, QChar(u'0')), amounts[i] });
        PaymentList list(env);

        QStringList shown;
        const auto stored = env.db().Query(u"select pay_amt from payment p, tran_acc_type t"
                                           u" where p.rec_acc_type=t.tran_type order by serial_no"_s);
        QVERIFY(stored.ok());
        for (int r = 0; r < stored->recordCount(); ++r)
            shown << formatStoredAmount(fieldToText(stored->value(r, 0)), true);
        QCOMPARE(column(list.grid, kAmountColumn), shown);

        const qlonglong count = env.scalar(u"select count(serial_no) from payment"_s).toLongLong();
        const qlonglong fen
            = env.scalar(u"select sum(cast(round(pay_amt*100) as integer)) from payment"_s).toLongLong();
        QCOMPARE(env.window().statusPanelText(2), QString::number(count));
        QCOMPARE(env.window().statusPanelText(4), count == 0 ? u"0.00"_s : Money::fromFen(fen).toGroupedText());
        if (kind == u"2"_s)
            QCOMPARE(list.grid->rows() - 1, amounts.size() - 1);
    }

    // The payroll list shows the in-bank instructions of roster accounts, and
    // counts and sums exactly those.
    void payrollListAndTotals()
    {
        TestEnv env;
        addPayroll(env);
        // Other-bank, and an account that has left the roster: neither shown
        // nor counted.
        env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark)"
                 u" values (10,'6228480011112222',7.5,'1','',''), (11,'6228480099990000',8.25,'0','','')"_s);
        PayrollList list(env);
        QCOMPARE(column(list.grid, Laborage::ColumnAccName), (QStringList { u"张三"_s, u"李四"_s, u"王五"_s }));
        QCOMPARE(env.window().statusPanelText(2), u"3"_s);
        QCOMPARE(env.window().statusPanelText(4), u"1,500.00"_s);
    }

    void rangeDeleteUnderAFindTakesOnlyTheShownSelectedRows_data()
    {
        QTest::addColumn<bool>("selectAll");
        QTest::newRow("Shift+Down") << false;
        QTest::newRow("Ctrl+A") << true;
    }
    void rangeDeleteUnderAFindTakesOnlyTheShownSelectedRows()
    {
        QFETCH(bool, selectAll);
        TestEnv env;
        addBatch(env);
        PaymentList list(env);
        list.find(u"李"_s);
        // Down leaves the box for the first row shown.
        QTest::keyClick(env.window().focusWidget(), Qt::Key_Down);
        QCOMPARE(list.gui.focused(), u"PaymentB2B_DataGrid"_s);
        if (selectAll)
            QTest::keyClick(list.grid, Qt::Key_A, Qt::ControlModifier);
        else
            QTest::keyClick(list.grid, Qt::Key_Down, Qt::ShiftModifier);
        if (!selectAll) {
            QCOMPARE(list.grid->row(), 1);
            QCOMPARE(list.grid->rowSel(), 2);
        }
        env.prompt.answerOk();
        list.gui.click(u"PaymentB2B_cmdDeleteBut"_s);
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"是否确认要删除所有批量支付文件中指令?"_s, u"删除批量支付文件成功."_s }));
        // The hidden rows between and around them are all still there.
        QCOMPARE(storedNames(env), u"张三,Alice Trading,赵七"_s);
        // The find stays on over the refresh.
        QCOMPARE(list.grid->rows(), 1);
        QCOMPARE(env.window().statusPanelText(1), u"筛选：显示 0 / 共 3 笔，显示合计 0.00"_s);
    }

    void sortByClickingTheHeader()
    {
        TestEnv env;
        addBatch(env);
        PaymentList list(env);
        const QStringList stored { u"10.00"_s, u"0.10"_s, u"9.00"_s, u"0.20"_s, u"1,234.50"_s };
        // Amounts by value (9.00 before 10.00), then reversed, then as stored.
        list.clickHeader(kAmountColumn);
        QCOMPARE(column(list.grid, kAmountColumn),
            QStringList({ u"0.10"_s, u"0.20"_s, u"9.00"_s, u"10.00"_s, u"1,234.50"_s }));
        QCOMPARE(column(list.grid, 0), QStringList({ u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s }));
        list.clickHeader(kAmountColumn);
        QCOMPARE(column(list.grid, kAmountColumn),
            QStringList({ u"1,234.50"_s, u"10.00"_s, u"9.00"_s, u"0.20"_s, u"0.10"_s }));
        list.clickHeader(kAmountColumn);
        QCOMPARE(column(list.grid, kAmountColumn), stored);

        // Texts as texts; a find keeps the order.
        list.clickHeader(kNameColumn);
        QCOMPARE(column(list.grid, kNameColumn),
            QStringList({ u"Alice Trading"_s, u"张三"_s, u"李六"_s, u"李四"_s, u"赵七"_s }));
        list.find(u"李"_s);
        QCOMPARE(column(list.grid, kNameColumn), QStringList({ u"李六"_s, u"李四"_s }));

        // The change command takes the row as shown.
        QTest::keyClick(env.window().focusWidget(), Qt::Key_Down);
        QCOMPARE(list.grid->textMatrix(list.grid->row(), kNameColumn), u"李六"_s);
        QCOMPARE(list.grid->textMatrix(list.grid->row(), 1),
            env.scalar(u"select serial_no from payment where rec_acc_name='李六'"_s).toString());
    }

    void amountTypedIntoTheList_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<qlonglong>("storedFen");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("said");
        QTest::newRow("accepted") << u"12.5"_s << u"12.50"_s << 1250LL << u"1,256.30"_s << QString();
        QTest::newRow("separators") << u"2,000"_s << u"2,000.00"_s << 200000LL << u"3,243.80"_s << QString();
        QTest::newRow("three decimals") << u"1.234"_s << u"10.00"_s << 1000LL << u"1,253.80"_s
                                        << u"金额未修改：金额格式错误"_s;
        QTest::newRow("above the limit") << u"100000000000.01"_s << u"10.00"_s << 1000LL << u"1,253.80"_s
                                         << u"金额未修改：金额超过系统最大单笔限制"_s;
        QTest::newRow("zero") << u"0"_s << u"10.00"_s << 1000LL << u"1,253.80"_s << u"金额未修改：金额必须大于零元"_s;
    }
    void amountTypedIntoTheList()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(qlonglong, storedFen);
        QFETCH(QString, total);
        QFETCH(QString, said);
        TestEnv env;
        addBatch(env);
        PaymentList list(env);
        // The first row chosen from the keyboard; digits typed on the row go into its amount.
        const QModelIndex first = list.grid->model()->index(0, kNameColumn);
        QTest::mouseClick(list.grid->viewport(), Qt::LeftButton, {}, list.grid->visualRect(first).center());
        QCOMPARE(list.grid->row(), 1);
        QCOMPARE(list.gui.focused(), u"PaymentB2B_DataGrid"_s);
        list.gui.keys(typed.left(1));
        QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        list.gui.keys(typed.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // The editor hands its text over once the key has been dealt with.
        QApplication::processEvents();
        QCOMPARE(list.grid->textMatrix(1, kAmountColumn), shown);
        QCOMPARE(env.scalar(u"select cast(round(pay_amt*100) as integer) from payment where rec_acc_name='张三'"_s)
                     .toLongLong(),
            storedFen);
        QCOMPARE(env.window().statusPanelText(4), total);
        QCOMPARE(env.window().statusBar()->currentMessage(), said);
        // Stored: Enter went on to the next row. Refused: no box was shown.
        QCOMPARE(list.grid->row(), said.isEmpty() ? 2 : 1);
        QVERIFY(env.prompt.texts().isEmpty());
    }

    // Ctrl+V on the payroll list with what a spreadsheet puts on the
    // clipboard; the preview is answered with 确定 or 取消, and Ctrl+Z brings
    // the amounts back.
    void pasteFromASpreadsheet_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("row"); // the row clicked before Ctrl+V
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("changes"); // account|name|old|new per row of the preview
        QTest::addColumn<QString>("notListed");
        QTest::addColumn<QString>("storedFen");
        QTest::newRow("account and amount, one account not listed")
            << u"6228480033334444\t300\r\n6228480099990000\t5\r\n6228480011112222\t1,000.5\r\n"_s << 1 << true
            << u"将修改 2 笔指令的金额：原合计 1,434.50 元，粘贴后合计 1,300.50 元"_s
            << QStringList { u"6228480033334444|李四|200.00|300.00"_s, u"6228480011112222|张三|1,234.50|1,000.50"_s }
            << u"第 2 行：6228480099990000"_s << u"100050,30000,6550"_s;
        QTest::newRow("account, name and amount; an equal amount left alone")
            << u"6228480055556666\t王五\t70\n6228480033334444\t李四\t200.00\n"_s << 3 << true
            << u"将修改 1 笔指令的金额：原合计 65.50 元，粘贴后合计 70.00 元；另有 1 笔金额与原金额相同，不修改"_s
            << QStringList { u"6228480055556666|王五|65.50|70.00"_s } << QString() << u"123450,20000,7000"_s;
        QTest::newRow("one column from the clicked row down")
            << u"7\r\n8.1\r\n"_s << 2 << true << u"将修改 2 笔指令的金额：原合计 265.50 元，粘贴后合计 15.10 元"_s
            << QStringList { u"6228480033334444|李四|200.00|7.00"_s, u"6228480055556666|王五|65.50|8.10"_s }
            << QString() << u"123450,700,810"_s;
        QTest::newRow("preview cancelled")
            << u"1\n2\n3"_s << 1 << false << u"将修改 3 笔指令的金额：原合计 1,500.00 元，粘贴后合计 6.00 元"_s
            << QStringList { u"6228480011112222|张三|1,234.50|1.00"_s, u"6228480033334444|李四|200.00|2.00"_s,
                   u"6228480055556666|王五|65.50|3.00"_s }
            << QString() << u"123450,20000,6550"_s;
    }
    void pasteFromASpreadsheet()
    {
        QFETCH(QString, clipboard);
        QFETCH(int, row);
        QFETCH(bool, confirm);
        QFETCH(QString, summary);
        QFETCH(QStringList, changes);
        QFETCH(QString, notListed);
        QFETCH(QString, storedFen);
        TestEnv env;
        addPayroll(env);
        PayrollList list(env);
        const QString before = payrollFen(env);
        QGuiApplication::clipboard()->setText(clipboard);
        QString shownSummary;
        QStringList shownChanges;
        QString shownNotListed;
        list.gui.whenModal(u"frmPastePreview"_s, [&](QWidget& preview) {
            shownSummary = list.gui.find<QLabel>(u"lblSummary"_s)->text();
            const QAbstractItemModel* model = list.gui.find<QTableView>(u"grdChanges"_s)->model();
            for (int r = 0; r < model->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < 4; ++c)
                    cells << model->index(r, c).data().toString();
                shownChanges << cells.join(u'|');
            }
            if (auto* box = preview.findChild<QPlainTextEdit*>(u"txtNotListed"_s))
                shownNotListed = box->toPlainText();
            list.gui.click(confirm ? u"cmdOK"_s : u"cmdCancel"_s);
        });
        list.clickRowAndPress(row, Qt::Key_V);
        QVERIFY(list.gui.modalStepsRan());
        QCOMPARE(shownSummary, summary);
        QCOMPARE(shownChanges, changes);
        QCOMPARE(shownNotListed, notListed);
        QCOMPARE(payrollFen(env), storedFen);
        QVERIFY(env.prompt.texts().isEmpty());
        if (!confirm)
            return;
        // The list and its totals show the stored amounts.
        QCOMPARE(list.grid->textMatrix(1, Laborage::ColumnAmount),
            Money::fromFen(storedFen.section(u',', 0, 0).toLongLong()).toGroupedText());

        // Ctrl+Z: the amounts before the paste, exactly.
        QTest::keyClick(list.grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(payrollFen(env), before);
        QCOMPARE(env.window().statusPanelText(4), u"1,500.00"_s);
        QCOMPARE(env.window().statusBar()->currentMessage(),
            u"已撤销粘贴，%1 笔金额恢复为粘贴前的金额"_s.arg(changes.size()));
        // Once only.
        QTest::keyClick(list.grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(payrollFen(env), before);
    }

    // A paste with one amount that fails the checks stores nothing and names
    // the line; so does a block that does not fit the rows shown.
    void refusedPasteChangesNothing_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("said");
        QTest::newRow("three decimals") << u"10\r\n1.234\r\n"_s << 1
                                        << u"第 2 行：金额格式错误（1.234）\n粘贴未执行，金额均未修改。"_s;
        QTest::newRow("above 1E11 by one fen")
            << u"6228480011112222\t100,000,000,000.01"_s << 1
            << u"第 1 行：金额超过系统最大单笔限制（100,000,000,000.01）\n粘贴未执行，金额均未修改。"_s;
        QTest::newRow("empty amount") << u"6228480011112222\t\n"_s << 1
                                      << u"第 1 行：请输入金额\n粘贴未执行，金额均未修改。"_s;
        QTest::newRow("more amounts than rows below")
            << u"1\n2\n3"_s << 2
            << u"粘贴的金额有 3 行，从所选的第 2 行起只显示 2 笔指令，粘贴未执行\n粘贴未执行，金额均未修改。"_s;
        QTest::newRow("an account twice") << u"6228480011112222\t1\n6228480011112222\t2"_s << 1
                                          << u"第 2 行：账号 6228480011112222 在粘贴的内容中已出现（第 1 行）\n"
                                             u"粘贴未执行，金额均未修改。"_s;
    }
    void refusedPasteChangesNothing()
    {
        QFETCH(QString, clipboard);
        QFETCH(int, row);
        QFETCH(QString, said);
        TestEnv env;
        addPayroll(env);
        PayrollList list(env);
        const QString before = payrollFen(env);
        QGuiApplication::clipboard()->setText(clipboard);
        list.clickRowAndPress(row, Qt::Key_V);
        QCOMPARE(list.gui.boxes(), QStringList { said });
        QCOMPARE(payrollFen(env), before);
    }

    // After a paste, an amount typed into the list makes the paste's undo
    // unsafe: Ctrl+Z then leaves every amount as it is.
    void undoAfterAnotherChangeIsRefused()
    {
        TestEnv env;
        addPayroll(env);
        PayrollList list(env);
        QGuiApplication::clipboard()->setText(u"6228480033334444\t300"_s);
        list.gui.whenModal(u"frmPastePreview"_s, [&](QWidget&) { list.gui.click(u"cmdOK"_s); });
        list.clickRowAndPress(1, Qt::Key_V);
        QCOMPARE(payrollFen(env), u"123450,30000,6550"_s);
        list.gui.show(env.window());
        list.grid->setFocus();
        list.grid->selectRows(3, 3, Laborage::ColumnAccName);
        list.gui.keys(u"9"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();
        QCOMPARE(payrollFen(env), u"123450,30000,900"_s);
        QTest::keyClick(list.grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(payrollFen(env), u"123450,30000,900"_s);
        QCOMPARE(env.window().statusBar()->currentMessage(), u"粘贴之后指令已有其他修改，无法撤销粘贴"_s);
    }

    void escapeCancelsATypedAmount()
    {
        TestEnv env;
        addBatch(env);
        PaymentList list(env);
        list.grid->setFocus();
        list.grid->selectRows(2, 2, kNameColumn);
        QTest::keyClick(list.grid, Qt::Key_F2);
        list.gui.keys(u"5"_s);
        list.gui.escape();
        QCOMPARE(list.grid->textMatrix(2, kAmountColumn), u"0.10"_s);
        QCOMPARE(env.scalar(u"select cast(round(pay_amt*100) as integer) from payment where rec_acc_name='李四'"_s)
                     .toLongLong(),
            10LL);
    }
};

QELVORA_TEST(TestLists)
#include "tst_lists.moc"
