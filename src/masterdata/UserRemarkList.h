#pragma once

#include "masterdata/MasterDataTab.h"

class QLineEdit;

// The remark tab (table user_remark): the reusable remarks offered when
// instructions are entered. Add, rename (in one transaction), delete a range
// of rows, export to XML files of ten remarks each and import them.
class UserRemarkList : public MasterDataTab {
    Q_OBJECT
public:
    UserRemarkList(AppContext& ctx, MainWindowServices& main);

    void refresh() override { UserRemarkList_refresh(); }

    // Reloads the count and the list; empties the entry area.
    void UserRemarkList_refresh();
    // True when the remark text passes its field rule (20).
    bool UserRemarkList_checkForm();

public slots:
    void UserRemarkList_cmdReflush_Click();
    void UserRemarkList_cmdAdd_Click();
    void UserRemarkList_cmdUpdate_Click();
    void UserRemarkList_cmdDelete_Click();
    void UserRemarkList_cmdExport_Click();
    void UserRemarkList_cmdImport_Click();
    void UserRemarkList_DataGrid_Click();

protected:
    void gridClicked() override { UserRemarkList_DataGrid_Click(); }

private:
    QLineEdit* m_txtUserRemark;
};
