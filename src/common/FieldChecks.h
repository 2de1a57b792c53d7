#pragma once

// The input checks of the entry screens and the imports: the field rules of the
// settings applied to a control, and the checks of single texts (lengths,
// accounts, numbers, amounts, identity card numbers). True means the input
// passes.

#include "common/Decimal.h"
#include "common/FieldRule.h"
#include "common/InputControl.h"

#include <QString>

class Prompt;

// Applies the rule of field `fieldId` to the control and shows the first
// failure through `prompt`. Only an account-format failure moves the focus to
// the control (and selects its text); the control's text is never changed.
bool checkField(InputControl& control, FieldId fieldId, bool doCheck, const FieldRules& rules, Prompt& prompt);

// Not-null tests. A text box is filled when its trimmed text is not empty; a
// combo box when an item after the first is chosen or its trimmed text is not empty.
bool isFieldFilled(const InputControl& control, bool notNull);
bool isComboSelected(const InputControl& combo, bool notNull);
bool isComboTextFilled(const InputControl& combo, bool notNull);
bool isTextFilled(const InputControl& textBox, bool notNull);

// Length rule: "" (any), "20" (at most 20; for an account exactly 20),
// "10-20" and "12,15,17" (accounts only). Lengths count the trimmed text.
bool checkLength(const QString& text, const QString& rule, bool isAccount);
// The length rule is one checkLength can read: one length for any field, a
// range or a list of lengths for an account. An empty rule reads as no limit.
bool isLengthRule(const QString& rule, bool isAccount);

// min <= value <= max, compared exactly in decimal. Blanks, line breaks and
// thousands separators in `text` are ignored; a text or bound that is not a
// number fails.
bool isInRange(const QString& text, const Decimal& min, const Decimal& max);
bool isInRange(const QString& text, const QString& minText, const QString& maxText);

bool isAccountText(const QString& text);
bool isDigitsOnly(const QString& text);
// The trimmed text is a number (see Decimal::parse). Every "," is removed from
// `text`, whether it passes or not.
bool isNumberText(QString& text);
bool isIntegerText(const QString& text);
// A non-negative plain amount with at most two decimals ("1,234.5", ".5",
// "12."). Exactly the texts Money::parse reads without a sign pass.
bool isAmountText(const QString& text);
bool isIdCardNumber(const QString& text);
bool isEmptyText(const QString& text);
