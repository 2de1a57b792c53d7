#include "payment/PaymentB2B.h"

#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/payment/PaymentUploadFile.h"
#include "payment/PaymentImportCommand.h"
#include "payment/frmPaymentB2B.h"

using namespace Qt::StringLiterals;

namespace {
InstructionListLayout paymentList()
{
    InstructionListLayout l;
    l.table = u"payment"_s;
    l.keyField = u"serial_no"_s;
    // The total is summed in whole fen, so it is exact: 0.7 + 0.1 is 0.80, never
    // the 0.79 that truncating a binary floating-point sum would show.
    l.totalsStatement = u"select count(serial_no) as totalNum,"
                        u"sum(cast(round(pay_amt*100) as integer)) as totalAmt from payment"_s;
    // The branch and area numbers (fields 6 and 7) are read but not shown.
    l.listStatement = u"select p.serial_no as 流水号,p.pay_acc_no as 付款账号,p.pay_acc_name as "
                      u"付款账户户名,t.tran_desc as 账号行别,"
                      u"p.rec_acc_no as 收款账号,p.rec_acc_name as 收款账户户名,"
                      u"p.rec_bank_id as 收款账号开户网点号,p.rec_area_no as 收款账户地区号,"
                      u"p.rec_net_no as 支付系统行号,p.pay_amt as 付款金额,p.remark as 备注"
                      u" from payment p,tran_acc_type t where p.rec_acc_type=t.tran_type order by p.serial_no"_s;
    l.headers = { u"序号"_s, u"流水号"_s, u"付款账号"_s, u"付款账户户名"_s, u"账号行别"_s, u"收款账号"_s,
        u"收款账户户名"_s, u"支付系统行号"_s, u"付款金额"_s, u"备注"_s };
    l.sourceFields = { -1, 0, 1, 2, 3, 4, 5, 8, 9, 10 };
    l.widthsTwips = { 420, 0, 2000, 1800, 1500, 2000, 1800, 1800, 1500, 1000 };
    l.amountColumn = PaymentB2B::ColumnAmount;
    l.amountField = u"pay_amt"_s;
    l.amountRuleId = 6;
    l.noChoiceMessage = u"请先选择批量付款指令"_s;
    l.rangeDeleteQuestion = u"是否确认要删除所有批量支付文件中指令?"_s;
    l.rangeDeleteDone = u"删除批量支付文件成功."_s;
    l.rangeDeleteFailed = u"删除批量支付文件失败,失败位置："_s;
    l.newFailed = u"无法新建批量支付数据,数据库发生错误"_s;
    return l;
}
} // namespace

