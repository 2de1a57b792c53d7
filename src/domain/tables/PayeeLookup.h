#pragma once

#include "common/Result.h"

#include <QString>

#include <vector>

class DBAccess;

// The payees (table payee_acc) as the batch payment dialog offers them.
class PayeeLookup {
public:
    struct Payee {
        QString accNo; // all trimmed
        QString accName;
        QString accType;
        QString branchId;
        QString areaNo;
        QString netNo;
    };
    explicit PayeeLookup(DBAccess& db)
        : m_db(db)
    {
    }
    // The payees of one kind ("0" in-bank, "1" other-bank) by account.
    Result<std::vector<Payee>> ofKind(const QString& accType);

private:
    DBAccess& m_db;
};
