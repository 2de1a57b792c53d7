#include "app/InstructionListTab.h"

#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/AmountConvert.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"
#include "domain/Backups.h"
#include "domain/InstructionAmounts.h"
#include "domain/UploadHistory.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

InstructionListTab::InstructionListTab(AppContext& ctx, MainWindowServices& main, const QString& prefix,
    InstructionListLayout layout, std::unique_ptr<InstructionTable> table)
    : TabPage(ctx, main, prefix)
    , m_layout(std::move(layout))
    , m_table(std::move(table))
{
    if (m_layout.amountRule) {
        m_grid->setEditableColumn(m_layout.amountColumn,
            [this](int shownRow, const QString& typed) { return storeTypedAmount(shownRow + 1, typed); });
        // The totals follow every stored amount exactly.
        connect(m_grid, &ListGrid::cellEdited, this, [this] {
            showTotals();
            showFindStatus();
        });
    }
    if (m_layout.amountRule && m_layout.accountColumn >= 0) {
        connect(m_grid, &ListGrid::pasteRequested, this, &InstructionListTab::pasteAmounts);
        connect(m_grid, &ListGrid::undoRequested, this, &InstructionListTab::undoPaste);
    }
    m_openPastePreview = [this](const PastePreviewRequest& request) {
        frmPastePreview preview(request, m_main.dialogParent());
        return preview.exec() == QDialog::Accepted;
    };
    m_openCheckReport = [this](const CheckReportRequest& request) {
        CheckReportDialog dialog(m_ctx.prompt, request, m_main.dialogParent());
        return dialog.exec() == QDialog::Accepted;
    };
    m_openApprovalSheet = [this](const ApprovalSheet& sheet) {
        QPrinter printer(QPrinter::HighResolution);
        sheet.preparePrinter(printer);
        QPrintPreviewDialog preview(&printer, m_main.dialogParent());
        preview.setWindowTitle(sheet.data().title + wholeBatchNote().replace(u'\n', u' '));
        connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&sheet](QPrinter* p) { sheet.render(*p); });
        // Saving as PDF next to printing, through the program's own file dialog.
        if (auto* bar = preview.findChild<QToolBar*>()) {
            QAction* pdf = bar->addAction(u"保存为PDF"_s);
            pdf->setObjectName(u"actSavePdf"_s);
            connect(pdf, &QAction::triggered, &preview, [this, &sheet] {
                const QString path
                    = selectSaveFile(m_ctx.prompt, { FileKind::Report, { FileFilter::pdf() } }).trimmed();
                if (path.isEmpty())
                    return;
                m_ctx.prompt.message(sheet.writePdf(path) ? writtenMessage(u"审批单已保存为PDF文件"_s, path)
                                                          : u"文件读写错误，审批单未保存"_s);
            });
        }
        preview.exec();
    };
}

void InstructionListTab::layOutCommands(std::initializer_list<Command> commands)
{
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    layout->addWidget(gridWithFindBox(), 1);
    for (const Command& command : commands) {
        QPushButton* button = addButton(command.shortName, command.caption);
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, command.run);
    }
    buttons->addStretch(1);
}

void InstructionListTab::checkListCommand()
{
    if (!m_grid->hasData()) {
        m_ctx.prompt.message(u"无指令需要检查"_s);
        return;
    }
    checkInstructions(false);
}

void InstructionListTab::addMenu(const QString& name, const QString& caption, std::initializer_list<MenuEntry> entries)
{
    m_menu = m_main.addInstructionMenu(name, caption);
    for (const MenuEntry& entry : entries) {
        QAction* action = m_menu->addAction(entry.caption);
        action->setObjectName(entry.name);
        connect(action, &QAction::triggered, this, entry.run);
    }
}

void InstructionListTab::connectGrid(std::function<void()> changeCommand)
{
    connect(m_grid, &ListGrid::cellDoubleClicked, this, std::move(changeCommand));
    connect(m_grid, &ListGrid::rightButtonPressed, this, [this](const QPoint& pos) {
        if (QMenu* menu = instructionMenu())
            menu->popup(pos);
    });
}

Result<InstructionTotals> InstructionListTab::queryTotals()
{
    return m_table->totals();
}

void InstructionListTab::showTotals()
{
    if (const auto totals = queryTotals())
        showTotals(*totals);
}

