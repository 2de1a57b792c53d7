#include "PaymentUploadFile.h"

#include "common/GbkCodec.h"
#include "common/PublicSub.h"
#include "common/TextFile.h"
#include "store/DBAccess.h"

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

// The separators are ASCII, so they are found in the UTF-8 bytes as they are.
bool holdsSeparator(const QByteArray& text)
{
    for (const char c : text)
        if (c == ',' || c == '\n' || c == '\r')
            return true;
    return false;
}

} // namespace

QString selectStatement()
{
    return u"select pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,rec_bank_id,rec_area_no,"
           u"rec_net_no,pay_amt,remark,user_remark from payment order by serial_no"_s;
}

QString amountField(const QString& payAmt)
{
    return formatStoredAmount(payAmt, false);
}

Builder::Builder(qint64 count, Money total)
{
    // An instruction line is rarely longer than 160 bytes: reserve once instead
    // of growing a text of megabytes step by step.
    m_text = QString(QString::number(count) + u',' + total.toPlainText() + u"\r\n"_s).toUtf8();
    m_text.reserve(static_cast<qsizetype>(std::clamp<qint64>(count, 0, 1'000'000) + 1) * 160);
}

bool Builder::add(const Instruction& i)
{
    const QByteArray texts[7] = { i.payAccNo.toUtf8(), i.payAccName.toUtf8(), i.recAccType.toUtf8(),
        i.recAccNo.toUtf8(), i.recAccName.toUtf8(), i.recNetNo.toUtf8(), i.remark.toUtf8() };
    return appendLine(texts, amountField(i.payAmt));
}

bool Builder::add(const RecordView& record)
{
    // Columns of selectStatement(): the branch and area numbers (5, 6) and
    // user_remark (10) are not written.
    const QByteArray texts[7] = { record.utf8(0), record.utf8(1), record.utf8(2), record.utf8(3), record.utf8(4),
        record.utf8(7), record.utf8(9) };
    return appendLine(texts, amountField(record.text(8)));
}

bool Builder::appendLine(const QByteArray (&texts)[7], const QString& amount)
{
    if (refused())
        return false;
    ++m_sequence;
    static constexpr int fieldOf[7] = { 1, 2, 3, 4, 5, 6, 8 };
    for (int f = 0; f < 7; ++f) {
        if (holdsSeparator(texts[f])) {
            const QString what = texts[f].contains(',') ? u"逗号“,”"_s : u"换行符"_s;
            m_message = u"第%1条指令的“%2”中含有%3，会使上传文件的各栏错位，批量支付文件未生成"_s.arg(m_sequence)
                            .arg(fieldName(fieldOf[f]), what);
            return false;
        }
    }
    // Appending through raw pointers keeps the store's bytes uncopied until here.
    const auto put = [this](const QByteArray& bytes) { m_text.append(bytes.constData(), bytes.size()); };
    m_text += QByteArray::number(m_sequence);
    m_text += ",#";
    put(texts[0]);
    m_text += ',';
    put(texts[1]);
    m_text += ',';
    put(texts[2]);
    m_text += ",#";
    put(texts[3]);
    m_text += ',';
    put(texts[4]);
    m_text += ',';
    if (!texts[5].isEmpty()) {
        m_text += '#';
        put(texts[5]);
    }
    m_text += ",#";
    put(amount.toUtf8());
    m_text += ',';
    put(texts[6]);
    m_text += "\r\n";
    return true;
}

QStringList Builder::lines() const
{
    // No field holds a line break, so CR LF ends exactly the lines.
    QStringList out = text().split(u"\r\n"_s);
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
    const QString all = text();
    const GbkCodec::EncodeResult encoded = GbkCodec::encode(all);
    if (!encoded.ok) {
        // Line 0 is the header, so the line number is the sequence number; no
        // text field holds a ",", so the commas before the character tell the field.
        const QStringView before = QStringView(all).left(encoded.position);
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
