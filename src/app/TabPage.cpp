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
