#include "domain/tables/PayeeTable.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

Result<qint64> PayeeTable::count(const QString& accType)
{
    const auto rs = m_db.Query(u"select count(acc_no) from payee_acc where acc_type=?"_s, { accType });
    if (!rs)
        return rs.failure();
    return rs->isEmpty() ? 0 : rs->value(0, 0).toLongLong();
}

Result<std::vector<PayeeTable::Row>> PayeeTable::read(const QString& accType, bool trimmed)
{
    std::vector<Row> rows;
    const Result<> done = m_db.QueryEach(u"select acc_no,acc_name,acc_type,branch_id,area_no,net_no from payee_acc"
                                         u" where acc_type=? order by acc_no"_s,
        { accType }, [&](const RecordView& r) {
            auto text = [&](int column) { return trimmed ? r.text(column).trimmed() : r.text(column); };
            rows.push_back({ text(0), text(1), text(2), text(3), text(4), text(5) });
        });
    if (!done)
        return done.failure();
    return rows;
}

Result<std::vector<PayeeTable::Row>> PayeeTable::listed(const QString& accType)
{
    return read(accType, false);
}

Result<std::vector<PayeeTable::Row>> PayeeTable::choices(const QString& accType)
{
    return read(accType, true);
}

TableWrite::AddOutcome PayeeTable::add(const Row& row)
{
    const bool inBank = row.accType == kInBank;
    return TableWrite::addIfAbsent(m_db, u"select acc_no from payee_acc where acc_no = ? and acc_type=?"_s,
        { row.accNo, row.accType },
        u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values (?,?,?,?,?,?)"_s,
        { row.accNo, row.accName, row.accType, inBank ? row.branchId : QString(), inBank ? QString() : row.areaNo,
            inBank ? QString() : row.netNo });
}

Result<> PayeeTable::change(const Row& row)
{
    // Run through Insert: a store error shows no box of its own.
    if (row.accType == kInBank)
        return m_db.Insert(
            u"update payee_acc set acc_name = ?,branch_id=?,area_no='',net_no='' where acc_no = ? and acc_type='0'"_s,
            { row.accName, row.branchId, row.accNo });
    return m_db.Insert(
        u"update payee_acc set acc_name = ?,branch_id='',area_no=?,net_no=? where acc_no = ? and acc_type=?"_s,
        { row.accName, row.areaNo, row.netNo, row.accNo, row.accType });
}

Result<> PayeeTable::remove(const QString& accType, const QStringList& accNos)
{
    return m_db.Delete(u"delete from payee_acc where acc_type=? and acc_no in (select value from json_each(?))"_s,
        { accType, DBAccess::listParameter(accNos) });
}
