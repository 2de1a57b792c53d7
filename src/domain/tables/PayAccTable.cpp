#include "domain/tables/PayAccTable.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

namespace {
// A payer account as the entry dialog, the lookups and the imports add it.
const QString kInsert = u"insert into pay_acc (acc_no,acc_name) values (?,?)"_s;
} // namespace

Result<qint64> PayAccTable::count()
{
    const auto rs = m_db.Query(u"select count(acc_no) from pay_acc"_s);
    if (!rs)
        return rs.failure();
    return rs->isEmpty() ? 0 : rs->value(0, 0).toLongLong();
}

Result<std::vector<PayAccTable::Row>> PayAccTable::listed()
{
    std::vector<Row> rows;
    const Result<> read = m_db.QueryEach(u"select acc.acc_no,acc.acc_name,curr.currency_name"
                                         u" from pay_acc acc,acc_currency curr where acc.currency=curr.currency_id"
                                         u" order by acc.acc_no"_s,
        {}, [&rows](const RecordView& r) {
            rows.push_back({ r.text(0), r.text(1), r.text(2) });
        });
    if (!read)
        return read.failure();
    return rows;
}

Result<std::vector<PayAccTable::Row>> PayAccTable::all()
{
    std::vector<Row> rows;
    const Result<> read = m_db.QueryEach(u"select acc_no,acc_name from pay_acc"_s, {}, [&rows](const RecordView& r) {
        rows.push_back({ r.text(0).trimmed(), r.text(1).trimmed(), {} });
    });
    if (!read)
        return read.failure();
    return rows;
}

Result<std::optional<QString>> PayAccTable::nameOf(const QString& accNo)
{
    const auto rs = m_db.Query(u"select acc_name from pay_acc where acc_no=?"_s, { accNo });
    if (!rs)
        return rs.failure();
    if (rs->isEmpty())
        return std::optional<QString>();
    return std::optional<QString>(fieldToText(rs->value(0, 0)));
}

Result<> PayAccTable::insert(const QString& accNo, const QString& accName)
{
    return m_db.Insert(kInsert, { accNo, accName });
}

Result<QStringList> PayAccTable::currencyNames()
{
    QStringList names;
    const Result<> read = m_db.QueryEach(u"select currency_name from acc_currency order by currency_id"_s, {},
        [&names](const RecordView& r) { names << r.text(0); });
    if (!read)
        return read.failure();
    return names;
}

TableWrite::AddOutcome PayAccTable::add(const QString& accNo, const QString& accName)
{
    return TableWrite::addIfAbsent(
        m_db, u"select acc_no from pay_acc where acc_no=?"_s, { accNo }, kInsert, { accNo, accName });
}

Result<> PayAccTable::rename(const QString& accNo, const QString& accName)
{
    return m_db.Update(u"update pay_acc set acc_name=? where acc_no=?"_s, { accName, accNo });
}

Result<> PayAccTable::remove(const QStringList& accNos)
{
    return m_db.Delete(
        u"delete from pay_acc where acc_no in (select value from json_each(?))"_s, { DBAccess::listParameter(accNos) });
}

TableWrite::BulkOutcome PayAccTable::replaceAll(const std::vector<Row>& rows)
{
    std::vector<TableWrite::KeyedRow> keyed;
    keyed.reserve(rows.size());
    for (const Row& row : rows)
        keyed.push_back({ row.accNo, { row.accNo, row.accName } });
    return TableWrite::replaceEach(m_db, u"delete from pay_acc where acc_no=?"_s, kInsert, keyed);
}
