#pragma once

#include <QDialog>

struct AppContext;

// The window of 帮助 → 关于: the program's version and build date, the versions
// of Qt and SQLite it runs with, and the data folder this instance works in
// (where the store and the settings are, for a backup). The texts can be
// selected and copied.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(const AppContext& ctx, QWidget* parent = nullptr);
};

// Gives every window of the program Qelvora's own icon (in the sizes of the
// desktop's icon theme) and names the desktop entry (qelvora.desktop) the
// windows belong to. A window icon from the settings still replaces it on the
// main window.
void setProgramIcon();