void InstructionListTab::showTotals(const InstructionTotals& totals)
{
    // Status bar: count, exact total and the total in capital figures.
    const QString count = QString::number(totals.count);
    const QString total = totals.count == 0 ? u"0.00"_s : totals.total.toGroupedText();
    m_main.setStatusPanels(
        { u"总笔数"_s, count, u"总金额"_s, total, u"大写金额"_s, amountToWords(removeCommas(total)) });
}

void InstructionListTab::refresh()
{

    // A list is read again at about the size it had: room for as many rows
    // and characters, so that the buffer is not regrown while reading.
    const qsizetype previousRows = m_grid->gridModel()->storedCount();
    const qsizetype previousChars = m_grid->gridModel()->storedRows().textSize();
    // The old rows go before the new ones are read, so that a long list is never
    // held twice.
    const int columns = static_cast<int>(m_layout.headers.size());
    m_grid->setColumns(m_layout.headers);
    m_grid->setAmountColumn(m_layout.amountColumn);
    m_grid->setColumnAlignment(0, Qt::AlignCenter);
    for (int c = 1; c < columns; ++c)
        m_grid->setColumnAlignment(c, c == m_layout.amountColumn ? Qt::AlignRight : Qt::AlignLeft);

    // The rows go straight into the grid's compact store: one character
    // buffer, no string object per cell.
    ListGridRows rows(columns);
    if (previousRows > 1)
        rows.reserve(previousRows, previousChars / previousRows + 1);
    qsizetype count = 0;
    const auto read = readList([&](const ListedInstruction& row) {
        ++count;
        char16_t number[24];
        char16_t* const numberEnd = std::end(number);
        char16_t* at = numberEnd;
        for (qsizetype n = count; n > 0; n /= 10)
            *--at = char16_t(u'0' + n % 10);
        rows.addCell(QStringView(at, numberEnd));
        for (int c = 1; c < columns; ++c) {
            if (c != m_layout.amountColumn) {
                rows.addCellUtf8(row.utf8(c - 1), true);
            } else if (const auto amount = row.amount()) {
                char16_t text[Money::kMaxTextSize];
                rows.addCell(QStringView(text, amount->writeText(text, true)));
            } else {
                rows.addCell(row.amountShown());
            }
        }
    });
    // The totals summed while reading, or as the store sums them when an
    // amount was not in plain form (or the reading failed: the store has
    // said why).
    if (read && *read)
        showTotals(**read);
    else
        showTotals();
    setGridRows(std::move(rows));
    listRefreshed();

    // The grid widens a column to its header and its longest text.
    for (int c = 0; c < columns && c < static_cast<int>(m_layout.widthsTwips.size()); ++c)
        m_grid->setColumnWidthTwips(c, m_layout.widthsTwips[static_cast<size_t>(c)]);
    m_grid->resetSelection();
}

void InstructionListTab::showFindStatus()
{
    TabPage::showFindStatus();
    if (!m_grid->isFiltered())
        return;
    const auto shown = m_grid->gridModel()->shownTotal();
    QStringList panels;
    for (int i = 1; i <= 6; ++i)
        panels << m_main.statusPanelText(i);
    panels[0] += u"，显示合计 "_s + (shown ? shown->toGroupedText() : u"-"_s);
    m_main.setStatusPanels(panels);
}

std::optional<QString> InstructionListTab::storeTypedAmount(int gridRow, const QString& typed)
{
    const QString key = m_grid->textMatrix(gridRow, ColumnKey).trimmed();
    if (key.isEmpty())
        return std::nullopt;
    if (const auto why = InstructionAmounts::refusal(typed, *m_layout.amountRule, m_ctx.fieldRules)) {
        showStatusMessage(u"金额未修改：%1"_s.arg(*why));
        return std::nullopt;
    }
    const Money amount = *Money::parse(removeCommas(typed.trimmed()));
    // The store has shown its error when it fails.
    if (!m_table->setAmounts({ { key, amount.toPlainText() } }))
        return std::nullopt;
    showStatusMessage(QString());
    return amount.toGroupedText();
}

