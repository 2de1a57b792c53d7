#include "domain/tables/RemarkTable.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

namespace {
const QString kInsert = u"insert into user_remark (remark) values (?)"_s;
const QString kDeleteOne = u"delete from user_remark where remark=?"_s;
}

Result<qint64> RemarkTable::count()
{
    const auto rs = m_db.Query(u"select count(remark) from user_remark"_s);
    if (!rs)
        return rs.failure();
    return rs->isEmpty() ? 0 : rs->value(0, 0).toLongLong();
}

Result<QStringList> RemarkTable::all()
{
    QStringList remarks;
    const Result<> read = m_db.QueryEach(u"select remark from user_remark order by remark"_s, {},
        [&remarks](const RecordView& r) { remarks << r.text(0); });
    if (!read)
        return read.failure();
    return remarks;
}

TableWrite::AddOutcome RemarkTable::add(const QString& remark)
{
    return TableWrite::addIfAbsent(
        m_db, u"select remark from user_remark where remark=?"_s, { remark }, kInsert, { remark });
}

RemarkTable::RenameOutcome RemarkTable::rename(const QString& from, const QString& to)
{
    Transaction tx(m_db);
    if (!tx.begun() || !m_db.Delete(kDeleteOne, { from }))
        return RenameOutcome::Failed;
    // The old row is already gone here, so renaming a remark to its own text succeeds.
    const auto existing = m_db.Query(u"select remark from user_remark where remark=?"_s, { to });
    if (!existing)
        return RenameOutcome::Failed;
    if (!existing->isEmpty())
        return RenameOutcome::Exists;
    if (m_db.Insert(kInsert, { to }) && tx.commit())
        return RenameOutcome::Renamed;
    return RenameOutcome::Failed;
}

Result<> RemarkTable::remove(const QStringList& remarks)
{
    return m_db.Delete(u"delete from user_remark where remark in (select value from json_each(?))"_s,
        { DBAccess::listParameter(remarks) });
}

TableWrite::BulkOutcome RemarkTable::replaceAll(const QStringList& remarks)
{
    std::vector<TableWrite::KeyedRow> keyed;
    keyed.reserve(static_cast<size_t>(remarks.size()));
    for (const QString& remark : remarks)
        keyed.push_back({ remark, { remark } });
    return TableWrite::replaceEach(m_db, kDeleteOne, kInsert, keyed);
}
