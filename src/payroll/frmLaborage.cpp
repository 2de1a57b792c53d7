#include "payroll/frmLaborage.h"

#include "payroll/Laborage.h"

#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "app/TabPage.h"
#include "common/AmountConvert.h"
#include "common/FieldChecks.h"
#include "common/Money.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// The largest single amount: 1E11 yuan, in fen.
constexpr Money kMaxAmount = Money::fromFen(10'000'000'000'000);

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
    connect(m_txtAmount, &QLineEdit::textEdited, this, &frmLaborage::txtAmount_Change);
    m_txtAmount->installEventFilter(this);

    Form_Load();
}

void frmLaborage::Form_Load()
{
    if (!m_ctx.sysIconPath.isEmpty() && QFileInfo(m_ctx.sysIconPath).isFile())
        setWindowIcon(QIcon(m_ctx.sysIconPath));
    m_optRecAccType[0]->setText(m_ctx.bankName + u"行内转账"_s);
    // The boxes follow the rules of the batch payment's bank number and
    // amount fields (ids 5 and 6).
    m_txtNetNo->setEnabled(m_ctx.fieldRules.ruleFor(5).canEdit);
    m_txtAmount->setEnabled(m_ctx.fieldRules.ruleFor(6).canEdit);
    m_isLoading = false;

    m_comboAccNo->clear();
    m_ctx.db().QueryEach(
        u"select acc_no,acc_name,employee_no from person_payee_acc where acc_type='0' order by acc_no"_s, {},
        [this](const RecordView& r) {
            m_comboAccNo->addItem(r.text(0).trimmed());
            m_comboName->addItem(r.text(1).trimmed());
            m_comboEmployeeNo->addItem(r.text(2).trimmed());
        });
    m_ctx.db().QueryEach(u"select remark From user_remark order by remark"_s, {},
        [this](const RecordView& r) { m_comboRemark->addItem(r.text(0)); });
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

    const QString a = removeCommas(amount.trimmed());
    if (!amount.isEmpty() && isAmountText(a)) {
        m_txtAmount->setText(amount.trimmed());
        m_lblCnPayAmount->setText(amountToWords(removeCommas(m_txtAmount->text())));
    } else {
        m_txtAmount->clear();
        m_lblCnPayAmount->clear();
    }
    m_comboRemark->setEditText(remark);
    for (QComboBox* c : { m_comboName, m_comboAccNo, m_comboEmployeeNo })
        c->setEnabled(false);
}

void frmLaborage::showAmount(bool final)
{
    const QString typed = m_txtAmount->text().trimmed();
    if (typed == m_lastAmountText && !final)
        return;
    m_lblCnPayAmount->clear();
    const QString s = removeCommas(typed);
    if (s.isEmpty()) {
        m_txtAmount->clear();
    } else if (isAmountText(s)) {
        m_txtAmount->setText(final ? formatAmount(s) : formatAmountTyped(s));
        m_lblCnPayAmount->setText(amountToWords(s));
        m_lastAmountText = m_txtAmount->text();
    } else {
        m_ctx.prompt.message(u"金额格式错误"_s);
        m_txtAmount->clear();
    }
}

namespace {
// The limit is compared in exact fen: 1E11 passes, 1E11 + 0.01 does not.
bool aboveLimit(const QString& text)
{
    const auto amount = Money::parse(removeCommas(text));
    return !amount || *amount > kMaxAmount;
}
} // namespace

void frmLaborage::refuseAmount(const QString& message)
{
    m_ctx.prompt.message(message);
    m_txtAmount->clear();
    m_txtAmount->setFocus();
    m_txtAmount->selectAll();
}

void frmLaborage::txtAmount_Change()
{
    showAmount(false);
    if (m_txtAmount->text().isEmpty())
        return;
    if (aboveLimit(m_txtAmount->text()))
        refuseAmount(u"金额超过系统最大单笔限制"_s);
    else
        m_txtAmount->end(false);
}

void frmLaborage::txtAmount_LostFocus()
{
    showAmount(true);
    if (m_txtAmount->text().isEmpty())
        return;
    if (aboveLimit(m_txtAmount->text()))
        refuseAmount(u"金额超过系统最大单笔限制"_s);
    else if (!Money::parse(removeCommas(m_txtAmount->text()))->fen())
        refuseAmount(u"金额必须大于零元"_s);
}

bool frmLaborage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtAmount) {
        // The message box a check shows takes the focus, but does not leave the box.
        if (isLostFocus(*event)) {
            txtAmount_LostFocus();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                txtAmount_LostFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmLaborage::checkInstruction()
{
    // An amount box the settings keep disabled cannot be filled in this dialog:
    // that is said first, with the way to switch it on.
    if (refuseDisabledAmountBox(*m_txtAmount, m_ctx))
        return false;
    if (!checkField(m_comboName, 8, true, m_ctx)) {
        m_comboName->setFocus();
        return false;
    }
    // Whatever rule 8 says: the upload file needs the payee's name.
    if (m_comboName->currentText().trimmed().isEmpty()) {
        m_ctx.prompt.message(u"收款人名称不能为空"_s);
        m_comboName->setFocus();
        return false;
    }
    if (!checkField(m_txtAmount, 10, true, m_ctx)) {
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
    if (!checkField(m_comboRemark, 11, !m_comboRemark->isHidden(), m_ctx)) {
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
    m_txtAmount->clear();
    m_comboRemark->setEditText(QString());
    m_lblCnPayAmount->clear();
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
    if (auto rs = m_ctx.db().Query(u"select acc_no from laborage where acc_no = ?"_s, { acc.trimmed() });
        rs && !rs->isEmpty()) {
        if (!m_ctx.prompt.askOkCancel(u"该账号的代发记录已存在，请确认是否要继续保存?"_s))
            return;
    }
    const auto rs = m_ctx.db().Query(u"select max(serial_no) as personNo from laborage"_s);
    if (!rs)
        return;
    const qint64 n = std::llround(std::floor(fieldToNumberText(rs->value(0, u"personNo"_s)).toDouble())) + 1;
    if (m_ctx.db().Insert(
            u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,?,?,?,?)"_s,
            { QString::number(n), acc, removeCommas(m_txtAmount->text().trimmed()), kind, m_txtNetNo->text().trimmed(),
                m_comboRemark->currentText() })) {
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
    if (m_ctx.db().Update(u"update laborage set pay_amount=?,remark=?,acc_type=?,net_no=? where serial_no=?"_s,
            { removeCommas(m_txtAmount->text().trimmed()), m_comboRemark->currentText(), accType(), m_txtNetNo->text(),
                serial })) {
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
    if (m_ctx.db().Delete(u"delete from laborage where serial_no=? "_s, { serial })) {
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
