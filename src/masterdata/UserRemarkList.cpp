#include "app/TabPage.h"
#include "app/TabPages.h"

TabPage* createUserRemarkList(AppContext& ctx, frmMain& main)
{
    return new EmptyTabPage(ctx, main, QStringLiteral("UserRemarkList"));
}
