#include "domain/tables/InstructionTable.h"

#include "store/DBAccess.h"

#include <optional>

using namespace Qt::StringLiterals;

Result<InstructionTotals> InstructionTable::readTotals(const QString& statement)
{
    auto rs = m_db.Query(statement);
    if (!rs)
        return rs.failure();
    if (rs->isEmpty())
        return Failure { u"合计查询没有结果"_s };
    InstructionTotals totals;
    totals.count = rs->value(0, u"totalNum"_s).toLongLong();
    totals.total = Money::fromFen(rs->value(0, u"totalAmt"_s).toLongLong());
    return totals;
}

Result<qint64> InstructionTable::insertEach(const QString& sql, qint64 count,
    const std::function<void(RowValues& values, qint64 index)>& bindRow, const Progress& progress)
{
    static constexpr qint64 kProgressInterval = 1000;
    std::optional<Transaction> own;
    if (!m_db.inTransaction()) {
        own.emplace(m_db);
        if (!own->begun())
            return own->failure().failure();
    }
    std::function<void(qint64)> afterRow;
    if (progress)
        afterRow = [&](qint64 i) {
            if ((i + 1) % kProgressInterval == 0)
                progress(i + 1, count);
        };
    if (const Result<qint64> inserted = m_db.InsertEach(sql, count, bindRow, afterRow); !inserted)
        return inserted;
    if (progress && count % kProgressInterval != 0)
        progress(count, count);
    if (own) {
        if (const Result<> committed = own->commit(); !committed)
            return committed.failure();
    }
    return count;
}

Result<> InstructionTable::updateAmounts(const QString& statement, const std::vector<AmountChange>& changes)
{
    std::optional<Transaction> own;
    if (!m_db.inTransaction()) {
        own.emplace(m_db);
        if (!own->begun())
            return own->failure();
    }
    for (const AmountChange& change : changes) {
        if (const Result<> updated = m_db.Update(
                statement, { change.amount.isEmpty() ? QVariant() : QVariant(change.amount), change.serialNo });
            !updated)
            return updated;
    }
    return own ? own->commit() : Result<>();
}

Result<QHash<QString, QString>> InstructionTable::readAmounts(const QString& statement, const QStringList& serialNos)
{
    QHash<QString, QString> amounts;
    amounts.reserve(serialNos.size());
    const Result<> read = m_db.QueryEach(statement, { DBAccess::listParameter(serialNos) },
        [&](const RecordView& v) { amounts.insert(v.text(0), v.text(1)); });
    if (!read)
        return read.failure();
    return amounts;
}
