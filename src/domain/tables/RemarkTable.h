#pragma once

#include "common/Result.h"
#include "domain/tables/TableWrite.h"

#include <QString>
#include <QStringList>

class DBAccess;

// The remarks the user keeps for payment instructions (user_remark).
class RemarkTable {
public:
    explicit RemarkTable(DBAccess& db)
        : m_db(db)
    {
    }

    Result<qint64> count();
    // Every remark in text order.
    Result<QStringList> all();

    TableWrite::AddOutcome add(const QString& remark);

    enum class RenameOutcome { Renamed, Exists, Failed };
    // Replaces the remark `from` by `to` in one transaction. Exists: another
    // remark already reads `to`; nothing changed. A remark renamed to its own
    // text is Renamed.
    RenameOutcome rename(const QString& from, const QString& to);
    Result<> remove(const QStringList& remarks);
    // The import: each remark replaces the rows of the same text (see TableWrite::replaceEach).
    TableWrite::BulkOutcome replaceAll(const QStringList& remarks);

private:
    DBAccess& m_db;
};
