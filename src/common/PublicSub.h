#pragma once

// The shared input checks, amount formatting and XML readers of the entry
// screens. All routines are free functions without state of their own.

#include "common/Decimal.h"
#include "common/InputControl.h"
#include "common/XmlDoc.h"

#include <QString>

class FieldRules;
class Prompt;

// ---- Checks (true means the input passes) ---------------------------------

// Applies field rule `fieldId` (1..50) to the control and shows the first
// failure through `prompt`. Only an account-format failure moves the focus to
// the control (and selects its text); the control's text is never changed.
bool checkField(InputControl& control, int fieldId, bool doCheck, const FieldRules& rules, Prompt& prompt);

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

// ---- Formatting -------------------------------------------------------------

QString formatAmount(const QString& text);
QString formatAmountTyped(const QString& text);
// A stored amount ("1234.5") for a list (with separators: "1,234.50") or a
// file (without: "1234.50"). Amounts as the store holds them go through Money;
// anything else through formatAmount.
QString formatStoredAmount(const QString& text, bool withSeparators);
QString groupThousands(const QString& text);
QString removeCommas(const QString& text);
// Removes line feeds, carriage returns and spaces from `text` itself.
void removeBlanks(QString& text);
QString padZeroLeft(const QString& text, int width);
// A value as a message quotes it: whole up to 40 characters, else its first 40
// and "…", so that a huge value in a file never floods a message box.
QString quotedValue(const QString& value);

// ---- XML reading ------------------------------------------------------------

// The text of the first element named `name` below `node` (".//name"), or
// `defaultText` when there is none.
QString getNodeText(const XmlNode& node, const QString& name, const QString& defaultText);
QString getNodeText(const XmlDoc& doc, const QString& name, const QString& defaultText);
// The attribute's value; empty when the element is none, the attribute is
// absent or its value is the text "null".
QString getAttributeText(const XmlNode& element, const QString& name);
// The child at `index` (0-based) of the last child of the node's last child;
// none when there is no such child. Whitespace between elements is not a child.
XmlNode getRecordField(const XmlNode& node, int index);
XmlNode getRecordField(const XmlDoc& doc, int index);
