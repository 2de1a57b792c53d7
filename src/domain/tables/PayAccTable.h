#pragma once

#include "common/Result.h"
#include "domain/tables/TableWrite.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class DBAccess;

// The payer accounts (pay_acc) and the currencies they are kept in (acc_currency).
class PayAccTable {
public:
    struct Row {
        QString accNo;
        QString accName;
        // The currency's name; listed() only.
        QString currencyName;
    };

    explicit PayAccTable(DBAccess& db)
        : m_db(db)
    {
    }

    Result<qint64> count();
    // The accounts by number, with their currency's name. Accounts whose
    // currency has no row in acc_currency are not listed.
    Result<std::vector<Row>> listed();
    // Number and name of every account, in the store's order, trimmed.
    Result<std::vector<Row>> all();
    // The name of an account; nullopt when there is none of that number.
    Result<std::optional<QString>> nameOf(const QString& accNo);
    // The currencies' names in the order of their codes.
    Result<QStringList> currencyNames();

    TableWrite::AddOutcome add(const QString& accNo, const QString& accName);
    // Inserts an account known to be absent, inside the caller's transaction (an import's).
    Result<> insert(const QString& accNo, const QString& accName);
    // Changes the name of the account of that number (the number is the key).
    Result<> rename(const QString& accNo, const QString& accName);
    Result<> remove(const QStringList& accNos);
    // The import: each row replaces the account of its number (see TableWrite::replaceEach).
    TableWrite::BulkOutcome replaceAll(const std::vector<Row>& rows);

private:
    DBAccess& m_db;
};
