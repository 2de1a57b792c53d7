#pragma once

#include "common/Result.h"
#include "domain/tables/TableWrite.h"

#include <QString>
#include <QStringList>

#include <vector>

class DBAccess;

// The payees of batch payments (payee_acc): in-bank accounts (kind "0", with
// the outlet number) and other-bank accounts (kind "1", with the area and bank
// numbers). An account number is a key within its kind only: the same number
// may be kept once in each kind.
class PayeeTable {
public:
    static inline const QString kInBank = QStringLiteral("0");
    static inline const QString kOtherBank = QStringLiteral("1");

    struct Row {
        QString accNo;
        QString accName;
        QString accType;
        QString branchId;
        QString areaNo;
        QString netNo;
    };

    explicit PayeeTable(DBAccess& db)
        : m_db(db)
    {
    }

    Result<qint64> count(const QString& accType);
    // The payees of one kind by number, as stored.
    Result<std::vector<Row>> listed(const QString& accType);
    // The same, every field trimmed (the payee choice of the payment entry).
    Result<std::vector<Row>> choices(const QString& accType);

    // Adds the row unless its kind holds its number. An in-bank payee keeps the
    // outlet number only, an other-bank one the area and bank numbers only.
    TableWrite::AddOutcome add(const Row& row);
    // Changes name and numbers of the payee of that number and kind (silent: the
    // caller shows its own failure text).
    Result<> change(const Row& row);
    // Deletes the payees of these numbers of one kind; the other kind's are kept.
    Result<> remove(const QString& accType, const QStringList& accNos);

private:
    Result<std::vector<Row>> read(const QString& accType, bool trimmed);

    DBAccess& m_db;
};
