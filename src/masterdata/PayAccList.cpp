#include "masterdata/PayAccList.h"

#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "common/XmlDoc.h"
#include "domain/AppContext.h"
#include "domain/masterdata/MasterDataXml.h"
#include "domain/tables/PayAccTable.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {
// The columns of the list, as listColumns() sets them up.
enum ListColumn : int { ColumnAccNo = 1, ColumnAccName, ColumnCurrency };

const QList<MasterDataTab::Column>& listColumns()
{
    static const QList<MasterDataTab::Column> columns = {
        { u"序号"_s, 420 },
        { u"付款账号"_s, 2200 },
        { u"户名"_s, 3000 },
        { u"币种"_s, 1000 },
    };
    return columns;
}
}

PayAccList::PayAccList(AppContext& ctx, MainWindowServices& main)
    : MasterDataTab(ctx, main, u"PayAccList"_s, u"lblPayAccIdx"_s)
{
    m_txtAccNo = addTextField(u"lblAccNo"_s, u"批量转账付款账号：*"_s, u"txtAccNo"_s, kAccNoMaxLength);
    m_txtAccName = addTextField(u"lblAccName"_s, u"批量转账付款账户户名：*"_s, u"txtAccName"_s, kAccNameMaxLength);
    m_comboCurrency = addComboField(u"lblCurrency"_s, u"币种：*"_s, u"comboCurrency"_s);

    connect(addButton(u"cmdAdd"_s, u"新增"_s), &QPushButton::clicked, this, &PayAccList::PayAccList_cmdAdd_Click);
    connect(addButton(u"cmdUpdate"_s, u"修改"_s), &QPushButton::clicked, this, &PayAccList::PayAccList_cmdUpdate_Click);
    connect(addButton(u"cmdDelete"_s, u"删除"_s), &QPushButton::clicked, this, &PayAccList::PayAccList_cmdDelete_Click);
    connect(
        addButton(u"cmdReflush"_s, u"重置"_s), &QPushButton::clicked, this, &PayAccList::PayAccList_cmdReflush_Click);
    connect(addButton(u"cmdImport"_s, u"导入"_s), &QPushButton::clicked, this, &PayAccList::PayAccList_cmdImport_Click);
    connect(addButton(u"cmdExport"_s, u"导出"_s), &QPushButton::clicked, this, &PayAccList::PayAccList_cmdExport_Click);
    connect(addExcelButton(), &QPushButton::clicked, this,
        [this] { exportToExcel(ExcelLayout { .sheetName = u"付款账号"_s }); });
    addNotice(u"lblNotice1"_s, changeNotice());
    addNotice(u"lblNotice2"_s, deleteNotice());

    connect(m_txtAccNo, &QLineEdit::returnPressed, this, [this] { PayAccList_txtAccNo_KeyPress(13); });
    setGridColumns(listColumns());
}

void PayAccList::PayAccList_refresh()
{
    clearGrid();
    if (m_comboCurrency->count() > 0)
        m_comboCurrency->setCurrentIndex(0);
    clearChosenIndex();
    m_txtAccNo->clear();
    m_txtAccName->clear();

    PayAccTable accounts(m_ctx.db());
    if (const Result<QStringList> currencies = accounts.currencyNames()) {
        m_comboCurrency->clear();
        m_comboCurrency->addItems(currencies.value());
        if (m_comboCurrency->count() > 0)
            m_comboCurrency->setCurrentIndex(0);
    }

    showCount(accounts.count());
    const Result<std::vector<PayAccTable::Row>> listed = accounts.listed();
    std::vector<QStringList> rows;
    if (listed) {
        rows.reserve(listed->size());
        for (const PayAccTable::Row& row : listed.value())
            rows.push_back({ row.accNo, row.accName, row.currencyName });
    }
    showList(listColumns(), listed ? Result<std::vector<QStringList>>(std::move(rows)) : listed.failure());
}

void PayAccList::PayAccList_cmdReflush_Click()
{
    PayAccList_refresh();
}

void PayAccList::PayAccList_DataGrid_Click()
{
    if (!m_grid->hasData())
        return;
    const int row = m_grid->row();
    setChosenIndex(row);
    m_txtAccNo->setText(m_grid->textMatrix(row, ColumnAccNo).trimmed());
    m_txtAccName->setText(m_grid->textMatrix(row, ColumnAccName).trimmed());
}

