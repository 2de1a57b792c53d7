#include "app/TabPage.h"

#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TabPage::TabPage(AppContext& ctx, MainWindowServices& main, const QString& prefix, QWidget* parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_main(main)
    , m_prefix(prefix)
    , m_grid(new ListGrid(this))
{
    setObjectName(prefix);
    m_grid->setObjectName(controlName(u"DataGrid"_s));
}

TabPage::RowRange TabPage::selectedRange() const
{
    RowRange range { m_grid->row(), m_grid->rowSel() };
    if (range.first > range.last)
        std::swap(range.first, range.last);
    return range;
}

QStringList TabPage::columnTexts(const RowRange& range, int column) const
{
    QStringList texts;
    texts.reserve(range.last - range.first + 1);
    for (int r = range.first; r <= range.last; ++r)
        texts << m_grid->textMatrix(r, column).trimmed();
    return texts;
}

bool TabPage::deleteRange(
    const QString& sql, QVariantList params, const RowRange& range, int keyColumn, const QString& failure)
{
    if (range.last > range.first && !backupBefore(m_ctx, u"delete-rows"_s))
        return false;
    params << DBAccess::listParameter(columnTexts(range, keyColumn));
    if (m_ctx.db().Delete(sql, params))
        return true;
    showRangeFailure(failure, range);
    return false;
}

void TabPage::showRangeFailure(const QString& failure, const RowRange& range)
{
    m_ctx.prompt.message(failure + u"指令序列"_s + QString::number(range.last + 1));
}

QPushButton* TabPage::addButton(const QString& shortName, const QString& caption)
{
    return newControl<QPushButton>(shortName, caption);
}

void TabPage::setGridRows(std::vector<QStringList>&& rows)
{
    if (rows.empty())
        rows.push_back(QStringList(m_grid->cols(), QString()));
    m_grid->setRows(std::move(rows));
}

void TabPage::clearGrid()
{
    m_grid->clearRows();
}

EmptyTabPage::EmptyTabPage(AppContext& ctx, MainWindowServices& main, const QString& prefix)
    : TabPage(ctx, main, prefix)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid());
}

void EmptyTabPage::refresh()
{
    m_main.setCountPanels(u"0"_s);
}
