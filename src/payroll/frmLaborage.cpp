#include "payroll/frmLaborage.h"

#include "payroll/Laborage.h"

#include "app/AmountEntry.h"
#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "app/TabPage.h"
#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"
#include "domain/tables/LaborageTable.h"
#include "domain/tables/RemarkTable.h"
#include "domain/tables/RosterTable.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
template <class W> W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QLabel* label(const QString& name, const QString& text)
{
    return named(new QLabel(text), name);
}

QPushButton* button(const QString& name, const QString& text)
{
    auto* b = named(new QPushButton(text), name);
    // Enter in the amount box leaves the box; it never presses a button.
    b->setAutoDefault(false);
    return b;
}
} // namespace

frmLaborage::frmLaborage(AppContext& ctx, QWidget* parent)
    : QDialog(parent)
    , m_ctx(ctx)
{
    setObjectName(u"frmLaborage"_s);
    setWindowTitle(u"代发工资指令"_s);

    m_lblPayIdx = label(u"lblPayIdx"_s, QString());
    m_lblPaySerialNo = label(u"lblPaySerialNo"_s, QString());
    m_comboEmployeeNo = named(new QComboBox, u"comboEmployeeNo"_s);
    m_comboAccNo = named(new QComboBox, u"comboAccNo"_s);
    m_comboName = named(new QComboBox, u"comboName"_s);
    m_comboRemark = named(new QComboBox, u"comboRemark"_s);
    m_comboRemark->setEditable(true);
    offerEntries(*m_comboRemark);
    m_lblRecAccType = label(u"lblRecAccType"_s, u"收款账号行别：*"_s);
    m_optRecAccType[0] = named(new QRadioButton(u"行内转账"_s), u"optRecAccType_0"_s);
    m_optRecAccType[1] = named(new QRadioButton(u"行外账户"_s), u"optRecAccType_1"_s);
    m_lblNetNo = label(u"lblNetNo"_s, u"收款方联行号："_s);
    m_txtNetNo = named(new QLineEdit, u"txtNetNo"_s);
    m_txtAmount = named(new QLineEdit, u"txtAmount"_s);
    m_txtAmount->setAlignment(Qt::AlignRight);
    m_lblCnPayAmount = label(u"lblCnPayAmount"_s, QString());
    m_lblCnPayAmount->setWordWrap(true);
    m_lblCnPayAmount->setMinimumHeight(m_lblCnPayAmount->fontMetrics().height() * 2);
    m_blockText = named(new QLineEdit, u"blockText"_s);
    m_blockText->setVisible(false);
    m_cmdAdd = button(u"cmdAdd"_s, u"新增指令"_s);
    m_cmdUpdate = button(u"cmdUpdate"_s, u"修改指令"_s);
    m_cmdDelete = button(u"cmdDelete"_s, u"删除指令"_s);
    m_cmdClose = button(u"cmdClose"_s, u"关闭"_s);
    for (QComboBox* c : { m_comboEmployeeNo, m_comboAccNo, m_comboName, m_comboRemark })
        c->setMinimumWidth(260);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](QWidget* caption, QWidget* field) {
        grid->addWidget(caption, row, 0, Qt::AlignRight);
        grid->addWidget(field, row, 1);
        ++row;
    };
    auto* idx = new QHBoxLayout;
    idx->addWidget(label(u"lblPayNo"_s, u"指令序号："_s));
    idx->addWidget(m_lblPayIdx);
    idx->addSpacing(24);
    idx->addWidget(label(u"lblSerialNoTitle"_s, u"流水号："_s));
    idx->addWidget(m_lblPaySerialNo);
    idx->addStretch(1);
    grid->addLayout(idx, row++, 0, 1, 2);
    addRow(label(u"lbl_employeeNo"_s, u"员工编号：*"_s), m_comboEmployeeNo);
    addRow(label(u"lblPayAccNo"_s, u"收款人账号：*"_s), m_comboAccNo);
    addRow(label(u"lblEmpName"_s, u"收款人名称：*"_s), m_comboName);
    auto* kinds = new QWidget;
    auto* kindLayout = new QHBoxLayout(kinds);
    kindLayout->setContentsMargins(0, 0, 0, 0);
    kindLayout->addWidget(m_optRecAccType[0]);
    kindLayout->addWidget(m_optRecAccType[1]);
    kindLayout->addStretch(1);
    addRow(m_lblRecAccType, kinds);
    addRow(m_lblNetNo, m_txtNetNo);
    addRow(label(u"lblPayAmount"_s, u"金额：*"_s), m_txtAmount);
    addRow(label(u"lblCnPayAmountTitle"_s, u"大写金额："_s), m_lblCnPayAmount);
    addRow(label(u"lblRemark"_s, u"备注：*"_s), m_comboRemark);
    grid->addWidget(label(u"lblNotes"_s, u"注：*为必输项目"_s), row++, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : { m_cmdAdd, m_cmdUpdate, m_cmdDelete, m_cmdClose })
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_blockText);
    layout->addLayout(buttons);

    connect(m_cmdAdd, &QPushButton::clicked, this, &frmLaborage::cmdAdd_Click);
    connect(m_cmdUpdate, &QPushButton::clicked, this, &frmLaborage::cmdUpdate_Click);
    connect(m_cmdDelete, &QPushButton::clicked, this, &frmLaborage::cmdDelete_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmLaborage::cmdClose_Click);
    connect(m_comboAccNo, &QComboBox::activated, this, &frmLaborage::comboAccNo_Click);
    connect(m_comboName, &QComboBox::activated, this, &frmLaborage::comboName_Click);
    connect(m_comboEmployeeNo, &QComboBox::activated, this, &frmLaborage::comboEmployeeNo_Click);
    for (int i = 0; i < 2; ++i)
        connect(m_optRecAccType[i], &QRadioButton::clicked, this, [this, i] { optRecAccType_Click(i); });
    m_amount = new AmountEntry(*m_txtAmount, *m_lblCnPayAmount, ctx.prompt);

    Form_Load();
}

