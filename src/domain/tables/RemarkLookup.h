#pragma once

#include "common/Result.h"

#include <QStringList>

class DBAccess;

// The kept remarks (table user_remark) as the instruction dialogs offer them.
class RemarkLookup {
public:
    explicit RemarkLookup(DBAccess& db)
        : m_db(db)
    {
    }
    // Every remark in order, exactly as stored.
    Result<QStringList> all();

private:
    DBAccess& m_db;
};
