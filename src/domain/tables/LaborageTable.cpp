#include "domain/tables/LaborageTable.h"
#include "domain/tables/TableWrite.h"

#include "store/DBAccess.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// The columns of every reading the upload files are written from, in this order.
enum FileColumn { AccNo, AccName, EmployeeNo, CertType, CertCode, PayAmount, Remark, NetNo, FileColumns };

const QString kInsert
    = u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,?,?,?,?)"_s;

void bindInsert(RowValues& v, const LaborageRow& r)
{
    v.integer(1, r.serialNo);
    v.text(2, r.accNo);
    v.text(3, r.payAmount);
    v.text(4, r.accType);
    v.text(5, r.netNo);
    v.text(6, r.remark);
}

// Serial numbers stay far below the largest whole number a double holds exactly.
} // namespace

QByteArray LaborageTable::FileView::employeeNo() const
{
    return m_record.utf8(EmployeeNo);
}
QByteArray LaborageTable::FileView::accName() const
{
    return m_record.utf8(AccName);
}
QByteArray LaborageTable::FileView::accNo() const
{
    return m_record.utf8(AccNo);
}
QString LaborageTable::FileView::payAmount() const
{
    return m_record.text(PayAmount);
}
QString LaborageTable::FileView::employeeNoText() const
{
    return m_record.text(EmployeeNo);
}
QString LaborageTable::FileView::accNameText() const
{
    return m_record.text(AccName);
}
QString LaborageTable::FileView::accNoText() const
{
    return m_record.text(AccNo);
}

Result<InstructionTotals> LaborageTable::totals()
{
    return readTotals(u"select count(pay_amount) as totalNum,"
                      u"sum(cast(round(pay_amount*100) as integer)) as totalAmt"
                      u" from laborage a,person_payee_acc b where a.acc_no=b.acc_no and a.acc_type='0'"_s);
}

Result<> LaborageTable::removeKeys(const QStringList& serialNos)
{
    return m_db.Delete(u"delete from laborage where serial_no in (select value from json_each(?))"_s,
        { DBAccess::listParameter(serialNos) });
}

Result<> LaborageTable::removeAll()
{
    return m_db.Delete(u"delete from laborage"_s);
}

Result<> LaborageTable::removeInBank()
{
    // A payroll is mostly in-bank only: then the whole table goes at once,
    // its pages dropped instead of every row and index entry deleted.
    const auto others = m_db.Query(u"select 1 from laborage where acc_type is not '0' limit 1"_s);
    if (!others)
        return others.failure();
    if (others->isEmpty())
        return removeAll();
    return m_db.Delete(u"delete from laborage where acc_type=?"_s, { u"0"_s });
}

// The statements that read in serial-number order write "+a.acc_type": the
// store then walks the serial-number index instead of choosing the kind's
// index, which would make it sort every row in a temporary tree (a third of
// the time of reading a long list). The rows are the same.

Result<std::optional<InstructionTotals>> LaborageTable::eachListedInPlace(const ListedRow& row)
{
    // The rows totals() counts (those with an amount), the kind's code in
    // place of its description.
    return readListed(u"select a.serial_no,a.acc_no,b.acc_name,b.employee_no,a.acc_type,a.pay_amount,a.remark"
                      u" from laborage a , person_payee_acc b"
                      u" where b.acc_no=a.acc_no and +a.acc_type='0'"
                      u" order by a.serial_no"_s,
        { .kind = 4, .amount = 5, .counted = 5 }, row);
}

