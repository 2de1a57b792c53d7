#pragma once

// The roster files: the XML and CSV exports written line by line, and the
// imports from CSV, XML and .xls/.xlsx workbooks into person_payee_acc.
//
// An import reads the whole file first (read*: bytes or a document in, entries
// or the refusal of a record out, nothing stored), then writes the entries in
// one transaction (write): a refused file leaves the roster as it was.
//
// An imported entry replaces every entry with the same account number, the same
// non-empty employee number or the same document (type and non-empty number);
// an entry removed under another account number loses its payroll instructions
// with it. Fields a file does not carry (CSV and workbooks: kind, bank numbers,
// documents; XML: each of these whose element is absent) keep the values stored
// for the same account; a new entry gets in-bank "0" and empty values. All
// entries of a group have one kind, as on the roster screen. Imported entries
// get running numbers after the largest one, in file order.

#include <QList>
#include <QString>
#include <QStringList>

#include "common/ImportText.h"
#include "common/Result.h"
#include "domain/tables/RosterTable.h"

#include <functional>

class DBAccess;
struct FieldRule;
class SheetRows;
class XmlDoc;

namespace EmployeeListFile {

// One roster entry as the files carry it. `certDesc` is the document type's
// description (a cert_desc of table cert_type); `carried` says which of the
// kind, bank numbers and document an imported entry carries.
using Entry = RosterTable::Entry;

// Exports and imports give the number of entries written to the file or to
// the store; a failure is the message to show.

// ---- Export -------------------------------------------------------------------

QStringList xmlLines(const QList<Entry>& entries);

// Write the file atomically. A value GBK cannot carry, and for CSV a comma or a
// line break in a value, stops the export naming the row and field; nothing is
// written then. The CSV file starts with the summary line: `count` and
// `amount` are the texts of status panels 2 and 4.
Result<int> exportXml(const QString& path, const QList<Entry>& entries);
Result<int> exportCsv(const QString& path, const QString& count, const QString& amount, const QList<Entry>& entries);

// ---- Reading ------------------------------------------------------------------

// The input limits of the roster screen, which the imports apply as well.
constexpr int kAccNoMaxLength = 20;
constexpr int kAccNameMaxLength = 60;
constexpr int kEmployeeNoMaxLength = 10;
// The limit of the multi-party agreement number; the XML import refuses a longer one.
constexpr int kMulNetNoMaxLength = 21;
// The account length of the XML file.
constexpr int kXmlAccNoMinLength = 16;

// The entries of a file in file order, up to the first refused one; `stop`
// then holds the whole message. A file without entries is refused too.
using ReadResult = ImportText::RecordsRead<Entry>;

enum class Format { Csv, Workbook, Xml };

// The number the messages give the first entry of a file: its line (CSV, line
// 0 being the summary) or row (workbook), and 0 for the first XML element.
int firstRecordNumber(Format format);

// The CSV file: the summary line, then one entry per line. A file that starts
// with the UTF-8 byte-order mark is UTF-8, else GBK; lines end in CR LF, LF or
// a lone CR. The account must pass `accountRule` (the roster screen's rule for
// its account box) and fit the box.
ReadResult readCsv(const QByteArray& bytes, const FieldRule& accountRule);
// Every Employee element of the document, at any depth. Accounts are 16 to 20 digits.
ReadResult readXml(const XmlDoc& doc);
// The active sheet (.xls or .xlsx) from row 1 to the last row before the first
// one whose column A is empty, read row by row; the account as for CSV. A cell
// holding an error value is refused, and a numeric account of 16 or more
// digits. A sheet that cannot be read up to there fails with the reader's reason.
Result<ReadResult> readWorkbook(SheetRows& sheet, const FieldRule& accountRule);

// ---- Writing ------------------------------------------------------------------

// Reports `done` of `total` entries written; used to keep a busy window painting.
using Progress = std::function<void(int done, int total)>;

// Writes what a reader gave in one transaction: all its entries, or none when
// the reader stopped or an entry cannot be written (a group that would hold both
// kinds, a store failure).
Result<int> write(DBAccess& db, Format format, const ReadResult& read, const Progress& progress = {});

} // namespace EmployeeListFile
