#pragma once

#include <QDialog>

struct AppContext;
class MainWindowServices;
class QComboBox;

// Adds one payroll instruction of amount 0 for every in-bank employee of a
// roster group, in one transaction: either the whole group or nothing.
class frmBatchLaborage : public QDialog {
    Q_OBJECT
public:
    // Form_Load runs here: the group list. `main` is refreshed whenever the
    // form closes.
    frmBatchLaborage(AppContext& ctx, MainWindowServices* main, QWidget* parent = nullptr);

public slots:
    void Command1_Click();
    void Command2_Click();

protected:
    void done(int result) override;

private:
    void Form_Load();

    AppContext& m_ctx;
    MainWindowServices* m_main;
    QComboBox* m_combGroupNo;
    bool m_refreshed = false; // the list already shows the finished batch
};
