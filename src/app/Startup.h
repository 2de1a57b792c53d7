#pragma once

#include <memory>

struct AppContext;
class frmMain;

// Creates and loads the main window. Returns 0 when the program goes on, or the
// exit status with which it must end (the store could not be opened; the
// "Database error" box has been shown).
int startProgram(AppContext& ctx, std::unique_ptr<frmMain>& window);
