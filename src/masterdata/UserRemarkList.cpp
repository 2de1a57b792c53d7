#include "masterdata/UserRemarkList.h"

#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "common/XmlDoc.h"
#include "domain/AppContext.h"
#include "domain/masterdata/MasterDataXml.h"
#include "domain/tables/RemarkTable.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {
// The column of the list, as listColumns() sets it up.
enum ListColumn : int { ColumnRemark = 1 };

const QList<MasterDataTab::Column>& listColumns()
{
    static const QList<MasterDataTab::Column> columns = {
        { u"序号"_s, 420 },
        { u"备注"_s, 7000 },
    };
    return columns;
}
}

UserRemarkList::UserRemarkList(AppContext& ctx, MainWindowServices& main)
    : MasterDataTab(ctx, main, u"UserRemarkList"_s, u"lblUserRemarkIdx"_s)
{
    m_txtUserRemark = addTextField(u"lblUserRemark"_s, u"汇款备注名称：*"_s, u"txtUserRemark"_s, 0);

    connect(
        addButton(u"cmdAdd"_s, u"新增"_s), &QPushButton::clicked, this, &UserRemarkList::UserRemarkList_cmdAdd_Click);
    connect(addButton(u"cmdUpdate"_s, u"修改"_s), &QPushButton::clicked, this,
        &UserRemarkList::UserRemarkList_cmdUpdate_Click);
    connect(addButton(u"cmdDelete"_s, u"删除"_s), &QPushButton::clicked, this,
        &UserRemarkList::UserRemarkList_cmdDelete_Click);
    connect(addButton(u"cmdReflush"_s, u"重置"_s), &QPushButton::clicked, this,
        &UserRemarkList::UserRemarkList_cmdReflush_Click);
    connect(addButton(u"cmdImport"_s, u"导入"_s), &QPushButton::clicked, this,
        &UserRemarkList::UserRemarkList_cmdImport_Click);
    connect(addButton(u"cmdExport"_s, u"导出"_s), &QPushButton::clicked, this,
        &UserRemarkList::UserRemarkList_cmdExport_Click);
    connect(addExcelButton(), &QPushButton::clicked, this,
        [this] { exportToExcel(ExcelLayout { .sheetName = u"备注"_s }); });
    addNotice(u"lblNotice1"_s, changeNotice());
    addNotice(u"lblNotice2"_s, deleteNotice());
    setGridColumns(listColumns());
}

void UserRemarkList::UserRemarkList_refresh()
{
    clearGrid();
    clearChosenIndex();
    m_txtUserRemark->clear();
    RemarkTable remarks(m_ctx.db());
    showCount(remarks.count());
    const Result<QStringList> all = remarks.all();
    std::vector<QStringList> rows;
    if (all) {
        rows.reserve(static_cast<size_t>(all->size()));
        for (const QString& remark : all.value())
            rows.push_back({ remark });
    }
    showList(listColumns(), all ? Result<std::vector<QStringList>>(std::move(rows)) : all.failure());
}

void UserRemarkList::UserRemarkList_cmdReflush_Click()
{
    UserRemarkList_refresh();
}

void UserRemarkList::UserRemarkList_DataGrid_Click()
{
    if (!m_grid->hasData())
        return;
    const int row = m_grid->row();
    setChosenIndex(row);
    m_txtUserRemark->setText(m_grid->textMatrix(row, ColumnRemark));
}

bool UserRemarkList::UserRemarkList_checkForm()
{
    return checkBox(m_txtUserRemark, FieldId::RemarkMana_RemarkName);
}

void UserRemarkList::UserRemarkList_cmdAdd_Click()
{
    if (!UserRemarkList_checkForm())
        return;
    const QString text = m_txtUserRemark->text().trimmed();
    switch (RemarkTable(m_ctx.db()).add(text)) {
    case AddResult::Added:
        m_ctx.prompt.message(u"新增备注成功"_s);
        UserRemarkList_refresh();
        break;
    case AddResult::Exists:
        m_ctx.prompt.message(u"该备注已存在"_s);
        break;
    case AddResult::Failed:
        m_ctx.prompt.message(u"新增备注失败"_s);
        break;
    case AddResult::CheckFailed:
        break; // the store has shown its error; uniqueness is unknown
    }
}

void UserRemarkList::UserRemarkList_cmdUpdate_Click()
{
    if (chosenIndex().isEmpty()) {
        m_ctx.prompt.message(u"请先选择要修改的备注"_s);
        return;
    }
    if (!UserRemarkList_checkForm() || !m_grid->hasData())
        return;
    // The remark shown as chosen: the row whose text was loaded into the box.
    const QString oldText = m_grid->textMatrix(chosenRow(), ColumnRemark).trimmed();
    const QString newText = m_txtUserRemark->text().trimmed();

    switch (RemarkTable(m_ctx.db()).rename(oldText, newText)) {
    case RemarkTable::RenameOutcome::Renamed:
        m_ctx.prompt.message(u"修改备注成功"_s);
        UserRemarkList_refresh();
        break;
    case RemarkTable::RenameOutcome::Exists:
        m_ctx.prompt.message(u"新的用途备注已存在"_s);
        m_txtUserRemark->setText(oldText);
        break;
    case RemarkTable::RenameOutcome::Failed:
        m_ctx.prompt.message(u"修改备注失败"_s);
        break;
    }
}

void UserRemarkList::UserRemarkList_cmdDelete_Click()
{
    const RowRange range = selectedRange();
    if (chosenIndex().isEmpty()) {
        m_ctx.prompt.message(u"请先选择要删除的备注"_s);
        return;
    }
    setChosenIndex(m_grid->rowSel());
    if (UserRemarkList_checkForm()
        && m_ctx.prompt.askOkCancel(u"是否确认要删除所选备注?"_s, deleteQuestionDefault(range))) {
        if (deleteRows(range, ColumnRemark, u"删除备注失败,失败位置："_s,
                [this](const QStringList& keys) { return RemarkTable(m_ctx.db()).remove(keys); }))
            m_ctx.prompt.message(u"删除备注成功."_s);
    }
    UserRemarkList_refresh();
}

void UserRemarkList::UserRemarkList_cmdExport_Click()
{
    const QString path = chooseExportFile({ FileFilter::xml() });
    if (path.isEmpty())
        return;
    QStringList remarks;
    remarks.reserve(m_grid->rows() - 1);
    for (int r = 1; r < m_grid->rows(); ++r)
        remarks << m_grid->textMatrix(r, ColumnRemark).trimmed();
    const Result<int> exported = MasterDataXml::exportRemarks(path, remarks);
    if (!exported) {
        m_ctx.prompt.message(exported.message());
        return;
    }
    // Ten remarks to a file: several files are named by the first and the last.
    const QStringList files = MasterDataXml::remarkFileNames(path, static_cast<int>(remarks.size()));
    m_ctx.prompt.message(writtenMessage(u"导出备注完毕"_s,
        files.size() == 1 ? files.first() : files.first() + u" 至 "_s + QFileInfo(files.last()).fileName()));
}

void UserRemarkList::UserRemarkList_cmdImport_Click()
{
    importXml(u"文件读写错误，导入备注失败"_s, MasterDataXml::importRemarks, u"导入备注完毕"_s);
}
