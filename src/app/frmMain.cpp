#include "app/frmMain.h"

#include "app/AboutDialog.h"
#include "app/HelpWindow.h"
#include "app/ListGrid.h"
#include "app/TabPage.h"
#include "app/frmRestore.h"
#include "common/Prompt.h"
#include "config/SysConf.h"
#include "domain/AppContext.h"
#include "settings/frmSysAdvanceConf.h"
#include "settings/frmSysConf.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
// Clicks on the caption-less Label1 toggle the settings menu.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> onClick)
        : QObject(parent)
        , m_onClick(std::move(onClick))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            m_onClick();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onClick;
};

QAction* addEntry(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QMenu* addMenu(QMenuBar* bar, const QString& name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name + u"_action"_s);
    return menu;
}
}

frmMain::frmMain(AppContext& ctx, QWidget* parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(u"frmMain"_s);
    resize(1100, 720);
    buildMenus();
    buildToolbar();
    buildStatusBar();
    buildTabs();
}

frmMain::~frmMain() = default;

void frmMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    m_menuFile = addMenu(bar, u"menuFile"_s, u"文件(&F)"_s);
    m_menuNew = addEntry(m_menuFile, u"menuNew"_s, u"新建(&N)"_s);
    m_menuSave = addEntry(m_menuFile, u"menuSave"_s, u"保存(&S)"_s);
    m_menuFile->addSeparator();
    m_menuUndoImport = addEntry(m_menuFile, u"menuUndoImport"_s, u"撤销上次导入"_s);
    QAction* backup = addEntry(m_menuFile, u"menuBackup"_s, u"备份数据…"_s);
    QAction* restore = addEntry(m_menuFile, u"menuRestore"_s, u"恢复数据…"_s);
    connect(m_menuUndoImport, &QAction::triggered, this, &frmMain::menuUndoImport_Click);
    connect(backup, &QAction::triggered, this, &frmMain::menuBackup_Click);
    connect(restore, &QAction::triggered, this, &frmMain::menuRestore_Click);
    // Undo is offered only while the last import is the last change.
    connect(m_menuFile, &QMenu::aboutToShow, this,
        [this] { m_menuUndoImport->setEnabled(Backups::undoableImport(m_ctx).has_value()); });
    m_menuFile->addSeparator()->setObjectName(u"menuFileSplit"_s);
    QAction* exit = addEntry(m_menuFile, u"menuExit"_s, u"退出(&X)"_s);
    connect(m_menuNew, &QAction::triggered, this, &frmMain::menuNew_Click);
    connect(m_menuSave, &QAction::triggered, this, &frmMain::menuSave_Click);
    connect(exit, &QAction::triggered, this, &frmMain::menuExit_Click);

    // The menus of the instruction tabs come here, between File and Help
    // (addInstructionMenu).
    m_menuHelp = addMenu(bar, u"menuHelp"_s, u"帮助(&H)"_s);
    QAction* help = addEntry(m_menuHelp, u"menuHelpFile"_s, u"帮助文档(&Y)"_s);
    connect(help, &QAction::triggered, this, &frmMain::menuHelpFile_Click);
    QAction* about = addEntry(m_menuHelp, u"menuAbout"_s, u"关于(&A)"_s);
    connect(about, &QAction::triggered, this, [this] { AboutDialog(m_ctx, this).exec(); });

    m_tool = addMenu(bar, u"tool"_s, u"工具(&T)"_s);
    QAction* option = addEntry(m_tool, u"option"_s, u"选项(&O)"_s);
    QAction* advanced = addEntry(m_tool, u"advanced"_s, u"高级(&H)"_s);
    connect(option, &QAction::triggered, this, &frmMain::option_Click);
    connect(advanced, &QAction::triggered, this, &frmMain::advanced_Click);

    // Label1: no caption, a small spot at the right end of the menu bar. Its
    // tooltip and pointing cursor let a user who looks for the settings find it.
    m_label1 = new QLabel(this);
    m_label1->setObjectName(u"Label1"_s);
    m_label1->setFixedSize(24, 16);
    m_label1->setToolTip(u"单击显示或隐藏“工具”菜单（系统设定）"_s);
    m_label1->setCursor(Qt::PointingHandCursor);
    m_label1->installEventFilter(new ClickFilter(this, [this] { Label1_Click(); }));
    bar->setCornerWidget(m_label1, Qt::TopRightCorner);

    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &frmMain::menuHelpFile_Click);
}

