#pragma once

#include "app/TabPage.h"
#include "common/Money.h"

#include <QStringList>

#include <functional>
#include <optional>

class QPushButton;

// What the tab hands to the instruction dialog frmPaymentB2B before showing it
// modally: setParentForm (always the main window), setPayIdx and, for a change,
// setRecordValue with the eleven texts of the chosen row.
struct PaymentDialogRequest {
    int payIdx = 1;
    // False: a new instruction (cmdUpdate and cmdDelete disabled).
    // True: change or delete the chosen one (cmdAdd disabled).
    bool change = false;
    // serial number, payer account, payer name, kind description, payee
    // account, payee name, branch number, area number, payment-system bank
    // number, amount, remark (change only).
    QStringList recordValue;
};

// What the tab hands to the batch payer dialog frmPayAcc before showing it.
struct PayAccDialogRequest {
    // setAcc was called, with `acc`.
    bool accSet = false;
    QString acc;
    // setPayCount (and setParentForm) were called, with this count.
    std::optional<int> payCount;
};

// The number and exact total of all instructions of table payment.
struct PaymentTotals {
    qint64 count = 0;
    Money total;
};

// The batch payment tab: the list of table payment with its totals in the
// status bar, and the commands of the batch (add, change, delete one or a
// range, payer account, upload file).
class PaymentB2B : public TabPage {
    Q_OBJECT
public:
    PaymentB2B(AppContext& ctx, frmMain& main);

    // resetPaymentB2B: grid, status bar panels and the batch payer account.
    void refresh() override;

    // The points where the entry dialogs are opened modally. They do nothing
    // until the dialogs are installed; tests watch what would be handed over.
    void setPaymentDialogOpener(std::function<void(const PaymentDialogRequest&)> opener)
    {
        m_openPaymentDialog = std::move(opener);
    }
    void setPayAccDialogOpener(std::function<void(const PayAccDialogRequest&)> opener)
    {
        m_openPayAccDialog = std::move(opener);
    }

    // Count and exact total of table payment; none when the query failed.
    std::optional<PaymentTotals> queryTotals();

public slots:
    void menuNewB2BRec_Click();
    void menuUpdateB2BRec_Click();
    void menuDelB2BRec_Click();
    void cmdDeleteBut_Click();
    void cmdPayAccSetup_Click();
    void menuWriteB2BFile_Click();
    void cmdLoadB2BFileBut_Click();

private:
    QPushButton* addButton(const QString& shortName, const QString& caption);
    void connectMenuEntry(const QString& name, void (PaymentB2B::*handler)());
    // True when the current row holds an instruction (its key is not blank).
    bool currentRowHasKey() const;

    std::function<void(const PaymentDialogRequest&)> m_openPaymentDialog;
    std::function<void(const PayAccDialogRequest&)> m_openPayAccDialog;
};
