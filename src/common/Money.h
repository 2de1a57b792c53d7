#pragma once

#include <QByteArrayView>
#include <QString>

#include <compare>
#include <cstdint>
#include <optional>

// An exact amount of money in fen (hundredths of a yuan), held as a 64-bit
// integer. Amounts are read from the texts users type and from the stored
// decimal texts, added and formatted without any binary floating point, so
// 0.07 + 0.01 is 0.08 and a sum of 19.99s never loses a cent. There is
// deliberately no way to make one from a double.
class Money {
public:
    constexpr Money() = default;
    static constexpr Money fromFen(std::int64_t fen) { return Money(fen); }

    // Reads an amount text: optional surrounding whitespace, an optional "-",
    // digits with optional thousands separators (a "," only between two
    // digits of the integer part), an optional "." with at most two decimals.
    // "1,234.5", "0.07", ".5", "1234." are amounts; "", ".", "1.234",
    // "12a", "1E5" and anything beyond the int64 range of fen are not.
    static std::optional<Money> parse(const QString& text);
    // The quick reading of the plain form the store and the upload files hold:
    // ASCII digits, optionally "." and one or two decimals ("1234", "0.5",
    // "1234.50"), at most 15 digits before the point. Anything else is none,
    // though parse() may still read it.
    static std::optional<Money> parsePlain(QByteArrayView text);

    constexpr std::int64_t fen() const { return m_fen; }
    constexpr bool isZero() const { return m_fen == 0; }

    // "1234.50" / "-0.07": no separators, always two decimals.
    QString toPlainText() const;
    // "1,234.50": thousands separators, always two decimals.
    QString toGroupedText() const;
    // The same texts written into `out` without allocating; their length.
    static constexpr int kMaxTextSize = 32;
    qsizetype writeText(char16_t (&out)[kMaxTextSize], bool grouped) const;

    // The sum, or none when it leaves the int64 range.
    static std::optional<Money> checkedAdd(Money a, Money b);
    // Adding amounts that overflow is a programming error (the field rules keep
    // amounts below 17 digits); it is caught by an assertion.
    Money& operator+=(Money other);
    friend Money operator+(Money a, Money b) { return a += b; }

    friend constexpr auto operator<=>(Money a, Money b) = default;

private:
    constexpr explicit Money(std::int64_t fen)
        : m_fen(fen)
    {
    }
    QString format(bool grouped) const;

    std::int64_t m_fen = 0;
};
