#include "payment/PaymentB2B.h"

#include "app/InstructionImportCommand.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "app/frmUploadHistory.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/payment/PaymentUploadFile.h"
#include "domain/tables/PaymentTable.h"
#include "payment/frmPaymentB2B.h"

using namespace Qt::StringLiterals;

namespace {
InstructionListLayout paymentList()
{
    InstructionListLayout l;
    l.headers = { u"序号"_s, u"流水号"_s, u"付款账号"_s, u"付款账户户名"_s, u"账号行别"_s, u"收款账号"_s,
        u"收款账户户名"_s, u"支付系统行号"_s, u"付款金额"_s, u"备注"_s };
    l.widthsTwips = { 420, 0, 2000, 1800, 1500, 2000, 1800, 1800, 1500, 1000 };
    l.amountColumn = PaymentB2B::ColumnAmount;
    l.amountRule = FieldId::PatchPayFile_PaySum;
    l.noChoiceMessage = u"请先选择批量付款指令"_s;
    l.rangeDeleteQuestion = u"是否确认要删除所有批量支付文件中指令?"_s;
    l.rangeDeleteDone = u"删除批量支付文件成功."_s;
    l.rangeDeleteFailed = u"删除批量支付文件失败,失败位置："_s;
    l.newFailed = u"无法新建批量支付数据,数据库发生错误"_s;
    l.newBackup = u"new-batch"_s;
    return l;
}
} // namespace

PaymentB2B::PaymentB2B(AppContext& ctx, MainWindowServices& main)
    : InstructionListTab(ctx, main, u"PaymentB2B"_s, paymentList(), std::make_unique<PaymentTable>(ctx.db()))
{
    layOutCommands({
        { u"cmdNewBut"_s, u"新建指令"_s, [this] { menuNewB2BRec_Click(); } },
        { u"cmdUpdateBut"_s, u"修改或删除指令"_s, [this] { menuUpdateB2BRec_Click(); } },
        { u"cmdDeleteBut"_s, u"删除指令"_s, [this] { cmdDeleteBut_Click(); } },
        { u"cmdWriteB2BFileBut"_s, u"生成上传文件"_s, [this] { menuWriteB2BFile_Click(); } },
        { u"cmdPayAccSetup"_s, u"付款账号维护"_s, [this] { cmdPayAccSetup_Click(); } },
        { u"cmdLoadB2BFileBut"_s, u"上传文件导入"_s, [this] { cmdLoadB2BFileBut_Click(); } },
        { u"cmdPrintBut"_s, u"打印审批单"_s, [this] { cmdPrintBut_Click(); } },
        { u"cmdExportExcel"_s, u"导出到Excel"_s,
            [this] {
                exportToExcel({ u"批量支付"_s, {}, { ColumnAmount }, true, true, FileKind::UploadFile });
            } },
    });

    addMenu(u"menuPaymentB2B"_s, u"批量支付"_s,
        {
            { u"menuNewB2BRec"_s, u"新增指令(&Z)"_s, [this] { menuNewB2BRec_Click(); } },
            { u"menuUpdateB2BRec"_s, u"修改或删除指令"_s, [this] { menuUpdateB2BRec_Click(); } },
            { u"menuDelB2BRec"_s, u"删除指令"_s, [this] { menuDelB2BRec_Click(); } },
            { u"menuWriteB2BFile"_s, u"生成上传文件"_s, [this] { menuWriteB2BFile_Click(); } },
            { u"menuCheckB2BRec"_s, u"检查指令"_s, [this] { menuCheckB2BRec_Click(); } },
            { u"menuPrintB2BSheet"_s, u"打印审批单"_s, [this] { cmdPrintBut_Click(); } },
            { u"PaymentB2B_cmdUploadHistory"_s, u"上传记录"_s, [this] { cmdUploadHistory_Click(); } },
        });
    connectGrid([this] { menuUpdateB2BRec_Click(); });
}

void PaymentB2B::listRefreshed()
{
    // The batch payer account follows the first listed instruction.
    m_ctx.batchPayAccNo = m_grid->textMatrix(1, ColumnPayAccNo);
    m_ctx.batchPayAccName = m_grid->textMatrix(1, ColumnPayAccName);
}

void PaymentB2B::menuNewB2BRec_Click()
{
    // Without a payer account the batch payer dialog comes first, without any
    // of its operations called.
    if (m_ctx.batchPayAccNo.isEmpty() && m_openPayAccDialog)
        m_openPayAccDialog(PayAccDialogRequest {});
    if (m_ctx.batchPayAccNo.isEmpty())
        return;
    InstructionDialogRequest request;
    request.payIdx = m_grid->hasData() ? m_grid->rows() : 1;
    request.change = false;
    if (m_openPaymentDialog)
        m_openPaymentDialog(request);
}

void PaymentB2B::menuUpdateB2BRec_Click()
{
    const int row = chosenRow();
    if (row <= 0)
        return;
    if (m_grid->row() != m_grid->rowSel()) {
        m_ctx.prompt.message(u"只能选择一条指令进行修改或者删除"_s);
        return;
    }
    const auto cell = [&](int c) { return m_grid->textMatrix(row, c).trimmed(); };
    InstructionDialogRequest request;
    request.payIdx = row;
    request.change = true;
    request.recordValue
        = { cell(ColumnSerialNo), cell(ColumnPayAccNo), cell(ColumnPayAccName), cell(ColumnKind), cell(ColumnRecAccNo),
              cell(ColumnRecAccName), QString(), QString(), cell(ColumnNetNo), cell(ColumnAmount), cell(ColumnRemark) };
    if (m_openPaymentDialog)
        m_openPaymentDialog(request);
}

