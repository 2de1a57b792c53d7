#include "payroll/Laborage.h"

#include "app/InstructionImportCommand.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "app/frmUploadHistory.h"
#include "common/Prompt.h"
#include "common/Workbook.h"
#include "domain/AppContext.h"
#include "domain/payroll/LaborageUploadFile.h"
#include "domain/tables/LaborageTable.h"
#include "payroll/frmBatchLaborage.h"
#include "payroll/frmLaborage.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
InstructionListLayout laborageList()
{
    InstructionListLayout l;
    l.headers = { u"序号"_s, u"流水号"_s, u"账号"_s, u"户名"_s, u"编号"_s, u"账号行别"_s, u"金额"_s };
    l.widthsTwips = { 420, 0, 2200, 1800, 1500, 2000, 2000 };
    l.amountColumn = Laborage::ColumnAmount;
    l.amountRule = FieldId::SubSalaryFile_Sum;
    l.accountColumn = Laborage::ColumnAccNo;
    l.nameColumn = Laborage::ColumnAccName;
    l.noChoiceMessage = u"请先选择代发工资指令"_s;
    l.rangeDeleteQuestion = u"是否确认要删除所有代发代扣文件中指令?"_s;
    l.rangeDeleteDone = u"删除账号成功."_s;
    l.rangeDeleteFailed = u"删除账号失败,失败位置："_s;
    l.newFailed = u"无法新建代发工资数据,数据库发生错误"_s;
    l.newBackup = u"new-payroll"_s;
    return l;
}
} // namespace

Laborage::Laborage(AppContext& ctx, MainWindowServices& main)
    : InstructionListTab(ctx, main, u"Laborage"_s, laborageList(), std::make_unique<LaborageTable>(ctx.db()))
{
    layOutCommands({
        { u"cmdNewBut"_s, u"逐笔新增指令"_s, [this] { menuNewLaborage_Click(); } },
        { u"cmdUpdateBut"_s, u"修改或删除指令"_s, [this] { menuUpdateLaborage_Click(); } },
        { u"cmdDeleteBut"_s, u"删除指令"_s, [this] { Laborage_cmdDeleteBut_Click(); } },
        { u"cmdWriteB2BFileBut"_s, u"生成上传文件"_s, [this] { menuWriteLaborageFile_Click(); } },
        { u"cmdBatchNewBut"_s, u"按组批量新增指令"_s, [this] { Laborage_cmdBatchNewBut_Click(); } },
        { u"cmdLoadB2BFileBut"_s, u"上传文件导入"_s, [this] { Laborage_cmdLoadB2BFileBut_Click(); } },
        { u"cmdPrintBut"_s, u"打印审批单"_s, [this] { Laborage_cmdPrintBut_Click(); } },
        // Account, name and amount in columns A to C under a header, as the
        // workbook import reads them; the total row lies past the empty row
        // that ends the import's data.
        { u"cmdExportExcel"_s, u"导出到Excel"_s,
            [this] {
                exportToExcel(
                    { u"代发工资"_s, { ColumnAccNo, ColumnAccName, ColumnAmount, ColumnEmployeeNo, ColumnKind },
                        { ColumnAmount }, true, true, FileKind::UploadFile });
            } },
    });

    addMenu(u"menuLaborage"_s, u"代发代扣文件"_s,
        {
            { u"menuNewLaborage"_s, u"新增指令(&Z)"_s, [this] { menuNewLaborage_Click(); } },
            { u"menuUpdateLaborage"_s, u"修改或删除指令"_s, [this] { menuUpdateLaborage_Click(); } },
            { u"menuWriteLaborageFile"_s, u"生成上传文件"_s, [this] { menuWriteLaborageFile_Click(); } },
            { u"menuCheckLaborage"_s, u"检查指令"_s, [this] { menuCheckLaborage_Click(); } },
            { u"menuPrintLaborageSheet"_s, u"打印审批单"_s, [this] { Laborage_cmdPrintBut_Click(); } },
            { u"Laborage_cmdUploadHistory"_s, u"上传记录"_s, [this] { Laborage_cmdUploadHistory_Click(); } },
        });
    connectGrid([this] { menuUpdateLaborage_Click(); });

    // The dialogs themselves, shown modally.
    m_openLaborageDialog = [this](const InstructionDialogRequest& request) {
        frmLaborage dialog(m_ctx, m_main.dialogParent());
        dialog.setParentForm(&m_main);
        dialog.setPayIdx(request.payIdx);
        if (request.change) {
            const QStringList& v = request.recordValue;
            dialog.setRecordValue(v.value(0), v.value(1), v.value(2), v.value(3), v.value(4), v.value(5));
            dialog.setAddMode(false);
        } else {
            dialog.setAddMode(true);
        }
        dialog.exec();
    };
    m_openBatchDialog = [this] {
        frmBatchLaborage dialog(m_ctx, &m_main);
        dialog.exec();
    };
}

