#pragma once

#include "common/Result.h"
#include "domain/tables/TableWrite.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class DBAccess;

// The payroll roster (person_payee_acc): the payees of payroll instructions,
// in groups, each with a running number person_no that orders them; and the
// document types (cert_type) its entries name. The account number is the key
// of an entry; an employee number and a document belong to one entry only.
class RosterTable {
public:
    static inline const QString kInBank = QStringLiteral("0");
    static inline const QString kOtherBank = QStringLiteral("1");
    // The group of an entry that names none.
    static inline const QString kUngrouped = QStringLiteral("未分组");

    // One entry, as listed, stored or exchanged with a file.
    struct Entry {
        QString group;
        QString accNo;
        QString accName;
        QString employeeNo;
        QString accType;
        QString netNo;
        QString mulNetNo;
        // The document type's description (its code in certType).
        QString certDesc;
        QString certCode;
        QString certType;

        // Which of the fields from the kind on an imported entry carries; a
        // field it does not carry keeps the stored value of the same account.
        enum Carried : unsigned {
            Kind = 1,
            NetNo = 2,
            MulNetNo = 4,
            CertType = 8,
            CertCode = 16,
            All = Kind | NetNo | MulNetNo | CertType | CertCode,
        };
        unsigned carried = All;
    };

    explicit RosterTable(DBAccess& db)
        : m_db(db)
    {
    }

    Result<qint64> count();
    // Every entry by group and running number, with its document's description.
    Result<std::vector<Entry>> listed();
    // The kind, bank numbers and document (type code, number) stored for an
    // account, trimmed; nullopt when there is none.
    Result<std::optional<Entry>> stored(const QString& accNo);
    // The groups in text order.
    Result<QStringList> groups();
    Result<bool> groupExists(const QString& group);
    // The kind of the group's first entry, trimmed; nullopt for a group without entries.
    Result<std::optional<QString>> groupKind(const QString& group);
    // The document descriptions in the order of their codes.
    Result<QStringList> documentTypes();
    // By account: the kind (as stored), the document's description and number (trimmed).
    Result<QHash<QString, Entry>> documents();
    // True when an entry of another account has this employee number, or this
    // document when `certCode` is not empty.
    Result<bool> othersHold(
        const QString& accNo, const QString& employeeNo, const QString& certType, const QString& certCode);

    // The running number after the largest stored one (1 for an empty roster).
    // A largest number that cannot be read as a whole number is a failure lying
    // at 0 (the store has shown nothing); a failed query lies nowhere (-1).
    Result<qlonglong> nextPersonNo();

    enum class AddOutcome {
        Added,
        Exists, // an entry has the account, the employee number or the document
        Refused, // `admit` stopped the add (it has said why)
        Failed, // the store refused or a running number could not be made
        CheckFailed, // the store has shown its error
    };
    // Adds the entry (group, account, name, employee number, kind, bank numbers,
    // document code and number) with the next running number, in one transaction
    // with the checks: no entry may hold its account, employee number or
    // document (when it has a number), and `admit` (may be empty) is asked last.
    AddOutcome add(const Entry& entry, const std::function<bool()>& admit);
    // Writes the entry's values to the entry of its account (its number stays).
    Result<> change(const Entry& entry);
    // Deletes the entries of the accounts together with their payroll
    // instructions: both or neither.
    Result<> removeWithInstructions(const QStringList& accNos);

    // How an import ended; `row` is the index of the entry that stopped it.
    struct ImportStop {
        enum class Kind {
            None, // every entry written and committed
            ReadFailed, // the running number or the document types could not be read
            ReplaceFailed, // the entries it replaces could not be found or removed
            InsertFailed, // the store refused the entry
            GroupKind, // the entry's kind differs from its group's
            GroupReadFailed, // a group's kind could not be read
            StoreFailed, // the store refused the transaction (storeError)
        };
        Kind kind = Kind::None;
        qsizetype row = -1;
        QString storeError;
    };
    // The import of a file's entries, all or nothing in one transaction: each
    // entry replaces the stored entries with its account, employee number or
    // document (their payroll instructions go with the other accounts' entries),
    // taking the next running number. Then every group must hold entries of
    // one kind: that of its first entry the import left in place, else that
    // of its first entry in the file. `progress` hears each entry written.
    using Progress = std::function<void(qsizetype done, qsizetype total)>;
    ImportStop importEntries(const std::vector<Entry>& entries, const Progress& progress = {});

    // ---- For the payroll screens and import

    // Account, name and employee number of the in-bank entries, by account.
    Result<std::vector<Entry>> inBankEntries();
    // Account, kind and other-bank number of the group's in-bank entries.
    Result<std::vector<Entry>> inBankEntriesOfGroup(const QString& group);
    // Every roster account, true when one of its entries is other-bank.
    Result<QHash<QString, bool>> otherBankByAccount();
    // Adds an in-bank entry to the ungrouped entries with the given running number.
    Result<> addUngroupedInBank(qlonglong personNo, const QString& accNo, const QString& accName);

private:
    DBAccess& m_db;
};
