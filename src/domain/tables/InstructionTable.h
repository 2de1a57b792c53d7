#pragma once

#include "common/Money.h"
#include "common/Result.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class DBAccess;
class RecordView;
class RowValues;

// One instruction as a list reads it, in place: the texts of the list's
// columns in UTF-8 and its amount. Valid only inside the reading's handler.
class ListedInstruction {
public:
    // `kindColumn` shows `kindText` in place of what is stored there.
    ListedInstruction(const RecordView& record, int amountColumn, int kindColumn = -1, QByteArrayView kindText = {});
    int size() const;
    // The column's text in UTF-8, untrimmed; a number in plain decimal form,
    // empty for none. A stored text is handed over without a copy.
    QByteArray utf8(int column) const;
    // The stored amount when it is in the plain form the store keeps
    // (Money::parsePlain); none otherwise, and then amountText() is what is
    // stored.
    std::optional<Money> amount() const { return m_amount; }
    QString amountText() const;
    // The column's text.
    QString text(int column) const { return QString::fromUtf8(utf8(column)); }
    // The amount as the lists show it: thousands separators, two decimals.
    QString amountShown() const;

private:
    const RecordView& m_record;
    int m_amountColumn;
    int m_kindColumn;
    QByteArrayView m_kindText;
    std::optional<Money> m_amount;
};

// The number and exact total of the instructions a list counts.
struct InstructionTotals {
    qint64 count = 0;
    Money total;
};

// A new amount for the instructions with one serial number.
struct AmountChange {
    QString serialNo;
    QString amount; // plain amount text as stored ("1234.5"); empty: none (null)
};

// What an instruction list (batch payment, payroll) needs of its table: the
// totals of the status bar, the range delete, New and the amounts set in the
// list itself.
class InstructionTable {
public:
    explicit InstructionTable(DBAccess& db)
        : m_db(db)
    {
    }
    virtual ~InstructionTable() = default;

    // Count and exact total, summed in whole fen; fails when the store failed
    // (after its error box).
    virtual Result<InstructionTotals> totals() = 0;
    // Deletes the instructions with these serial numbers in one statement, so
    // any number of rows goes at once; an instruction of another number stays.
    virtual Result<> removeKeys(const QStringList& serialNos) = 0;
    // Empties the table.
    virtual Result<> removeAll() = 0;
    // Sets the amounts in one transaction (the caller's, when one is open):
    // either every change is stored or, at the first the store refuses, none.
    // One prepared statement, bound per change.
    virtual Result<> setAmounts(const std::vector<AmountChange>& changes) = 0;
    // The stored amounts (plain decimal text) of the instructions with these
    // serial numbers, by serial number as the list shows it.
    virtual Result<QHash<QString, QString>> amountsOf(const QStringList& serialNos) = 0;

    // Progress of a bulk insert: rows written so far and the rows given.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Reads the listed instructions in place, handing each to `row`: the
    // rows of `sql` whose kind (column kindColumn, a tran_acc_type code) has a
    // description, which the row shows instead of the code. In the same pass
    // it counts what totals() counts, the rows of `sql` whose column
    // `counted` is not null, and sums the amounts of all its rows in fen; the
    // totals are none when an amount is not in plain form (then totals() says
    // what they are, as the store sums them).
    struct ListedColumns {
        int kind;
        int amount;
        int counted;
    };
    using ListedRow = std::function<void(const ListedInstruction&)>;
    Result<std::optional<InstructionTotals>> readListed(
        const QString& sql, ListedColumns columns, const ListedRow& row);

protected:
    // Reads the "totalNum" and "totalAmt" (whole fen) of a totals statement.
    Result<InstructionTotals> readTotals(const QString& statement);
    // Runs the insert `sql`, prepared once, for every row inside one
    // transaction: the caller's open one, or one of its own that is committed
    // at the end. `bindRow` binds the values of each row. The first row the
    // store refuses stops the insert; the failure lies at the row's index and
    // the transaction of its own is rolled back, so nothing is written.
    Result<qint64> insertEach(const QString& sql, qint64 count,
        const std::function<void(RowValues& values, qint64 index)>& bindRow, const Progress& progress);

    // Runs `statement` (amount, then serial number) for every change inside
    // one transaction, as setAmounts promises.
    Result<> updateAmounts(const QString& statement, const std::vector<AmountChange>& changes);
    // Reads (serial number, amount) pairs of `statement`, whose one parameter
    // is the list of serial numbers.
    Result<QHash<QString, QString>> readAmounts(const QString& statement, const QStringList& serialNos);

    DBAccess& m_db;
};
