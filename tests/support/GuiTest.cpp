#include "GuiTest.h"

#include "app/QtPrompt.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTimer>

#include <memory>

namespace {
// How long a window may take to appear and become active before the test fails.
constexpr int kWaitMs = 5000;

// The offscreen platform warns about every popup and box it cannot raise or
// give a keyboard grab; those warnings say nothing about the test.
QtMessageHandler g_previousHandler = nullptr;
int g_liveGuiTests = 0;

void dropPlatformWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1StringView("This plugin does not support")))
        return;
    g_previousHandler(type, context, message);
}

void fail(const QString& message)
{
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
}

// The button of `box` that gives `answer`: OK or Yes for true, Cancel or No for false.
QAbstractButton* answerButton(QMessageBox& box, bool answer)
{
    if (box.buttons().size() == 3)
        return nullptr; // an OK/跳过/Cancel question: see okSkipCancelButton
    for (QAbstractButton* button : box.buttons()) {
        const QMessageBox::ButtonRole role = box.buttonRole(button);
        if (answer ? role == QMessageBox::AcceptRole || role == QMessageBox::YesRole
                   : role == QMessageBox::RejectRole || role == QMessageBox::NoRole)
            return button;
    }
    return box.buttons().value(0);
}

// The button of an OK/跳过/Cancel question that gives `answer`.
QAbstractButton* okSkipCancelButton(QMessageBox& box, OkSkipCancel answer)
{
    for (QAbstractButton* button : box.buttons()) {
        const QMessageBox::ButtonRole role = box.buttonRole(button);
        if ((answer == OkSkipCancel::Ok && role == QMessageBox::AcceptRole)
            || (answer == OkSkipCancel::Cancel && role == QMessageBox::RejectRole)
            || (answer == OkSkipCancel::Skip && button->text() == QStringLiteral("跳过")))
            return button;
    }
    return nullptr;
}

// Where the user's keyboard goes: to an open popup, else to the control that
// has the focus. (The offscreen platform leaves a closed popup's window as the
// focus window, so the keys are not sent through the focus window.)
QWidget* keyTarget()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    return QApplication::focusWidget();
}

void keyClick(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (QWidget* target = keyTarget())
        QTest::keyClick(target, key, modifiers);
    else
        fail(QStringLiteral("no control has the focus"));
}

QAbstractItemView* openPopupList()
{
    auto* view = qobject_cast<QAbstractItemView*>(QApplication::activePopupWidget());
    if (!view) {
        // A combo box's list lies inside its popup container.
        if (QWidget* popup = QApplication::activePopupWidget())
            view = popup->findChild<QAbstractItemView*>();
    }
    return view && view->isVisible() ? view : nullptr;
}
} // namespace

GuiTest::GuiTest(RecordingPrompt& prompt)
    : m_prompt(prompt)
{
    m_prompt.showBox = [this](RecordingPrompt::Call call, bool answer) { showBox(std::move(call), answer); };
    if (g_liveGuiTests++ == 0)
        g_previousHandler = qInstallMessageHandler(dropPlatformWarnings);
}

GuiTest::~GuiTest()
{
    if (--g_liveGuiTests == 0)
        qInstallMessageHandler(g_previousHandler);
    m_prompt.showBox = nullptr;
}