void frmLaborage::Form_Load()
{
    if (!m_ctx.sysIconPath.isEmpty() && QFileInfo(m_ctx.sysIconPath).isFile())
        setWindowIcon(QIcon(m_ctx.sysIconPath));
    m_optRecAccType[0]->setText(m_ctx.bankName + u"行内转账"_s);
    // The boxes follow the rules of the batch payment's bank number and
    // amount fields (ids 5 and 6).
    m_txtNetNo->setEnabled(m_ctx.fieldRules.ruleFor(FieldId::PatchPayFile_GatherAccountLinkNo).canEdit);
    m_txtAmount->setEnabled(m_ctx.fieldRules.ruleFor(FieldId::PatchPayFile_PaySum).canEdit);
    m_isLoading = false;

    m_comboAccNo->clear();
    for (const RosterTable::Entry& e : RosterTable(m_ctx.db()).inBankEntries().value_or({})) {
        m_comboAccNo->addItem(e.accNo);
        m_comboName->addItem(e.accName);
        m_comboEmployeeNo->addItem(e.employeeNo);
    }
    m_comboRemark->addItems(RemarkTable(m_ctx.db()).all().value_or({}));
    m_comboRemark->setCurrentIndex(-1);
    m_comboRemark->setEditText(QString());

    m_optRecAccType[0]->setChecked(true);
    optRecAccType_Click(0);
}

void frmLaborage::setPayIdx(int payIdx)
{
    m_lblPayIdx->setText(QString::number(payIdx));
}

void frmLaborage::setAddMode(bool add)
{
    if (add) {
        m_cmdUpdate->setEnabled(false);
        m_cmdDelete->setEnabled(false);
        m_comboEmployeeNo->setEnabled(false);
        for (QWidget* w : { static_cast<QWidget*>(m_lblNetNo), static_cast<QWidget*>(m_txtNetNo),
                 static_cast<QWidget*>(m_lblRecAccType), static_cast<QWidget*>(m_optRecAccType[0]),
                 static_cast<QWidget*>(m_optRecAccType[1]) })
            w->setVisible(false);
    } else {
        m_cmdAdd->setEnabled(false);
    }
}

