#include "payroll/Laborage.h"

#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "common/Workbook.h"
#include "domain/AppContext.h"
#include "domain/payroll/LaborageUploadFile.h"
#include "payroll/LaborageImportCommand.h"
#include "payroll/frmBatchLaborage.h"
#include "payroll/frmLaborage.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
InstructionListLayout laborageList()
{
    InstructionListLayout l;
    l.table = u"laborage"_s;
    l.keyField = u"serial_no"_s;
    // Only in-bank instructions whose account has a roster row count; the
    // total is summed in whole fen, so it is exact.
    l.totalsStatement = u"select count(pay_amount) as totalNum,"
                        u"sum(cast(round(pay_amount*100) as integer)) as totalAmt"
                        u" from laborage a,person_payee_acc b where a.acc_no=b.acc_no and a.acc_type='0'"_s;
    l.listStatement = u"select a.serial_no as 流水号,a.acc_no as 账号,b.acc_name as 户名,b.employee_no as 编号,"
                      u"t.tran_desc as 账号行别,a.pay_amount as 金额 "
                      u"from laborage a , person_payee_acc b , tran_acc_type t"
                      u" where b.acc_no=a.acc_no and a.acc_type=t.tran_type and a.acc_type='0'"
                      u" order by a.serial_no"_s;
    l.headers = { u"序号"_s, u"流水号"_s, u"账号"_s, u"户名"_s, u"编号"_s, u"账号行别"_s, u"金额"_s };
    l.sourceFields = { -1, 0, 1, 2, 3, 4, 5 };
    l.widthsTwips = { 420, 0, 2200, 1800, 1500, 2000, 2000 };
    l.amountColumn = Laborage::ColumnAmount;
    l.amountField = u"pay_amount"_s;
    l.amountRuleId = 10;
    l.noChoiceMessage = u"请先选择代发工资指令"_s;
    l.rangeDeleteQuestion = u"是否确认要删除所有代发代扣文件中指令?"_s;
    l.rangeDeleteDone = u"删除账号成功."_s;
    l.rangeDeleteFailed = u"删除账号失败,失败位置："_s;
    l.newFailed = u"无法新建代发工资数据,数据库发生错误"_s;
    return l;
}
} // namespace

