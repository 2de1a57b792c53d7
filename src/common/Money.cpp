#include "common/Money.h"

#include "common/Decimal.h"

#include <QtGlobal>

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

QString Money::format(bool grouped) const
{
    // Work on the unsigned magnitude so that the most negative value formats too.
    const bool negative = m_fen < 0;
    const std::uint64_t magnitude
        = negative ? 0 - static_cast<std::uint64_t>(m_fen) : static_cast<std::uint64_t>(m_fen);
    const QString yuan = QString::number(magnitude / 100);
    const std::uint64_t cents = magnitude % 100;

    QString out;
    if (negative)
        out += u'-';
    if (grouped) {
        const qsizetype lead = yuan.size() % 3 == 0 ? 3 : yuan.size() % 3;
        out += yuan.left(lead);
        for (qsizetype p = lead; p < yuan.size(); p += 3) {
            out += u',';
            out += yuan.mid(p, 3);
        }
    } else {
        out += yuan;
    }
    out += u'.';
    out += QChar(u'0' + static_cast<char16_t>(cents / 10));
    out += QChar(u'0' + static_cast<char16_t>(cents % 10));
    return out;
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
