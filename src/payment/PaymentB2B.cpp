#include "app/TabPage.h"
#include "app/TabPages.h"

TabPage* createPaymentB2B(AppContext& ctx, frmMain& main)
{
    return new EmptyTabPage(ctx, main, QStringLiteral("PaymentB2B"));
}
