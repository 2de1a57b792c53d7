#include "common/Money.h"

#include "common/Decimal.h"

#include <QtGlobal>

#include <algorithm>
#include <limits>

namespace {
// fen = fen * 10 + digit, refusing to leave the int64 range.
bool appendDigit(std::int64_t& fen, int digit)
{
    return !__builtin_mul_overflow(fen, 10, &fen) && !__builtin_add_overflow(fen, digit, &fen);
}
}

std::optional<Money> Money::parse(const QString& text)
{
    const QString s = text.trimmed();
    const qsizetype n = s.size();
    qsizetype i = 0;
    const bool negative = i < n && s[i] == u'-';
    if (negative)
        ++i;

    const TypedDigits digits = scanTypedDigits(s, i);
    if (!digits.any() || i != n || digits.fraction.size() > 2)
        return std::nullopt;

    // The magnitude is accumulated negated: the int64 range reaches one fen
    // further below zero than above, so the most negative amount still reads.
    std::int64_t fen = 0;
    for (const char d : digits.integer + digits.fraction) {
        if (!appendDigit(fen, -(d - '0')))
            return std::nullopt;
    }
    auto decimals = digits.fraction.size();
    for (; decimals < 2; ++decimals) {
        if (!appendDigit(fen, 0))
            return std::nullopt;
    }
    if (!negative) {
        if (fen == std::numeric_limits<std::int64_t>::min())
            return std::nullopt;
        fen = -fen;
    }
    return Money(fen);
}

std::optional<Money> Money::parsePlain(QByteArrayView text)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const qsizetype n = text.size();
    qsizetype i = 0;
    std::int64_t fen = 0;
    while (i < n && digit(text[i]))
        fen = fen * 10 + (text[i++] - '0');
    if (i == 0 || i > 15)
        return std::nullopt;
    int decimals = 0;
    if (i < n && text[i] == '.') {
        for (++i; i < n && digit(text[i]) && decimals < 2; ++i, ++decimals)
            fen = fen * 10 + (text[i] - '0');
        if (decimals == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    for (; decimals < 2; ++decimals)
        fen *= 10;
    return Money(fen);
}

qsizetype Money::writeText(char16_t (&out)[kMaxTextSize], bool grouped) const
{
    // Work on the unsigned magnitude so that the most negative value formats
    // too; the digits are written from the right.
    const bool negative = m_fen < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(m_fen) : static_cast<std::uint64_t>(m_fen);
    char16_t digits[kMaxTextSize];
    int at = kMaxTextSize;
    digits[--at] = char16_t(u'0' + magnitude % 10);
    magnitude /= 10;
    digits[--at] = char16_t(u'0' + magnitude % 10);
    magnitude /= 10;
    digits[--at] = u'.';
    int inGroup = 0;
    do {
        if (grouped && inGroup == 3) {
            digits[--at] = u',';
            inGroup = 0;
        }
        digits[--at] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
        ++inGroup;
    } while (magnitude != 0);
    if (negative)
        digits[--at] = u'-';
    const int size = kMaxTextSize - at;
    std::copy(digits + at, digits + kMaxTextSize, out);
    return size;
}

QString Money::format(bool grouped) const
{
    char16_t text[kMaxTextSize];
    const qsizetype size = writeText(text, grouped);
    return QString(reinterpret_cast<const QChar*>(text), size);
}

QString Money::toPlainText() const
{
    return format(false);
}

QString Money::toGroupedText() const
{
    return format(true);
}

std::optional<Money> Money::checkedAdd(Money a, Money b)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a.m_fen, b.m_fen, &sum))
        return std::nullopt;
    return Money(sum);
}

Money& Money::operator+=(Money other)
{
    const auto sum = checkedAdd(*this, other);
    Q_ASSERT_X(sum.has_value(), "Money::operator+=", "amount out of range");
    if (sum)
        m_fen = sum->m_fen;
    return *this;
}
