#pragma once

#include "masterdata/MasterDataTab.h"

class QLabel;
class QLineEdit;
class QTabBar;

// The payee-account tab (table payee_acc): accounts at the user's own bank
// (kind "0", tab 1 of the kind strip) and at other banks (kind "1", tab 2),
// shown one kind at a time. The same number may exist once of each kind.
class PayeeAccList : public MasterDataTab {
    Q_OBJECT
public:
    // The opening-outlet box declares no maximum input length (0 means none);
    // the batch payment import compares outlet numbers against this value.
    static constexpr int kPayeeBankIdMaxLength = 0;

    PayeeAccList(AppContext& ctx, MainWindowServices& main);

    // Showing the tab runs the kind switch for the kind still selected.
    void refresh() override { PayeeAccList_tabAccType_Click(); }

    // "0" while tab 1 of the kind strip is selected, "1" otherwise.
    QString accType() const;

    // Field checks 14 (in-bank only), 15, 16, 22, 23; hidden boxes are skipped.
    bool PayeeAccList_checkForm();
    // Empties the entry area and reloads the list.
    void PayeeAccList_clearForm();
    // Empties the entry area and the grid and reloads the list of the kind in force.
    void PayeeAccList_reset();

public slots:
    // A kind tab was chosen: empty the entry area, reload, show the kind's boxes.
    void PayeeAccList_tabAccType_Click();
    void PayeeAccList_cmdReflush_Click();
    void PayeeAccList_cmdAdd_Click();
    void PayeeAccList_cmdUpdate_Click();
    void PayeeAccList_cmdDelete_Click();
    void PayeeAccList_DataGrid_Click();

protected:
    void gridClicked() override { PayeeAccList_DataGrid_Click(); }

private:
    void emptyEntry();

    QTabBar* m_tabAccType;
    QLineEdit* m_txtPayeeAccNo;
    QLineEdit* m_txtPayeeAccName;
    QLineEdit* m_txtPayeeBankID;
    QLineEdit* m_txtPayeeAreaNo;
    QLineEdit* m_txtPayeeNetNo;
    QLabel* m_lblNotice1;
    QLabel* m_lblNotice2;
    QLabel* m_lblNotice3;
};