PaymentB2B::PaymentB2B(AppContext& ctx, MainWindowServices& main)
    : InstructionListTab(ctx, main, u"PaymentB2B"_s, paymentList())
{
    layOutCommands({
        { u"cmdNewBut"_s, u"新建指令"_s, [this] { menuNewB2BRec_Click(); } },
        { u"cmdUpdateBut"_s, u"修改或删除指令"_s, [this] { menuUpdateB2BRec_Click(); } },
        { u"cmdDeleteBut"_s, u"删除指令"_s, [this] { cmdDeleteBut_Click(); } },
        { u"cmdWriteB2BFileBut"_s, u"生成上传文件"_s, [this] { menuWriteB2BFile_Click(); } },
        { u"cmdPayAccSetup"_s, u"付款账号维护"_s, [this] { cmdPayAccSetup_Click(); } },
        { u"cmdLoadB2BFileBut"_s, u"上传文件导入"_s, [this] { cmdLoadB2BFileBut_Click(); } },
        { u"cmdPrintBut"_s, u"打印审批单"_s, [this] { cmdPrintBut_Click(); } },
    });

    addMenu(u"menuPaymentB2B"_s, u"批量支付"_s,
        {
            { u"menuNewB2BRec"_s, u"新增指令(&Z)"_s, [this] { menuNewB2BRec_Click(); } },
            { u"menuUpdateB2BRec"_s, u"修改或删除指令"_s, [this] { menuUpdateB2BRec_Click(); } },
            { u"menuDelB2BRec"_s, u"删除指令"_s, [this] { menuDelB2BRec_Click(); } },
            { u"menuWriteB2BFile"_s, u"生成上传文件"_s, [this] { menuWriteB2BFile_Click(); } },
            { u"menuCheckB2BRec"_s, u"检查指令"_s, [this] { menuCheckB2BRec_Click(); } },
            { u"menuPrintB2BSheet"_s, u"打印审批单"_s, [this] { cmdPrintBut_Click(); } },
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
    PaymentDialogRequest request;
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
    PaymentDialogRequest request;
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
    if (m_ctx.db().Delete(u"delete from payment where serial_no=?"_s, { key })) {
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
    const auto addLine = [&builder](const RecordView& record) { builder.add(record); };
    if (m_grid->hasData()) {
        if (!checkInstructions(true, addLine))
            return;
    } else if (!m_ctx.db().QueryEach(PaymentUploadFile::selectStatement(), {}, addLine)) {
        return;
    }
    const QString path = m_main.selectSaveFile({ FileKind::UploadFile, { FileFilter::csv() } }).trimmed();
    if (path.isEmpty())
        return;
    if (builder.instructionCount() == 0) {
        m_ctx.prompt.message(u"批量支付文件*.csv生成失败,或无指令需要生成批量支付文件"_s);
        return;
    }
    const Result<> written = builder.write(path);
    m_ctx.prompt.message(
        written ? writtenMessage(u"批量支付文件*.csv生成完毕"_s, path) + wholeBatchNote() : written.message());
}

void PaymentB2B::cmdLoadB2BFileBut_Click()
{
    PaymentImport::importBatchPaymentFile(m_ctx, m_main, m_grid->hasData());
}

void PaymentB2B::menuCheckB2BRec_Click()
{
    checkListCommand();
}

void PaymentB2B::cmdPrintBut_Click()
{
    printApprovalSheet();
}

Result<> PaymentB2B::checkRecords(const CheckSink& check, const FileRowSink& fileRow)
{
    // One record, refilled for every row: its field names are set once.
    InstructionCheck::Record rec;
    rec.texts = { { u"付款账号"_s, {} }, { u"付款账户户名"_s, {} }, { u"账号行别"_s, {} }, { u"收款账号"_s, {} },
        { u"收款账户户名"_s, {} }, { u"支付系统行号"_s, {} }, { u"备注"_s, {} } };
    // The columns of the upload file's statement (PaymentUploadFile::selectStatement)
    // come first, so that the file is built from the same reading; then the
    // serial number and the payee's kept name, the one of the payee list for
    // the account and kind.
    return m_ctx.db().QueryEach(
        u"select p.pay_acc_no,p.pay_acc_name,p.rec_acc_type,p.rec_acc_no,p.rec_acc_name,p.rec_bank_id,p.rec_area_no,"
        u"p.rec_net_no,p.pay_amt,p.remark,p.user_remark,p.serial_no,(select k.acc_name from payee_acc k"
        u" where k.acc_no=p.rec_acc_no and k.acc_type=p.rec_acc_type limit 1) from payment p order by p.serial_no"_s,
        {}, [&](const RecordView& r) {
            ++rec.row;
            rec.serialNo = r.text(11);
            static constexpr int kTextColumns[] = { 0, 1, 2, 3, 4, 7, 9 };
            for (size_t i = 0; i < std::size(kTextColumns); ++i)
                rec.texts[i].text = r.text(kTextColumns[i]);
            rec.inBank = rec.texts[2].text.trimmed() == u"0"_s;
            rec.accNo = rec.texts[3].text;
            rec.accName = rec.texts[4].text;
            rec.amount = r.text(8);
            if (r.isNull(12))
                rec.keptName.reset();
            else
                rec.keptName = r.text(12);
            check(rec);
            if (fileRow)
                fileRow(r);
        });
}

InstructionCheck::Rules PaymentB2B::checkRules() const
{
    return rulesFor(u"收款账号"_s, u"收款账户户名"_s, u"付款金额"_s, 1);
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
