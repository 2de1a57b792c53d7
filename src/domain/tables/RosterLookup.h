#pragma once

#include "common/Result.h"

#include <QString>
#include <QStringList>

#include <vector>

class DBAccess;

// The payroll roster (table person_payee_acc) as the payroll dialogs offer it.
class RosterLookup {
public:
    struct Employee {
        QString accNo; // all trimmed
        QString accName;
        QString employeeNo;
    };
    struct Member {
        QString accNo; // all trimmed
        QString accType;
        QString netNo;
    };
    explicit RosterLookup(DBAccess& db)
        : m_db(db)
    {
    }
    // The in-bank entries by account.
    Result<std::vector<Employee>> inBank();
    // The distinct group numbers in order, as stored.
    Result<QStringList> groups();
    // The in-bank entries of one group, in the table's order.
    Result<std::vector<Member>> inBankMembers(const QString& group);

private:
    DBAccess& m_db;
};
