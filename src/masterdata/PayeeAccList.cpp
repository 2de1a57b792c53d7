#include "masterdata/PayeeAccList.h"

#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/tables/PayeeTable.h"

#include <QLabel>
#include <QLineEdit>

#include <QPushButton>
#include <QTabBar>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {
const QString& kInBank = PayeeTable::kInBank;
const QString& kOtherBank = PayeeTable::kOtherBank;

// The columns of the lists, as inBankColumns() and otherBankColumns() set them up.
enum ListColumn : int { ColumnAccNo = 1, ColumnAccName, ColumnNetNo };

const QList<MasterDataTab::Column>& inBankColumns()
{
    static const QList<MasterDataTab::Column> columns = {
        { u"序号"_s, 420 },
        { u"收款账号"_s, 2200 },
        { u"户名"_s, 3000 },
    };
    return columns;
}

// The area number of the list query is not displayed.
const QList<MasterDataTab::Column>& otherBankColumns()
{
    static const QList<MasterDataTab::Column> columns = {
        { u"序号"_s, 420 },
        { u"收款账号"_s, 2200 },
        { u"户名"_s, 3000 },
        { u"支付系统行号"_s, 2200 },
    };
    return columns;
}
}

PayeeAccList::PayeeAccList(AppContext& ctx, MainWindowServices& main)
    : MasterDataTab(ctx, main, u"PayeeAccList"_s, u"lblPayeeAccIdx"_s)
{
    m_tabAccType = new QTabBar;
    m_tabAccType->setObjectName(controlName(u"tabAccType"_s));
    m_tabAccType->addTab(u"本行收款账户"_s);
    m_tabAccType->addTab(u"他行收款账户"_s);
    m_tabAccType->setExpanding(false);
    addTopWidget(m_tabAccType);

    m_txtPayeeAccNo = addTextField(u"lblAccNo"_s, u"批量转账收款账号：*"_s, u"txtPayeeAccNo"_s, 0);
    m_txtPayeeAccName = addTextField(u"lblPayeeAccName"_s, u"批量转账收款账户户名：*"_s, u"txtPayeeAccName"_s, 0);
    m_txtPayeeBankID
        = addTextField(u"lblPayeeBankID"_s, u"收款账户开户网点号：*"_s, u"txtPayeeBankID"_s, kPayeeBankIdMaxLength);
    m_txtPayeeAreaNo = addTextField(u"lblPayeeAreaNo"_s, u"收款账户地区号：*"_s, u"txtPayeeAreaNo"_s, 0);
    m_txtPayeeNetNo = addTextField(u"lblPayeeNetNo"_s, u"支付系统行号：*"_s, u"txtPayeeNetNo"_s, 0);

    connect(addButton(u"cmdAdd"_s, u"新增"_s), &QPushButton::clicked, this, &PayeeAccList::PayeeAccList_cmdAdd_Click);
    connect(
        addButton(u"cmdUpdate"_s, u"修改"_s), &QPushButton::clicked, this, &PayeeAccList::PayeeAccList_cmdUpdate_Click);
    connect(
        addButton(u"cmdDelete"_s, u"删除"_s), &QPushButton::clicked, this, &PayeeAccList::PayeeAccList_cmdDelete_Click);
    connect(addButton(u"cmdReflush"_s, u"重置"_s), &QPushButton::clicked, this,
        &PayeeAccList::PayeeAccList_cmdReflush_Click);
    connect(addExcelButton(), &QPushButton::clicked, this,
        [this] { exportToExcel(ExcelLayout { .sheetName = u"收款账号"_s }); });

    m_lblNotice3 = addNotice(u"lblNotice3"_s, u"收款方联行行号：是收款账户开户银行的联行行号。"_s);
    addNotice(u"lblNotice4"_s, changeNotice());
    addNotice(u"lblNotice5"_s, deleteNotice());
    m_lblNotice1 = addNotice(u"lblNotice1"_s, u"收款账户开户网点号：是收款账户开户网点的网点号。"_s);
    m_lblNotice2 = addNotice(u"lblNotice2"_s, u"收款账户地区号：是收款账户开户银行所在地区的地区号。"_s);

    // The outlet and area numbers are never shown; the bank number only for other banks.
    for (QLineEdit* box : { m_txtPayeeBankID, m_txtPayeeAreaNo, m_txtPayeeNetNo }) {
        box->hide();
        captionOf(box)->hide();
    }
    m_lblNotice1->hide();
    m_lblNotice2->hide();
    m_lblNotice3->hide();

    connect(m_tabAccType, &QTabBar::currentChanged, this, [this] { PayeeAccList_tabAccType_Click(); });
    setGridColumns(inBankColumns());
}