void PayAccList::PayAccList_txtAccNo_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        LineEditInput(*m_txtAccName).focusAndSelectAll();
}

bool PayAccList::PayAccList_checkForm()
{
    return checkBox(m_txtAccNo, FieldId::PayAccountMana_PayAccountNo)
        && checkBox(m_txtAccName, FieldId::PayAccountMana_PayeeAccountName);
}

void PayAccList::PayAccList_cmdAdd_Click()
{
    if (!PayAccList_checkForm())
        return;
    const QString number = m_txtAccNo->text().trimmed();
    const QString name = m_txtAccName->text().trimmed();
    // The number is the key and the name names it: neither may be empty, whatever the rules say.
    for (const auto& [box, text, caption] :
        { std::tuple { m_txtAccNo, number, u"付款账号"_s }, std::tuple { m_txtAccName, name, u"付款账户户名"_s } }) {
        if (text.isEmpty()) {
            m_ctx.prompt.message(caption + u"不能为空，请重新输入。"_s);
            LineEditInput(*box).focusAndSelectAll();
            return;
        }
    }
    switch (PayAccTable(m_ctx.db()).add(number, name)) {
    case AddResult::Added:
        m_ctx.prompt.message(u"新增付款账号成功"_s);
        PayAccList_refresh();
        break;
    case AddResult::Exists:
        m_ctx.prompt.message(u"该付款账号已存在"_s);
        break;
    case AddResult::Failed:
        m_ctx.prompt.message(u"新增付款账号失败"_s);
        break;
    case AddResult::CheckFailed:
        break; // the store has shown its error; uniqueness is unknown
    }
}

void PayAccList::PayAccList_cmdUpdate_Click()
{
    if (chosenIndex().isEmpty()) {
        m_ctx.prompt.message(u"请先选择要修改的账户"_s);
        return;
    }
    if (!PayAccList_checkForm())
        return;
    const QString number = m_txtAccNo->text().trimmed();
    // The account number is the key and cannot be changed.
    if (number != m_grid->textMatrix(chosenRow(), ColumnAccNo).trimmed()) {
        m_ctx.prompt.message(u"账号不可修改，请删除后再添加"_s);
        return;
    }
    const QString name = m_txtAccName->text().trimmed();
    if (PayAccTable(m_ctx.db()).rename(number, name)) {
        m_ctx.prompt.message(u"修改付款账号成功"_s);
        PayAccList_refresh();
    } else {
        m_ctx.prompt.message(u"修改付款账号失败"_s);
    }
}

void PayAccList::PayAccList_cmdDelete_Click()
{
    const RowRange range = selectedRange();
    if (chosenIndex().isEmpty()) {
        m_ctx.prompt.message(u"请先选择要删除的账户"_s);
        return;
    }
    setChosenIndex(m_grid->rowSel());
    if (m_ctx.prompt.askOkCancel(u"是否确认要删除所选付款账号?"_s, deleteQuestionDefault(range))) {
        if (deleteRows(range, ColumnAccNo, u"删除付款账号失败,失败位置："_s,
                [this](const QStringList& keys) { return PayAccTable(m_ctx.db()).remove(keys); }))
            m_ctx.prompt.message(u"删除付款账号成功."_s);
    }
    PayAccList_refresh();
}

void PayAccList::PayAccList_cmdExport_Click()
{
    const QString path = chooseExportFile({ FileFilter::xml() });
    if (path.isEmpty())
        return;
    QList<MasterDataXml::PayAccount> accounts;
    accounts.reserve(m_grid->rows() - 1);
    for (int r = 1; r < m_grid->rows(); ++r) {
        accounts.append({ m_grid->textMatrix(r, ColumnAccNo).trimmed(), m_grid->textMatrix(r, ColumnCurrency).trimmed(),
            m_grid->textMatrix(r, ColumnAccName).trimmed() });
    }
    const Result<int> exported = MasterDataXml::exportPayAccounts(path, accounts);
    m_ctx.prompt.message(exported ? writtenMessage(u"导出付款账号完毕"_s, path) : exported.message());
}

void PayAccList::PayAccList_cmdImport_Click()
{
    importXml(u"文件读写错误，导入付款账号失败"_s, MasterDataXml::importPayAccounts, u"导入付款账号完毕"_s);
}
