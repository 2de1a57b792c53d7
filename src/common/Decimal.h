#pragma once

#include <QString>

#include <compare>
#include <optional>
#include <string>

// The digits of a plain decimal written as users type it, starting at text[pos]:
// integer digits, where "," is accepted only between two digits, then
// optionally "." and fraction digits. `pos` moves past what was read. The one
// grammar of typed numbers, shared by Decimal and Money.
struct TypedDigits {
    std::string integer; // without separators
    std::string fraction;
    bool any() const { return !integer.empty() || !fraction.empty(); }
};
TypedDigits scanTypedDigits(const QString& text, qsizetype& pos);

// An exact decimal number read from text, for the numeric checks and range
// tests: no binary floating point is involved, so 100000000000.01 is above
// 1E11 and 1E+308 compares exactly.
//
// Accepted text (surrounding whitespace ignored):
//   [+|-] digits-with-optional-thousands-separators [. digits] [(E|e) [+|-] digits]
// At least one digit must appear in the mantissa ("1234.", ".5" are numbers;
// "." is not). A "," is accepted only between two digits of the integer part.
// Numbers whose leading digit stands for a power of ten beyond ±kMaxExponent
// are refused, which keeps every accepted value comparable and printable
// without unbounded work; 1E+308 and far beyond are numbers.
class Decimal {
public:
    static constexpr int kMaxExponent = 100000;

    Decimal() = default; // zero

    static std::optional<Decimal> parse(const QString& text);

    bool isZero() const { return m_digits.empty(); }
    bool isNegative() const { return m_negative; }

    // Plain decimal form without thousands separators and without trailing
    // zeros: "100000000000", "-0.5", "0".
    QString toPlainText() const;
    // The form used in messages: plain decimal up to kPlainIntegerDigits
    // integer digits; larger numbers in exponent form with a sign on the
    // exponent ("1E+308", "1.5E+25").
    QString toDisplayText() const;
    static constexpr int kPlainIntegerDigits = 20;

    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);
    friend bool operator==(const Decimal& a, const Decimal& b)
    {
        return a.m_negative == b.m_negative && a.m_exponent == b.m_exponent && a.m_digits == b.m_digits;
    }

private:
    // Number of digits before the decimal point in plain form (may be <= 0).
    long long integerDigits() const { return static_cast<long long>(m_digits.size()) + m_exponent; }
    static std::strong_ordering compareMagnitude(const Decimal& a, const Decimal& b);

    // value = (m_negative ? -1 : 1) * m_digits * 10^m_exponent, with m_digits
    // free of leading and trailing zeros; zero has no digits and is never negative.
    bool m_negative = false;
    std::string m_digits;
    long long m_exponent = 0;
};