Result<InstructionListTab::PastePlan> InstructionListTab::planPaste(const InstructionAmounts::PastedBlock& block)
{
    // The rows a line's amount goes to.
    struct Target {
        const InstructionAmounts::PastedLine* line;
        bool shown; // false: a row the find hides
        qsizetype storedRow;
    };
    std::vector<Target> targets;
    QStringList notListed;
    const ListGridModel* model = m_grid->gridModel();
    if (block.columns == 1) {
        // From the top of the selection down, in the rows the user sees.
        if (m_grid->col() == 0 || !m_grid->hasData())
            return Failure { m_layout.noChoiceMessage };
        const RowRange range = selectedRange();
        const int top = std::min(range.first, range.last);
        const int bottom = std::max(range.first, range.last);
        const int lines = int(block.lines.size());
        const int rows = lines == 1 ? bottom - top + 1 : lines;
        const int shownBelow = m_grid->rows() - top;
        if (rows > shownBelow)
            return Failure {
                u"粘贴的金额有 %1 行，从所选的第 %2 行起只显示 %3 笔指令，粘贴未执行"_s.arg(lines).arg(top).arg(
                    shownBelow)
            };
        for (int i = 0; i < rows; ++i)
            targets.push_back({ &block.lines[size_t(lines == 1 ? 0 : i)], true, model->storedRow(top + i - 1) });
    } else {
        // The instruction of each account, among all the listed ones: an
        // account is named on purpose, also when a find hides it.
        QHash<QString, qsizetype> byAccount; // -1: more than one instruction
        QHash<QString, int> listedTwice;
        const qsizetype stored = model->storedCount();
        byAccount.reserve(stored);
        for (qsizetype r = 0; r < stored; ++r) {
            const QString account = model->storedText(r, m_layout.accountColumn).trimmed();
            if (account.isEmpty())
                continue;
            auto it = byAccount.find(account);
            if (it == byAccount.end()) {
                byAccount.insert(account, r);
            } else {
                it.value() = -1;
                listedTwice[account] += listedTwice.contains(account) ? 1 : 2;
            }
        }
        // Which stored rows the find shows, looked up once for all lines.
        std::vector<bool> shown(size_t(stored), !model->isFiltered());
        if (model->isFiltered())
            for (int r = 0; r < model->shownCount(); ++r)
                shown[size_t(model->storedRow(r))] = true;
        QHash<QString, int> pastedAt;
        for (const InstructionAmounts::PastedLine& line : block.lines) {
            if (const auto seen = pastedAt.constFind(line.account); seen != pastedAt.cend())
                return Failure {
                    u"第 %1 行：账号 %2 在粘贴的内容中已出现（第 %3 行）"_s.arg(line.line).arg(line.account).arg(*seen)
                };
            pastedAt.insert(line.account, line.line);
            const auto found = byAccount.constFind(line.account);
            if (found == byAccount.cend()) {
                notListed << u"第 %1 行：%2"_s.arg(line.line).arg(line.account);
                continue;
            }
            if (*found < 0)
                return Failure { u"第 %1 行：账号 %2 在列表中有 %3 笔指令，无法确定修改哪一笔，粘贴未执行"_s
                                     .arg(line.line)
                                     .arg(line.account)
                                     .arg(listedTwice.value(line.account)) };
            targets.push_back({ &line, shown[size_t(*found)], *found });
        }
    }

    // The stored amounts, exactly, for the undo.
    QStringList keys;
    keys.reserve(qsizetype(targets.size()));
    for (const Target& t : targets)
        keys << model->storedText(t.storedRow, ColumnKey).trimmed();
    const auto stored = m_table->amountsOf(keys);
    if (!stored)
        return stored.failure();

    PastePlan plan;
    plan.preview.notListed = std::move(notListed);
    for (size_t i = 0; i < targets.size(); ++i) {
        const Target& t = targets[i];
        const QString& key = keys[qsizetype(i)];
        const QString oldText = stored->value(key);
        const auto oldAmount = Money::parse(oldText);
        if (oldAmount && *oldAmount == t.line->amount) {
            ++plan.preview.unchanged;
            continue;
        }
        PastePreviewRow row;
        row.account = model->storedText(t.storedRow, m_layout.accountColumn);
        row.name = m_layout.nameColumn >= 0 ? model->storedText(t.storedRow, m_layout.nameColumn) : QString();
        row.oldAmount = model->storedText(t.storedRow, m_layout.amountColumn);
        row.newAmount = t.line->amount.toGroupedText();
        if (!t.line->name.isEmpty() && t.line->name != row.name)
            row.note = u"粘贴的户名为“%1”"_s.arg(t.line->name);
        if (!t.shown)
            row.note += (row.note.isEmpty() ? u""_s : u"；"_s) + u"查找时未显示"_s;
        plan.preview.rows.push_back(std::move(row));
        plan.preview.oldTotal += oldAmount.value_or(Money());
        plan.preview.newTotal += t.line->amount;
        plan.changes.push_back({ key, t.line->amount.toPlainText() });
    }
    return plan;
}

