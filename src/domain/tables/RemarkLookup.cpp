#include "domain/tables/RemarkLookup.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

Result<QStringList> RemarkLookup::all()
{
    QStringList remarks;
    const Result<> read = m_db.QueryEach(u"select remark from user_remark order by remark"_s, {},
        [&](const RecordView& v) { remarks.append(v.text(0)); });
    if (!read)
        return read.failure();
    return remarks;
}