void frmMain::buildToolbar()
{
    m_toolbar = addToolBar(u"mainToolbar"_s);
    m_toolbar->setObjectName(u"mainToolbar"_s);
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_button1 = m_toolbar->addAction(style()->standardIcon(QStyle::SP_FileIcon), u"新建"_s);
    m_button1->setObjectName(u"mainToolbar_button1"_s);
    m_button2 = m_toolbar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), u"保存"_s);
    m_button2->setObjectName(u"mainToolbar_button2"_s);
    m_toolbar->addSeparator();
    m_button6 = m_toolbar->addAction(style()->standardIcon(QStyle::SP_MessageBoxQuestion), u"帮助"_s);
    m_button6->setObjectName(u"mainToolbar_button6"_s);
    connect(m_button1, &QAction::triggered, this, &frmMain::menuNew_Click);
    connect(m_button2, &QAction::triggered, this, &frmMain::menuSave_Click);
    connect(m_button6, &QAction::triggered, this, &frmMain::menuHelpFile_Click);
}

void frmMain::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(u"statusBar"_s);
    bar->setSizeGripEnabled(true);
    const int stretch[6] = { 0, 1, 0, 1, 0, 3 };
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(u"statusBar_panel%1"_s.arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(i % 2 == 0 ? 60 : 90);
        if (i == 3)
            panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        bar->addWidget(panel, stretch[i]);
        m_panels[static_cast<size_t>(i)] = panel;
    }
    setStatusPanels({ u"总笔数"_s, QString(), u"总金额"_s, QString(), u"大写金额"_s, QString() });
}

void frmMain::buildTabs()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"SSTabMain"_s);
    setCentralWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = m_currentTab;
        m_currentTab = index;
        SSTabMain_Click(previous);
    });
}

void frmMain::addTab(Tab tab, TabPage* page, const QString& caption)
{
    // The tab widget's index is the tab's kind.
    Q_ASSERT(tab == m_tabs->count());
    m_pages[static_cast<size_t>(tab)] = page;
    const QSignalBlocker block(m_tabs);
    m_tabs->addTab(page, caption);
}

QMenu* frmMain::addInstructionMenu(const QString& name, const QString& caption)
{
    auto* menu = new QMenu(caption, menuBar());
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name + u"_action"_s);
    menuBar()->insertMenu(m_menuHelp->menuAction(), menu);
    menu->menuAction()->setVisible(false);
    return menu;
}

std::vector<QMenu*> frmMain::instructionMenus() const
{
    std::vector<QMenu*> menus;
    for (TabPage* p : m_pages)
        if (QMenu* menu = p ? p->instructionMenu() : nullptr)
            menus.push_back(menu);
    return menus;
}

bool frmMain::Form_Load()
{
    SysConf sysConf(m_ctx, m_ctx.appDir);
    setWindowTitle(m_ctx.bankName + u"Qelvora"_s);
    if (!sysConf.loadNotice().isEmpty())
        m_ctx.prompt.message(sysConf.loadNotice());

    // From here on a failing step does not stop the start.
    if (!m_ctx.sysIconPath.isEmpty() && QFileInfo(m_ctx.sysIconPath).isFile()) {
        const QIcon icon(m_ctx.sysIconPath);
        if (!icon.isNull() && !icon.availableSizes().isEmpty())
            setWindowIcon(icon);
    }
    for (QMenu* menu : instructionMenus())
        menu->menuAction()->setVisible(false);
    m_menuHelp->menuAction()->setVisible(true);
    m_tool->menuAction()->setVisible(false);

    // The first use of the store: the batch payment list. A store that cannot be
    // opened has shown "Database error" by now and the program ends.
    if (!m_ctx.db().Connect())
        return false;
    {
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(TabPaymentB2B);
    }
    m_currentTab = TabPaymentB2B;
    SSTabMain_Click(TabPayAccList);
    return !m_ctx.db().openFailed();
}

