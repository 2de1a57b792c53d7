#pragma once

#include "masterdata/MasterDataTab.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class frmMsg;

// The payroll roster tab (table person_payee_acc): employees with their group,
// account, employee number, account kind (in-bank "0", other-bank "1" with two
// bank numbers) and identity document. All entries of a group share one kind.
// The roster moves to and from XML, CSV and .xls files.
class EmployeeList : public MasterDataTab {
    Q_OBJECT
public:
    EmployeeList(AppContext& ctx, MainWindowServices& main);
    ~EmployeeList() override;

    // Showing the tab: the kind options are hidden and set to in-bank, the bank
    // numbers disabled and emptied, then the roster is reloaded.
    void refresh() override;
    // Leaving the tab empties the list, and with it the choice of a row.
    void clearGrid() override;

    void EmployeeList_refresh();
    bool EmployeeList_checkForm_accNo();
    bool EmployeeList_checkForm();

    // "0" with option 0 (in-bank) selected, else "1".
    QString accType() const;

public slots:
    void EmployeeList_cmdReflush_Click();
    void EmployeeList_cmdAdd_Click();
    void EmployeeList_cmdUpdate_Click();
    void EmployeeList_cmdDelete_Click();
    void EmployeeList_DataGrid_Click();
    void optRecAccType_Click(int index);
    void employeeList_cmdExport_Click();
    void employeeList_cmdImport_Click();

protected:
    void gridClicked() override { EmployeeList_DataGrid_Click(); }

private:
    // A group holds accounts of one kind: true when `group` is new or its
    // entries are of `kind`; otherwise shows `refusal`. False also when the
    // query failed (the store showed its error).
    bool groupKindAllows(const QString& group, const QString& kind, const QString& refusal);
    void setKind(int index);
    void showBankNumbers(bool shown);
    // The document type code of the chosen list entry ("1", "2", ...); empty when none is chosen.
    QString certTypeCode() const;
    void importCsvOrXml(const QString& path, bool csv);
    void importWorkbook(const QString& path);

    QComboBox* m_combGroupNo;
    QLineEdit* m_txtAccNo;
    QLineEdit* m_txtAccName;
    QLineEdit* m_txtEmployeeNo;
    QComboBox* m_comboCertType;
    QLineEdit* m_txtCertCode;
    QLabel* m_lblRecAccType;
    QButtonGroup* m_optRecAccType;
    QRadioButton* m_opt[2];
    QLabel* m_lblNetNo;
    QLineEdit* m_txtNetNo;
    QLabel* m_lblMulNetNo;
    QLineEdit* m_txtMulNetNo;
    frmMsg* m_msg = nullptr;
};
