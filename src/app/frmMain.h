#pragma once

#include "app/MainWindowServices.h"

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

struct AppContext;
struct FileTypes;
class HelpWindow;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class TabPage;

// The one main window: the tabs the program registers (addTab), the menus,
// the toolbar, the six-panel status bar, and the file dialogs every import and
// export uses. It knows the tabs only as TabPage.
class frmMain : public QMainWindow, public MainWindowServices {
    Q_OBJECT
public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    // Adds the page of tab `tab` under `caption`; the tabs are added in the
    // order of MainWindowServices::Tab, before Form_Load.
    void addTab(Tab tab, TabPage* page, const QString& caption);

    // Start-up: settings, caption, icon, menus, the batch payment tab.
    // False when the store cannot be opened and the program must end.
    bool Form_Load();

    AppContext& context() { return m_ctx; }
    QTabWidget* SSTabMain() const { return m_tabs; }
    TabPage* page(int tab) const override
    {
        return tab >= 0 && tab < TabCount ? m_pages.at(static_cast<size_t>(tab)) : nullptr;
    }
    void refreshTab(int tab) override;
    QMenu* toolMenu() const { return m_tool; }

    void setStatusPanels(const QStringList& texts) override;
    QString statusPanelText(int panel) const override;

    QString selectSaveFile(const FileTypes& types) override;
    QString selectOpenFile(const FileTypes& types) override;

    QMenu* addInstructionMenu(const QString& name, const QString& caption) override;
    QWidget* dialogParent() override { return this; }

    // The user guide: index.html in the context's help folder.
    QString helpFilePath() const;
    // The guide's window once help has been opened; null before.
    HelpWindow* helpWindow() const { return m_helpWindow; }

public slots:
    void menuNew_Click();
    void menuSave_Click();
    void menuExit_Click();
    void menuHelpFile_Click();
    void menuBackup_Click();
    void menuRestore_Click();
    void menuUndoImport_Click();
    void option_Click();
    void advanced_Click();
    void Label1_Click();
    // The user moved from `previousTab` to the current tab.
    void SSTabMain_Click(int previousTab);

private:
    void buildMenus();
    // After a restore or an undo: the shown list is read again (the others are
    // read when shown).
    void reloadAfterRestore();
    void buildToolbar();
    void buildStatusBar();
    void buildTabs();
    // The menus of the instruction tabs.
    std::vector<QMenu*> instructionMenus() const;

    AppContext& m_ctx;
    QTabWidget* m_tabs = nullptr;
    std::array<TabPage*, TabCount> m_pages {};
    int m_currentTab = 0;
    QMenu* m_menuFile = nullptr;
    QMenu* m_menuHelp = nullptr;
    QMenu* m_tool = nullptr;
    QAction* m_menuNew = nullptr;
    QAction* m_menuSave = nullptr;
    QAction* m_menuUndoImport = nullptr;
    QToolBar* m_toolbar = nullptr;
    QAction* m_button1 = nullptr;
    QAction* m_button2 = nullptr;
    QAction* m_button6 = nullptr;
    std::array<QLabel*, 6> m_panels {};
    QLabel* m_label1 = nullptr;
    HelpWindow* m_helpWindow = nullptr; // a child window, kept once opened
};
