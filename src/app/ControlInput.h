#pragma once

#include "common/FieldRule.h"
#include "common/InputControl.h"

#include <functional>

class QComboBox;
class QEvent;
class QLineEdit;
class QPlainTextEdit;
class QWidget;
struct AppContext;

// Text box adapter over a QLineEdit.
class LineEditInput : public InputControl {
public:
    explicit LineEditInput(QLineEdit& edit)
        : m_edit(edit)
    {
    }
    QString text() const override;
    bool isCombo() const override { return false; }
    int currentIndex() const override { return -1; }
    void focusAndSelectAll() override;

private:
    QLineEdit& m_edit;
};

// Text box adapter over a multi-line QPlainTextEdit.
class PlainTextEditInput : public InputControl {
public:
    explicit PlainTextEditInput(QPlainTextEdit& edit)
        : m_edit(edit)
    {
    }
    QString text() const override;
    bool isCombo() const override { return false; }
    int currentIndex() const override { return -1; }
    void focusAndSelectAll() override;

private:
    QPlainTextEdit& m_edit;
};

// Combo box adapter: its current text and the index of its chosen item.
class ComboBoxInput : public InputControl {
public:
    explicit ComboBoxInput(QComboBox& combo)
        : m_combo(combo)
    {
    }
    QString text() const override;
    bool isCombo() const override { return true; }
    int currentIndex() const override;
    void focusAndSelectAll() override;

private:
    QComboBox& m_combo;
};

// checkField for a screen's control (a QLineEdit, QComboBox or QPlainTextEdit)
// with the rules and prompt of the context. Any other widget is a caller error
// and fails.
bool checkField(QWidget* control, FieldId fieldId, bool doCheck, AppContext& ctx);

// True, after saying which box is off and how to switch it on, when the amount
// box of an instruction dialog is disabled and empty: the "可编辑" flag of field
// 6 ("付款金额", which both instruction dialogs follow) is off in the settings,
// so the user cannot type the amount the instruction needs.
bool refuseDisabledAmountBox(const QLineEdit& amount, AppContext& ctx);

// Makes an editable combo box keep what the user types. The entries are only
// offered: while the user types, a popup lists the entries containing the text.
// Enter and leaving the box keep the text exactly as typed, and no entry is
// chosen by itself (Qt would otherwise choose the first entry matching the text,
// take over that entry's spelling and report it as activated). Enter while the
// popup is open and none of its entries is chosen closes it and reaches the box
// (its lineEdit's returnPressed) as if the popup had not been open. `picked` runs
// with an entry's index only when the user picks that entry: from the open
// list (a click, or the arrow keys and Enter) or from the popup of offered entries.
void offerEntries(QComboBox& combo, std::function<void(int index)> picked = {});

// True when `event` is a control's focus leaving it for another control of its
// window (Tab, a click elsewhere): the moment a screen checks what was typed.
// A popup opening (a list of entries) or another window taking the focus (the
// message box such a check shows) does not leave the control.
bool isLostFocus(const QEvent& event);