void Laborage::menuNewLaborage_Click()
{
    InstructionDialogRequest request;
    request.payIdx = m_grid->hasData() ? m_grid->rows() : 1;
    if (m_openLaborageDialog)
        m_openLaborageDialog(request);
}

void Laborage::menuUpdateLaborage_Click()
{
    const int row = chosenRow();
    if (row <= 0)
        return;
    const auto cell = [&](int c) { return m_grid->textMatrix(row, c).trimmed(); };
    // The dialog writes the remark back as it shows it, so it gets the stored
    // one, exactly as stored.
    const QString serial = cell(ColumnSerialNo);
    const QString remark = LaborageTable(m_ctx.db()).remark(serial).value_or(QString());
    InstructionDialogRequest request;
    request.payIdx = row;
    request.change = true;
    request.recordValue = { serial, cell(ColumnAccNo), cell(ColumnKind), QString(), cell(ColumnAmount), remark };
    if (m_openLaborageDialog)
        m_openLaborageDialog(request);
}

void Laborage::Laborage_cmdDeleteBut_Click()
{
    deleteSelectedRange();
}

void Laborage::Laborage_cmdBatchNewBut_Click()
{
    if (m_openBatchDialog)
        m_openBatchDialog();
}

void Laborage::Laborage_cmdLoadB2BFileBut_Click()
{
    importPayrollFile(m_ctx, m_main, m_grid->rows() >= 2 && !m_grid->textMatrix(1, ColumnSerialNo).trimmed().isEmpty());
}

void Laborage::menuWriteLaborageFile_Click()
{
    if (m_grid->rows() <= 1) {
        m_ctx.prompt.message(u"无指令需要生成代发工资文件"_s);
        return;
    }
    if (m_grid->textMatrix(1, ColumnSerialNo).trimmed().isEmpty())
        return;
    const QString path = m_main.selectSaveFile({ FileKind::UploadFile, { FileFilter::csv(), FileFilter::xls() } });
    const QString kind = path.right(3).toLower();
    // The check comes once the format is known: a workbook carries any text.
    if (kind == u"csv"_s) {
        writeCsv(path);
    } else if (kind == u"xls"_s) {
        m_checkFileTexts = false;
        if (checkInstructions(true))
            writeWorkbook(path);
    } else if (!path.isEmpty())
        m_ctx.prompt.message(u"抱歉，系统目前不支持该格式文件，请生成CSV或XLS文件进行操作"_s);
}

void Laborage::writeCsv(const QString& path)
{
    if (path.trimmed().isEmpty())
        return;
    // The header carries the exact count and total the status bar shows; the
    // lines are built while the rows are read for the check.
    const auto totals = queryTotals();
    if (!totals)
        return; // the store has shown its error
    LaborageUploadFile::CsvBuilder builder(totals->count, totals->total);
    m_checkFileTexts = true;
    if (!checkInstructions(true, [&](const CheckSink& check) { return readChecked(check, &builder); }))
        return;
    if (builder.instructionCount() == 0) {
        m_ctx.prompt.message(u"代发工资*.csv文件生成失败,或无指令需要生成代发工资文件"_s);
        return;
    }
    UploadHistory::Batch batch;
    const Result<> written = builder.write(path, &batch);
    if (!written) {
        m_ctx.prompt.message(written.message());
        return;
    }
    // Only a file written whole is recorded; the file stays when recording fails.
    m_ctx.prompt.message(writtenMessage(u"代发工资*.csv文件生成完毕"_s, path) + wholeBatchNote()
        + frmUploadHistory::recordWritten(m_ctx, UploadHistory::Kind::PayrollCsv, path, batch));
}

