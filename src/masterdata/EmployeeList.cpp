#include "app/TabPage.h"
#include "app/TabPages.h"

TabPage* createEmployeeList(AppContext& ctx, frmMain& main)
{
    return new EmptyTabPage(ctx, main, QStringLiteral("EmployeeList"));
}
