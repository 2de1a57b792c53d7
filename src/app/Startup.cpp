#include "Startup.h"

#include "AppContext.h"
#include "frmMain.h"

int startProgram(AppContext& ctx, std::unique_ptr<frmMain>& window)
{
    window = std::make_unique<frmMain>(ctx);
    if (!window->Form_Load()) {
        window.reset();
        return 1;
    }
    return 0;
}