void Laborage::writeWorkbook(const QString& path)
{
    const auto totals = queryTotals();
    if (!totals)
        return;
    if (totals->count > LaborageUploadFile::kMaxWorkbookRows) {
        m_ctx.prompt.message(u"代发工资指令共%1笔，超过XLS文件最多%2行的限制，请生成CSV文件"_s.arg(totals->count)
                                 .arg(LaborageUploadFile::kMaxWorkbookRows));
        return;
    }
    // The old file stays until the new workbook is complete: it is written
    // beside it and renamed over it.
    if (QFileInfo::exists(path) && !m_ctx.prompt.askYesNo(u"是否删除原有文件? "_s))
        return;
    if (path.trimmed().isEmpty())
        return;
    QList<QStringList> rows;
    rows.reserve(static_cast<qsizetype>(totals->count));
    UploadHistory::Batch batch;
    batch.reserve(static_cast<qsizetype>(totals->count));
    bool tooMany = false;
    if (!LaborageTable(m_ctx.db()).eachFileRow([&](const LaborageTable::FileView& row) {
            if (rows.size() >= LaborageUploadFile::kMaxWorkbookRows) {
                tooMany = true;
                return;
            }
            const LaborageUploadFile::Instruction instruction = LaborageUploadFile::fromRow(row);
            rows.append(LaborageUploadFile::workbookRow(rows.size() + 1, instruction));
            LaborageUploadFile::addToBatch(batch, instruction);
        }))
        return;
    if (rows.isEmpty()) {
        m_ctx.prompt.message(u"代发工资*.xls文件生成失败，或无指令需要生成代发工资文件"_s);
        return;
    }
    if (tooMany || !::writeWorkbook(path, rows)) {
        m_ctx.prompt.message(u"文件读写错误，代发工资文件生成失败"_s);
        return;
    }
    m_ctx.prompt.message(writtenMessage(u"代发工资*.xls文件生成完毕"_s, path) + wholeBatchNote()
        + frmUploadHistory::recordWritten(m_ctx, UploadHistory::Kind::PayrollXls, path, batch));
}

void Laborage::Laborage_cmdUploadHistory_Click()
{
    frmUploadHistory dialog(m_ctx, m_main.dialogParent());
    dialog.exec();
}

void Laborage::menuCheckLaborage_Click()
{
    m_checkFileTexts = true;
    checkListCommand();
}

void Laborage::Laborage_cmdPrintBut_Click()
{
    printApprovalSheet();
}

Result<std::optional<InstructionTotals>> Laborage::readList(const ListRowSink& row)
{
    return LaborageTable(m_ctx.db()).eachListedInPlace(row);
}

Result<> Laborage::checkRecords(const CheckSink& check)
{
    return readChecked(check, nullptr);
}

Result<> Laborage::readChecked(const CheckSink& check, LaborageUploadFile::CsvBuilder* file)
{
    qint64 row = 0;
    // Every in-bank instruction, also one whose account has left the roster
    // (the list and the file leave it out; it gets no 序号). The roster's kind
    // shows an employee who has become other-bank since.
    return LaborageTable(m_ctx.db())
        .eachChecked([&](const LaborageCheckRow& r, const LaborageTable::FileView* fileRow) {
            InstructionCheck::Record rec;
            rec.inRoster = r.inRoster;
            rec.row = rec.inRoster ? ++row : 0;
            rec.serialNo = r.serialNo;
            rec.accNo = r.accNo;
            rec.amount = r.payAmount;
            rec.accName = r.accName;
            rec.rosterOtherBank = r.rosterAccType.trimmed() == u"1"_s;
            if (rec.inRoster && m_checkFileTexts)
                rec.texts = { { u"编号"_s, r.employeeNo }, { u"户名"_s, rec.accName }, { u"账号"_s, rec.accNo } };
            if (r.certType.trimmed() == u"1"_s)
                rec.residentId = r.certCode;
            check(rec);
            if (file && fileRow)
                file->add(*fileRow);
        });
}

InstructionCheck::Rules Laborage::checkRules() const
{
    return rulesFor(u"账号"_s, u"户名"_s, u"金额"_s, FieldId::SubSalaryFile_PayeeAccountNo);
}

Result<ApprovalSheetData> Laborage::approvalSheetData()
{
    const auto totals = queryTotals();
    if (!totals)
        return totals.failure();
    ApprovalSheetData data;
    data.title = u"代发工资审批单"_s;
    data.payroll = true;
    data.total = totals->total;
    data.rows.reserve(static_cast<size_t>(totals->count));
    // The listed instructions, in list order, with their remarks.
    const auto ok = LaborageTable(m_ctx.db()).eachListedInPlace([&](const ListedInstruction& r) {
        data.rows.push_back({ QString::number(data.rows.size() + 1), r.text(1).trimmed(), r.text(2).trimmed(),
            r.amountShown(), r.text(6).trimmed() });
    });
    if (!ok)
        return ok.failure();
    return data;
}