QString PayeeAccList::accType() const
{
    return m_tabAccType->currentIndex() == 0 ? kInBank : kOtherBank;
}

void PayeeAccList::PayeeAccList_tabAccType_Click()
{
    PayeeAccList_clearForm();
    const bool otherBank = accType() == kOtherBank;
    for (QLineEdit* box : { m_txtPayeeBankID, m_txtPayeeAreaNo }) {
        box->hide();
        captionOf(box)->hide();
    }
    m_txtPayeeNetNo->setVisible(otherBank);
    captionOf(m_txtPayeeNetNo)->setVisible(otherBank);
    m_lblNotice3->setVisible(otherBank);
    m_lblNotice1->hide();
    m_lblNotice2->hide();
}

void PayeeAccList::emptyEntry()
{
    clearChosenIndex();
    for (QLineEdit* box : { m_txtPayeeAccNo, m_txtPayeeAccName, m_txtPayeeBankID, m_txtPayeeAreaNo, m_txtPayeeNetNo })
        box->clear();
}

void PayeeAccList::PayeeAccList_clearForm()
{
    emptyEntry();
    PayeeAccList_reset();
}

void PayeeAccList::PayeeAccList_reset()
{
    emptyEntry();
    clearGrid();
    const QString kind = accType();
    PayeeTable payees(m_ctx.db());
    showCount(payees.count(kind));
    const Result<std::vector<PayeeTable::Row>> listed = payees.listed(kind);
    std::vector<QStringList> rows;
    if (listed) {
        rows.reserve(listed->size());
        for (const PayeeTable::Row& row : listed.value()) {
            // The outlet and area numbers are not displayed.
            rows.push_back(kind == kInBank ? QStringList { row.accNo, row.accName }
                                           : QStringList { row.accNo, row.accName, row.netNo });
        }
    }
    showList(kind == kInBank ? inBankColumns() : otherBankColumns(),
        listed ? Result<std::vector<QStringList>>(std::move(rows)) : listed.failure());
}

void PayeeAccList::PayeeAccList_cmdReflush_Click()
{
    PayeeAccList_reset();
}

void PayeeAccList::PayeeAccList_DataGrid_Click()
{
    if (!m_grid->hasData())
        return;
    const int row = m_grid->row();
    setChosenIndex(row);
    m_txtPayeeAccNo->setText(m_grid->textMatrix(row, ColumnAccNo));
    m_txtPayeeAccName->setText(m_grid->textMatrix(row, ColumnAccName));
    if (accType() == kOtherBank)
        m_txtPayeeNetNo->setText(m_grid->textMatrix(row, ColumnNetNo));
}

bool PayeeAccList::PayeeAccList_checkForm()
{
    // A hidden box is not checked. On tab 2 no rule applies to the account number.
    if (accType() == kInBank
        && !checkBox(m_txtPayeeAccNo, FieldId::GatherAccountMana_GatherAccountNo, !m_txtPayeeAccNo->isHidden()))
        return false;
    return checkBox(m_txtPayeeAccName, FieldId::GatherAccountMana_GatherAccountName, !m_txtPayeeAccName->isHidden())
        && checkBox(m_txtPayeeBankID, FieldId::GatherAccountMana_GatherAccountNetNo, !m_txtPayeeBankID->isHidden())
        && checkBox(m_txtPayeeAreaNo, FieldId::GatherAccountMana_GatherPayeeAreaNo, !m_txtPayeeAreaNo->isHidden())
        && checkBox(m_txtPayeeNetNo, FieldId::GatherAccountMana_GatherPayeePayeeNetNo, !m_txtPayeeNetNo->isHidden());
}