void PaymentB2B::menuDelB2BRec_Click()
{
    if (!currentRowHasKey())
        return;
    if (!m_ctx.prompt.askOkCancel(u"是否确认要删除批量付款指令?"_s))
        return;
    const QString key = m_grid->textMatrix(m_grid->row(), ColumnSerialNo).trimmed();
    if (PaymentTable(m_ctx.db()).remove(key)) {
        m_ctx.prompt.message(u"删除指令成功"_s);
        refresh();
    } else {
        m_ctx.prompt.message(u"删除指令失败"_s);
    }
}

void PaymentB2B::cmdDeleteBut_Click()
{
    deleteSelectedRange();
}

void PaymentB2B::cmdPayAccSetup_Click()
{
    PayAccDialogRequest request;
    request.accSet = true;
    request.acc = m_ctx.batchPayAccNo;
    if (!m_ctx.batchPayAccNo.isEmpty())
        request.payCount = m_main.statusPanelText(2).trimmed().toInt();
    if (m_openPayAccDialog)
        m_openPayAccDialog(request);
}

void PaymentB2B::menuWriteB2BFile_Click()
{
    if (m_grid->rows() <= 1)
        return;
    // The header carries the exact count and total of all rows of payment, as
    // the status bar shows them; the lines are built while the rows are read
    // for the check.
    const auto totals = queryTotals();
    if (!totals)
        return; // the store has shown its error
    PaymentUploadFile::Builder builder(totals->count, totals->total);
    if (m_grid->hasData()) {
        if (!checkInstructions(true, [&](const CheckSink& check) { return readChecked(check, &builder); }))
            return;
    } else if (!PaymentTable(m_ctx.db()).eachFileRow([&builder](const PaymentTable::FileView& row) {
                   builder.add(row);
               })) {
        return;
    }
    const QString path = m_main.selectSaveFile({ FileKind::UploadFile, { FileFilter::csv() } }).trimmed();
    if (path.isEmpty())
        return;
    if (builder.instructionCount() == 0) {
        m_ctx.prompt.message(u"批量支付文件*.csv生成失败,或无指令需要生成批量支付文件"_s);
        return;
    }
    UploadHistory::Batch batch;
    const Result<> written = builder.write(path, &batch);
    if (!written) {
        m_ctx.prompt.message(written.message());
        return;
    }
    // Only a file written whole is recorded; the file stays when recording fails.
    m_ctx.prompt.message(writtenMessage(u"批量支付文件*.csv生成完毕"_s, path) + wholeBatchNote()
        + frmUploadHistory::recordWritten(m_ctx, UploadHistory::Kind::PaymentCsv, path, batch));
}

void PaymentB2B::cmdUploadHistory_Click()
{
    frmUploadHistory dialog(m_ctx, m_main.dialogParent());
    dialog.exec();
}

void PaymentB2B::cmdLoadB2BFileBut_Click()
{
    importBatchPaymentFile(m_ctx, m_main, m_grid->hasData());
}

void PaymentB2B::menuCheckB2BRec_Click()
{
    checkListCommand();
}

void PaymentB2B::cmdPrintBut_Click()
{
    printApprovalSheet();
}

Result<std::optional<InstructionTotals>> PaymentB2B::readList(const ListRowSink& row)
{
    return PaymentTable(m_ctx.db()).eachListedInPlace(row);
}

Result<> PaymentB2B::checkRecords(const CheckSink& check)
{
    return readChecked(check, nullptr);
}

Result<> PaymentB2B::readChecked(const CheckSink& check, PaymentUploadFile::Builder* file)
{
    // One record, refilled for every row: its field names are set once.
    InstructionCheck::Record rec;
    rec.texts = { { u"付款账号"_s, {} }, { u"付款账户户名"_s, {} }, { u"账号行别"_s, {} }, { u"收款账号"_s, {} },
        { u"收款账户户名"_s, {} }, { u"支付系统行号"_s, {} }, { u"备注"_s, {} } };
    return PaymentTable(m_ctx.db()).eachChecked([&](const PaymentCheckRow& r, const PaymentTable::FileView& fileRow) {
        ++rec.row;
        rec.serialNo = r.serialNo;
        const QString* texts[]
            = { &r.payAccNo, &r.payAccName, &r.recAccType, &r.recAccNo, &r.recAccName, &r.recNetNo, &r.remark };
        for (size_t i = 0; i < std::size(texts); ++i)
            rec.texts[i].text = *texts[i];
        rec.inBank = r.recAccType.trimmed() == u"0"_s;
        rec.accNo = r.recAccNo;
        rec.accName = r.recAccName;
        rec.amount = r.payAmt;
        rec.keptName = r.keptName;
        check(rec);
        if (file)
            file->add(fileRow);
    });
}

InstructionCheck::Rules PaymentB2B::checkRules() const
{
    return rulesFor(u"收款账号"_s, u"收款账户户名"_s, u"付款金额"_s, FieldId::PatchPayFile_GatherAccountNo);
}

Result<ApprovalSheetData> PaymentB2B::approvalSheetData()
{
    const auto totals = queryTotals();
    if (!totals)
        return totals.failure();
    ApprovalSheetData data;
    data.title = u"付款审批单"_s;
    data.payerAccNo = m_ctx.batchPayAccNo;
    data.payerAccName = m_ctx.batchPayAccName;
    data.total = totals->total;
    data.rows.reserve(static_cast<size_t>(m_grid->rows()));
    for (int row = 1; row < m_grid->rows(); ++row) {
        const auto cell = [&](int c) { return m_grid->textMatrix(row, c); };
        data.rows.push_back(
            { cell(ColumnNo), cell(ColumnRecAccNo), cell(ColumnRecAccName), cell(ColumnAmount), cell(ColumnRemark) });
    }
    return data;
}
