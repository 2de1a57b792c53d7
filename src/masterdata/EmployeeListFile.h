#pragma once

// The roster files: the XML and CSV exports written line by line, and the
// imports from CSV, XML and .xls workbooks into person_payee_acc.
//
// Every import runs in one transaction. An imported entry replaces every
// entry with the same account number, the same non-empty employee number or
// the same document (type and non-empty number); an entry removed under
// another account number loses its payroll instructions with it. Fields a
// format does not carry (CSV and workbooks: kind, bank numbers, documents)
// keep the values stored for the same account. Imported entries get running
// numbers after the largest one, in file order.

#include <QList>
#include <QString>
#include <QStringList>

#include "common/Result.h"

#include <functional>

class DBAccess;
class WorkbookReader;
class XmlDoc;

namespace EmployeeListFile {

// One roster entry as the files carry it. `certDesc` is the document type's
// description (a cert_desc of table cert_type).
struct Entry {
    QString group;
    QString accNo;
    QString accName;
    QString employeeNo;
    QString accType;
    QString netNo;
    QString mulNetNo;
    QString certDesc;
    QString certCode;
};

// Exports and imports give the number of entries written to the file or to
// the store; a failure is the message to show, lying at the index of the
// record where an import stopped, or nowhere (-1).

// ---- Export -------------------------------------------------------------------

QStringList xmlLines(const QList<Entry>& entries);

// Write the file atomically. A value GBK cannot carry, and for CSV a comma or a
// line break in a value, stops the export naming the row and field; nothing is
// written then. The CSV file starts with the summary line: `count` and
// `amount` are the texts of status panels 2 and 4.
Result<int> exportXml(const QString& path, const QList<Entry>& entries);
Result<int> exportCsv(const QString& path, const QString& count, const QString& amount, const QList<Entry>& entries);

// ---- Import -------------------------------------------------------------------

// The limit of the multi-party agreement number (the input length of its box);
// the XML import refuses a longer one.
constexpr int kMulNetNoMaxLength = 21;

// Reports `done` of `total` records; used to keep a busy window painting.
using Progress = std::function<void(int done, int total)>;

// CSV and XML keep the entries written before a refused record; a workbook
// keeps all or nothing.
Result<int> importCsv(DBAccess& db, const QString& path);
Result<int> importXml(DBAccess& db, const XmlDoc& doc);
Result<int> importWorkbook(DBAccess& db, const WorkbookReader& sheet, const Progress& progress = {});

} // namespace EmployeeListFile
