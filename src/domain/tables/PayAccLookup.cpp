#include "domain/tables/PayAccLookup.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

Result<std::vector<PayAccLookup::Payer>> PayAccLookup::all()
{
    std::vector<Payer> payers;
    const Result<> read = m_db.QueryEach(u"select acc_no,acc_name from pay_acc"_s, {}, [&](const RecordView& v) {
        payers.push_back({ v.text(0).trimmed(), v.text(1).trimmed() });
    });
    if (!read)
        return read.failure();
    return payers;
}
