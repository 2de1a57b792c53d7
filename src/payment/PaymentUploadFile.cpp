#include "PaymentUploadFile.h"

#include "common/GbkCodec.h"
#include "common/PublicSub.h"
#include "common/TextFile.h"
#include "store/RecordSet.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace PaymentUploadFile {
namespace {

// The names of the nine fields of an instruction line, as the list shows them.
QString fieldName(int field)
{
    static const QString names[] = { u"序号"_s, u"付款账号"_s, u"付款账户户名"_s, u"账号行别"_s, u"收款账号"_s,
        u"收款账户户名"_s, u"支付系统行号"_s, u"付款金额"_s, u"备注"_s };
    return field >= 0 && field < 9 ? names[field] : QString();
}

bool holdsSeparator(const QString& text)
{
    for (const QChar c : text)
        if (c == u',' || c == u'\n' || c == u'\r')
            return true;
    return false;
}

} // namespace

QString selectStatement()
{
    return u"select pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,rec_bank_id,rec_area_no,"
           u"rec_net_no,pay_amt,remark,user_remark from payment order by serial_no"_s;
}

Instruction fromRecord(const std::vector<QVariant>& record)
{
    const auto text = [&](size_t i) { return i < record.size() ? fieldToText(record[i]) : QString(); };
    Instruction i;
    i.payAccNo = text(0);
    i.payAccName = text(1);
    i.recAccType = text(2);
    i.recAccNo = text(3);
    i.recAccName = text(4);
    i.recNetNo = text(7);
    i.payAmt = text(8);
    i.remark = text(9);
    return i;
}

QString amountField(const QString& payAmt)
{
    const QString s = payAmt.trimmed();
    // The stored amounts are plain decimals with at most two decimals; Money
    // formats those exactly as formatAmount does, without its many steps.
    if (!s.contains(u'-') && !s.contains(u','))
        if (const auto money = Money::parse(s))
            return money->toPlainText();
    return removeCommas(formatAmount(s));
}

Builder::Builder(qint64 count, Money total)
{
    // An instruction line is rarely longer than 128 characters: reserve once
    // instead of growing a text of megabytes step by step.
    m_text = QString::number(count) + u',' + total.toPlainText() + u"\r\n"_s;
    m_text.reserve(static_cast<qsizetype>(std::clamp<qint64>(count, 0, 1'000'000) + 1) * 128);
}

bool Builder::add(const Instruction& i)
{
    if (refused())
        return false;
    ++m_sequence;
    const std::pair<int, const QString*> fields[] = { { 1, &i.payAccNo }, { 2, &i.payAccName }, { 3, &i.recAccType },
        { 4, &i.recAccNo }, { 5, &i.recAccName }, { 6, &i.recNetNo }, { 8, &i.remark } };
    for (const auto& [field, text] : fields) {
        if (holdsSeparator(*text)) {
            const QString what = text->contains(u',') ? u"逗号“,”"_s : u"换行符"_s;
            m_message = u"第%1条指令的“%2”中含有%3，会使上传文件的各栏错位，批量支付文件未生成"_s.arg(m_sequence)
                            .arg(fieldName(field), what);
            return false;
        }
    }
    m_text += QString::number(m_sequence);
    m_text += u",#"_s;
    m_text += i.payAccNo;
    m_text += u',';
    m_text += i.payAccName;
    m_text += u',';
    m_text += i.recAccType;
    m_text += u",#"_s;
    m_text += i.recAccNo;
    m_text += u',';
    m_text += i.recAccName;
    m_text += u',';
    if (!i.recNetNo.isEmpty()) {
        m_text += u'#';
        m_text += i.recNetNo;
    }
    m_text += u",#"_s;
    m_text += amountField(i.payAmt);
    m_text += u',';
    m_text += i.remark;
    m_text += u"\r\n"_s;
    return true;
}

QStringList Builder::lines() const
{
    // No field holds a line break, so CR LF ends exactly the lines.
    QStringList out = m_text.split(u"\r\n"_s);
    out.removeLast();
    return out;
}

WriteResult Builder::write(const QString& path) const
{
    WriteResult result;
    if (refused()) {
        result.status = WriteResult::Refused;
        result.message = m_message;
        return result;
    }
    const GbkCodec::EncodeResult encoded = GbkCodec::encode(m_text);
    if (!encoded.ok) {
        // Line 0 is the header, so the line number is the sequence number; no
        // text field holds a ",", so the commas before the character tell the field.
        const QStringView before = QStringView(m_text).left(encoded.position);
        const qsizetype sequence = before.count(u'\n');
        const qsizetype lineStart = before.lastIndexOf(u'\n') + 1;
        const int field = static_cast<int>(before.mid(lineStart).count(u','));
        result.status = WriteResult::Refused;
        result.message
            = u"第%1条指令的“%2”中含有字符“%3”，无法用GBK编码写入上传文件，批量支付文件未生成"_s.arg(sequence).arg(
                fieldName(field), encoded.characterText());
        return result;
    }
    const TextFile::Result written = TextFile::writeBytesAtomically(path, encoded.bytes);
    if (!written.ok) {
        result.status = WriteResult::FileError;
        result.message = written.error;
    }
    return result;
}

BuildResult buildLines(qint64 count, Money total, const std::vector<Instruction>& instructions)
{
    Builder builder(count, total);
    for (const Instruction& i : instructions)
        if (!builder.add(i))
            break;
    BuildResult result;
    result.ok = !builder.refused();
    result.message = builder.message();
    if (result.ok)
        result.lines = builder.lines();
    return result;
}

WriteResult write(const QString& path, qint64 count, Money total, const std::vector<Instruction>& instructions)
{
    Builder builder(count, total);
    for (const Instruction& i : instructions)
        if (!builder.add(i))
            break;
    return builder.write(path);
}

} // namespace PaymentUploadFile
