#include "domain/payment/PaymentUploadFile.h"

#include "common/TextFormat.h"

using namespace Qt::StringLiterals;

namespace PaymentUploadFile {
namespace {

// The names of the nine fields of an instruction line, as the list shows them.
QStringList fieldNames()
{
    return { u"序号"_s, u"付款账号"_s, u"付款账户户名"_s, u"账号行别"_s, u"收款账号"_s, u"收款账户户名"_s,
        u"支付系统行号"_s, u"付款金额"_s, u"备注"_s };
}

CsvLineWriter::Messages messages()
{
    return { u"第%1条指令的“%2”中含有%3，会使上传文件的各栏错位，批量支付文件未生成"_s,
        u"第%1条指令的“%2”中含有字符“%3”，无法用GBK编码写入上传文件，批量支付文件未生成"_s,
        u"文件读写错误，批量支付文件生成失败"_s };
}

} // namespace

QString amountField(const QString& payAmt)
{
    return formatStoredAmount(payAmt, false);
}

Builder::Builder(qint64 count, Money total)
    : m_writer(fieldNames(), messages(), [](qsizetype line) { return QString::number(line + 1); })
{
    // An instruction line is rarely longer than 160 bytes.
    m_writer.reserve(static_cast<qsizetype>(count), 160);
    m_writer.addHeaderLine(QString(QString::number(count) + u',' + total.toPlainText()).toUtf8());
}

bool Builder::add(const Instruction& i)
{
    const QByteArray texts[7] = { i.payAccNo.toUtf8(), i.payAccName.toUtf8(), i.recAccType.toUtf8(),
        i.recAccNo.toUtf8(), i.recAccName.toUtf8(), i.recNetNo.toUtf8(), i.remark.toUtf8() };
    return appendLine(texts, amountField(i.payAmt));
}

bool Builder::add(const PaymentTable::FileView& row)
{
    const QByteArray texts[7] = { row.payAccNo(), row.payAccName(), row.recAccType(), row.recAccNo(), row.recAccName(),
        row.recNetNo(), row.remark() };
    return appendLine(texts, amountField(row.payAmt()));
}

Result<> Builder::write(const QString& path, UploadHistory::Batch* recorded) const
{
    if (!recorded)
        return m_writer.write(path);
    // seq,#payer-acc,payer-name,kind,#payee-acc,payee-name,net-no,#amount,remark
    static constexpr UploadHistory::Batch::LineFields kFields { 4, 5, 7, 8, 0 };
    QString sha256;
    const Result<> written = m_writer.write(path, &sha256,
        [recorded](QByteArrayView lines) { *recorded = UploadHistory::Batch::fromLines(lines, kFields); });
    recorded->setSha256(sha256);
    return written;
}

bool Builder::appendLine(const QByteArray (&texts)[7], const QString& amount)
{
    // Checked fields carry their index in fieldNames(); the bank number gets
    // its "#" only when there is one.
    const QByteArray sequence = QByteArray::number(instructionCount() + 1);
    const QByteArray amountBytes = amount.toUtf8();
    return m_writer.addLine({ { nullptr, sequence }, { ",#", texts[0], 1 }, { ",", texts[1], 2 }, { ",", texts[2], 3 },
        { ",#", texts[3], 4 }, { ",", texts[4], 5 }, { texts[5].isEmpty() ? "," : ",#", texts[5], 6 },
        { ",#", amountBytes }, { ",", texts[6], 8 } });
}

Result<QStringList> buildLines(qint64 count, Money total, const std::vector<Instruction>& instructions)
{
    Builder builder(count, total);
    for (const Instruction& i : instructions)
        if (!builder.add(i))
            return Failure { builder.message() };
    return builder.lines();
}

Result<> write(const QString& path, qint64 count, Money total, const std::vector<Instruction>& instructions)
{
    Builder builder(count, total);
    for (const Instruction& i : instructions)
        if (!builder.add(i))
            break;
    return builder.write(path);
}

} // namespace PaymentUploadFile
