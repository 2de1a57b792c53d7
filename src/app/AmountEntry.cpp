#include "app/AmountEntry.h"

#include "common/AmountConvert.h"
#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"

#include "app/ControlInput.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

AmountEntry::AmountEntry(QLineEdit& box, QLabel& words, Prompt& prompt)
    : QObject(&box)
    , m_box(box)
    , m_words(words)
    , m_prompt(prompt)
{
    // Only the user's edits are checked; the texts put in by the program are not.
    connect(&box, &QLineEdit::textEdited, this, &AmountEntry::changed);
    connect(&box, &QLineEdit::returnPressed, this, &AmountEntry::left);
    box.installEventFilter(this);
}

void AmountEntry::showKept(const QString& amount, const QString& shown)
{
    const QString plain = removeCommas(amount.trimmed());
    if (plain.isEmpty() || !isAmountText(plain)) {
        clear();
        return;
    }
    m_box.setText(shown);
    m_lastAmountText = m_box.text().trimmed();
    m_words.setText(amountToWords(plain));
}

void AmountEntry::clear()
{
    m_box.clear();
    m_lastAmountText.clear();
    m_words.clear();
}

QString AmountEntry::storedText() const
{
    return removeCommas(m_box.text().trimmed());
}

bool AmountEntry::showAmount(bool final)
{
    const QString typed = m_box.text().trimmed();
    if (typed == m_lastAmountText && !final)
        return true;
    m_words.clear();
    const QString s = removeCommas(typed);
    if (s.isEmpty()) {
        clear();
        return true;
    }
    // Only the format here ("金额格式错误"); the bounds once the text is shown.
    if (!isAmountText(s)) {
        refuse(InstructionAmounts::amountProblem(s).value_or(QString()));
        return false;
    }
    m_box.setText(final ? formatAmount(s) : formatAmountTyped(s));
    m_words.setText(amountToWords(s));
    m_lastAmountText = m_box.text();
    return true;
}

void AmountEntry::refuse(const QString& message)
{
    m_refusing = true;
    m_prompt.message(message);
    m_refusing = false;
    clear();
    LineEditInput(m_box).focusAndSelectAll();
}

void AmountEntry::changed()
{
    if (m_refusing || !showAmount(false) || m_box.text().isEmpty())
        return;
    // While typing, zero is still on its way to an amount ("0.5").
    if (const auto why = InstructionAmounts::amountProblem(m_box.text(), true))
        refuse(*why);
    else
        m_box.end(false);
}

void AmountEntry::left()
{
    if (m_refusing || !showAmount(true) || m_box.text().isEmpty())
        return;
    if (const auto why = InstructionAmounts::amountProblem(m_box.text()))
        refuse(*why);
}

bool AmountEntry::eventFilter(QObject* watched, QEvent* event)
{
    // A popup or the message box of a check takes no focus from the box.
    if (watched == &m_box && isLostFocus(*event))
        left();
    return QObject::eventFilter(watched, event);
}