void PayeeAccList::PayeeAccList_cmdAdd_Click()
{
    if (!PayeeAccList_checkForm())
        return;
    const QString kind = accType();
    const QString number = m_txtPayeeAccNo->text().trimmed();
    const QString name = m_txtPayeeAccName->text().trimmed();
    // The number is the key and the name names it: neither may be empty, whatever the rules say.
    for (const auto& [box, text, caption] : { std::tuple { m_txtPayeeAccNo, number, u"收款账号"_s },
             std::tuple { m_txtPayeeAccName, name, u"收款账户户名"_s } }) {
        if (text.isEmpty()) {
            m_ctx.prompt.message(caption + u"不能为空，请重新输入。"_s);
            LineEditInput(*box).focusAndSelectAll();
            return;
        }
    }
    switch (PayeeTable(m_ctx.db())
                .add({ number, name, kind, m_txtPayeeBankID->text().trimmed(), m_txtPayeeAreaNo->text().trimmed(),
                    m_txtPayeeNetNo->text().trimmed() })) {
    case AddResult::Added:
        m_ctx.prompt.message(u"新增收款账号成功"_s);
        PayeeAccList_clearForm();
        break;
    case AddResult::Exists:
        m_ctx.prompt.message(u"该收款账号已存在"_s);
        break;
    case AddResult::Failed:
        m_ctx.prompt.message(u"新增收款账号失败"_s);
        break;
    case AddResult::CheckFailed:
        break; // the store has shown its error; uniqueness is unknown
    }
}

void PayeeAccList::PayeeAccList_cmdUpdate_Click()
{
    if (chosenIndex().isEmpty()) {
        m_ctx.prompt.message(u"请先选择要修改的账户"_s);
        return;
    }
    if (!PayeeAccList_checkForm())
        return;
    const QString number = m_txtPayeeAccNo->text().trimmed();
    const QString loaded = m_grid->textMatrix(chosenRow(), ColumnAccNo).trimmed();
    if (number != loaded) {
        m_ctx.prompt.message(u"账号不可修改，请删除后重新添加"_s);
        m_txtPayeeAccNo->setText(loaded);
        return;
    }
    const QString name = m_txtPayeeAccName->text().trimmed();
    // A store error shows no box of its own, the failure text follows.
    const Result<> updated = PayeeTable(m_ctx.db())
                                 .change({ number, name, accType(), m_txtPayeeBankID->text().trimmed(),
                                     m_txtPayeeAreaNo->text().trimmed(), m_txtPayeeNetNo->text().trimmed() });
    if (updated) {
        m_ctx.prompt.message(u"修改收款账号成功"_s);
        PayeeAccList_clearForm();
    } else {
        m_ctx.prompt.message(u"修改收款账号失败"_s);
    }
}

void PayeeAccList::PayeeAccList_cmdDelete_Click()
{
    const RowRange range = selectedRange();
    if (chosenIndex().isEmpty()) {
        m_ctx.prompt.message(u"请先选择要删除的账户"_s);
        return;
    }
    if (m_ctx.prompt.askOkCancel(u"是否确认要删除所选收款账号?"_s, deleteQuestionDefault(range))) {
        // Only the rows of the kind in view: an account of the same number of the
        // other kind is not in the selection and stays.
        if (deleteRows(range, ColumnAccNo, u"删除收款账号失败,失败位置："_s,
                [this](const QStringList& keys) { return PayeeTable(m_ctx.db()).remove(accType(), keys); }))
            m_ctx.prompt.message(u"删除收款账号成功."_s);
    }
    PayeeAccList_clearForm();
}
