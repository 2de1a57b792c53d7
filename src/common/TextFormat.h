#pragma once

// Amounts and values as the screens, files and messages show them: thousands
// separators, the stored and the typed forms of an amount, and the small text
// clean-ups the entry screens use.

#include <QString>

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
