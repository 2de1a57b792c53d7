#include "app/TabPage.h"

#include "app/ListFindBox.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/Backups.h"
#include "domain/ExcelExport.h"

#include <algorithm>

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

bool TabPage::backupBeforeRangeDelete(const RowRange& range)
{
    return range.last == range.first || backupBefore(m_ctx, u"delete-rows"_s);
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
    m_grid->setCompactRows(std::move(rows));
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

void TabPage::exportToExcel(const ExcelLayout& layout)
{
    if (!m_grid->hasData()) {
        m_ctx.prompt.message(u"没有记录可以导出"_s);
        return;
    }
    const QString path = m_main.selectSaveFile({ layout.fileKind, { FileFilter::xlsx() } }).trimmed();
    if (path.isEmpty())
        return;
    std::vector<int> columns = layout.columns;
    if (columns.empty())
        for (int c = 1; c < m_grid->cols(); ++c)
            columns.push_back(c);
    ExcelExport::Sheet sheet;
    sheet.name = layout.sheetName;
    sheet.header = layout.header;
    sheet.totalRow = layout.totalRow;
    for (const int c : columns) {
        const bool amount
            = std::find(layout.amountColumns.begin(), layout.amountColumns.end(), c) != layout.amountColumns.end();
        sheet.columns.append({ m_grid->textMatrix(0, c).trimmed(),
            amount ? ExcelExport::Column::Kind::Amount : ExcelExport::Column::Kind::Text });
    }
    sheet.rows.reserve(m_grid->rows() - 1);
    for (int r = 1; r < m_grid->rows(); ++r) {
        QStringList row;
        row.reserve(qsizetype(columns.size()));
        bool empty = true;
        for (const int c : columns) {
            row.append(m_grid->textMatrix(r, c).trimmed());
            empty = empty && row.constLast().isEmpty();
        }
        if (!empty)
            sheet.rows.append(std::move(row));
    }
    const Result<int> written = ExcelExport::write(path, sheet);
    m_ctx.prompt.message(written ? writtenMessage(u"导出到Excel完毕"_s, path) : written.message());
}
