#pragma once

#include <QString>

// Amounts in Chinese capital figures, as written on bank documents.
//
// The argument is a plain decimal text: digits, optionally one "." and up to
// two decimals, no separators (apply removeCommas first) and no sign. The
// result has no "整" suffix: "1234.56" -> "壹仟贰佰叁拾肆元伍角陆分",
// "5" -> "伍元", "0.05" -> "伍分", "0" and "" -> "". An amount with three or
// more decimals gets no jiao/fen part; groups beyond the 16th integer digit
// get no section character.
QString amountToWords(const QString& amount);

// The steps of amountToWords, exposed for their own tests.
namespace amount_convert {
QString fractionPart(const QString& s);
QString integerPart(const QString& s, const QString& fraction);
QString integerWords(const QString& digits);
QString digitGroup(const QString& digits, int group);
QString groupWords(const QString& chunk);
QString collapseZeros(const QString& s);
QString fractionWords(const QString& fraction);
QString stripLeadingZeros(const QString& s);
}
