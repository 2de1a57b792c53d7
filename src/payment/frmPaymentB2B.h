#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

struct PaymentRow;

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStringListModel;
class AmountEntry;
class PaymentB2B;
class MainWindowServices;
struct AppContext;

// "付款指令": enters a new batch payment instruction, or changes or deletes one.
// Payees come from payee_acc (of the chosen kind), payer accounts from pay_acc,
// remarks from user_remark. The payee number and name boxes offer the matching
// payees while the user types, so long payee lists stay usable.
class frmPaymentB2B : public QDialog {
    Q_OBJECT
public:
    // Loads the lists and shows the batch payer account (Form_Load).
    explicit frmPaymentB2B(AppContext& ctx, QWidget* parent = nullptr);

    void setParentForm(MainWindowServices* form) { m_parentForm = form; }
    void setPayIdx(qint64 index);
    // Serial number, payer account, payer name, kind description, payee account,
    // payee name, branch number, area number, payment-system bank number, amount, remark.
    void setRecordValue(const QStringList& values);

    // Empties the payee, amount and remark entries for the next instruction.
    void clearInstructionFields();
    // True when the entries may be saved; shows the first problem otherwise.
    bool checkInstruction();
    void loadPayeeLists();

public slots:
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdClose_Click();
    void optRecAccType_Click(int index);
    void comboRecAccNo_Click();
    void comboRecAccName_Click();
    void comboRecAccNo_LostFocus();
    void comboPayAccNo_Click(int index);
    void comboPayAccName_Click(int index);
    void txtAmount_Change();
    void txtAmount_LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Selects the kind option and runs its change, as a click would.
    void selectKind(int index);
    // The payee at `index` of the lists fills the detail boxes (step group C).
    void payeePicked(int index);
    void setBoxColour(QLineEdit* box, bool blocked);
    // Refuses when the payer lists hold no account (the batch payer account was
    // deleted); `accNo` is the account that should be there.
    bool payerAccountChosen(const QString& accNo);
    QString payerAccNo() const;
    QString payerAccName() const;
    QString kind() const;
    // The instruction as entered (without its serial number).
    PaymentRow enteredRow() const;

    AppContext& m_ctx;
    MainWindowServices* m_parentForm = nullptr;
    bool m_bankIdRequired = false;
    bool m_areaNoRequired = false;
    bool m_netNoRequired = false;
    QString m_recordPayAccNo; // the payer account of the instruction being changed

    QLabel* m_lblPayIdx;
    QLabel* m_lblPaySerialNo;
    QLabel* m_lblPayAccValue;
    QLabel* m_lblPayAccNameValue;
    QLabel* m_lblCnPayAmount;
    QComboBox* m_comboPayAccNo;
    QComboBox* m_comboPayAccName;
    QRadioButton* m_optRecAccType[2];
    QComboBox* m_comboRecAccNo;
    QComboBox* m_comboRecAccName;
    QComboBox* m_comboRecAccType;
    QComboBox* m_comboRecBankId;
    QComboBox* m_comboAreaNo;
    QComboBox* m_comboNetNo;
    QStringListModel* m_payeeModels[6];
    QLineEdit* m_txtRecBankId;
    QLineEdit* m_txtAreaNo;
    QLineEdit* m_txtNetNo;
    QLineEdit* m_txtAmount;
    AmountEntry* m_amount;
    QLineEdit* m_blockText;
    QComboBox* m_comboRemark;
    QPushButton* m_cmdAdd;
    QPushButton* m_cmdUpdate;
    QPushButton* m_cmdDelete;
};

// Installs the openers of the batch payment tab: "新建指令" and "修改或删除指令"
// open frmPaymentB2B, "付款账号维护" and an add without a payer account open
// frmPayAcc, each configured as the tab asks. `show` shows a configured dialog;
// by default it runs it modally.
void installPaymentDialogs(
    PaymentB2B& tab, AppContext& ctx, MainWindowServices& main, std::function<void(QDialog&)> show = {});
