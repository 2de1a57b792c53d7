#pragma once

#include "domain/tables/InstructionTable.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class RecordView;

// One batch payment instruction as table payment stores it (texts as given).
struct PaymentRow {
    QString serialNo; // 22 digits, from the serial number generator
    QString payAccNo;
    QString payAccName;
    QString recAccType; // "0" in-bank, "1" other-bank
    QString recAccNo;
    QString recAccName;
    QString recBankId;
    QString recAreaNo;
    QString recNetNo;
    QString payAmt; // plain amount text without separators ("1234.5")
    QString remark;
};

// One instruction as the list shows it, in serial-number order.
// One instruction as the check reads it: stored texts, untrimmed.
struct PaymentCheckRow {
    QString serialNo;
    QString payAccNo;
    QString payAccName;
    QString recAccType;
    QString recAccNo;
    QString recAccName;
    QString recNetNo;
    QString payAmt;
    QString remark;
    // The name the payee list keeps for the account and kind; none when the
    // list has no such payee.
    std::optional<QString> keptName;
};

// Table payment: the batch payment instructions.
class PaymentTable : public InstructionTable {
public:
    explicit PaymentTable(DBAccess& db)
        : InstructionTable(db)
    {
    }

    // The fields the upload file is written from, straight from the store
    // without a copy; valid only inside the handler it is handed to.
    class FileView {
    public:
        QByteArray payAccNo() const;
        QByteArray payAccName() const;
        QByteArray recAccType() const;
        QByteArray recAccNo() const;
        QByteArray recAccName() const;
        QByteArray recNetNo() const;
        QString payAmt() const;
        QByteArray remark() const;

    private:
        friend class PaymentTable;
        explicit FileView(const RecordView& record)
            : m_record(record)
        {
        }
        const RecordView& m_record;
    };

    Result<InstructionTotals> totals() override;
    Result<> removeKeys(const QStringList& serialNos) override;
    Result<> removeAll() override;
    Result<> setAmounts(const std::vector<AmountChange>& changes) override;
    Result<QHash<QString, QString>> amountsOf(const QStringList& serialNos) override;

    // Every instruction of the batch takes this payer account.
    Result<> setPayerOfAll(const QString& accNo, const QString& accName);

    // Every instruction in serial-number order, read in place: serial number,
    // payer account and name, the kind's description, payee account and
    // name, bank number, amount (column 7) and remark; with the totals when
    // they could be summed on the way (readListed).
    Result<std::optional<InstructionTotals>> eachListedInPlace(const ListedRow& row);
    // Every instruction in serial-number order, for the check and the upload
    // file from one reading of the store.
    Result<> eachChecked(const std::function<void(const PaymentCheckRow&, const FileView&)>& row);
    // Every instruction in serial-number order, as the upload file takes it.
    Result<> eachFileRow(const std::function<void(const FileView&)>& row);

    // True when an instruction pays the account of this kind.
    Result<bool> paysAccount(const QString& recAccType, const QString& recAccNo);
    // The largest stored 22-digit serial number; empty when there is none.
    Result<QString> largestSerialNo();

    Result<> insert(const PaymentRow& row);
    // All rows in one transaction (the caller's, when one is open): either all
    // are written or, at the first row the store refuses, none (the failure
    // lies at that row's index). One prepared statement, bound per row.
    Result<qint64> insertMany(const std::vector<PaymentRow>& rows, const Progress& progress = {});
    // Changes every field but the serial number of the instruction `row.serialNo`.
    Result<> update(const PaymentRow& row);
    Result<> remove(const QString& serialNo);
};
