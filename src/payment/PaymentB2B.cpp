#include "PaymentB2B.h"

#include "PaymentImport.h"
#include "PaymentUploadFile.h"
#include "frmPaymentB2B.h"
#include "app/AppContext.h"
#include "app/ListGrid.h"
#include "app/TabPages.h"
#include "app/frmMain.h"
#include "common/AmountConvert.h"
#include "common/Prompt.h"
#include "common/PublicSub.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int kColumns = 10;
}

TabPage* createPaymentB2B(AppContext& ctx, frmMain& main)
{
    auto* tab = new PaymentB2B(ctx, main);
    installPaymentDialogs(*tab, ctx, main);
    return tab;
}

PaymentB2B::PaymentB2B(AppContext& ctx, frmMain& main)
    : TabPage(ctx, main, u"PaymentB2B"_s)
{
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    layout->addWidget(m_grid, 1);

    QPushButton* add = addButton(u"cmdNewBut"_s, u"新建指令"_s);
    QPushButton* update = addButton(u"cmdUpdateBut"_s, u"修改或删除指令"_s);
    QPushButton* del = addButton(u"cmdDeleteBut"_s, u"删除指令"_s);
    QPushButton* write = addButton(u"cmdWriteB2BFileBut"_s, u"生成上传文件"_s);
    QPushButton* payAcc = addButton(u"cmdPayAccSetup"_s, u"付款账号维护"_s);
    QPushButton* load = addButton(u"cmdLoadB2BFileBut"_s, u"上传文件导入"_s);
    for (QPushButton* b : { add, update, del, write, payAcc, load })
        buttons->addWidget(b);
    buttons->addStretch(1);

    connect(add, &QPushButton::clicked, this, &PaymentB2B::menuNewB2BRec_Click);
    connect(update, &QPushButton::clicked, this, &PaymentB2B::menuUpdateB2BRec_Click);
    connect(del, &QPushButton::clicked, this, &PaymentB2B::cmdDeleteBut_Click);
    connect(write, &QPushButton::clicked, this, &PaymentB2B::menuWriteB2BFile_Click);
    connect(payAcc, &QPushButton::clicked, this, &PaymentB2B::cmdPayAccSetup_Click);
    connect(load, &QPushButton::clicked, this, &PaymentB2B::cmdLoadB2BFileBut_Click);

    connectMenuEntry(u"menuNewB2BRec"_s, &PaymentB2B::menuNewB2BRec_Click);
    connectMenuEntry(u"menuUpdateB2BRec"_s, &PaymentB2B::menuUpdateB2BRec_Click);
    connectMenuEntry(u"menuDelB2BRec"_s, &PaymentB2B::menuDelB2BRec_Click);
    connectMenuEntry(u"menuWriteB2BFile"_s, &PaymentB2B::menuWriteB2BFile_Click);

    connect(m_grid, &ListGrid::cellDoubleClicked, this, [this] { menuUpdateB2BRec_Click(); });
    connect(m_grid, &ListGrid::rightButtonPressed, this, [this](const QPoint& pos) {
        if (QMenu* menu = m_main.menuPaymentB2B())
            menu->popup(pos);
    });
}

QPushButton* PaymentB2B::addButton(const QString& shortName, const QString& caption)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(controlName(shortName));
    return button;
}

void PaymentB2B::connectMenuEntry(const QString& name, void (PaymentB2B::*handler)())
{
    if (auto* action = m_main.findChild<QAction*>(name))
        connect(action, &QAction::triggered, this, handler);
}

std::optional<PaymentTotals> PaymentB2B::queryTotals()
{
    // The total is summed in whole fen, so it is exact: 0.7 + 0.1 is 0.80, never
    // the 0.79 that truncating a binary floating-point sum would show.
    auto rs = m_ctx.db().Query(u"select count(serial_no) as totalNum,"
                               u"sum(cast(round(pay_amt*100) as integer)) as totalAmt from payment"_s);
    if (!rs || rs->isEmpty())
        return std::nullopt;
    PaymentTotals totals;
    totals.count = rs->value(0, u"totalNum"_s).toLongLong();
    totals.total = Money::fromFen(rs->value(0, u"totalAmt"_s).toLongLong());
    return totals;
}

namespace {
// A grid cell's text: the field trimmed, without a copy when there is nothing to trim.
QString cellText(QString text)
{
    if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))
        return text.trimmed();
    return text;
}

}

