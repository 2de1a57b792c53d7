#pragma once

#include "masterdata/MasterDataTab.h"

class QComboBox;
class QLineEdit;
class QPushButton;

// The payer-account tab: the company's own accounts from which batch payments
// are made (table pay_acc). Add, change the name, delete a range of rows,
// export to and import from the payer-account XML file.
class PayAccList : public MasterDataTab {
    Q_OBJECT
public:
    // Maximum input lengths of the entry boxes.
    static constexpr int kAccNoMaxLength = 20;
    static constexpr int kAccNameMaxLength = 42;

    PayAccList(AppContext& ctx, MainWindowServices& main);

    void refresh() override { PayAccList_refresh(); }

    // Reloads the currencies, the count and the list; empties the entry area.
    void PayAccList_refresh();
    // True when both entry fields pass their field rules (12 and 13).
    bool PayAccList_checkForm();

public slots:
    void PayAccList_cmdReflush_Click();
    void PayAccList_cmdAdd_Click();
    void PayAccList_cmdUpdate_Click();
    void PayAccList_cmdDelete_Click();
    void PayAccList_cmdExport_Click();
    void PayAccList_cmdImport_Click();
    void PayAccList_DataGrid_Click();
    // Enter (character 13) in the account number moves on to the name.
    void PayAccList_txtAccNo_KeyPress(int keyAscii);

protected:
    void gridClicked() override { PayAccList_DataGrid_Click(); }

private:
    QLineEdit* m_txtAccNo;
    QLineEdit* m_txtAccName;
    QComboBox* m_comboCurrency;
};
