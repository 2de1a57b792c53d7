#include "common/FieldChecks.h"

#include "common/FieldRule.h"
#include "common/Money.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"

#include <QLocale>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {
bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A length rule's number: a whole number of digits only (blanks around it allowed).
std::optional<qsizetype> ruleNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9 || !std::all_of(t.begin(), t.end(), isAsciiDigit))
        return std::nullopt;
    return t.toLongLong();
}

// A bound of a field rule: the text written in the settings, read exactly; a
// rule filled without that text falls back to the shortest decimal form of its
// numeric value.
Decimal ruleBound(const QString& text, double value)
{
    if (auto d = Decimal::parse(text))
        return *d;
    if (auto d = Decimal::parse(QString::number(value, 'g', QLocale::FloatingPointShortest)))
        return *d;
    return Decimal();
}
} // namespace

bool checkField(InputControl& control, FieldId fieldId, bool doCheck, const FieldRules& rules, Prompt& prompt)
{
    if (!doCheck)
        return true;
    Q_ASSERT_X(FieldRules::isValidId(static_cast<int>(fieldId)), "checkField", "field id outside 1..50");
    if (!FieldRules::isValidId(static_cast<int>(fieldId)))
        return false;
    const FieldRule& rule = rules.ruleFor(fieldId);

    if (!isFieldFilled(control, rule.notNull)) {
        prompt.message(rule.label + u"不能为空，请重新输入。"_s);
        return false;
    }

    QString text = control.text();
    removeBlanks(text);

    if (rule.isAccount) {
        if (!isAccountText(text)) {
            prompt.message(rule.label + u"输入错误，请输入正确的帐号。"_s);
            control.focusAndSelectAll();
            return false;
        }
        if (!checkLength(text, rule.length, true)) {
            prompt.message(rule.label + u"输入错误，请输入正确的帐号,帐号位数为"_s + rule.length + u"。"_s);
            return false;
        }
        return true;
    }

    if (rule.isNumric) {
        QString numberText = text; // isNumberText drops its commas; the length counts them
        if (!isNumberText(numberText)) {
            prompt.message(rule.label + u"输入错误，请输入正确的数值。"_s);
            return false;
        }
        if (!checkLength(text, rule.length, false)) {
            prompt.message(rule.label + u"输入错误，请输入正确的数值,最大位数为"_s + rule.length + u"。"_s);
            return false;
        }
        const Decimal min = ruleBound(rule.minValueText, rule.minValue);
        const Decimal max = ruleBound(rule.maxValueText, rule.maxValue);
        if (!isInRange(control.text(), min, max)) {
            prompt.message(rule.label + u"输入错误，请输入正确的数值,数据最大为"_s + max.toDisplayText() + u",最小为"_s
                + min.toDisplayText() + u"。"_s);
            return false;
        }
        return true;
    }

    if (!checkLength(text, rule.length, false)) {
        prompt.message(rule.label + u"输入错误,最大位数为"_s + rule.length + u"。"_s);
        return false;
    }
    return true;
}

bool isFieldFilled(const InputControl& control, bool notNull)
{
    if (!notNull)
        return true;
    if (control.isCombo())
        return isComboSelected(control, true) || isComboTextFilled(control, true);
    return isTextFilled(control, true);
}

bool isComboSelected(const InputControl& combo, bool notNull)
{
    return !notNull || combo.currentIndex() >= 1;
}

bool isComboTextFilled(const InputControl& combo, bool notNull)
{
    return !notNull || !combo.text().trimmed().isEmpty();
}

bool isTextFilled(const InputControl& textBox, bool notNull)
{
    return !notNull || !textBox.text().trimmed().isEmpty();
}

bool checkLength(const QString& text, const QString& rule, bool isAccount)
{
    if (rule.isEmpty())
        return true;
    const qsizetype length = text.trimmed().size();

    if (!isAccount) {
        const auto max = ruleNumber(rule);
        return max && length <= *max;
    }

    const qsizetype dashes = rule.count(u'-');
    const bool hasComma = rule.contains(u',');
    if (dashes == 0 && !hasComma) {
        const auto exact = ruleNumber(rule);
        return exact && length == *exact;
    }
    if (dashes == 1 && !hasComma) {
        const qsizetype dash = rule.indexOf(u'-');
        const auto low = ruleNumber(rule.left(dash));
        const auto high = ruleNumber(rule.mid(dash + 1));
        return low && high && *low <= length && length <= *high;
    }
    if (dashes == 0 && hasComma) {
        const QStringList parts = rule.split(u',');
        return std::any_of(parts.begin(), parts.end(), [length](const QString& part) {
            const auto n = ruleNumber(part);
            return n && length == *n;
        });
    }
    return false; // both separators, or several "-"
}

bool isLengthRule(const QString& rule, bool isAccount)
{
    if (rule.isEmpty())
        return true;
    if (ruleNumber(rule))
        return true;
    if (!isAccount)
        return false;
    const qsizetype dashes = rule.count(u'-');
    const bool hasComma = rule.contains(u',');
    if (dashes == 1 && !hasComma) {
        const qsizetype dash = rule.indexOf(u'-');
        return ruleNumber(rule.left(dash)) && ruleNumber(rule.mid(dash + 1));
    }
    if (dashes == 0 && hasComma) {
        const QStringList parts = rule.split(u',');
        return std::all_of(
            parts.begin(), parts.end(), [](const QString& part) { return ruleNumber(part).has_value(); });
    }
    return false;
}

bool isInRange(const QString& text, const Decimal& min, const Decimal& max)
{
    QString t = text;
    removeBlanks(t);
    const auto value = Decimal::parse(t);
    return value && min <= *value && *value <= max;
}

bool isInRange(const QString& text, const QString& minText, const QString& maxText)
{
    const auto min = Decimal::parse(minText);
    const auto max = Decimal::parse(maxText);
    return min && max && isInRange(text, *min, *max);
}

bool isAccountText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return isAsciiDigit(c) || c == u'-'; });
}

bool isDigitsOnly(const QString& text)
{
    const qsizetype n = text.trimmed().size();
    return std::all_of(text.begin(), text.begin() + n, isAsciiDigit);
}

bool isNumberText(QString& text)
{
    const bool ok = !text.trimmed().isEmpty() && Decimal::parse(text).has_value();
    text.remove(u',');
    return ok;
}

bool isIntegerText(const QString& text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && !t.contains(u'.') && Decimal::parse(t).has_value();
}

bool isAmountText(const QString& text)
{
    return !text.contains(u'-') && Money::parse(text).has_value();
}

bool isIdCardNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() == 15)
        return isIntegerText(t);
    if (t.size() == 18) {
        const QChar last = t[17];
        return isIntegerText(t.left(17)) && (isAsciiDigit(last) || last == u'X' || last == u'x');
    }
    return false;
}

bool isEmptyText(const QString& text)
{
    return text.isEmpty();
}
