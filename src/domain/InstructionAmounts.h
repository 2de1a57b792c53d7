#pragma once

#include "common/FieldRule.h"
#include "common/Money.h"
#include "common/Result.h"

#include <QString>

#include <optional>
#include <vector>

// The amount of an instruction as the user gives it: typed into an entry
// dialog's amount box, typed into the list itself or pasted from a
// spreadsheet. One set of checks for all of them.
namespace InstructionAmounts {

// The largest single amount: 1E11 yuan, compared exactly in fen, so
// 100000000000.00 passes and 100000000000.01 does not.
inline constexpr Money kMaxAmount = Money::fromFen(10'000'000'000'000);

// Why the amount text `text` (thousands separators allowed) is no amount of an
// instruction; none when it is one. In this order: a text that is no plain
// amount of at most two decimals ("金额格式错误"), an amount above the largest
// single amount ("金额超过系统最大单笔限制"), and unless `zeroAllowed` an amount
// of zero ("金额必须大于零元"). An empty text passes (the caller decides
// whether the amount may be left out).
std::optional<QString> amountProblem(const QString& text, bool zeroAllowed = false);

// Why `typed` cannot be stored as the amount of an instruction whose amount
// box has the field rule `fieldId`; none when it can. An empty text
// ("请输入金额"), then the field rule (format, length, bounds) with the
// message the entry dialog shows, then amountProblem.
std::optional<QString> refusal(const QString& typed, FieldId fieldId, const FieldRules& rules);

// One line of amounts pasted from a spreadsheet.
struct PastedLine {
    int line = 0; // from 1, as the user counts the copied rows
    QString account; // empty in a block of one column
    QString name; // only in a block of three columns
    Money amount;
};
struct PastedBlock {
    int columns = 0; // 1 (amounts), 2 (account, amount) or 3 (account, name, amount)
    std::vector<PastedLine> lines;
};

// Reads the text a spreadsheet puts on the clipboard: rows ending in CR LF, LF
// or CR, cells separated by tabs, the empty rows at the end left out. Every
// row holds one amount, or an account and an amount, or an account, a name
// and an amount; amounts may carry thousands separators, and a leading "#" of
// an account or amount (as the upload files write them) is dropped. Every
// amount passes refusal() for field rule `fieldId`. The first row that does not
// makes the whole text fail, naming the row ("第 3 行：金额格式错误（12.345）").
Result<PastedBlock> readPasted(const QString& text, FieldId fieldId, const FieldRules& rules);

} // namespace InstructionAmounts
