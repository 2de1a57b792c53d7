#pragma once

#include "common/Money.h"
#include "domain/InstructionAmounts.h"

#include <QObject>
#include <QString>

class Prompt;
class QLabel;
class QLineEdit;

// The amount box of an instruction dialog with its capital-figures label.
// While the user types, the text is formatted as typed ("1,234.5") and the
// label follows it; leaving the box (Tab, a click elsewhere) or Enter formats
// it in full ("1,234.50"). A text that is no amount, an amount above the
// largest single amount, or (on leaving) an amount of zero is refused: the
// message is shown once, then the box and the label are emptied and the box
// takes the focus with its text selected.
class AmountEntry : public QObject {
public:
    // The largest single amount: 1E11 yuan, compared in exact fen, so
    // 100000000000.00 passes and 100000000000.01 does not.
    static constexpr Money kMaxAmount = InstructionAmounts::kMaxAmount;

    AmountEntry(QLineEdit& box, QLabel& words, Prompt& prompt);

    // Shows a kept instruction's amount as `shown`, with the capital figures of
    // `amount`, when `amount` is an amount; empties both otherwise.
    void showKept(const QString& amount, const QString& shown);
    // Empties the box and the label.
    void clear();
    // The text of the box without blanks and thousands separators, as it is stored.
    QString storedText() const;

    // The box's text changed by the user (txtAmount_Change).
    void changed();
    // The box left, or Enter pressed in it (txtAmount_LostFocus).
    void left();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Formats the typed text (fully when `final`) and spells it in the label;
    // false, after the message, when the text is no amount.
    bool showAmount(bool final);
    // Shows `message`, then empties the box and the label and puts the focus back.
    void refuse(const QString& message);

    QLineEdit& m_box;
    QLabel& m_words;
    Prompt& m_prompt;
    // The text showAmount last put into the box.
    QString m_lastAmountText;
    // A refusal's message is on screen: its focus changes check nothing.
    bool m_refusing = false;
};