void InstructionListTab::pasteAmounts()
{
    if (!m_layout.amountRule)
        return;
    const QString text = QGuiApplication::clipboard()->text();
    const auto block = InstructionAmounts::readPasted(text, *m_layout.amountRule, m_ctx.fieldRules);
    if (!block) {
        m_ctx.prompt.message(block.message() + u"\n粘贴未执行，金额均未修改。"_s);
        return;
    }
    auto plan = planPaste(*block);
    if (!plan) {
        m_ctx.prompt.message(plan.message() + u"\n粘贴未执行，金额均未修改。"_s);
        return;
    }
    if (plan->changes.empty()) {
        QString said = u"没有要修改的金额"_s;
        if (!plan->preview.notListed.isEmpty())
            said += u"\n以下账号不在列表中：\n"_s + plan->preview.notListed.join(u'\n');
        m_ctx.prompt.message(said);
        return;
    }
    if (!m_openPastePreview || !m_openPastePreview(plan->preview))
        return;

    // The amounts before, for Ctrl+Z: read again at the moment of storing.
    QStringList keys;
    keys.reserve(qsizetype(plan->changes.size()));
    for (const AmountChange& change : plan->changes)
        keys << change.serialNo;
    const auto before = m_table->amountsOf(keys);
    if (!before)
        return;
    if (!m_table->setAmounts(plan->changes))
        return; // the store has shown its error; nothing was stored
    m_beforePaste.clear();
    m_beforePaste.reserve(plan->changes.size());
    for (const QString& key : keys)
        m_beforePaste.push_back({ key, before->value(key) });
    m_changesAfterPaste = m_ctx.db().totalChanges();
    refresh();
    showStatusMessage(u"已粘贴 %1 笔金额（Ctrl+Z 撤销）"_s.arg(plan->changes.size()));
}

void InstructionListTab::undoPaste()
{
    if (m_beforePaste.empty()) {
        showStatusMessage(u"没有可以撤销的粘贴"_s);
        return;
    }
    // Another change since (an amount typed, a row deleted, an import) may
    // have given the numbers to other instructions: the old amounts stay away.
    if (m_ctx.db().totalChanges() != m_changesAfterPaste) {
        m_beforePaste.clear();
        showStatusMessage(u"粘贴之后指令已有其他修改，无法撤销粘贴"_s);
        return;
    }
    if (!m_table->setAmounts(m_beforePaste))
        return;
    const size_t restored = m_beforePaste.size();
    m_beforePaste.clear();
    refresh();
    showStatusMessage(u"已撤销粘贴，%1 笔金额恢复为粘贴前的金额"_s.arg(restored));
}

void InstructionListTab::showStatusMessage(const QString& text)
{
    auto* window = qobject_cast<QMainWindow*>(m_main.dialogParent());
    if (!window)
        return;
    if (text.isEmpty())
        window->statusBar()->clearMessage();
    else
        window->statusBar()->showMessage(text, 15000);
}

QString InstructionListTab::wholeBatchNote() const
{
    if (!m_grid->isFiltered())
        return {};
    return u"\n已按全部 %1 笔指令生成"_s.arg(m_main.statusPanelText(2).trimmed());
}

bool InstructionListTab::currentRowHasKey() const
{
    return m_grid->rows() >= 2 && !m_grid->textMatrix(m_grid->row(), ColumnKey).trimmed().isEmpty();
}

int InstructionListTab::chosenRow()
{
    if (!currentRowHasKey())
        return 0;
    if (m_grid->col() == 0) {
        m_ctx.prompt.message(m_layout.noChoiceMessage);
        return -1;
    }
    return m_grid->row();
}

