#include "domain/InstructionCheck.h"

#include "common/CsvLineWriter.h"
#include "common/FieldChecks.h"
#include "common/GbkCodec.h"
#include "common/Money.h"

#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace InstructionCheck {
namespace {

bool isAsciiOnly(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// The first character of `text` that GBK cannot carry; empty when there is none.
QString firstUnencodable(const QString& text)
{
    if (isAsciiOnly(text) || GbkCodec::canEncode(text))
        return {};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, n);
        if (!GbkCodec::canEncode(c))
            return c;
        i += n - 1;
    }
    return {};
}

bool accountCharactersValid(const QString& acc, bool inBank)
{
    for (const QChar c : acc) {
        if (c >= u'0' && c <= u'9')
            continue;
        if (!inBank && c == u'-')
            continue;
        return false;
    }
    return true;
}

} // namespace

bool luhnValid(const QString& digits)
{
    if (digits.isEmpty())
        return false;
    int sum = 0;
    bool doubled = false;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        const int d = digits.at(i).unicode() - u'0';
        if (d < 0 || d > 9)
            return false;
        const int v = doubled ? (d * 2 > 9 ? d * 2 - 9 : d * 2) : d;
        sum += v;
        doubled = !doubled;
    }
    return sum % 10 == 0;
}

bool residentIdValid(const QString& id)
{
    if (id.size() != 18)
        return false;
    static constexpr int weights[17] = { 7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2 };
    static constexpr char16_t checks[11] = { u'1', u'0', u'X', u'9', u'8', u'7', u'6', u'5', u'4', u'3', u'2' };
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        const int d = id.at(i).unicode() - u'0';
        if (d < 0 || d > 9)
            return false;
        sum += d * weights[i];
    }
    return id.at(17).toUpper() == QChar(checks[sum % 11]);
}

Checker::Checker(Rules rules, qsizetype expected)
    : m_rules(std::move(rules))
{
    m_seen.reserve(expected);
    const QString rule = m_rules.accountLengthRule.trimmed();
    m_lengthRuled = !rule.isEmpty() && rule != u"10000"_s && isLengthRule(rule, true);
}

void Checker::add(const Record& r)
{
    const Rules& rules = m_rules;
    const auto add = [&](Severity s, const QString& field, QString problem) {
        if (r.row == 0 && !r.serialNo.isEmpty())
            problem = u"流水号%1：%2"_s.arg(r.serialNo.trimmed(), problem);
        m_findings.push_back({ s, r.row, field, std::move(problem) });
    };

    for (const TextField& t : r.texts) {
        // One pass finds what needs a closer look.
        bool comma = false;
        bool lineBreak = false;
        bool wide = false;
        for (const QChar c : t.text) {
            const char16_t u = c.unicode();
            comma |= u == u',';
            lineBreak |= u == u'\n' || u == u'\r';
            wide |= u >= 0x80;
        }
        if (comma)
            add(Severity::Error, t.name, u"含有逗号，会使上传文件的各栏错位"_s);
        else if (lineBreak)
            add(Severity::Error, t.name, u"含有换行符，会使上传文件的各栏错位"_s);
        else if (wide) {
            if (const QString c = firstUnencodable(t.text); !c.isEmpty())
                add(Severity::Error, t.name, u"含有字符“%1”，无法用GBK编码写入上传文件"_s.arg(c));
        }
    }

    const QString acc = r.accNo.trimmed();
    bool accountOk = !acc.isEmpty() && accountCharactersValid(acc, r.inBank);
    if (acc.isEmpty()) {
        add(Severity::Error, rules.accountField, u"账号为空"_s);
    } else if (!accountOk) {
        add(Severity::Error, rules.accountField,
            r.inBank ? u"账号“%1”含有数字以外的字符"_s.arg(acc) : u"账号“%1”含有数字和“-”以外的字符"_s.arg(acc));
    } else if (r.inBank && m_lengthRuled && !checkLength(acc, rules.accountLengthRule.trimmed(), true)) {
        accountOk = false;
        add(Severity::Error, rules.accountField,
            u"行内账号长度为%1位，不符合账号规则“%2”"_s.arg(acc.size()).arg(rules.accountLengthRule.trimmed()));
    }
    // Bank cards (16 to 19 digits) mostly carry a Luhn check digit; many
    // other accounts do not, so a failure is only a hint.
    if (accountOk && acc.size() >= 16 && acc.size() <= 19 && !acc.contains(u'-') && !luhnValid(acc))
        add(Severity::Warning, rules.accountField, u"账号“%1”校验位不符，可能输错，请核对"_s.arg(acc));

    // An instruction without a payee name is written, but its file does not
    // import back.
    if (r.inRoster && r.accName.trimmed().isEmpty())
        add(Severity::Error, rules.nameField, u"户名为空"_s);
    if (r.inRoster && r.rosterOtherBank)
        add(Severity::Error, rules.accountField,
            u"账号“%1”在代发工资名册中已是跨行账户，不能作为行内指令写入上传文件，请删除该指令"_s.arg(acc));

    const auto amount = Money::parse(r.amount.trimmed());
    if (!amount) {
        add(Severity::Error, rules.amountField, u"金额“%1”不是有效的金额"_s.arg(r.amount.trimmed()));
    } else if (amount->fen() <= 0) {
        add(Severity::Error, rules.amountField, u"金额必须大于零"_s);
    } else {
        if (const auto sum = Money::checkedAdd(m_total, *amount))
            m_total = *sum;
        else
            m_totalOverflow = true;
        if (!acc.isEmpty()) {
            const std::pair<QString, qint64> key(acc, amount->fen());
            const auto it = m_seen.constFind(key);
            if (it == m_seen.constEnd())
                m_seen.insert(key, r.row);
            else
                add(Severity::Warning, rules.accountField, u"与第%1条指令的账号和金额相同，可能重复"_s.arg(it.value()));
        }
    }

    if (!r.inRoster)
        add(Severity::Warning, rules.accountField, u"账号已不在代发工资名册中，该指令不会写入上传文件"_s);
    const QString id = r.residentId.trimmed();
    if (id.size() == 18 && !residentIdValid(id))
        add(Severity::Warning, u"身份证号码"_s, u"身份证号码“%1”校验位不符，可能输错，请核对"_s.arg(id));
    if (r.keptName && r.keptName->trimmed() != r.accName.trimmed())
        add(Severity::Warning, rules.nameField,
            u"户名“%1”与该账号维护的户名“%2”不一致"_s.arg(r.accName.trimmed(), r.keptName->trimmed()));
}

