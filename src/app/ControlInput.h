#pragma once

#include "common/InputControl.h"

class QComboBox;
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
bool checkField(QWidget* control, int fieldId, bool doCheck, AppContext& ctx);
