#pragma once

#include "common/Money.h"
#include "common/Result.h"

#include <QString>

#include <optional>
#include <vector>

class DBAccess;
class FieldRules;

// The amounts of instructions set from the list itself (typed into the amount
// cell, pasted from a spreadsheet): the checks of the entry dialogs, and the
// store in one statement per row inside one transaction.
namespace InstructionAmounts {

// The largest single amount: 1E11 yuan, compared exactly in fen.
inline constexpr Money kMaxAmount = Money::fromFen(10'000'000'000'000);

// Why `typed` is no amount for field rule `fieldId`; none when it is one. The
// checks of the entry dialog, in its order: the field rule (format, length,
// bounds), two decimals at most, the single-amount limit, more than zero.
std::optional<QString> refusal(const QString& typed, int fieldId, const FieldRules& rules);

// Where a list's amounts are stored: table, key column and amount column.
struct Target {
    QString table;
    QString keyField;
    QString amountField;
};
struct Change {
    QString key;
    Money amount;
};

// Stores every change (amount in yuan, two decimals) in one transaction: all or
// nothing. Fails with the store's message.
Result<> store(DBAccess& db, const Target& target, const std::vector<Change>& changes);

} // namespace InstructionAmounts
