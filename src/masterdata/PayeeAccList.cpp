#include "app/TabPage.h"
#include "app/TabPages.h"

TabPage* createPayeeAccList(AppContext& ctx, frmMain& main)
{
    return new EmptyTabPage(ctx, main, QStringLiteral("PayeeAccList"));
}
