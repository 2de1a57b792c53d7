#include "domain/tables/PaymentTable.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

namespace {
// The columns of every reading the upload file is written from, in this order.
enum FileColumn {
    PayAccNo,
    PayAccName,
    RecAccType,
    RecAccNo,
    RecAccName,
    RecBankId,
    RecAreaNo,
    RecNetNo,
    PayAmt,
    Remark,
    UserRemark,
    FileColumns
};

const QString kInsert = u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,"
                        u"rec_acc_name,rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark)"
                        u" values (?,?,?,?,?,?,?,?,?,?,?,'')"_s;

void bindInsert(RowValues& v, const PaymentRow& r)
{
    int n = 0;
    for (const QString* text : { &r.serialNo, &r.payAccNo, &r.payAccName, &r.recAccType, &r.recAccNo, &r.recAccName,
             &r.recBankId, &r.recAreaNo, &r.recNetNo, &r.payAmt, &r.remark })
        v.text(++n, *text);
}
} // namespace

QByteArray PaymentTable::FileView::payAccNo() const
{
    return m_record.utf8(PayAccNo);
}
QByteArray PaymentTable::FileView::payAccName() const
{
    return m_record.utf8(PayAccName);
}
QByteArray PaymentTable::FileView::recAccType() const
{
    return m_record.utf8(RecAccType);
}
QByteArray PaymentTable::FileView::recAccNo() const
{
    return m_record.utf8(RecAccNo);
}
QByteArray PaymentTable::FileView::recAccName() const
{
    return m_record.utf8(RecAccName);
}
QByteArray PaymentTable::FileView::recNetNo() const
{
    return m_record.utf8(RecNetNo);
}
QString PaymentTable::FileView::payAmt() const
{
    return m_record.text(PayAmt);
}
QByteArray PaymentTable::FileView::remark() const
{
    return m_record.utf8(Remark);
}

Result<InstructionTotals> PaymentTable::totals()
{
    // The total is summed in whole fen, so it is exact: 0.7 + 0.1 is 0.80, never
    // the 0.79 that truncating a binary floating-point sum would show.
    return readTotals(u"select count(serial_no) as totalNum,"
                      u"sum(cast(round(pay_amt*100) as integer)) as totalAmt from payment"_s);
}

Result<> PaymentTable::removeKeys(const QStringList& serialNos)
{
    return m_db.Delete(u"delete from payment where serial_no in (select value from json_each(?))"_s,
        { DBAccess::listParameter(serialNos) });
}

Result<> PaymentTable::removeAll()
{
    return m_db.Delete(u"delete from payment"_s);
}

Result<std::optional<InstructionTotals>> PaymentTable::eachListedInPlace(const ListedRow& row)
{
    // Counted as totals() counts: every row with a serial number.
    return readListed(u"select p.serial_no,p.pay_acc_no,p.pay_acc_name,p.rec_acc_type,p.rec_acc_no,p.rec_acc_name,"
                      u"p.rec_net_no,p.pay_amt,p.remark from payment p order by p.serial_no"_s,
        { .kind = 3, .amount = 7, .counted = 0 }, row);
}

Result<> PaymentTable::eachChecked(const std::function<void(const PaymentCheckRow&, const FileView&)>& row)
{
    // The upload file's columns come first, so that the file is built from the
    // same reading; then the serial number and the payee's kept name, the one
    // of the payee list for the account and kind.
    PaymentCheckRow r;
    return m_db.QueryEach(
        u"select p.pay_acc_no,p.pay_acc_name,p.rec_acc_type,p.rec_acc_no,p.rec_acc_name,p.rec_bank_id,p.rec_area_no,"
        u"p.rec_net_no,p.pay_amt,p.remark,p.user_remark,p.serial_no,(select k.acc_name from payee_acc k"
        u" where k.acc_no=p.rec_acc_no and k.acc_type=p.rec_acc_type limit 1) from payment p order by p.serial_no"_s,
        {}, [&](const RecordView& v) {
            r.payAccNo = v.text(PayAccNo);
            r.payAccName = v.text(PayAccName);
            r.recAccType = v.text(RecAccType);
            r.recAccNo = v.text(RecAccNo);
            r.recAccName = v.text(RecAccName);
            r.recNetNo = v.text(RecNetNo);
            r.payAmt = v.text(PayAmt);
            r.remark = v.text(Remark);
            r.serialNo = v.text(FileColumns);
            if (v.isNull(FileColumns + 1))
                r.keptName.reset();
            else
                r.keptName = v.text(FileColumns + 1);
            row(r, FileView(v));
        });
}

Result<> PaymentTable::eachFileRow(const std::function<void(const FileView&)>& row)
{
    return m_db.QueryEach(
        u"select pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,rec_bank_id,rec_area_no,"
        u"rec_net_no,pay_amt,remark,user_remark from payment order by serial_no"_s,
        {}, [&](const RecordView& v) { row(FileView(v)); });
}

Result<bool> PaymentTable::paysAccount(const QString& recAccType, const QString& recAccNo)
{
    const auto rs = m_db.Query(
        u"select serial_no from payment where rec_acc_type=? and rec_acc_no =?"_s, { recAccType, recAccNo });
    if (!rs)
        return rs.failure();
    return !rs->isEmpty();
}

Result<QString> PaymentTable::largestSerialNo()
{
    const auto rs = m_db.Query(u"select max(serial_no) as maxSerial from payment where length(serial_no)=22"_s);
    if (!rs)
        return rs.failure();
    return rs->isEmpty() ? QString() : fieldToText(rs->value(0, u"maxSerial"_s));
}

Result<> PaymentTable::insert(const PaymentRow& row)
{
    const Result<qint64> inserted = m_db.InsertEach(kInsert, 1, [&](RowValues& v, qint64) { bindInsert(v, row); });
    return inserted ? Result<>() : inserted.failure();
}

Result<qint64> PaymentTable::insertMany(const std::vector<PaymentRow>& rows, const Progress& progress)
{
    return insertEach(
        kInsert, qint64(rows.size()), [&](RowValues& v, qint64 i) { bindInsert(v, rows[size_t(i)]); }, progress);
}

Result<> PaymentTable::update(const PaymentRow& r)
{
    return m_db.Update(u"update payment set pay_acc_no=?,pay_acc_name=?,rec_acc_type=?,rec_acc_no=?,"
                       u"rec_acc_name=?,rec_bank_id=?,rec_area_no=?,rec_net_no=?,pay_amt=?,remark=?"
                       u" where serial_no=?"_s,
        { r.payAccNo, r.payAccName, r.recAccType, r.recAccNo, r.recAccName, r.recBankId, r.recAreaNo, r.recNetNo,
            r.payAmt, r.remark, r.serialNo });
}

Result<> PaymentTable::remove(const QString& serialNo)
{
    return m_db.Delete(u"delete from payment where serial_no=?"_s, { serialNo });
}

Result<> PaymentTable::setPayerOfAll(const QString& accNo, const QString& accName)
{
    return m_db.Update(u"update payment set pay_acc_no=?,pay_acc_name=?"_s, { accNo, accName });
}

Result<> PaymentTable::setAmounts(const std::vector<AmountChange>& changes)
{
    return updateAmounts(u"update payment set pay_amt=? where serial_no=?"_s, changes);
}

Result<QHash<QString, QString>> PaymentTable::amountsOf(const QStringList& serialNos)
{
    return readAmounts(
        u"select serial_no,pay_amt from payment where serial_no in (select value from json_each(?))"_s, serialNos);
}