void InstructionListTab::deleteSelectedRange()
{
    const RowRange range = selectedRange();
    // An empty list offers only its blank row: nothing to choose, nothing to ask.
    if (m_grid->col() == 0 || !m_grid->hasData()) {
        m_ctx.prompt.message(m_layout.noChoiceMessage);
        return;
    }
    if (!m_ctx.prompt.askOkCancel(m_layout.rangeDeleteQuestion, deleteQuestionDefault(range)))
        return;
    if (!backupBeforeRangeDelete(range))
        return;
    // Exactly the selected instructions go, found by their keys.
    if (!m_table->removeKeys(columnTexts(range, ColumnKey))) {
        showRangeFailure(m_layout.rangeDeleteFailed, range);
        return;
    }
    refresh();
    m_ctx.prompt.message(m_layout.rangeDeleteDone);
}

void InstructionListTab::newList()
{
    if (m_grid->hasData()) {
        if (!m_ctx.prompt.askOkCancel(u"原有数据将被全部清空，请确认是否要继续?"_s, DefaultButton::Cancel))
            return;
    }
    if (!backupBefore(m_ctx, m_layout.newBackup))
        return;
    if (!m_table->removeAll())
        m_ctx.prompt.message(m_layout.newFailed);
    refresh();
}

InstructionCheck::Rules InstructionListTab::rulesFor(
    const QString& account, const QString& name, const QString& amount, FieldId accountRuleId) const
{
    InstructionCheck::Rules rules;
    rules.accountField = account;
    rules.nameField = name;
    rules.amountField = amount;
    const FieldRule& rule = m_ctx.fieldRules.ruleFor(accountRuleId);
    if (rule.isAccount)
        rules.accountLengthRule = rule.length;
    return rules;
}

bool InstructionListTab::checkInstructions(bool writing, const CheckReader& read)
{
    const InstructionCheck::Rules rules = checkRules();
    InstructionCheck::Checker checker(rules, m_grid->rows());
    // The instructions that go into the file are also compared with the
    // upload files of the last days.
    const int days = m_ctx.duplicateCheckDays;
    UploadHistory::DuplicateCheck duplicates(days > 0 ? m_grid->rows() : 0);
    const CheckSink sink = [&](const InstructionCheck::Record& record) {
        checker.add(record);
        if (days > 0 && record.inRoster)
            duplicates.add(record.row, record.accNo, record.amount);
    };
    if (!(read ? read(sink) : checkRecords(sink)))
        return false; // the store has shown its error
    CheckReportRequest request;
    request.findings = checker.finish();
    if (days > 0) {
        UploadHistoryTable history(m_ctx.db());
        auto found = duplicates.findings(history, UploadHistory::windowStart(m_ctx.clock(), days), rules.accountField);
        if (!found)
            return false; // the store has shown its error
        // A whole batch written before comes first; single instructions after
        // the checks of the list.
        const auto wholeBatch = std::stable_partition(
            found->begin(), found->end(), [](const InstructionCheck::Finding& f) { return f.row == 0; });
        request.findings.insert(request.findings.begin(), found->begin(), wholeBatch);
        request.findings.insert(request.findings.end(), wholeBatch, found->end());
    }
    request.writing = writing;
    if (request.findings.empty()) {
        if (!writing)
            m_ctx.prompt.message(u"检查完毕，未发现问题"_s + wholeBatchNote());
        return true;
    }
    request.selectRow = [this](qint64 row) { selectListRow(row); };
    const bool goOn = m_openCheckReport && m_openCheckReport(request);
    return writing && goOn && !InstructionCheck::hasErrors(request.findings);
}

void InstructionListTab::selectListRow(qint64 row)
{
    if (row < 1 || row >= m_grid->rows())
        return;
    const int r = static_cast<int>(row);
    m_grid->selectRows(r, r, ColumnKey + 1);
    m_grid->scrollTo(m_grid->model()->index(r - 1, ColumnKey + 1));
}

void InstructionListTab::printApprovalSheet()
{
    if (!m_grid->hasData()) {
        m_ctx.prompt.message(u"无指令需要打印审批单"_s);
        return;
    }
    auto data = approvalSheetData();
    if (!data)
        return;
    data->bankName = m_ctx.bankName;
    data->madeAt = QDateTime::currentDateTime();
    if (m_openApprovalSheet)
        m_openApprovalSheet(ApprovalSheet(std::move(*data)));
}