void frmLaborage::comboAccNo_Click()
{
    if (m_isLoading)
        return;
    m_comboName->setCurrentIndex(m_comboAccNo->currentIndex());
    m_comboEmployeeNo->setCurrentIndex(m_comboAccNo->currentIndex());
}

void frmLaborage::comboEmployeeNo_Click()
{
    if (m_isLoading)
        return;
    m_comboName->setCurrentIndex(m_comboEmployeeNo->currentIndex());
    m_comboAccNo->setCurrentIndex(m_comboEmployeeNo->currentIndex());
}

void frmLaborage::comboName_Click()
{
    const int index = m_comboName->currentIndex();
    const int target = index >= m_comboAccNo->count() ? 0 : index;
    m_comboAccNo->setCurrentIndex(target);
    m_comboEmployeeNo->setCurrentIndex(target);
}

void frmLaborage::optRecAccType_Click(int index)
{
    m_txtNetNo->clear();
    m_txtNetNo->setEnabled(index != 0);
    QPalette palette = m_txtNetNo->palette();
    palette.setColor(QPalette::Base, (index == 0 ? m_blockText : m_txtAmount)->palette().color(QPalette::Base));
    m_txtNetNo->setPalette(palette);
}

void frmLaborage::setRecordValue(const QString& serialNo, const QString& accNo, const QString& accTypeDesc,
    const QString& netNo, const QString& amount, const QString& remark)
{
    m_lblPaySerialNo->setText(serialNo.trimmed());
    int found = 0;
    for (int i = 0; i < m_comboAccNo->count(); ++i) {
        if (m_comboAccNo->itemText(i).trimmed() == accNo) {
            found = i;
            break;
        }
    }
    if (!accTypeDesc.contains(u"行内"_s)) {
        m_optRecAccType[0]->setChecked(false);
        m_optRecAccType[1]->setChecked(true);
        optRecAccType_Click(1);
        m_txtNetNo->setText(netNo);
        m_txtNetNo->setEnabled(true);
    } else {
        m_optRecAccType[0]->setChecked(true);
        optRecAccType_Click(0);
        m_optRecAccType[1]->setVisible(false);
        m_txtNetNo->clear();
        m_txtNetNo->setVisible(false);
    }
    m_isLoading = true;
    m_comboAccNo->setCurrentIndex(found);
    m_comboName->setCurrentIndex(found);
    m_isLoading = false;
    comboName_Click();

    m_amount->showKept(amount, amount.trimmed());
    m_comboRemark->setEditText(remark);
    for (QComboBox* c : { m_comboName, m_comboAccNo, m_comboEmployeeNo })
        c->setEnabled(false);
}

void frmLaborage::txtAmount_Change()
{
    m_amount->changed();
}

void frmLaborage::txtAmount_LostFocus()
{
    m_amount->left();
}

bool frmLaborage::checkInstruction()
{
    // An amount box the settings keep disabled cannot be filled in this dialog:
    // that is said first, with the way to switch it on.
    if (refuseDisabledAmountBox(*m_txtAmount, m_ctx))
        return false;
    if (!checkField(m_comboName, FieldId::SubSalaryFile_PayeeName, true, m_ctx)) {
        m_comboName->setFocus();
        return false;
    }
    // Whatever rule 8 says: the upload file needs the payee's name.
    if (m_comboName->currentText().trimmed().isEmpty()) {
        m_ctx.prompt.message(u"收款人名称不能为空"_s);
        m_comboName->setFocus();
        return false;
    }
    if (!checkField(m_txtAmount, FieldId::SubSalaryFile_Sum, true, m_ctx)) {
        m_txtAmount->setFocus();
        m_txtAmount->selectAll();
        return false;
    }
    // Whatever rule 10 says: an instruction needs its amount.
    if (m_txtAmount->text().trimmed().isEmpty()) {
        m_ctx.prompt.message(u"请输入金额"_s);
        m_txtAmount->setFocus();
        return false;
    }
    if (!checkField(m_comboRemark, FieldId::SubSalaryFile_SubSalaryFileRemark, !m_comboRemark->isHidden(), m_ctx)) {
        m_comboRemark->setFocus();
        m_comboRemark->lineEdit()->selectAll();
        return false;
    }
    return true;
}