Result<> LaborageTable::eachChecked(const std::function<void(const LaborageCheckRow&, const FileView*)>& row)
{
    // The upload files' columns come first, so that a file is built from the
    // same reading; then the serial number and the roster's account and kind.
    LaborageCheckRow r;
    return m_db.QueryEach(
        u"select a.acc_no,c.acc_name,c.employee_no,c.cert_type,c.cert_code,a.pay_amount,a.remark,a.net_no,"
        u"a.serial_no,c.acc_no,c.acc_type from laborage a left join person_payee_acc c on a.acc_no=c.acc_no"
        u" where +a.acc_type='0' order by a.serial_no"_s,
        {}, [&](const RecordView& v) {
            r.accNo = v.text(AccNo);
            r.accName = v.text(AccName);
            r.employeeNo = v.text(EmployeeNo);
            r.certType = v.text(CertType);
            r.certCode = v.text(CertCode);
            r.payAmount = v.text(PayAmount);
            r.serialNo = v.text(FileColumns);
            r.inRoster = !v.isNull(FileColumns + 1);
            r.rosterAccType = v.text(FileColumns + 2);
            const FileView file(v);
            row(r, r.inRoster ? &file : nullptr);
        });
}

Result<> LaborageTable::eachFileRow(const std::function<void(const FileView&)>& row)
{
    return m_db.QueryEach(
        u"select a.acc_no,c.acc_name,c.employee_no,c.cert_type,c.cert_code,a.pay_amount,a.remark,a.net_no"
        u" from laborage a,person_payee_acc c where a.acc_no=c.acc_no and +a.acc_type='0' order by a.serial_no"_s,
        {}, [&](const RecordView& v) { row(FileView(v)); });
}

Result<QString> LaborageTable::remark(const QString& serialNo)
{
    const auto rs = m_db.Query(u"select remark from laborage where serial_no=?"_s, { serialNo });
    if (!rs)
        return rs.failure();
    return rs->isEmpty() ? QString() : fieldToText(rs->value(0, 0));
}

Result<bool> LaborageTable::hasAccount(const QString& accNo)
{
    const auto rs = m_db.Query(u"select count(*) as num from laborage where acc_no = ?"_s, { accNo });
    if (!rs)
        return rs.failure();
    return !rs->isEmpty() && rs->value(0, u"num"_s).toLongLong() != 0;
}

Result<QSet<QString>> LaborageTable::accounts()
{
    QSet<QString> accounts;
    const Result<> read = m_db.QueryEach(
        u"select acc_no from laborage"_s, {}, [&](const RecordView& v) { accounts.insert(v.text(0).trimmed()); });
    if (!read)
        return read.failure();
    return accounts;
}

Result<qint64> LaborageTable::nextSerialNo()
{
    const auto rs = m_db.Query(u"select max(serial_no) as serialNo from laborage"_s);
    if (!rs)
        return rs.failure();
    return TableWrite::nextRunningNumber(rs->isEmpty() ? QVariant() : rs->value(0, 0), u"流水号"_s,
        999'999'999'999'999); // 15 digits: a spreadsheet keeps them exactly
}

Result<> LaborageTable::insert(const LaborageRow& row)
{
    const Result<qint64> inserted = m_db.InsertEach(kInsert, 1, [&](RowValues& v, qint64) { bindInsert(v, row); });
    return inserted ? Result<>() : inserted.failure();
}

Result<qint64> LaborageTable::insertMany(const std::vector<LaborageRow>& rows, const Progress& progress)
{
    return insertEach(
        kInsert, qint64(rows.size()), [&](RowValues& v, qint64 i) { bindInsert(v, rows[size_t(i)]); }, progress);
}

Result<> LaborageTable::update(const LaborageRow& r)
{
    return m_db.Update(u"update laborage set pay_amount=?,remark=?,acc_type=?,net_no=? where serial_no=?"_s,
        { r.payAmount, r.remark ? QVariant(*r.remark) : QVariant(), r.accType, r.netNo, r.serialNo });
}

Result<> LaborageTable::remove(qint64 serialNo)
{
    return m_db.Delete(u"delete from laborage where serial_no=? "_s, { serialNo });
}

Result<> LaborageTable::setAmounts(const std::vector<AmountChange>& changes)
{
    return updateAmounts(u"update laborage set pay_amount=? where serial_no=?"_s, changes);
}

Result<QHash<QString, QString>> LaborageTable::amountsOf(const QStringList& serialNos)
{
    return readAmounts(
        u"select serial_no,pay_amount from laborage where serial_no in (select value from json_each(?))"_s, serialNos);
}
