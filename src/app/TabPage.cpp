#include "app/TabPage.h"

#include "app/ListFindBox.h"
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
    , m_findBox(new ListFindBox(m_grid, this))
{
    setObjectName(prefix);
    m_grid->setObjectName(controlName(u"DataGrid"_s));
    m_findBox->setObjectName(controlName(u"txtFind"_s));
    connect(m_grid, &ListGrid::shownRowsChanged, this, &TabPage::showFindStatus);
}

QWidget* TabPage::gridWithFindBox()
{
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_findBox);
    layout->addWidget(m_grid, 1);
    return box;
}

QString TabPage::findStatusText() const
{
    if (!m_grid->isFiltered())
        return u"总笔数"_s;
    // The blank row of an empty list is no record.
    const int shown = m_grid->hasData() ? m_grid->rows() - 1 : 0;
    return u"筛选：显示 %1 / 共 %2 笔"_s.arg(shown).arg(m_main.statusPanelText(2).trimmed());
}

void TabPage::showFindStatus()
{
    QStringList panels;
    for (int i = 1; i <= 6; ++i)
        panels << m_main.statusPanelText(i);
    panels[0] = findStatusText();
    m_main.setStatusPanels(panels);
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

void TabPage::setGridRows(ListGridRows&& rows)
{
    if (rows.rowCount() == 0)
        rows.addRow(QStringList());
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
