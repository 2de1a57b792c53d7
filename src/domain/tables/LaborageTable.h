#pragma once

#include "domain/tables/InstructionTable.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class RecordView;

// One payroll instruction as table laborage stores it.
struct LaborageRow {
    qint64 serialNo = 0;
    QString accNo;
    QString payAmount; // plain amount text without separators ("1234.5")
    QString accType = QStringLiteral("0"); // "0" in-bank, "1" other-bank
    QString netNo;
    std::optional<QString> remark; // none: stored as null
};

// One in-bank instruction as the check reads it, also one whose account has
// left the roster (its roster fields are then empty). Texts untrimmed.
struct LaborageCheckRow {
    QString serialNo;
    QString accNo;
    QString payAmount;
    bool inRoster = false;
    QString accName;
    QString employeeNo;
    QString certType;
    QString certCode;
    QString rosterAccType; // the kind the roster keeps for the account
};

// Table laborage: the payroll instructions.
class LaborageTable : public InstructionTable {
public:
    explicit LaborageTable(DBAccess& db)
        : InstructionTable(db)
    {
    }

    // The fields the upload files are written from, straight from the store
    // without a copy; valid only inside the handler it is handed to.
    class FileView {
    public:
        QByteArray employeeNo() const;
        QByteArray accName() const;
        QByteArray accNo() const;
        QString payAmount() const;
        // The same fields as texts.
        QString employeeNoText() const;
        QString accNameText() const;
        QString accNoText() const;

    private:
        friend class LaborageTable;
        explicit FileView(const RecordView& record)
            : m_record(record)
        {
        }
        const RecordView& m_record;
    };

    // The in-bank instructions whose account has a roster entry.
    Result<InstructionTotals> totals() override;
    Result<> removeKeys(const QStringList& serialNos) override;
    Result<> removeAll() override;
    Result<> setAmounts(const std::vector<AmountChange>& changes) override;
    Result<QHash<QString, QString>> amountsOf(const QStringList& serialNos) override;
    // Deletes the in-bank instructions (acc_type "0"); other-bank ones stay.
    Result<> removeInBank();

    // The listed instructions: in-bank, with a roster entry, in serial-number
    // order, read in place: serial number, account, the roster's name and
    // employee number, the kind's description, amount (column 5) and remark;
    // with the totals when they could be summed on the way (readListed).
    Result<std::optional<InstructionTotals>> eachListedInPlace(const ListedRow& row);
    // Every in-bank instruction in serial-number order, for the check and the
    // upload file from one reading of the store; the file view only for rows
    // in the roster.
    Result<> eachChecked(const std::function<void(const LaborageCheckRow&, const FileView*)>& row);
    // The listed instructions as the upload files take them.
    Result<> eachFileRow(const std::function<void(const FileView&)>& row);

    // The remark of an instruction exactly as stored.
    Result<QString> remark(const QString& serialNo);
    // True when the account has an instruction.
    Result<bool> hasAccount(const QString& accNo);
    // The trimmed accounts of every instruction.
    Result<QSet<QString>> accounts();

    // The number after the largest stored serial number (1 for an empty
    // table), whatever the clock says. A largest number that cannot be read,
    // or that is not a number leaving room after it, is a failure: numbering
    // from 1 would repeat the numbers that change and delete find rows by.
    Result<qint64> nextSerialNo();

    Result<> insert(const LaborageRow& row);
    // All rows in one transaction (the caller's, when one is open): either all
    // are written or, at the first row the store refuses, none (the failure
    // lies at that row's index). One prepared statement, bound per row.
    Result<qint64> insertMany(const std::vector<LaborageRow>& rows, const Progress& progress = {});
    // Changes amount, remark, kind and bank number of instruction `row.serialNo`.
    Result<> update(const LaborageRow& row);
    Result<> remove(qint64 serialNo);
};