void frmMain::SSTabMain_Click(int previousTab)
{
    if (TabPage* previous = page(previousTab))
        previous->clearGrid();

    // An instruction tab brings its menu, New and Save; the others hide them.
    const int tab = m_tabs->currentIndex();
    TabPage* current = tab >= 0 && tab < TabCount ? page(tab) : nullptr;
    QMenu* menu = current ? current->instructionMenu() : nullptr;
    const bool instructions = menu != nullptr;
    m_menuNew->setEnabled(instructions);
    m_menuSave->setEnabled(instructions);
    m_button1->setEnabled(instructions);
    m_button2->setEnabled(instructions);
    if (!current)
        return;
    current->refresh();
    for (QMenu* m : instructionMenus())
        m->menuAction()->setVisible(m == menu);
}

void frmMain::setStatusPanels(const QStringList& texts)
{
    for (int i = 0; i < 6; ++i)
        m_panels[static_cast<size_t>(i)]->setText(i < texts.size() ? texts.at(i) : QString());
}

QString frmMain::statusPanelText(int panel) const
{
    if (panel < 1 || panel > 6)
        return {};
    return m_panels[static_cast<size_t>(panel - 1)]->text();
}

void frmMain::refreshTab(int tab)
{
    if (TabPage* p = page(tab))
        p->refresh();
}

QString frmMain::selectSaveFile(const FileTypes& types)
{
    return ::selectSaveFile(m_ctx.prompt, types);
}

QString frmMain::selectOpenFile(const FileTypes& types)
{
    return ::selectOpenFile(m_ctx.prompt, types);
}

void frmMain::menuNew_Click()
{
    if (TabPage* current = page(m_tabs->currentIndex()))
        current->newList();
}

void frmMain::menuSave_Click()
{
    if (TabPage* current = page(m_tabs->currentIndex()))
        current->writeUploadFile();
}

void frmMain::menuExit_Click()
{
    m_ctx.db().Disconnect();
    close();
}

QString frmMain::helpFilePath() const
{
    return m_ctx.helpDir + u"index.html"_s;
}

void frmMain::menuHelpFile_Click()
{
    // One guide window beside the main window: help again brings it to the
    // front where the user left it.
    if (!m_helpWindow) {
        const QString path = helpFilePath();
        auto window = std::make_unique<HelpWindow>(this);
        if (!window->openGuide(path)) {
            m_ctx.prompt.message(u"无法打开帮助文件 "_s + path);
            return;
        }
        m_helpWindow = window.release();
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void frmMain::reloadAfterRestore()
{
    refreshTab(m_tabs->currentIndex());
}

void frmMain::menuBackup_Click()
{
    BackupCommands::backupByHand(m_ctx, this);
}

void frmMain::menuRestore_Click()
{
    frmRestore dialog(
        m_ctx, [this] { reloadAfterRestore(); }, this);
    dialog.exec();
}

void frmMain::menuUndoImport_Click()
{
    BackupCommands::undoLastImport(m_ctx, [this] { reloadAfterRestore(); });
}

void frmMain::option_Click()
{
    frmSysConf dialog(m_ctx, m_ctx.prompt, this);
    dialog.setBeforeSave([this] { return backupBefore(m_ctx, u"settings"_s); });
    dialog.exec();
}

void frmMain::advanced_Click()
{
    frmSysAdvanceConf dialog(m_ctx, m_ctx.prompt, this);
    dialog.exec();
}

void frmMain::Label1_Click()
{
    m_tool->menuAction()->setVisible(!m_tool->menuAction()->isVisible());
}
