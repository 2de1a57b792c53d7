#pragma once

#include "common/CsvLineWriter.h"
#include "common/Money.h"
#include "domain/UploadHistory.h"
#include "domain/tables/LaborageTable.h"

#include <QList>
#include <QString>
#include <QStringList>

// The payroll upload files: CSV text or an .xls workbook, one line or row per
// in-bank instruction in serial-number order.
//
//   CSV, GBK, CR LF after every line:
//     line 1   count,total                          e.g. 3,1500.00
//     line n   seq,#employee-no, name,#account,#amount
//   .xls, no header row: A seq, B employee number, C name, D account, E amount
//
// The CSV format has no quoting: an employee number, name or account holding a
// "," or a line break, or a character GBK cannot carry, is refused naming the
// row and field, and nothing is written. A workbook carries any text.
namespace LaborageUploadFile {

// One instruction with its roster data, as stored (texts untrimmed).
struct Instruction {
    QString employeeNo;
    QString accName;
    QString accNo;
    QString payAmount; // the stored amount as plain decimal text ("1234.5")
};

// The rows of a workbook are counted in 16 bits: at most 65,536.
constexpr qint64 kMaxWorkbookRows = 65536;

// The instruction of one row taken straight from the store.
Instruction fromRow(const LaborageTable::FileView& row);

// The amount field without its "#": two decimals, no separators ("1234.50").
QString amountField(const QString& payAmount);

// Builds the CSV text one instruction at a time.
class CsvBuilder {
public:
    CsvBuilder(qint64 count, Money total);
    // False, with message(), when a field holds a "," or a line break or a
    // character GBK cannot carry.
    bool add(const Instruction& instruction);
    bool add(const LaborageTable::FileView& row);
    qint64 instructionCount() const { return m_writer.lineCount(); }
    QStringList lines() const { return m_writer.lines(); }
    // Writes the file. With `recorded`, it receives the instructions of the
    // file as the upload history records them, read from the lines on a
    // second thread while the file is written, and the SHA-256 of the bytes.
    Result<> write(const QString& path, UploadHistory::Batch* recorded = nullptr) const;

private:
    bool addUtf8(
        const QByteArray& employeeNo, const QByteArray& accName, const QByteArray& accNo, const QString& payAmount);
    CsvLineWriter m_writer;
};

// The workbook row of the instruction with sequence number `sequence` (from 1).
QStringList workbookRow(qint64 sequence, const Instruction& instruction);

// Adds the instruction to the upload history's record of a file. The payroll
// files carry no remark, so none is recorded.
void addToBatch(UploadHistory::Batch& batch, const Instruction& instruction);

} // namespace LaborageUploadFile
