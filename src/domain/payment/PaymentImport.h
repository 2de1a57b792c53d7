#pragma once

#include <QByteArray>
#include <QString>

#include "common/ImportText.h"
#include "common/Result.h"

#include <vector>

class DBAccess;
class SerialNoGenerator;

// The import of batch payment files: the upload file (csv) and the XML
// instruction file (xml, plz). The readers are free functions over the file's
// bytes; importRecords writes what they read. The command of the batch payment
// tab (app/InstructionImportCommand) asks for the file and runs them.
namespace PaymentImport {

// The message of a file that cannot be read, or of a store that refuses the import.
extern const QString kReadFailed;

// One instruction read from a file, every value trimmed, as it goes into table
// payment (the serial number is made when it is inserted).
struct Record {
    QString payAccNo;
    QString payAccName;
    QString recAccType; // "0" in-bank, "1" other-bank
    QString recAccNo;
    QString recAccName;
    QString recBankId;
    QString recAreaNo;
    QString recNetNo;
    QString payAmt; // plain amount text without separators ("1234.5")
    QString remark;
};

// What a reader gives: the records in file order up to the first refused one.
// When `stopped` is set, `message` names the refused record (its number is
// `records.size() + 1`) and the records before it are all valid.
using ReadResult = ImportText::RecordsRead<Record>;

enum class Family { None, Csv, Xml, Unsupported };
// The family by the path's last three characters, in any case; None for an empty path.
Family familyOf(const QString& path);

// The upload file: a header line "count,total", then one instruction per line
// with nine comma-separated fields (account, bank-number and amount fields
// carry a leading "#", dropped when present). Lines end at CR LF, LF or a lone
// CR. A file that starts with the UTF-8 byte-order mark is read as UTF-8, else
// as GBK; a line that does not decode, has another number of fields, holds a
// control character or fails a field check is refused naming the line, and a
// header whose count or total differs from the lines read refuses the file.
// A file without instruction lines gives no records and no stop.
ReadResult readCsv(const QByteArray& bytes);

// The number of record elements anywhere in the document; -1 when the bytes
// are not a readable XML document.
qsizetype countXmlRecords(const QByteArray& bytes);

// The XML instruction file: the record elements of the container under the
// document's last top-level node, all values in attributes, each checked before
// the next one is read. A file that is not a usable document, or whose records
// are not where the layout puts them, stops at once with
// "文件“<name of path>”无法读取：<why>".
ReadResult readXml(const QByteArray& bytes, const QString& path = {});

// The XML instruction file as the import takes it: a file that is not a usable
// document, holds no record or whose records are not where the layout puts
// them is refused (the failure is the message to show before anything is
// asked); otherwise what readXml gives.
Result<ReadResult> readXmlForImport(const QByteArray& bytes, const QString& path);

// Replaces the batch by the records in one transaction: clearing table payment
// (when `clear`), adding payer accounts not yet in pay_acc and inserting the
// records succeed or fail together, so after a failure the store is as before.
// A known payer account must carry the name the file gives it. Every record
// gets a new serial number from `serialNumbers`. Gives the number of records
// imported; a refused record (or the reader's stop) lies at its index, the
// store's refusal of the transaction lies nowhere (ImportRunner::storeRefused)
// and its message starts with kReadFailed.
Result<qint64> importRecords(DBAccess& db, SerialNoGenerator& serialNumbers, const ReadResult& read, bool clear);

} // namespace PaymentImport
