#include "common/TextFormat.h"

#include "common/Money.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// Step 1 shared by both amount formats: no leading zeros, but never empty and
// never starting with the point.
QString stripLeadingZeros(const QString& text)
{
    qsizetype k = 0;
    while (k < text.size() && text[k] == u'0')
        ++k;
    QString s = text.mid(k);
    if (s.isEmpty())
        s = u"0"_s;
    if (s.startsWith(u'.'))
        s.prepend(u'0');
    return s;
}
} // namespace

QString formatAmount(const QString& text)
{
    QString s = stripLeadingZeros(text);
    const qsizetype dot = s.indexOf(u'.');
    if (dot >= 0) {
        s += u"00"_s;
        s.truncate(dot + 3); // excess decimals are dropped, not rounded
    } else {
        s += u".00"_s;
    }
    return groupThousands(s);
}

QString formatStoredAmount(const QString& text, bool withSeparators)
{
    const QString s = text.trimmed();
    if (!s.contains(u'-') && !s.contains(u','))
        if (const auto money = Money::parse(s))
            return withSeparators ? money->toGroupedText() : money->toPlainText();
    return withSeparators ? formatAmount(s) : removeCommas(formatAmount(s));
}

QString formatAmountTyped(const QString& text)
{
    QString s = stripLeadingZeros(text);
    const qsizetype dot = s.indexOf(u'.');
    if (dot < 0) {
        QString grouped = groupThousands(s + u".00"_s);
        grouped.chop(3);
        return grouped;
    }
    const qsizetype typedDecimals = std::min<qsizetype>(s.size() - dot - 1, 2);
    s += u"00"_s;
    s.truncate(dot + 3);
    QString grouped = groupThousands(s);
    grouped.truncate(grouped.indexOf(u'.') + 1 + typedDecimals);
    return grouped;
}

QString groupThousands(const QString& text)
{
    if (text.size() < 7)
        return text;
    QString s = removeCommas(text);
    QString tail = s.right(6);
    QString head = s.left(s.size() - tail.size());
    // A leading sign stays in front of the first group.
    QString sign;
    if (head.startsWith(u'-') || head.startsWith(u'+')) {
        sign = head.left(1);
        head.remove(0, 1);
    }
    while (head.size() >= 4) {
        tail = head.right(3) + u',' + tail;
        head.chop(3);
    }
    if (head.isEmpty())
        return sign + tail;
    return sign + head + u',' + tail;
}

QString removeCommas(const QString& text)
{
    QString s = text;
    s.remove(u',');
    return s;
}

void removeBlanks(QString& text)
{
    text.removeIf([](QChar c) { return c == u'\n' || c == u'\r' || c == u' '; });
}

QString padZeroLeft(const QString& text, int width)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), u'0') + text;
}

QString quotedValue(const QString& value)
{
    constexpr qsizetype kShown = 40;
    if (value.size() <= kShown)
        return value;
    qsizetype cut = kShown;
    if (value.at(cut - 1).isHighSurrogate())
        --cut; // never split a character
    return value.left(cut) + u"…"_s;
}
