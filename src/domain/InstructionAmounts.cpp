#include "domain/InstructionAmounts.h"

#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"

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
    OkSkipCancel askOkSkipCancel(const QString&) override { return OkSkipCancel::Cancel; }
    void critical(const QString&, const QString& text) override { message(text); }
    FileChoice chooseSaveFile(const FileDialogRequest&) override { return {}; }
    FileChoice chooseOpenFile(const FileDialogRequest&) override { return {}; }
    QString kept;
};

// A pasted cell without the blanks around it and without the one leading "#"
// the upload files put before accounts and amounts.
QString pastedCell(QStringView cell)
{
    cell = cell.trimmed();
    if (cell.startsWith(u'#'))
        cell = cell.mid(1).trimmed();
    return cell.toString();
}

} // namespace

namespace InstructionAmounts {

std::optional<QString> amountProblem(const QString& text, bool zeroAllowed)
{
    const QString plain = removeCommas(text.trimmed());
    if (plain.isEmpty())
        return std::nullopt;
    if (!isAmountText(plain))
        return u"金额格式错误"_s;
    const Money amount = Money::parse(plain).value_or(Money());
    if (amount > kMaxAmount)
        return u"金额超过系统最大单笔限制"_s;
    if (!zeroAllowed && amount.fen() <= 0)
        return u"金额必须大于零元"_s;
    return std::nullopt;
}

std::optional<QString> refusal(const QString& typed, FieldId fieldId, const FieldRules& rules)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return u"请输入金额"_s;
    KeptMessage said;
    TypedText control(text);
    if (!checkField(control, fieldId, true, rules, said))
        return said.kept;
    return amountProblem(text);
}

Result<PastedBlock> readPasted(const QString& text, FieldId fieldId, const FieldRules& rules)
{
    // Rows as a spreadsheet ends them: CR LF, LF or a lone CR.
    QString normalized = text;
    normalized.replace(u"\r\n"_s, u"\n"_s);
    normalized.replace(u'\r', u'\n');
    QList<QStringView> rows = QStringView(normalized).split(u'\n');
    while (!rows.isEmpty() && rows.back().trimmed().isEmpty())
        rows.removeLast();
    if (rows.isEmpty())
        return Failure { u"剪贴板中没有可粘贴的金额"_s };

    PastedBlock block;
    block.lines.reserve(size_t(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const int line = int(i + 1);
        const QList<QStringView> cells = rows[i].split(u'\t');
        const int columns = int(cells.size());
        if (i == 0) {
            if (columns > 3)
                return Failure { u"粘贴的内容有 %1 列。请复制一列金额，或账号、金额两列，或账号、户名、金额三列"_s.arg(
                    columns) };
            block.columns = columns;
        } else if (columns != block.columns) {
            return Failure { u"第 %1 行：有 %2 列，与第 1 行的 %3 列不同"_s.arg(line).arg(columns).arg(block.columns) };
        }
        PastedLine pasted;
        pasted.line = line;
        const QString amount = pastedCell(cells.back());
        if (columns >= 2) {
            pasted.account = pastedCell(cells.front());
            if (pasted.account.isEmpty())
                return Failure { u"第 %1 行：没有账号"_s.arg(line) };
        }
        if (columns == 3)
            pasted.name = cells[1].trimmed().toString();
        if (const auto why = refusal(amount, fieldId, rules))
            return Failure { amount.isEmpty() ? u"第 %1 行：%2"_s.arg(line).arg(*why)
                                              : u"第 %1 行：%2（%3）"_s.arg(line).arg(*why, amount) };
        pasted.amount = *Money::parse(removeCommas(amount));
        block.lines.push_back(std::move(pasted));
    }
    return block;
}

} // namespace InstructionAmounts
