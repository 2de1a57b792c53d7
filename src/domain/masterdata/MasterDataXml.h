#pragma once

// The XML exchange files of the master data: payer accounts (one file) and
// usage remarks (ten to a file). Exports are written line by line in GBK with
// CR LF after every line, values escaped, through an atomic file replacement;
// imports read the document model and write the store inside one transaction.

#include <QList>
#include <QString>
#include <QStringList>

#include "common/Result.h"

class DBAccess;
class XmlDoc;

namespace MasterDataXml {

// One payer account as the exchange file carries it.
struct PayAccount {
    QString accNo;
    QString currency; // the currency name shown in the list
    QString accName;
};

// Exports and imports give the number of records written to files or to the
// store; a failure is the message to show, lying at the index of the record
// where it stopped (the records before it were written), or nowhere (-1) when
// nothing of the file was written.

// ---- Export -----------------------------------------------------------------

// The lines of a payer-account file (without line ends).
QStringList payAccountLines(const QList<PayAccount>& accounts);
// The lines of one remark file (without line ends).
QStringList remarkLines(const QStringList& remarks);

// Writes the payer-account file. Refuses (and writes nothing) when a value
// holds a character GBK cannot carry, naming the value.
Result<int> exportPayAccounts(const QString& path, const QList<PayAccount>& accounts);

// The remark export writes at most ten remarks to a file: the chosen file when
// one file suffices, else base-1.xml, base-2.xml, ... beside it.
constexpr int kRemarksPerFile = 10;
QStringList remarkFileNames(const QString& chosenPath, int remarkCount);
// Writes the remark files. Every value is checked before the first file is
// written; a value GBK cannot carry stops the export with nothing written.
Result<int> exportRemarks(const QString& chosenPath, const QStringList& remarks);

// ---- Import -----------------------------------------------------------------

// The document of an import file. Fails with an empty message when no file was
// chosen or it does not exist (the import stops silently), with `readError`
// when the file cannot be read, and with a message naming the file and what is
// wrong when it is not a usable XML document (malformed, truncated, wrong
// encoding, refused declaration).
Result<XmlDoc> loadDocument(const QString& path, const QString& readError);

// Imports every Account element in document order. An account whose number
// exists replaces the old row; the replacement is atomic. Stops at the first
// invalid record with the message to show; records before it stay.
Result<int> importPayAccounts(DBAccess& db, const XmlDoc& doc);

// Imports every Remark element in document order, as importPayAccounts.
Result<int> importRemarks(DBAccess& db, const XmlDoc& doc);

} // namespace MasterDataXml
