#pragma once

#include <memory>

struct AppContext;
class frmMain;
class QLockFile;
class QTranslator;

// Claims the program folder for this process: one instance per folder, so that
// two windows never work on one store. Null when another instance holds it or
// the folder is not writable; the user has been told in Chinese then, and the
// program must end. The folder stays claimed while the result lives.
std::unique_ptr<QLockFile> lockProgramFolder(AppContext& ctx);

// Loads Qt's own Chinese translation (standard buttons, file dialogs) from Qt's
// translations folder into `translator` and installs it. False when it is missing.
bool installQtTranslation(QTranslator& translator);

// Registers the program's six tabs with the main window, in the order of
// MainWindowServices::Tab: the one place that names the features.
void addProgramTabs(AppContext& ctx, frmMain& window);

// Creates the main window with its tabs and loads it. Returns 0 when the program goes on, or the
// exit status with which it must end (the store could not be opened; the
// "Database error" box has been shown).
int startProgram(AppContext& ctx, std::unique_ptr<frmMain>& window);