void PaymentB2B::refresh()
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
    m_grid->setColumns({ u"序号"_s, u"流水号"_s, u"付款账号"_s, u"付款账户户名"_s, u"账号行别"_s, u"收款账号"_s,
        u"收款账户户名"_s, u"支付系统行号"_s, u"付款金额"_s, u"备注"_s });
    m_grid->setColumnAlignment(0, Qt::AlignCenter);
    for (int c = 1; c < kColumns; ++c)
        m_grid->setColumnAlignment(c, c == 8 ? Qt::AlignRight : Qt::AlignLeft);

    // Each record becomes one grid row as it is read: the running number and the
    // nine values (the branch and area numbers, fields 6 and 7, are read but not shown).
    constexpr int source[kColumns] = { -1, 0, 1, 2, 3, 4, 5, 8, 9, 10 };
    constexpr int amountColumn = 8;
    std::vector<QStringList> rows;
    QStringList previous;
    m_ctx.db().QueryEach(
        u"select p.serial_no as 流水号,p.pay_acc_no as 付款账号,p.pay_acc_name as 付款账户户名,t.tran_desc as 账号行别,"
        u"p.rec_acc_no as 收款账号,p.rec_acc_name as 收款账户户名,"
        u"p.rec_bank_id as 收款账号开户网点号,p.rec_area_no as 收款账户地区号,"
        u"p.rec_net_no as 支付系统行号,p.pay_amt as 付款金额,p.remark as 备注"
        u" from payment p,tran_acc_type t where p.rec_acc_type=t.tran_type order by p.serial_no"_s,
        {}, [&](const RecordView& record) {
            QStringList row;
            row.reserve(kColumns);
            row.append(QString::number(rows.size() + 1));
            for (int c = 1; c < kColumns; ++c) {
                QString text = cellText(record.text(source[c]));
                if (c == amountColumn)
                    text = formatStoredAmount(text, true);
                // A value equal to the one above (the batch's payer account, most
                // kinds and remarks) shares its text instead of holding a copy.
                if (!previous.isEmpty() && previous.at(c) == text)
                    text = previous.at(c);
                row.append(std::move(text));
            }
            previous = row;
            rows.push_back(std::move(row));
        });
    previous.clear();
    if (rows.empty())
        rows.push_back(QStringList(kColumns, QString()));
    m_grid->setRows(std::move(rows));

    // The batch payer account follows the first listed instruction.
    m_ctx.batchPayAccNo = m_grid->textMatrix(1, 2);
    m_ctx.batchPayAccName = m_grid->textMatrix(1, 3);

    const int widths[kColumns] = { 420, 0, 2000, 1800, 1500, 2000, 1800, 1800, 1500, 1000 };
    for (int c = 0; c < kColumns; ++c)
        m_grid->setColumnWidthTwips(c, widths[c]);
    m_grid->resetSelection();
}

bool PaymentB2B::currentRowHasKey() const
{
    return m_grid->rows() >= 2 && !m_grid->textMatrix(m_grid->row(), 1).trimmed().isEmpty();
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
    if (!currentRowHasKey())
        return;
    if (m_grid->col() == 0) {
        m_ctx.prompt.message(u"请先选择批量付款指令"_s);
        return;
    }
    if (m_grid->row() != m_grid->rowSel()) {
        m_ctx.prompt.message(u"只能选择一条指令进行修改或者删除"_s);
        return;
    }
    const int row = m_grid->row();
    const auto cell = [&](int c) { return m_grid->textMatrix(row, c).trimmed(); };
    PaymentDialogRequest request;
    request.payIdx = row;
    request.change = true;
    request.recordValue
        = { cell(1), cell(2), cell(3), cell(4), cell(5), cell(6), QString(), QString(), cell(7), cell(8), cell(9) };
    if (m_openPaymentDialog)
        m_openPaymentDialog(request);
}

void PaymentB2B::menuDelB2BRec_Click()
{
    if (!currentRowHasKey())
        return;
    if (!m_ctx.prompt.askOkCancel(u"是否确认要删除批量付款指令?"_s))
        return;
    const QString key = m_grid->textMatrix(m_grid->row(), 1).trimmed();
    if (m_ctx.db().Delete(u"delete from payment where serial_no=?"_s, { key })) {
        m_ctx.prompt.message(u"删除指令成功"_s);
        refresh();
    } else {
        m_ctx.prompt.message(u"删除指令失败"_s);
    }
}

void PaymentB2B::cmdDeleteBut_Click()
{
    const int first = std::min(m_grid->row(), m_grid->rowSel());
    const int last = std::max(m_grid->row(), m_grid->rowSel());
    if (m_grid->col() == 0) {
        m_ctx.prompt.message(u"请先选择批量付款指令"_s);
        return;
    }
    if (!m_ctx.prompt.askOkCancel(u"是否确认要删除所有批量支付文件中指令?"_s))
        return;
    // All keys go in one bound parameter, a JSON array, so any number of
    // selected rows is deleted by one statement.
    QStringList keys;
    keys.reserve(last - first + 1);
    for (int r = first; r <= last; ++r)
        keys.append(m_grid->textMatrix(r, 1));
    if (m_ctx.db().Delete(u"delete from payment where serial_no in (select value from json_each(?))"_s,
            { DBAccess::listParameter(keys) })) {
        refresh();
        m_ctx.prompt.message(u"删除批量支付文件成功."_s);
    } else {
        m_ctx.prompt.message(u"删除批量支付文件失败,失败位置："_s + u"指令序列"_s + QString::number(last + 1));
    }
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
    // the status bar shows them; the lines are built while the rows are read.
    const auto totals = queryTotals();
    if (!totals)
        return; // the store has shown its error
    PaymentUploadFile::Builder builder(totals->count, totals->total);
    if (!m_ctx.db().QueryEach(PaymentUploadFile::selectStatement(), {},
            [&](const RecordView& record) { builder.add(record); }))
        return;
    const QString path = m_main.selectSaveFile(u"csv"_s).trimmed();
    if (path.isEmpty())
        return;
    if (builder.instructionCount() == 0) {
        m_ctx.prompt.message(u"批量支付文件*.csv生成失败,或无指令需要生成批量支付文件"_s);
        return;
    }
    const PaymentUploadFile::WriteResult result = builder.write(path);
    switch (result.status) {
    case PaymentUploadFile::WriteResult::Written:
        m_ctx.prompt.message(u"批量支付文件*.csv生成完毕"_s);
        break;
    case PaymentUploadFile::WriteResult::Refused:
        m_ctx.prompt.message(result.message);
        break;
    case PaymentUploadFile::WriteResult::FileError:
        m_ctx.prompt.message(u"文件读写错误，批量支付文件生成失败"_s);
        break;
    }
}

void PaymentB2B::cmdLoadB2BFileBut_Click()
{
    PaymentImport::importBatchPaymentFile(m_ctx, m_main, m_grid->hasData());
}
