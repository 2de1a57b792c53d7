#include "app/TabPage.h"
#include "app/TabPages.h"

TabPage* createLaborage(AppContext& ctx, frmMain& main)
{
    return new EmptyTabPage(ctx, main, QStringLiteral("Laborage"));
}
