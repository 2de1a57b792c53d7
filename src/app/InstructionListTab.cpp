#include "app/InstructionListTab.h"

#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/AmountConvert.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"
#include "domain/Backups.h"
#include "domain/UploadHistory.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// A grid cell's text: the field trimmed, without a copy when there is nothing to trim.
QString cellText(QString text)
{
    if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))
        return text.trimmed();
    return text;
}
} // namespace

InstructionListTab::InstructionListTab(AppContext& ctx, MainWindowServices& main, const QString& prefix,
    InstructionListLayout layout, std::unique_ptr<InstructionTable> table)
    : TabPage(ctx, main, prefix)
    , m_layout(std::move(layout))
    , m_table(std::move(table))
{
    m_openCheckReport = [this](const CheckReportRequest& request) {
        CheckReportDialog dialog(m_ctx.prompt, request, m_main.dialogParent());
        return dialog.exec() == QDialog::Accepted;
    };
    m_openApprovalSheet = [this](const ApprovalSheet& sheet) {
        QPrinter printer(QPrinter::HighResolution);
        sheet.preparePrinter(printer);
        QPrintPreviewDialog preview(&printer, m_main.dialogParent());
        preview.setWindowTitle(sheet.data().title);
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
    layout->addWidget(m_grid, 1);
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

void InstructionListTab::refresh()
{
    // Status bar: count, exact total and the total in capital figures.
    if (const auto totals = queryTotals()) {
        const QString count = QString::number(totals->count);
        const QString total = totals->count == 0 ? u"0.00"_s : totals->total.toGroupedText();
        m_main.setStatusPanels(
            { u"总笔数"_s, count, u"总金额"_s, total, u"大写金额"_s, amountToWords(removeCommas(total)) });
    }

    // The old rows go before the new ones are read, so that a long list is never
    // held twice.
    const int columns = static_cast<int>(m_layout.headers.size());
    m_grid->setColumns(m_layout.headers);
    m_grid->setColumnAlignment(0, Qt::AlignCenter);
    for (int c = 1; c < columns; ++c)
        m_grid->setColumnAlignment(c, c == m_layout.amountColumn ? Qt::AlignRight : Qt::AlignLeft);

    std::vector<QStringList> rows;
    QStringList previous;
    readList([&](QStringList& cells) {
        QStringList row;
        row.reserve(columns);
        row.append(QString::number(rows.size() + 1));
        for (int c = 1; c < columns; ++c) {
            QString text = cellText(c - 1 < cells.size() ? std::move(cells[c - 1]) : QString());
            if (c == m_layout.amountColumn)
                text = formatStoredAmount(text, true);
            // A value equal to the one above (a payer account, most kinds and
            // remarks) shares its text instead of holding a copy.
            if (!previous.isEmpty() && previous.at(c) == text)
                text = previous.at(c);
            row.append(std::move(text));
        }
        previous = row;
        rows.push_back(std::move(row));
    });
    previous.clear();
    setGridRows(std::move(rows));
    listRefreshed();

    // The grid widens a column to its header and its longest text.
    for (int c = 0; c < columns && c < static_cast<int>(m_layout.widthsTwips.size()); ++c)
        m_grid->setColumnWidthTwips(c, m_layout.widthsTwips[static_cast<size_t>(c)]);
    m_grid->resetSelection();
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
            m_ctx.prompt.message(u"检查完毕，未发现问题"_s);
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