Laborage::Laborage(AppContext& ctx, MainWindowServices& main)
    : InstructionListTab(ctx, main, u"Laborage"_s, laborageList())
{
    layOutCommands({
        { u"cmdNewBut"_s, u"逐笔新增指令"_s, [this] { menuNewLaborage_Click(); } },
        { u"cmdUpdateBut"_s, u"修改或删除指令"_s, [this] { menuUpdateLaborage_Click(); } },
        { u"cmdDeleteBut"_s, u"删除指令"_s, [this] { Laborage_cmdDeleteBut_Click(); } },
        { u"cmdWriteB2BFileBut"_s, u"生成上传文件"_s, [this] { menuWriteLaborageFile_Click(); } },
        { u"cmdBatchNewBut"_s, u"按组批量新增指令"_s, [this] { Laborage_cmdBatchNewBut_Click(); } },
        { u"cmdLoadB2BFileBut"_s, u"上传文件导入"_s, [this] { Laborage_cmdLoadB2BFileBut_Click(); } },
        { u"cmdPrintBut"_s, u"打印审批单"_s, [this] { Laborage_cmdPrintBut_Click(); } },
    });

    addMenu(u"menuLaborage"_s, u"代发代扣文件"_s,
        {
            { u"menuNewLaborage"_s, u"新增指令(&Z)"_s, [this] { menuNewLaborage_Click(); } },
            { u"menuUpdateLaborage"_s, u"修改或删除指令"_s, [this] { menuUpdateLaborage_Click(); } },
            { u"menuWriteLaborageFile"_s, u"生成上传文件"_s, [this] { menuWriteLaborageFile_Click(); } },
            { u"menuCheckLaborage"_s, u"检查指令"_s, [this] { menuCheckLaborage_Click(); } },
            { u"menuPrintLaborageSheet"_s, u"打印审批单"_s, [this] { Laborage_cmdPrintBut_Click(); } },
        });
    connectGrid([this] { menuUpdateLaborage_Click(); });

    // The dialogs themselves, shown modally.
    m_openLaborageDialog = [this](const LaborageDialogRequest& request) {
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
    LaborageDialogRequest request;
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
    const QString remark = fieldToText(m_ctx.db()
                                           .Query(u"select remark from laborage where serial_no=?"_s, { serial })
                                           .value_or(RecordSet())
                                           .value(0, 0));
    LaborageDialogRequest request;
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
    LaborageImport::importPayrollFile(
        m_ctx, m_main, m_grid->rows() >= 2 && !m_grid->textMatrix(1, ColumnSerialNo).trimmed().isEmpty());
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
    if (!checkInstructions(true, [&builder](const RecordView& record) { builder.add(record); }))
        return;
    if (builder.instructionCount() == 0) {
        m_ctx.prompt.message(u"代发工资*.csv文件生成失败,或无指令需要生成代发工资文件"_s);
        return;
    }
    const Result<> written = builder.write(path);
    m_ctx.prompt.message(
        written ? writtenMessage(u"代发工资*.csv文件生成完毕"_s, path) + wholeBatchNote() : written.message());
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
    bool tooMany = false;
    if (!m_ctx.db().QueryEach(LaborageUploadFile::selectStatement(), {}, [&](const RecordView& record) {
            if (rows.size() >= LaborageUploadFile::kMaxWorkbookRows) {
                tooMany = true;
                return;
            }
            rows.append(LaborageUploadFile::workbookRow(rows.size() + 1, LaborageUploadFile::fromRecord(record)));
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
    m_ctx.prompt.message(writtenMessage(u"代发工资*.xls文件生成完毕"_s, path) + wholeBatchNote());
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

Result<> Laborage::checkRecords(const CheckSink& check, const FileRowSink& fileRow)
{
    qint64 row = 0;
    // Every in-bank instruction, also one whose account has left the roster
    // (the list and the file leave it out; it gets no 序号). The columns of the
    // upload file's statement (LaborageUploadFile::selectStatement) come first,
    // so that the file is built from the same reading of its rows. The roster's
    // kind shows an employee who has become other-bank since.
    return m_ctx.db().QueryEach(
        u"select a.acc_no,c.acc_name,c.employee_no,c.cert_type,c.cert_code,a.pay_amount,a.remark,a.net_no,"
        u"a.serial_no,c.acc_no,c.acc_type from laborage a left join person_payee_acc c on a.acc_no=c.acc_no"
        u" where a.acc_type='0' order by a.serial_no"_s,
        {}, [&](const RecordView& r) {
            InstructionCheck::Record rec;
            rec.inRoster = !r.isNull(9);
            rec.row = rec.inRoster ? ++row : 0;
            rec.serialNo = r.text(8);
            rec.accNo = r.text(0);
            rec.amount = r.text(5);
            rec.accName = r.text(1);
            rec.rosterOtherBank = r.text(10).trimmed() == u"1"_s;
            if (rec.inRoster && m_checkFileTexts)
                rec.texts = { { u"编号"_s, r.text(2) }, { u"户名"_s, rec.accName }, { u"账号"_s, rec.accNo } };
            if (r.text(3).trimmed() == u"1"_s)
                rec.residentId = r.text(4);
            check(rec);
            if (fileRow && rec.inRoster)
                fileRow(r);
        });
}

InstructionCheck::Rules Laborage::checkRules() const
{
    return rulesFor(u"账号"_s, u"户名"_s, u"金额"_s, 9);
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
    const Result<> ok = m_ctx.db().QueryEach(
        u"select a.acc_no,b.acc_name,a.pay_amount,a.remark from laborage a,person_payee_acc b,tran_acc_type t"
        u" where b.acc_no=a.acc_no and a.acc_type=t.tran_type and a.acc_type='0' order by a.serial_no"_s,
        {}, [&](const RecordView& r) {
            data.rows.push_back({ QString::number(data.rows.size() + 1), r.text(0).trimmed(), r.text(1).trimmed(),
                formatStoredAmount(r.text(2), true), r.text(3).trimmed() });
        });
    if (!ok)
        return ok.failure();
    return data;
}
