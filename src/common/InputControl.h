#pragma once

#include <QString>

// What the input checks need from an entry control, so that they stay free of
// widgets: a text box offers its text; a combo box its text and the index of
// its chosen item (0-based, -1 when none). The widget adapters live in the
// application layer (ControlInput.h).
class InputControl {
public:
    virtual ~InputControl() = default;

    virtual QString text() const = 0;
    virtual bool isCombo() const = 0;
    // Index of the chosen item of a combo box; -1 for a text box.
    virtual int currentIndex() const = 0;
    // Puts the keyboard focus on the control and selects its whole text.
    virtual void focusAndSelectAll() = 0;
};
