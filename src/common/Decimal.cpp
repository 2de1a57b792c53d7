#include "common/Decimal.h"

namespace {
bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Written exponents beyond this are refused before any arithmetic on them.
constexpr long long kWrittenExponentLimit = 1'000'000'000'000LL;
}

TypedDigits scanTypedDigits(const QString& s, qsizetype& i)
{
    TypedDigits out;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (isAsciiDigit(c)) {
            out.integer.push_back(static_cast<char>(c.unicode()));
            ++i;
        } else if (c == u',' && !out.integer.empty() && i + 1 < n && isAsciiDigit(s[i + 1])) {
            ++i;
        } else {
            break;
        }
    }
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && isAsciiDigit(s[i]))
            out.fraction.push_back(static_cast<char>(s[i++].unicode()));
    }
    return out;
}

std::optional<Decimal> Decimal::parse(const QString& text)
{
    const QString s = text.trimmed();
    const qsizetype n = s.size();
    qsizetype i = 0;

    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }

    const TypedDigits mantissa = scanTypedDigits(s, i);
    const std::string digits = mantissa.integer + mantissa.fraction;
    const auto fractionCount = static_cast<qsizetype>(mantissa.fraction.size());
    if (!mantissa.any())
        return std::nullopt;

    long long exponent = 0;
    if (i < n && (s[i] == u'E' || s[i] == u'e')) {
        ++i;
        bool expNegative = false;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) {
            expNegative = s[i] == u'-';
            ++i;
        }
        if (i >= n || !isAsciiDigit(s[i]))
            return std::nullopt;
        while (i < n && isAsciiDigit(s[i])) {
            exponent = exponent * 10 + (s[i].unicode() - u'0');
            if (exponent > kWrittenExponentLimit)
                return std::nullopt;
            ++i;
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (i != n)
        return std::nullopt;

    Decimal d;
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return d; // zero, whatever its sign
    const auto last = digits.find_last_not_of('0');
    const auto trailingZeros = static_cast<long long>(digits.size() - 1 - last);
    d.m_digits = digits.substr(first, last - first + 1);
    d.m_exponent = exponent - fractionCount + trailingZeros;
    d.m_negative = negative;
    // The exponent of the leading digit, as the display form writes it.
    const long long leading = d.integerDigits() - 1;
    if (leading > kMaxExponent || leading < -kMaxExponent)
        return std::nullopt;
    return d;
}

std::strong_ordering Decimal::compareMagnitude(const Decimal& a, const Decimal& b)
{
    if (a.isZero() || b.isZero())
        return a.m_digits.size() <=> b.m_digits.size();
    // Without leading zeros, more integer digits means a larger magnitude.
    if (auto c = a.integerDigits() <=> b.integerDigits(); c != 0)
        return c;
    // Same position of the leading digit: the digit strings compare
    // lexicographically, a shorter string being a prefix padded with zeros.
    const int c = a.m_digits.compare(b.m_digits);
    return c <=> 0;
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b)
{
    if (a.m_negative != b.m_negative)
        return a.m_negative ? std::strong_ordering::less : std::strong_ordering::greater;
    const auto magnitude = Decimal::compareMagnitude(a, b);
    if (a.m_negative)
        return 0 <=> magnitude;
    return magnitude;
}

QString Decimal::toPlainText() const
{
    if (isZero())
        return QStringLiteral("0");
    std::string out;
    if (m_negative)
        out.push_back('-');
    const long long intDigits = integerDigits();
    if (m_exponent >= 0) {
        out += m_digits;
        out.append(static_cast<size_t>(m_exponent), '0');
    } else if (intDigits > 0) {
        out += m_digits.substr(0, static_cast<size_t>(intDigits));
        out.push_back('.');
        out += m_digits.substr(static_cast<size_t>(intDigits));
    } else {
        out += "0.";
        out.append(static_cast<size_t>(-intDigits), '0');
        out += m_digits;
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString Decimal::toDisplayText() const
{
    if (integerDigits() <= kPlainIntegerDigits || isZero())
        return toPlainText();
    // d.dddE+x with x = integer digits - 1 (always positive here).
    std::string out;
    if (m_negative)
        out.push_back('-');
    out.push_back(m_digits[0]);
    if (m_digits.size() > 1) {
        out.push_back('.');
        out += m_digits.substr(1);
    }
    out += "E+";
    out += std::to_string(integerDigits() - 1);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}
