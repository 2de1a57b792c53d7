#include "masterdata/PayeeAccList.h"

#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"

#include <QLabel>
#include <QLineEdit>

#include <QPushButton>
#include <QTabBar>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {
const QString kInBank = u"0"_s;
const QString kOtherBank = u"1"_s;

// The columns of the lists, as inBankColumns() and otherBankColumns() set them up.
enum ListColumn : int { ColumnAccNo = 1, ColumnAccName, ColumnNetNo };

const QList<MasterDataTab::Column>& inBankColumns()
{
    static const QList<MasterDataTab::Column> columns = {
        { u"序号"_s, 420, {} },
        { u"收款账号"_s, 2200, u"收款账号"_s },
        { u"户名"_s, 3000, u"户名"_s },
    };
    return columns;
}

// The area number of the list query is not displayed.
const QList<MasterDataTab::Column>& otherBankColumns()
{
    static const QList<MasterDataTab::Column> columns = {
        { u"序号"_s, 420, {} },
        { u"收款账号"_s, 2200, u"收款账号"_s },
        { u"户名"_s, 3000, u"户名"_s },
        { u"支付系统行号"_s, 2200, u"支付系统行号"_s },
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
    connect(addExcelButton(), &QPushButton::clicked, this, [this] { exportToExcel({ u"收款账号"_s }); });

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
    showCount(u"select count(acc_no) as totalNum from payee_acc where acc_type=?"_s, { kind });
    if (kind == kInBank) {
        showList(inBankColumns(),
            u"select acc_no as 收款账号,acc_name as 户名,branch_id as 开户网点号"
            u" from payee_acc where acc_type=? order by acc_no"_s,
            { kind });
    } else {
        showList(otherBankColumns(),
            u"select acc_no as 收款账号,acc_name as 户名,area_no as 地区号,net_no as 支付系统行号"
            u" from payee_acc where acc_type=? order by acc_no"_s,
            { kind });
    }
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
    if (accType() == kInBank && !checkBox(m_txtPayeeAccNo, 14, !m_txtPayeeAccNo->isHidden()))
        return false;
    return checkBox(m_txtPayeeAccName, 15, !m_txtPayeeAccName->isHidden())
        && checkBox(m_txtPayeeBankID, 16, !m_txtPayeeBankID->isHidden())
        && checkBox(m_txtPayeeAreaNo, 22, !m_txtPayeeAreaNo->isHidden())
        && checkBox(m_txtPayeeNetNo, 23, !m_txtPayeeNetNo->isHidden());
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
    const QString insert
        = u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values (?,?,?,?,?,?)"_s;
    const QVariantList values = kind == kInBank
        ? QVariantList { number, name, kind, m_txtPayeeBankID->text().trimmed(), QString(), QString() }
        : QVariantList { number, name, kind, QString(), m_txtPayeeAreaNo->text().trimmed(),
              m_txtPayeeNetNo->text().trimmed() };
    switch (insertIfAbsent(
        u"select acc_no from payee_acc where acc_no = ? and acc_type=?"_s, { number, kind }, insert, values)) {
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
    // Run through Insert: a store error shows no box of its own, the failure text follows.
    const Result<> updated = accType() == kInBank
        ? m_ctx.db().Insert(
            u"update payee_acc set acc_name = ?,branch_id=?,area_no='',net_no='' where acc_no = ? and acc_type='0'"_s,
            { name, m_txtPayeeBankID->text().trimmed(), number })
        : m_ctx.db().Insert(
            u"update payee_acc set acc_name = ?,branch_id='',area_no=?,net_no=? where acc_no = ? and acc_type='1'"_s,
            { name, m_txtPayeeAreaNo->text().trimmed(), m_txtPayeeNetNo->text().trimmed(), number });
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
        if (deleteRange(u"delete from payee_acc where acc_type=? and acc_no in (select value from json_each(?))"_s,
                { accType() }, range, 1, u"删除收款账号失败,失败位置："_s))
            m_ctx.prompt.message(u"删除收款账号成功."_s);
    }
    PayeeAccList_clearForm();
}
