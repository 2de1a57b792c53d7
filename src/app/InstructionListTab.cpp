#include "app/InstructionListTab.h"

#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/AmountConvert.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"
#include "domain/InstructionAmounts.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

InstructionListTab::InstructionListTab(
    AppContext& ctx, MainWindowServices& main, const QString& prefix, InstructionListLayout layout)
    : TabPage(ctx, main, prefix)
    , m_layout(std::move(layout))
{
    if (!m_layout.amountField.isEmpty()) {
        m_grid->setEditableColumn(m_layout.amountColumn,
            [this](int shownRow, const QString& typed) { return storeTypedAmount(shownRow + 1, typed); });
        // The totals follow every stored amount exactly.
        connect(m_grid, &ListGrid::cellEdited, this, [this] {
            showTotals();
            showFindStatus();
        });
    }
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
    auto rs = m_ctx.db().Query(m_layout.totalsStatement);
    if (!rs)
        return rs.failure();
    if (rs->isEmpty())
        return Failure { u"合计查询没有结果"_s };
    InstructionTotals totals;
    totals.count = rs->value(0, u"totalNum"_s).toLongLong();
    totals.total = Money::fromFen(rs->value(0, u"totalAmt"_s).toLongLong());
    return totals;
}

void InstructionListTab::showTotals()
{
    // Status bar: count, exact total and the total in capital figures.
    if (const auto totals = queryTotals()) {
        const QString count = QString::number(totals->count);
        const QString total = totals->count == 0 ? u"0.00"_s : totals->total.toGroupedText();
        m_main.setStatusPanels(
            { u"总笔数"_s, count, u"总金额"_s, total, u"大写金额"_s, amountToWords(removeCommas(total)) });
    }
}

void InstructionListTab::refresh()
{
    showTotals();

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
    qsizetype count = 0;
    m_ctx.db().QueryEach(m_layout.listStatement, {}, [&](const RecordView& record) {
        ++count;
        for (int c = 0; c < columns; ++c) {
            const int field = m_layout.sourceFields[static_cast<size_t>(c)];
            if (field < 0)
                rows.addCell(QString::number(count));
            else if (c == m_layout.amountColumn)
                rows.addCell(formatStoredAmount(record.text(field).trimmed(), true));
            else
                rows.addCell(QStringView(record.text(field)).trimmed());
        }
    });
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
    if (const auto why = InstructionAmounts::refusal(typed, m_layout.amountRuleId, m_ctx.fieldRules)) {
        showStatusMessage(*why);
        return std::nullopt;
    }
    const Money amount = *Money::parse(removeCommas(typed.trimmed()));
    // The store has shown its error when it fails.
    if (!InstructionAmounts::store(
            m_ctx.db(), { m_layout.table, m_layout.keyField, m_layout.amountField }, { { key, amount } }))
        return std::nullopt;
    showStatusMessage(QString());
    return amount.toGroupedText();
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
    // Exactly the selected instructions go, found by their keys.
    if (deleteRange(
            u"delete from %1 where %2 in (select value from json_each(?))"_s.arg(m_layout.table, m_layout.keyField), {},
            range, ColumnKey, m_layout.rangeDeleteFailed)) {
        refresh();
        m_ctx.prompt.message(m_layout.rangeDeleteDone);
    }
}

void InstructionListTab::newList()
{
    if (m_grid->hasData()) {
        if (!m_ctx.prompt.askOkCancel(u"原有数据将被全部清空，请确认是否要继续?"_s, DefaultButton::Cancel))
            return;
    }
    if (!m_ctx.db().Delete(u"delete from "_s + m_layout.table))
        m_ctx.prompt.message(m_layout.newFailed);
    refresh();
}

InstructionCheck::Rules InstructionListTab::rulesFor(
    const QString& account, const QString& name, const QString& amount, int accountRuleId) const
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

bool InstructionListTab::checkInstructions(bool writing, const FileRowSink& fileRow)
{
    InstructionCheck::Checker checker(checkRules(), m_grid->rows());
    if (!checkRecords([&checker](const InstructionCheck::Record& record) { checker.add(record); }, fileRow))
        return false; // the store has shown its error
    CheckReportRequest request;
    request.findings = checker.finish();
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
