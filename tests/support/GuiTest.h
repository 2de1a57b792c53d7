#pragma once

#include "RecordingPrompt.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <functional>

class QComboBox;

// Drives a window the way its user does: keys typed into the control that has
// the keyboard, Enter and Tab, mouse clicks, a pick from a combo box's open
// list or from the entries its completer offers, and real message boxes.
//
// While a GuiTest lives, every box the recording prompt is asked for is also
// shown as the program's own modal QMessageBox; a timer answers it (OK, or the
// answer the test scripted on the prompt) once it has become the active window,
// so the focus leaves the window and comes back exactly as it does for the
// user. The prompt keeps recording the texts in order.
//
// Controls are found by object name in the window given to show() or
// whenModal(); a missing control fails the test.
class GuiTest {
public:
    explicit GuiTest(RecordingPrompt& prompt);
    ~GuiTest();
    GuiTest(const GuiTest&) = delete;
    GuiTest& operator=(const GuiTest&) = delete;

    // Shows `window` non-modally and waits until it is the active window.
    void show(QWidget& window);
    // For a dialog the program runs itself with exec(): once a modal window
    // named `name` is active, `steps` run from a timer, and the window is closed
    // afterwards if the steps left it open. Call before the action that opens it.
    void whenModal(const QString& name, std::function<void(QWidget& window)> steps);
    // True once the steps given to whenModal have run.
    bool modalStepsRan() const { return m_modalStepsRan; }

    // The control named `name`; fails the test when there is none.
    QWidget* widget(const QString& name) const;
    template <class T> T* find(const QString& name) const { return qobject_cast<T*>(widget(name)); }
    // The object name of the control that has the focus.
    QString focused() const;

    // Clicks into the text box or editable combo box `name` (any other control
    // gets the focus as by the Tab key).
    void focus(const QString& name);
    // Replaces the text of a box as the user does: click into it, select all, type.
    void type(const QString& name, const QString& text);
    // Types `text` key by key into whatever has the keyboard (the focused
    // control, or an open popup list). Characters outside ASCII come as the key
    // events of a keyboard that produces them.
    void keys(const QString& text);
    void enter();
    void tab();
    void escape();
    // Clicks the button `name` with the mouse.
    void click(const QString& name);

    // Opens the list of combo box `name` from the keyboard (F4), moves to entry
    // `index` with the arrow keys and presses Enter.
    void pick(const QString& name, int index);
    // Opens the list of combo box `name` and clicks entry `index`.
    void clickEntry(const QString& name, int index);
    // The entries of the completer popup that is open; empty when none is.
    QStringList offered() const;
    // Moves down the open completer popup to its row `row` and presses Enter.
    void pickOffered(int row);

    // From now on every real box is answered by the Enter key instead of a
    // click: it gives the box's default button, which must be the answer the
    // test scripted on the prompt.
    void answerBoxesWithEnter(bool enter = true) { m_enterAnswersBoxes = enter; }

    // The texts of the real message boxes shown, in order.
    const QStringList& boxes() const { return m_boxes; }

private:
    void showBox(RecordingPrompt::Call call, bool answer);
    QWidget* openList(const QString& name);

    RecordingPrompt& m_prompt;
    QPointer<QWidget> m_window;
    QStringList m_boxes;
    bool m_modalStepsRan = false;
    bool m_enterAnswersBoxes = false;
};
