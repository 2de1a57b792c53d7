#include "TabPage.h"

#include "ListGrid.h"
#include "frmMain.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TabPage::TabPage(AppContext& ctx, frmMain& main, const QString& prefix, QWidget* parent)
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

void TabPage::clearGrid()
{
    m_grid->clearRows();
}

EmptyTabPage::EmptyTabPage(AppContext& ctx, frmMain& main, const QString& prefix)
    : TabPage(ctx, main, prefix)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid());
}

void EmptyTabPage::refresh()
{
    m_main.setCountPanels(u"0"_s);
}
