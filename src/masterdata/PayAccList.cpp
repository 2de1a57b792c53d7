#include "app/TabPage.h"
#include "app/TabPages.h"

TabPage* createPayAccList(AppContext& ctx, frmMain& main)
{
    return new EmptyTabPage(ctx, main, QStringLiteral("PayAccList"));
}
