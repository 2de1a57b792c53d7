#include "domain/tables/TableWrite.h"

#include "store/DBAccess.h"
#include "store/RecordSet.h"

#include <cmath>

using namespace Qt::StringLiterals;

TableWrite::AddOutcome TableWrite::addIfAbsent(DBAccess& db, const QString& existsSql, const QVariantList& key,
    const QString& insertSql, QVariantList values, const Admit& admit)
{
    Transaction tx(db);
    if (!tx.begun())
        return AddOutcome::Failed;
    const auto existing = db.Query(existsSql, key);
    if (!existing)
        return AddOutcome::CheckFailed;
    if (!existing->isEmpty())
        return AddOutcome::Exists;
    if (admit && !admit(values))
        return AddOutcome::CheckFailed;
    if (db.Insert(insertSql, values) && tx.commit())
        return AddOutcome::Added;
    return AddOutcome::Failed;
}

TableWrite::BulkOutcome TableWrite::replaceEach(
    DBAccess& db, const QString& deleteSql, const QString& insertSql, const std::vector<KeyedRow>& rows)
{
    BulkOutcome outcome;
    Transaction tx(db);
    if (!tx.begun()) {
        outcome.stop = BulkOutcome::Stop::StoreFailed;
        outcome.storeError = tx.failure().message();
        return outcome;
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        const KeyedRow& row = rows.at(r);
        Result<> done = db.Insert(u"SAVEPOINT replace_row"_s);
        if (done)
            done = db.Insert(deleteSql, { row.key });
        if (done)
            done = db.Insert(insertSql, row.values);
        if (done)
            done = db.Insert(u"RELEASE replace_row"_s);
        if (done) {
            ++outcome.written;
            continue;
        }
        outcome.row = static_cast<qsizetype>(r);
        if (db.lastFailureRefusedRow() && db.inTransaction() && db.Insert(u"ROLLBACK TO replace_row"_s)
            && db.Insert(u"RELEASE replace_row"_s)) {
            outcome.stop = BulkOutcome::Stop::Refused;
            break;
        }
        // The transaction's guard undoes everything on the way out.
        outcome.stop = BulkOutcome::Stop::StoreFailed;
        outcome.storeError = done.message();
        outcome.written = 0;
        return outcome;
    }
    if (const Result<> committed = tx.commit(); !committed) {
        outcome.stop = BulkOutcome::Stop::StoreFailed;
        outcome.storeError = committed.message();
        outcome.written = 0;
    }
    return outcome;
}

Result<qint64> TableWrite::nextRunningNumber(const QVariant& largest, const QString& what, qint64 limit)
{
    if (largest.isNull())
        return qint64(1);
    qint64 last = 0;
    if (largest.typeId() == QMetaType::LongLong || largest.typeId() == QMetaType::Int) {
        last = largest.toLongLong();
    } else if (largest.typeId() == QMetaType::Double && std::isfinite(largest.toDouble())
        && std::abs(largest.toDouble()) < 9007199254740992.0) {
        last = static_cast<qint64>(std::floor(largest.toDouble()));
    } else {
        return Failure { u"%1不是数字：%2"_s.arg(what, fieldToText(largest)), 0 };
    }
    if (last >= limit)
        return Failure { u"%1已用尽：%2"_s.arg(what).arg(last), 0 };
    return last + 1;
}
