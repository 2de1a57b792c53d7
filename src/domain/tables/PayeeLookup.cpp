#include "domain/tables/PayeeLookup.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

Result<std::vector<PayeeLookup::Payee>> PayeeLookup::ofKind(const QString& accType)
{
    std::vector<Payee> payees;
    const Result<> read = m_db.QueryEach(u"select acc_no,acc_name,acc_type,branch_id,area_no,net_no from payee_acc"
                                         u" where acc_type=? order by acc_no"_s,
        { accType }, [&](const RecordView& v) {
            payees.push_back({ v.text(0).trimmed(), v.text(1).trimmed(), v.text(2).trimmed(), v.text(3).trimmed(),
                v.text(4).trimmed(), v.text(5).trimmed() });
        });
    if (!read)
        return read.failure();
    return payees;
}
