#pragma once

#include "app/InstructionDialogRequest.h"
#include "app/InstructionListTab.h"
#include "domain/payment/PaymentUploadFile.h"

#include <QStringList>

#include <functional>
#include <optional>

class QPushButton;

// What the tab hands to the batch payer dialog frmPayAcc before showing it.
struct PayAccDialogRequest {
    // setAcc was called, with `acc`.
    bool accSet = false;
    QString acc;
    // setPayCount (and setParentForm) were called, with this count.
    std::optional<int> payCount;
};

// The number and exact total of all instructions of table payment.
using PaymentTotals = InstructionTotals;

// The batch payment tab: the list of table payment with its totals in the
// status bar, and the commands of the batch (add, change, delete one or a
// range, payer account, upload file).
class PaymentB2B : public InstructionListTab {
    Q_OBJECT
public:
    // The grid's columns.
    enum Column {
        ColumnNo = 0,
        ColumnSerialNo = ColumnKey,
        ColumnPayAccNo,
        ColumnPayAccName,
        ColumnKind,
        ColumnRecAccNo,
        ColumnRecAccName,
        ColumnNetNo,
        ColumnAmount,
        ColumnRemark,
        ColumnCount
    };

    PaymentB2B(AppContext& ctx, MainWindowServices& main);

    void writeUploadFile() override { menuWriteB2BFile_Click(); }

    // The points where the entry dialogs are opened modally. They do nothing
    // until the dialogs are installed; tests watch what would be handed over.
    void setPaymentDialogOpener(std::function<void(const InstructionDialogRequest&)> opener)
    {
        m_openPaymentDialog = std::move(opener);
    }
    void setPayAccDialogOpener(std::function<void(const PayAccDialogRequest&)> opener)
    {
        m_openPayAccDialog = std::move(opener);
    }

public slots:
    void menuNewB2BRec_Click();
    void menuUpdateB2BRec_Click();
    void menuDelB2BRec_Click();
    void cmdDeleteBut_Click();
    void cmdPayAccSetup_Click();
    void menuWriteB2BFile_Click();
    void cmdLoadB2BFileBut_Click();
    void menuCheckB2BRec_Click();
    void cmdPrintBut_Click();
    // "上传记录": the window of the upload files written.
    void cmdUploadHistory_Click();

private:
    // resetPaymentB2B also sets the batch payer account.
    void listRefreshed() override;
    Result<std::optional<InstructionTotals>> readList(const ListRowSink& row) override;
    Result<> checkRecords(const CheckSink& check) override;
    // The check's reading; `file`, when given, gets every row's upload file line.
    Result<> readChecked(const CheckSink& check, PaymentUploadFile::Builder* file);
    InstructionCheck::Rules checkRules() const override;
    Result<ApprovalSheetData> approvalSheetData() override;

    std::function<void(const InstructionDialogRequest&)> m_openPaymentDialog;
    std::function<void(const PayAccDialogRequest&)> m_openPayAccDialog;
};