QString frmLaborage::accType() const
{
    return m_optRecAccType[0]->isChecked() ? u"0"_s : u"1"_s;
}

qint64 frmLaborage::serialNo() const
{
    return std::llround(m_lblPaySerialNo->text().trimmed().toDouble());
}

void frmLaborage::refreshParent()
{
    if (m_parentForm)
        m_parentForm->resetLaborageIn();
}

void frmLaborage::clearInstructionFields()
{
    m_comboName->setCurrentIndex(m_comboName->count() > 0 ? 0 : -1);
    m_comboAccNo->setCurrentIndex(m_comboAccNo->count() > 0 ? 0 : -1);
    m_comboEmployeeNo->setCurrentIndex(m_comboEmployeeNo->count() > 0 ? 0 : -1);
    m_amount->clear();
    m_comboRemark->setEditText(QString());
}

void frmLaborage::cmdAdd_Click()
{
    if (!checkInstruction())
        return;
    const QString kind = accType();
    const QString acc = m_comboAccNo->itemText(m_comboAccNo->currentIndex());
    if (acc.trimmed().isEmpty()) {
        // No roster entry to pay: nothing to write.
        m_ctx.prompt.message(u"收款人账号为空：名册中没有本行账户，请先在“代发代扣名册维护”中添加人员。"_s);
        return;
    }
    LaborageTable table(m_ctx.db());
    if (const auto has = table.hasAccount(acc.trimmed()); has && *has) {
        if (!m_ctx.prompt.askOkCancel(u"该账号的代发记录已存在，请确认是否要继续保存?"_s))
            return;
    }
    // Numbers continue after the largest stored one; without it nothing is written.
    const auto next = table.nextSerialNo();
    if (!next) {
        m_ctx.prompt.message(u"新建指令失败"_s);
        return;
    }
    LaborageRow row;
    row.serialNo = *next;
    row.accNo = acc;
    row.payAmount = removeCommas(m_txtAmount->text().trimmed());
    row.accType = kind;
    row.netNo = m_txtNetNo->text().trimmed();
    row.remark = m_comboRemark->currentText();
    if (table.insert(row)) {
        m_ctx.prompt.message(u"新建指令成功"_s);
        refreshParent();
        clearInstructionFields();
        const ListGrid* grid = m_parentForm ? m_parentForm->page(MainWindowServices::TabLaborage)->grid() : nullptr;
        setPayIdx(grid && grid->rows() > 1 && !grid->textMatrix(1, Laborage::ColumnSerialNo).trimmed().isEmpty()
                ? grid->rows()
                : 1);
    } else {
        m_ctx.prompt.message(u"新建指令失败"_s);
    }
}

void frmLaborage::cmdUpdate_Click()
{
    const qint64 serial = serialNo();
    if (!checkInstruction())
        return;
    LaborageRow row;
    row.serialNo = serial;
    row.payAmount = removeCommas(m_txtAmount->text().trimmed());
    row.remark = m_comboRemark->currentText();
    row.accType = accType();
    row.netNo = m_txtNetNo->text();
    if (LaborageTable(m_ctx.db()).update(row)) {
        m_ctx.prompt.message(u"修改指令成功"_s);
        refreshParent();
        accept();
    } else {
        m_ctx.prompt.message(u"修改指令失败"_s);
    }
}

void frmLaborage::cmdDelete_Click()
{
    const qint64 serial = serialNo();
    if (!m_ctx.prompt.askOkCancel(u"是否确认要删除代发工资指令?"_s))
        return;
    if (LaborageTable(m_ctx.db()).remove(serial)) {
        m_ctx.prompt.message(u"删除指令成功"_s);
        refreshParent();
        accept();
    } else {
        m_ctx.prompt.message(u"删除指令失败"_s);
    }
}

void frmLaborage::cmdClose_Click()
{
    reject();
}