void GuiTest::showBox(RecordingPrompt::Call call, bool answer)
{
    using Kind = RecordingPrompt::Kind;
    if (call.kind == Kind::SaveFile || call.kind == Kind::OpenFile)
        return; // file dialogs stay scripted
    m_boxes.append(call.text);
    // The user answers a box once it is on screen and has the focus; a box
    // shown while another is open lies on top and is answered first.
    auto* closer = new QTimer;
    closer->setInterval(5);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    const bool byEnter = m_enterAnswersBoxes;
    const bool threeWay = call.kind == Kind::AskOkSkipCancel;
    const OkSkipCancel threeWayAnswer = call.okSkipCancel;
    QObject::connect(closer, &QTimer::timeout, closer, [closer, waited, answer, byEnter, threeWay, threeWayAnswer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (QApplication::activeWindow() != box && waited->elapsed() < kWaitMs)
            return;
        closer->stop();
        closer->deleteLater();
        if (QApplication::activeWindow() != box)
            fail(QStringLiteral("the message box never became the active window: ") + box->text());
        QAbstractButton* button = threeWay ? okSkipCancelButton(*box, threeWayAnswer) : answerButton(*box, answer);
        if (!button) {
            fail(QStringLiteral("the box has no button for the scripted answer: ") + box->text());
            box->reject();
        } else if (byEnter) {
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    closer->start();

    QPointer<QWidget> owner = QApplication::activeWindow();
    QtPrompt real;
    bool answered = true;
    if (call.kind == Kind::Message)
        real.message(call.text);
    else if (call.kind == Kind::Critical)
        real.critical(call.title, call.text);
    else if (call.kind == Kind::AskOkCancel)
        answered = real.askOkCancel(call.text, call.defaultButton) == answer;
    else if (call.kind == Kind::AskOkSkipCancel)
        answered = real.askOkSkipCancel(call.text) == call.okSkipCancel;
    else
        answered = real.askYesNo(call.text) == answer;
    if (!answered)
        fail(QStringLiteral("the box was not answered as scripted: ") + call.text);
    // The window system gives the activation back to the window the box came
    // from (the offscreen platform leaves it with the closed box), and that
    // window's focused control gets the focus again.
    if (owner && owner->isVisible() && QApplication::activeWindow() != owner) {
        owner->activateWindow();
        if (!QTest::qWaitForWindowActive(owner, kWaitMs))
            fail(QStringLiteral("the window does not become active again after the box: ") + call.text);
    }
}

void GuiTest::show(QWidget& window)
{
    m_window = &window;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window, kWaitMs))
        fail(QStringLiteral("the window did not become active: ") + window.objectName());
}

void GuiTest::whenModal(const QString& name, std::function<void(QWidget& window)> steps)
{
    m_modalStepsRan = false;
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, waited, name, steps = std::move(steps)] {
        QPointer<QWidget> window = QApplication::activeModalWidget();
        const bool ready = window && window->objectName() == name && QApplication::activeWindow() == window;
        if (!ready && waited->elapsed() < kWaitMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (!ready) {
            fail(QStringLiteral("no active modal window named ") + name);
            return;
        }
        m_window = window;
        steps(*window);
        m_modalStepsRan = true;
        // Steps that failed half-way leave the dialog open: close it, so the
        // program's exec() returns and the test can end.
        if (auto* dialog = qobject_cast<QDialog*>(window.data()); dialog && dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

QWidget* GuiTest::widget(const QString& name) const
{
    QWidget* found = nullptr;
    if (m_window)
        found = m_window->objectName() == name ? m_window.data() : m_window->findChild<QWidget*>(name);
    if (!found)
        fail(QStringLiteral("no control named ") + name);
    return found;
}

QString GuiTest::focused() const
{
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

void GuiTest::focus(const QString& name)
{
    QWidget* control = widget(name);
    if (!control)
        return;
    QWidget* box = control;
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        box = combo->lineEdit();
    if (qobject_cast<QLineEdit*>(box))
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(box->width() - 4, box->height() / 2));
    else
        control->setFocus(Qt::TabFocusReason);
    if (!QTest::qWaitFor([control] { return control->hasFocus(); }, kWaitMs))
        fail(QStringLiteral("the control does not take the focus: ") + name);
}

void GuiTest::type(const QString& name, const QString& text)
{
    focus(name);
    keyClick(Qt::Key_A, Qt::ControlModifier);
    keys(text);
}

void GuiTest::keys(const QString& text)
{
    for (const QChar ch : text) {
        QWidget* target = keyTarget();
        if (!target) {
            fail(QStringLiteral("no control has the focus"));
            return;
        }
        if (ch.unicode() >= 0x20 && ch.unicode() < 0x7f)
            QTest::keyClick(target, char(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

void GuiTest::enter()
{
    keyClick(Qt::Key_Return);
}

void GuiTest::tab()
{
    keyClick(Qt::Key_Tab);
}

void GuiTest::escape()
{
    keyClick(Qt::Key_Escape);
}

void GuiTest::click(const QString& name)
{
    if (auto* button = find<QAbstractButton>(name))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        fail(QStringLiteral("not a button: ") + name);
}

QWidget* GuiTest::openList(const QString& name)
{
    auto* combo = find<QComboBox>(name);
    if (!combo) {
        fail(QStringLiteral("not a combo box: ") + name);
        return nullptr;
    }
    focus(name);
    keyClick(Qt::Key_F4);
    if (!QTest::qWaitFor([combo] { return combo->view()->isVisible(); }, kWaitMs)) {
        fail(QStringLiteral("the list does not open: ") + name);
        return nullptr;
    }
    return combo;
}

void GuiTest::pick(const QString& name, int index)
{

    auto* combo = qobject_cast<QComboBox*>(openList(name));
    if (!combo)
        return;
    keyClick(Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        keyClick(Qt::Key_Down);
    keyClick(Qt::Key_Return);
    if (!QTest::qWaitFor([combo] { return !combo->view()->isVisible(); }, kWaitMs))
        fail(QStringLiteral("the list stays open: ") + name);
}

void GuiTest::clickEntry(const QString& name, int index)
{
    auto* combo = qobject_cast<QComboBox*>(openList(name));
    if (!combo)
        return;
    // A click that follows the opening within a double-click time is taken as
    // the end of the opening click, so the user's click comes later.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QAbstractItemView* view = combo->view();
    const QModelIndex entry = view->model()->index(index, combo->modelColumn(), view->rootIndex());
    view->scrollTo(entry);
    const QPoint at = view->visualRect(entry).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    if (!QTest::qWaitFor([combo] { return !combo->view()->isVisible(); }, kWaitMs))
        fail(QStringLiteral("the list stays open: ") + name);
}

QStringList GuiTest::offered() const
{
    QStringList entries;
    QAbstractItemView* view = openPopupList();
    if (!view)
        return entries;
    const auto* list = qobject_cast<QListView*>(view);
    const int column = list ? list->modelColumn() : 0;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        entries << view->model()->index(row, column, view->rootIndex()).data().toString();
    return entries;
}

void GuiTest::pickOffered(int row)
{
    QAbstractItemView* view = openPopupList();
    if (!view) {
        fail(QStringLiteral("no list of offered entries is open"));
        return;
    }
    for (int i = 0; i <= row; ++i)
        keyClick(Qt::Key_Down);
    keyClick(Qt::Key_Return);
    if (!QTest::qWaitFor([view] { return !view->isVisible(); }, kWaitMs))
        fail(QStringLiteral("the list of offered entries stays open"));
}
