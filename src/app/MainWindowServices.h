#pragma once

#include <QString>
#include <QStringList>

struct FileTypes;
class QMenu;
class QWidget;
class TabPage;

// What the tabs, their dialogs and their commands ask of the main window,
// without knowing it: the tabs by kind, the status bar, the file dialogs, a
// menu of their own and the window their dialogs belong to. frmMain is the
// one implementation; which tab is which is decided where the program
// registers its tabs (Startup).
class MainWindowServices {
public:
    // The tabs of the main window, in their order.
    enum Tab {
        TabPaymentB2B = 0,
        TabPayAccList,
        TabPayeeAccList,
        TabLaborage,
        TabEmployeeList,
        TabUserRemarkList,
        TabCount
    };

    // The tab of a kind; null when there is none.
    virtual TabPage* page(int tab) const = 0;
    // Reloads the list (and status bar) of a tab.
    virtual void refreshTab(int tab) = 0;
    // The list refreshes of the two instruction tabs, called by their dialogs and imports.
    void resetPaymentB2B() { refreshTab(TabPaymentB2B); }
    void resetLaborageIn() { refreshTab(TabLaborage); }

    // Status bar panels 1..6.
    virtual void setStatusPanels(const QStringList& texts) = 0;
    virtual QString statusPanelText(int panel) const = 0;
    // "总笔数", the count, and four empty panels: the status of the master-data lists.
    void setCountPanels(const QString& count)
    {
        setStatusPanels({ QStringLiteral("总笔数"), count, QString(), QString(), QString(), QString() });
    }

    // The file dialogs of the imports and exports (see ::selectSaveFile).
    virtual QString selectSaveFile(const FileTypes& types) = 0;
    virtual QString selectOpenFile(const FileTypes& types) = 0;

    // A menu of an instruction tab, placed on the menu bar before the help
    // menu and hidden until its tab is shown.
    virtual QMenu* addInstructionMenu(const QString& name, const QString& caption) = 0;
    // The window the dialogs and busy windows of the tabs belong to.
    virtual QWidget* dialogParent() = 0;

protected:
    ~MainWindowServices() = default;
};
