#include "common/AmountConvert.h"

using namespace Qt::StringLiterals;

namespace {
// Digit d (1..9) is digitChars[d - 1]; the tenth character is the zero.
constexpr char16_t digitChars[] = u"壹贰叁肆伍陆柒捌玖零";
// Place names inside a group of four digits, most significant first.
constexpr char16_t unitChars[] = u"仟佰拾个";
// sectionChars[g - 1] follows group g (g = 2, 3, 4); the first is never used.
constexpr char16_t sectionChars[] = u"千万亿兆";

constexpr char16_t kYuan = u'元';
constexpr char16_t kJiao = u'角';
constexpr char16_t kFen = u'分';
constexpr char16_t kZero = u'零';

// The numeric value of one character of the amount: "1".."9" give 1..9,
// anything else counts as 0.
int digitValue(QChar c)
{
    return c >= u'1' && c <= u'9' ? c.unicode() - u'0' : 0;
}

QChar digitChar(int d)
{
    return QChar(digitChars[d - 1]);
}
}

namespace amount_convert {

// The characters after the first "."; empty without one.
QString fractionPart(const QString& s)
{
    const qsizetype dot = s.indexOf(u'.');
    return dot < 0 ? QString() : s.mid(dot + 1);
}

// The text before the fraction, without the final ".".
QString integerPart(const QString& s, const QString& fraction)
{
    QString i = s.left(s.size() - fraction.size());
    if (i.endsWith(u'.'))
        i.chop(1);
    return i;
}

// Group g counted from the right (group 1 holds the last four digits); the
// most significant group may be shorter.
QString digitGroup(const QString& digits, int group)
{
    const qsizetype n = digits.size();
    const qsizetype end = 4 * static_cast<qsizetype>(group);
    if (n < end)
        return digits.left(n - 4 * (group - 1));
    return digits.mid(n - end, 4);
}

QString groupWords(const QString& chunk)
{
    const qsizetype k = chunk.size();
    QString out;
    for (qsizetype p = 1; p <= k; ++p) {
        const int c = digitValue(chunk[p - 1]);
        if (c > 0) {
            out += digitChar(c);
            if (p != k)
                out += QChar(unitChars[4 - k + p - 1]);
        } else if (p != k) {
            out += QChar(kZero);
        }
    }
    return out;
}

// Runs of "零" shrink to one, and one trailing "零" goes.
QString collapseZeros(const QString& s)
{
    if (s.isEmpty())
        return s;
    QString out(s[0]);
    for (qsizetype i = 1; i < s.size(); ++i) {
        if (!(s[i] == kZero && s[i - 1] == kZero))
            out += s[i];
    }
    if (out.endsWith(QChar(kZero)))
        out.chop(1);
    return out;
}

QString integerWords(const QString& digits)
{
    const qsizetype n = digits.size();
    const qsizetype groups = (n + 3) / 4;
    QString r;
    for (qsizetype g = groups; g >= 1; --g) {
        const QString chunk = digitGroup(digits, static_cast<int>(g));
        r = collapseZeros(r + groupWords(chunk));
        if (g > 1 && g <= 4 && chunk != u"0000"_s)
            r += QChar(sectionChars[g - 1]);
    }
    return r;
}

QString fractionWords(const QString& fraction)
{
    QString out;
    if (fraction.size() == 2 && fraction != u"00"_s) {
        const int d1 = digitValue(fraction[0]);
        const int d2 = digitValue(fraction[1]);
        if (d1 > 0) {
            out += digitChar(d1);
            out += QChar(kJiao);
        } else {
            out += QChar(kZero);
        }
        if (d2 > 0) {
            out += digitChar(d2);
            out += QChar(kFen);
        }
    } else if (fraction.size() == 1) {
        const int d1 = digitValue(fraction[0]);
        if (d1 > 0) {
            out += digitChar(d1);
            out += QChar(kJiao);
        }
    }
    return out;
}

// From the first character that is not "零", provided it comes before the
// last character; otherwise empty.
QString stripLeadingZeros(const QString& s)
{
    qsizetype first = 0;
    while (first < s.size() && s[first] == kZero)
        ++first;
    if (first < s.size() - 1)
        return s.mid(first);
    return QString();
}

} // namespace amount_convert

QString amountToWords(const QString& amount)
{
    using namespace amount_convert;
    const QString f = fractionPart(amount);
    const QString i = integerPart(amount, f);
    const QString integer = integerWords(i);
    const QString fraction = fractionWords(f);
    if (!integer.isEmpty())
        return integer + QChar(kYuan) + fraction;
    return stripLeadingZeros(fraction);
}
