#pragma once

#include "common/Result.h"

#include <QString>

#include <vector>

class DBAccess;

// The payer accounts (table pay_acc) as the instruction dialogs offer them.
class PayAccLookup {
public:
    struct Payer {
        QString accNo; // trimmed
        QString accName; // trimmed
    };
    explicit PayAccLookup(DBAccess& db)
        : m_db(db)
    {
    }
    // Every payer account in the table's order.
    Result<std::vector<Payer>> all();

private:
    DBAccess& m_db;
};
