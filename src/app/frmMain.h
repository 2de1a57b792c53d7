#pragma once

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>

struct AppContext;
struct FileTypes;
class HelpWindow;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class TabPage;

// The one main window: six tabs, the menus, the toolbar, the six-panel status
// bar, and the file dialogs every import and export uses.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    enum Tab {
        TabPaymentB2B = 0,
        TabPayAccList,
        TabPayeeAccList,
        TabLaborage,
        TabEmployeeList,
        TabUserRemarkList,
        TabCount
    };

    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: settings, caption, icon, menus, the batch payment tab.
    // False when the store cannot be opened and the program must end.
    bool Form_Load();

    AppContext& context() { return m_ctx; }
    QTabWidget* SSTabMain() const { return m_tabs; }
    TabPage* page(int tab) const { return tab >= 0 && tab < TabCount ? m_pages.at(static_cast<size_t>(tab)) : nullptr; }
    QMenu* menuPaymentB2B() const { return m_menuPaymentB2B; }
    QMenu* menuLaborage() const { return m_menuLaborage; }
    QMenu* toolMenu() const { return m_tool; }

    // Status bar panels 1..6.
    void setStatusPanels(const QStringList& texts);
    QString statusPanelText(int panel) const;
    // "总笔数", the count, and four empty panels: the status of the master-data lists.
    void setCountPanels(const QString& count);

    // List refreshes of the two instruction tabs, called by their dialogs and imports.
    void resetPaymentB2B();
    void resetLaborageIn();

    // The file dialogs of the imports and exports (see ::selectSaveFile).
    QString selectSaveFile(const FileTypes& types);
    QString selectOpenFile(const FileTypes& types);

    // The user guide: index.html in the context's help folder.
    QString helpFilePath() const;
    // The guide's window once help has been opened; null before.
    HelpWindow* helpWindow() const { return m_helpWindow; }

public slots:
    void menuNew_Click();
    void menuSave_Click();
    void menuExit_Click();
    void menuHelpFile_Click();
    void option_Click();
    void advanced_Click();
    void Label1_Click();
    // The user moved from `previousTab` to the current tab.
    void SSTabMain_Click(int previousTab);

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void buildTabs();

    AppContext& m_ctx;
    QTabWidget* m_tabs = nullptr;
    std::array<TabPage*, TabCount> m_pages {};
    int m_currentTab = 0;
    QMenu* m_menuFile = nullptr;
    QMenu* m_menuPaymentB2B = nullptr;
    QMenu* m_menuLaborage = nullptr;
    QMenu* m_menuHelp = nullptr;
    QMenu* m_tool = nullptr;
    QAction* m_menuNew = nullptr;
    QAction* m_menuSave = nullptr;
    QToolBar* m_toolbar = nullptr;
    QAction* m_button1 = nullptr;
    QAction* m_button2 = nullptr;
    QAction* m_button6 = nullptr;
    std::array<QLabel*, 6> m_panels {};
    QLabel* m_label1 = nullptr;
    HelpWindow* m_helpWindow = nullptr; // a child window, kept once opened
};
