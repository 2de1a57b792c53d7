#include "app/HelpWindow.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The first anchor name inside a block; empty when it has none.
QString anchorOf(const QTextBlock& block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QStringList names = it.fragment().charFormat().anchorNames();
        if (!names.isEmpty())
            return names.first();
    }
    return {};
}
} // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(u"HelpWindow"_s);
    setWindowTitle(u"Qelvora 使用说明"_s);

    m_cmdBack = makeButton(u"HelpWindow_cmdBack"_s, u"后退"_s, this);
    m_cmdForward = makeButton(u"HelpWindow_cmdForward"_s, u"前进"_s, this);
    m_cmdHome = makeButton(u"HelpWindow_cmdHome"_s, u"首页"_s, this);
    m_cmdBack->setShortcut(QKeySequence::Back);
    m_cmdForward->setShortcut(QKeySequence::Forward);
    m_cmdBack->setEnabled(false);
    m_cmdForward->setEnabled(false);

    auto* findLabel = new QLabel(u"查找："_s, this);
    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(u"HelpWindow_txtFind"_s);
    m_txtFind->setClearButtonEnabled(true);
    m_txtFind->setMinimumWidth(200);
    findLabel->setBuddy(m_txtFind);
    m_cmdFind = makeButton(u"HelpWindow_cmdFind"_s, u"查找下一个"_s, this);
    m_lblFind = new QLabel(this);
    m_lblFind->setObjectName(u"HelpWindow_lblFind"_s);

    m_contents = new QComboBox(this);
    m_contents->setObjectName(u"HelpWindow_cmbContents"_s);
    m_contents->setPlaceholderText(u"跳转到章节……"_s);
    m_contents->setMaxVisibleItems(24);
    m_contents->setMinimumContentsLength(18);
    m_contents->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_cmdBack);
    bar->addWidget(m_cmdForward);
    bar->addWidget(m_cmdHome);
    bar->addWidget(m_contents);
    bar->addSpacing(16);
    bar->addWidget(findLabel);
    bar->addWidget(m_txtFind);
    bar->addWidget(m_cmdFind);
    bar->addWidget(m_lblFind, 1);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(u"HelpWindow_browser"_s);
    m_browser->setOpenLinks(true);
    // Links to other places (a web address) open nothing inside the guide.
    m_browser->setOpenExternalLinks(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);
    // Wide enough for the guide's pictures of the main window; within a
    // 1366 x 768 screen with the window frame and the task bar, and within
    // any smaller screen.
    QSize size(1200, 680);
    if (const QScreen* display = screen())
        size = size.boundedTo(display->availableGeometry().size() * 0.95);
    resize(size);

    connect(m_cmdBack, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_cmdForward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_cmdHome, &QPushButton::clicked, m_browser, &QTextBrowser::home);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_cmdBack, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_cmdForward, &QPushButton::setEnabled);
    connect(m_cmdFind, &QPushButton::clicked, this, &HelpWindow::findNext);
    connect(m_txtFind, &QLineEdit::returnPressed, this, &HelpWindow::findNext);
    connect(m_txtFind, &QLineEdit::textChanged, m_lblFind, &QLabel::clear);
    connect(m_contents, &QComboBox::activated, this, &HelpWindow::contentsChosen);

    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_txtFind->setFocus();
        m_txtFind->selectAll();
    });
    auto* findAgain = new QShortcut(QKeySequence::FindNext, this);
    connect(findAgain, &QShortcut::activated, this, &HelpWindow::findNext);
}

bool HelpWindow::openGuide(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return false;
    m_path = path;
    // The images of the guide are found beside it.
    m_browser->setSearchPaths({ file.absolutePath() });
    m_browser->clearHistory();
    m_browser->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    buildContents();
    m_lblFind->clear();
    return true;
}

void HelpWindow::buildContents()
{
    m_contents->clear();
    const QTextDocument* doc = m_browser->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level != 2 && level != 3)
            continue;
        const QString anchor = anchorOf(block);
        if (anchor.isEmpty())
            continue;
        m_contents->addItem((level == 3 ? u"    "_s : QString()) + block.text().simplified(), anchor);
    }
    m_contents->setCurrentIndex(-1);
}

void HelpWindow::contentsChosen(int index)
{
    const QString anchor = m_contents->itemData(index).toString();
    // The list offers the chapters again, not the one last chosen.
    m_contents->setCurrentIndex(-1);
    if (anchor.isEmpty())
        return;
    // Through the browser's own history, so that "后退" returns here.
    QUrl url = m_browser->source();
    url.setFragment(anchor);
    m_browser->setSource(url);
    m_browser->setFocus();
}

bool HelpWindow::findNext()
{
    const QString text = m_txtFind->text();
    if (text.trimmed().isEmpty()) {
        m_lblFind->clear();
        return false;
    }
    if (m_browser->find(text)) {
        m_lblFind->clear();
        return true;
    }
    // Nothing after the cursor: go on from the top, and say so.
    const QTextCursor before = m_browser->textCursor();
    QTextCursor top(m_browser->document());
    m_browser->setTextCursor(top);
    if (m_browser->find(text)) {
        m_lblFind->setText(u"已到末尾，从头继续查找"_s);
        return true;
    }
    m_browser->setTextCursor(before);
    m_lblFind->setText(u"找不到“%1”"_s.arg(text));
    return false;
}