std::vector<Finding> Checker::finish()
{
    if (m_totalOverflow || m_total.fen() > m_rules.maxTotalFen)
        m_findings.push_back({ Severity::Error, 0, u"总金额"_s,
            u"总金额超过上传文件表头可容纳的%1元"_s.arg(Money::fromFen(m_rules.maxTotalFen).toPlainText()) });
    return std::move(m_findings);
}

std::vector<Finding> check(const std::vector<Record>& records, const Rules& rules)
{
    Checker checker(rules, qsizetype(records.size()));
    for (const Record& r : records)
        checker.add(r);
    return checker.finish();
}

bool hasErrors(const std::vector<Finding>& findings)
{
    return std::any_of(
        findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Severity::Error; });
}

QStringList reportHeader()
{
    return { u"类别"_s, u"序号"_s, u"字段"_s, u"问题"_s };
}

QString severityText(Severity severity)
{
    return severity == Severity::Error ? u"错误"_s : u"警告"_s;
}

namespace {
// A text the unquoted CSV file can carry.
QString csvText(QString text)
{
    text.replace(u',', u'，');
    text.replace(u"\r\n"_s, u" "_s);
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    if (GbkCodec::canEncode(text))
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, n);
        if (GbkCodec::canEncode(c))
            out += c;
        else
            out += u"U+%1"_s.arg(uint(c.toUcs4().value(0)), 4, 16, QChar(u'0')).toUpper();
        i += n - 1;
    }
    return out;
}
} // namespace

Result<> saveReport(const QString& path, const std::vector<Finding>& findings)
{
    CsvLineWriter writer(reportHeader(),
        { u"第%1行的“%2”中含有%3，检查报告未保存"_s, u"第%1行的“%2”中含有字符“%3”，检查报告未保存"_s,
            u"文件读写错误，检查报告未保存"_s },
        [](qsizetype line) { return QString::number(line + 1); });
    writer.addHeaderLine(reportHeader().join(u',').toUtf8());
    for (const auto& f : findings) {
        const QByteArray kind = severityText(f.severity).toUtf8();
        const QByteArray row = f.row > 0 ? QByteArray::number(f.row) : QByteArray();
        const QByteArray field = csvText(f.field).toUtf8();
        const QByteArray problem = csvText(f.problem).toUtf8();
        writer.addLine({ { nullptr, kind, 0 }, { ",", row, 1 }, { ",", field, 2 }, { ",", problem, 3 } });
    }
    return writer.write(path);
}

} // namespace InstructionCheck
