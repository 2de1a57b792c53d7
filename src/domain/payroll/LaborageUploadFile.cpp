#include "domain/payroll/LaborageUploadFile.h"

#include "common/TextFormat.h"

using namespace Qt::StringLiterals;

namespace LaborageUploadFile {

Instruction fromRow(const LaborageTable::FileView& row)
{
    return { row.employeeNoText(), row.accNameText(), row.accNoText(), row.payAmount() };
}

QString amountField(const QString& payAmount)
{
    return formatStoredAmount(payAmount.trimmed(), false);
}

CsvBuilder::CsvBuilder(qint64 count, Money total)
    : m_writer({ u"序号"_s, u"编号"_s, u"户名"_s, u"账号"_s, u"金额"_s },
        { u"第%1条指令的“%2”中含有%3，会使上传文件的各栏错位，代发工资文件未生成"_s,
            u"第%1条指令的“%2”中含有字符“%3”，无法用GBK编码写入上传文件，代发工资文件未生成"_s,
            u"文件读写错误，代发工资文件生成失败"_s },
        [](qsizetype line) { return QString::number(line + 1); })
{
    // A payroll line is rarely longer than 80 bytes.
    m_writer.reserve(static_cast<qsizetype>(count), 80);
    m_writer.addHeaderLine(QString(QString::number(count) + u',' + total.toPlainText()).toUtf8());
}

bool CsvBuilder::add(const Instruction& i)
{
    return addUtf8(i.employeeNo.toUtf8(), i.accName.toUtf8(), i.accNo.toUtf8(), i.payAmount);
}

bool CsvBuilder::add(const LaborageTable::FileView& row)
{
    return addUtf8(row.employeeNo(), row.accName(), row.accNo(), row.payAmount());
}

bool CsvBuilder::addUtf8(
    const QByteArray& employeeNo, const QByteArray& accName, const QByteArray& accNo, const QString& payAmount)
{
    const QByteArray sequence = QByteArray::number(instructionCount() + 1);
    const QByteArray amount = amountField(payAmount).toUtf8();
    return m_writer.addLine(
        { { nullptr, sequence }, { ",#", employeeNo, 1 }, { ", ", accName, 2 }, { ",#", accNo, 3 }, { ",#", amount } });
}

Result<> CsvBuilder::write(const QString& path, UploadHistory::Batch* recorded) const
{
    if (!recorded)
        return m_writer.write(path);
    // seq,#employee-no, name,#account,#amount (a space before the name)
    static constexpr UploadHistory::Batch::LineFields kFields { 3, 2, 4, -1, 1 };
    QString sha256;
    const Result<> written = m_writer.write(path, &sha256,
        [recorded](QByteArrayView lines) { *recorded = UploadHistory::Batch::fromLines(lines, kFields); });
    recorded->setSha256(sha256);
    return written;
}

QStringList workbookRow(qint64 sequence, const Instruction& i)
{
    return { QString::number(sequence), i.employeeNo, i.accName, i.accNo, amountField(i.payAmount) };
}

void addToBatch(UploadHistory::Batch& batch, const Instruction& i)
{
    batch.add(i.accNo, i.accName, i.payAmount, QString());
}

} // namespace LaborageUploadFile
