#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class MainWindowServices;
struct AppContext;

// "付款指令－付款账户维护": chooses the payer account of the batch. Saving a
// different account while instructions exist rewrites the payer account of
// every instruction.
class frmPayAcc : public QDialog {
    Q_OBJECT
public:
    // Loads the payer accounts (Form_Load).
    explicit frmPayAcc(AppContext& ctx, QWidget* parent = nullptr);

    void setAcc(const QString& accNo);
    // The number of instructions of the batch (any count; no 16-bit limit).
    void setPayCount(qint64 count) { m_payCount = count; }
    qint64 payCount() const { return m_payCount; }
    void setParentForm(MainWindowServices* form) { m_parentForm = form; }

public slots:
    void cmdOK_Click();
    void cmdClose_Click();
    void comboPayAccNo_Click(int index);
    void comboPayAccName_Click(int index);

private:
    AppContext& m_ctx;
    MainWindowServices* m_parentForm = nullptr;
    qint64 m_payCount = 0;
    QComboBox* m_comboPayAccNo;
    QComboBox* m_comboPayAccName;
};
