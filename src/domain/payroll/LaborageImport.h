#pragma once

#include <QByteArray>
#include <QString>

#include "common/ImportText.h"
#include "common/Result.h"

#include <functional>
#include <vector>

class DBAccess;
class SheetRows;
struct SheetCell;

// The import of payroll files behind "上传文件导入": the CSV upload file the
// payroll tab writes (every account must be in the roster) and a workbook with
// account, name and amount in columns A to C (unknown accounts join the roster
// in group "未分组"). The readers are free functions; importRecords writes what
// they read. The command of the payroll tab (app/InstructionImportCommand)
// asks for the file and runs them.
namespace LaborageImport {

// The message of a file that cannot be read, or of a store that refuses the import.
extern const QString kReadFailed;

enum class Format { None, Csv, Workbook, Unsupported };
// The format by the path's extension, in any case ("xls" and "xlsx" are
// workbooks, told apart by their content); None for an empty path.
Format formatOf(const QString& path);

// One instruction read from a file, as it goes into table laborage.
struct Record {
    QString accNo;
    QString accName; // workbook only: the roster name of an unknown account
    QString payAmount; // stored form, "1234.50"
};

// The records in file order up to the first refused one. When `stopped` is
// set, `message` is the whole message of the stop; it concerns record
// `records.size() + 1` (a CSV line number or a workbook record number).
using ReadResult = ImportText::RecordsRead<Record>;

// The CSV upload file: line 0 is the header "count,total"; every further line
// needs at least five comma-separated fields, employee number, account and
// amount carrying a leading "#" that is dropped when present. Lines end at CR
// LF, LF or a lone CR; GBK, or UTF-8 with a byte-order mark. A line holding a
// control character is refused naming the line and field, and a header whose
// count or total differs from the lines read refuses the file. A file without
// instruction lines gives no records and no stop.
ReadResult readCsv(const QByteArray& bytes);

// The active worksheet of a payroll workbook (.xls or .xlsx), read row by row.
// Row 1 is a header unless its cell A is numeric; the data end at the first
// row whose cell A is empty, and nothing after it is read. An error value
// (#N/A ...) in columns A to C, or a control character in a name, refuses the
// record; a numeric account of 16 or more digits too. A sheet that cannot be
// read up to the end of its data fails with the reader's reason.
Result<ReadResult> readWorkbook(SheetRows& sheet);

// The amount text of a workbook cell before the amount check: a number is
// rounded to 15 significant digits, as spreadsheet programs show it
// (110.00000000000001 -> "110"); a text is taken trimmed; no cell is empty.
QString workbookAmountText(const SheetCell* cell);

using Progress = std::function<void(int done, int total)>;

// Replaces the in-bank payroll by the records in one transaction: clearing
// the in-bank instructions (when `clear`), adding unknown accounts to the
// roster (workbook) and the instructions succeed or fail together. CSV records
// must name roster accounts; workbook accounts must not be in laborage yet;
// an account the roster holds as other-bank is refused in both. Gives the
// number of instructions imported; after a failure (a refused record, lying at
// its index, or the store's refusal, lying nowhere) the store is as before.
Result<qint64> importRecords(
    DBAccess& db, const ReadResult& read, Format format, bool clear, const Progress& progress = {});

} // namespace LaborageImport
