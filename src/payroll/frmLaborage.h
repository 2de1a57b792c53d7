#pragma once

#include <QDialog>
#include <QString>

struct AppContext;
class MainWindowServices;
class AmountEntry;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The payroll instruction dialog: adds an instruction for an in-bank roster
// account, or changes or deletes the one the payroll list hands over.
class frmLaborage : public QDialog {
    Q_OBJECT
public:
    // Form_Load runs here: settings, roster and remark lists.
    explicit frmLaborage(AppContext& ctx, QWidget* parent = nullptr);

    void setParentForm(MainWindowServices* parentForm) { m_parentForm = parentForm; }
    void setPayIdx(int payIdx);
    // Loads one instruction for change or delete.
    void setRecordValue(const QString& serialNo, const QString& accNo, const QString& accTypeDesc, const QString& netNo,
        const QString& amount, const QString& remark);
    // New: change and delete off, the bank-number and kind controls hidden.
    // Change: add off.
    void setAddMode(bool add);

    // True when the entry may be saved; the first failing check has been shown.
    bool checkInstruction();

public slots:
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdClose_Click();
    void comboAccNo_Click();
    void comboName_Click();
    void comboEmployeeNo_Click();
    void optRecAccType_Click(int index);
    void txtAmount_Change();
    void txtAmount_LostFocus();

private:
    void Form_Load();
    void clearInstructionFields();
    QString accType() const;
    qint64 serialNo() const;
    void refreshParent();

    AppContext& m_ctx;
    MainWindowServices* m_parentForm = nullptr;
    bool m_isLoading = false;

    QLabel* m_lblPayIdx;
    QLabel* m_lblPaySerialNo;
    QLabel* m_lblRecAccType;
    QLabel* m_lblNetNo;
    QLabel* m_lblCnPayAmount;
    QComboBox* m_comboEmployeeNo;
    QComboBox* m_comboAccNo;
    QComboBox* m_comboName;
    QComboBox* m_comboRemark;
    QRadioButton* m_optRecAccType[2];
    QLineEdit* m_txtNetNo;
    QLineEdit* m_txtAmount;
    AmountEntry* m_amount;
    QLineEdit* m_blockText;
    QPushButton* m_cmdAdd;
    QPushButton* m_cmdUpdate;
    QPushButton* m_cmdDelete;
    QPushButton* m_cmdClose;
};
