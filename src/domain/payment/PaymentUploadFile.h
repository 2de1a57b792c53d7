#pragma once

#include "common/CsvLineWriter.h"
#include "common/Money.h"
#include "domain/UploadHistory.h"
#include "domain/tables/PaymentTable.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// The batch payment upload file: a CSV text in GBK, CR LF after every line.
//
//   line 1   count,total                         e.g. 3,150.00
//   line n   seq,#payer-acc,payer-name,kind,#payee-acc,payee-name,#net-no,#amount,remark
//
// The bank's format has no quoting, so a text field that holds "," or a line
// break would shift the bank's columns; such an instruction is refused, as is
// a character GBK cannot carry. A refused or failed file writes nothing and
// leaves an earlier file of the same name as it was.
namespace PaymentUploadFile {

// One instruction as stored in table payment (texts untrimmed).
struct Instruction {
    QString payAccNo;
    QString payAccName;
    QString recAccType;
    QString recAccNo;
    QString recAccName;
    QString recNetNo;
    QString payAmt; // the stored amount as plain decimal text ("1234.5")
    QString remark;
};

// The eighth field without its "#": two decimals, no separators ("1234.50").
QString amountField(const QString& payAmt);

// Builds the file's text one instruction at a time.
class Builder {
public:
    // The header: the number of instructions and their exact total.
    Builder(qint64 count, Money total);

    // Appends the next instruction's line. False, with message(), when one of its
    // text fields holds a "," or a line break or a character GBK cannot carry
    // (named with the instruction's sequence number and the field); nothing
    // more is added after that.
    bool add(const Instruction& instruction);
    // The same for one instruction taken straight from the store.
    bool add(const PaymentTable::FileView& row);
    bool refused() const { return m_writer.refused(); }
    const QString& message() const { return m_writer.message(); }
    qint64 instructionCount() const { return m_writer.lineCount(); }

    // The lines built so far, header first.
    QStringList lines() const { return m_writer.lines(); }
    // Encodes the text in GBK and writes it through a temporary file renamed into
    // place; after a refused line nothing is written. With `recorded`, it
    // receives the instructions of the file as the upload history records
    // them, read from the lines on a second thread while the file is written,
    // and the SHA-256 of the bytes written.
    Result<> write(const QString& path, UploadHistory::Batch* recorded = nullptr) const;

private:
    // The seven text fields of a line in file order (payer account and name,
    // kind, payee account and name, bank number, remark) and the amount field.
    bool appendLine(const QByteArray (&texts)[7], const QString& amount);

    CsvLineWriter m_writer;
};

// The header and one line per instruction; refuses the first instruction with a
// "," or a line break or a character GBK cannot carry in a text field, naming
// its sequence number and field.
Result<QStringList> buildLines(qint64 count, Money total, const std::vector<Instruction>& instructions);

// Builds the lines and writes them to `path`.
Result<> write(const QString& path, qint64 count, Money total, const std::vector<Instruction>& instructions);

} // namespace PaymentUploadFile
