#include "domain/InstructionAmounts.h"

#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

namespace {

// The typed text as the field checks read an entry box.
class TypedText : public InputControl {
public:
    explicit TypedText(const QString& text)
        : m_text(text)
    {
    }
    QString text() const override { return m_text; }
    bool isCombo() const override { return false; }
    int currentIndex() const override { return -1; }
    void focusAndSelectAll() override { }

private:
    QString m_text;
};

// Keeps the first message a check gives instead of showing it.
class KeptMessage : public Prompt {
public:
    void message(const QString& text) override
    {
        if (kept.isEmpty())
            kept = text;
    }
    bool askOkCancel(const QString&, DefaultButton) override { return false; }
    bool askYesNo(const QString&) override { return false; }
    void critical(const QString&, const QString& text) override { message(text); }
    FileChoice chooseSaveFile(const FileDialogRequest&) override { return {}; }
    FileChoice chooseOpenFile(const FileDialogRequest&) override { return {}; }
    QString kept;
};

} // namespace

namespace InstructionAmounts {

std::optional<QString> refusal(const QString& typed, int fieldId, const FieldRules& rules)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return u"金额不能为空"_s;
    KeptMessage said;
    TypedText control(text);
    if (!checkField(control, fieldId, true, rules, said))
        return said.kept;
    if (!isAmountText(text))
        return u"金额输入错误，请输入正确的金额（最多两位小数）"_s;
    const auto amount = Money::parse(removeCommas(text));
    if (!amount || *amount > kMaxAmount)
        return u"金额超过系统最大单笔限制"_s;
    if (amount->isZero())
        return u"金额必须大于零元"_s;
    return std::nullopt;
}

Result<> store(DBAccess& db, const Target& target, const std::vector<Change>& changes)
{
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.failure();
    const QString sql = u"update %1 set %2=? where %3=?"_s.arg(target.table, target.amountField, target.keyField);
    for (const Change& change : changes) {
        const Result<> updated = db.Update(sql, { change.amount.toPlainText(), change.key });
        if (!updated)
            return updated;
    }
    return transaction.commit();
}

} // namespace InstructionAmounts
