#include "payment/frmPaymentB2B.h"

#include "app/AmountEntry.h"
#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "app/TabPage.h"
#include "common/FieldChecks.h"
#include "common/Money.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"
#include "domain/tables/PayAccTable.h"
#include "domain/tables/PayeeTable.h"
#include "domain/tables/PaymentTable.h"
#include "domain/tables/RemarkTable.h"
#include "payment/PaymentB2B.h"
#include "payment/frmPayAcc.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStringListModel>

using namespace Qt::StringLiterals;

namespace {
constexpr int kRemarkMaxLength = 60;

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QComboBox* makeCombo(QWidget* parent, const QString& name, bool editable)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(editable);
    if (editable)
        combo->setInsertPolicy(QComboBox::NoInsert);
    // Long lists: the width comes from a fixed number of characters, not from
    // measuring every entry.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(24);
    return combo;
}

QLineEdit* makeBox(QWidget* parent, const QString& name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}
} // namespace

frmPaymentB2B::frmPaymentB2B(AppContext& ctx, QWidget* parent)
    : QDialog(parent)
    , m_ctx(ctx)
{
    setObjectName(u"frmPaymentB2B"_s);
    setWindowTitle(u"付款指令"_s);
    if (!ctx.sysIconPath.isEmpty() && QFileInfo(ctx.sysIconPath).isFile())
        setWindowIcon(QIcon(ctx.sysIconPath));

    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto addPair = [&](QWidget* label, QWidget* field) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    };

    m_lblPayIdx = makeLabel(this, u"lblPayIdx"_s, QString());
    addPair(makeLabel(this, u"lblPayNo"_s, u"指令序号："_s), m_lblPayIdx);
    m_lblPaySerialNo = makeLabel(this, u"lblPaySerialNo"_s, QString());
    addPair(makeLabel(this, u"lblSerialNoTitle"_s, u"流水号："_s), m_lblPaySerialNo);
    m_lblPayAccValue = makeLabel(this, u"lblPayAccValue"_s, QString());
    addPair(makeLabel(this, u"lblPayAcc"_s, u"付款账号：*"_s), m_lblPayAccValue);
    m_lblPayAccNameValue = makeLabel(this, u"lblPayAccNameValue"_s, QString());
    addPair(makeLabel(this, u"lblPayAccName"_s, u"付款账户户名：*"_s), m_lblPayAccNameValue);

    // The payer lists are never shown: the instruction takes its payer account
    // from the entry chosen in them.
    m_comboPayAccNo = makeCombo(this, u"comboPayAccNo"_s, false);
    m_comboPayAccName = makeCombo(this, u"comboPayAccName"_s, false);
    m_comboPayAccNo->hide();
    m_comboPayAccName->hide();

    auto* kinds = new QWidget(this);
    auto* kindsLayout = new QHBoxLayout(kinds);
    kindsLayout->setContentsMargins(0, 0, 0, 0);
    m_optRecAccType[0] = new QRadioButton(kinds);
    m_optRecAccType[0]->setObjectName(u"optRecAccType0"_s);
    m_optRecAccType[1] = new QRadioButton(u"行外账号"_s, kinds);
    m_optRecAccType[1]->setObjectName(u"optRecAccType1"_s);
    kindsLayout->addWidget(m_optRecAccType[0]);
    kindsLayout->addWidget(m_optRecAccType[1]);
    kindsLayout->addStretch(1);
    addPair(makeLabel(this, u"lblRecAccType"_s, u"账号行别：*"_s), kinds);

    m_comboRecAccNo = makeCombo(this, u"comboRecAccNo"_s, true);
    addPair(makeLabel(this, u"lblRecAccNo"_s, u"收款账号：*"_s), m_comboRecAccNo);
    m_comboRecAccName = makeCombo(this, u"comboRecAccName"_s, true);
    addPair(makeLabel(this, u"lblRecAccName"_s, u"收款账户户名：*"_s), m_comboRecAccName);
    m_comboRecAccType = makeCombo(this, u"comboRecAccType"_s, false);
    m_comboRecBankId = makeCombo(this, u"comboRecBankId"_s, false);
    m_comboAreaNo = makeCombo(this, u"comboAreaNo"_s, false);
    m_comboNetNo = makeCombo(this, u"comboNetNo"_s, false);
    QComboBox* payeeLists[6]
        = { m_comboRecAccNo, m_comboRecAccName, m_comboRecAccType, m_comboRecBankId, m_comboAreaNo, m_comboNetNo };
    for (int i = 0; i < 6; ++i) {
        m_payeeModels[i] = new QStringListModel(this);
        payeeLists[i]->setModel(m_payeeModels[i]);
        if (i >= 2)
            payeeLists[i]->hide();
    }
    // Typing part of a payee's number or name offers the matching payees; only
    // a payee picked from a list fills the other payee entries.
    offerEntries(*m_comboRecAccNo, [this](int) { comboRecAccNo_Click(); });
    offerEntries(*m_comboRecAccName, [this](int) { comboRecAccName_Click(); });

    m_txtRecBankId = makeBox(this, u"txtRecBankId"_s);
    addPair(makeLabel(this, u"lblRecBankId"_s, u"收款账开户网点号："_s), m_txtRecBankId);
    m_txtAreaNo = makeBox(this, u"txtAreaNo"_s);
    addPair(makeLabel(this, u"lblAreaNo"_s, u"收款账户地区号："_s), m_txtAreaNo);
    m_txtNetNo = makeBox(this, u"txtNetNo"_s);
    addPair(makeLabel(this, u"lblNetNo"_s, u"支付系统行号："_s), m_txtNetNo);
    m_txtAmount = makeBox(this, u"txtAmount"_s);
    addPair(makeLabel(this, u"lblPayAmt"_s, u"付款金额：*"_s), m_txtAmount);
    m_lblCnPayAmount = makeLabel(this, u"lblCnPayAmount"_s, QString());
    m_lblCnPayAmount->setWordWrap(true);
    addPair(makeLabel(this, u"lblCnPayAmt"_s, u"大写金额："_s), m_lblCnPayAmount);
    m_comboRemark = makeCombo(this, u"comboRemark"_s, true);
    offerEntries(*m_comboRemark);
    addPair(makeLabel(this, u"lblRemark"_s, u"备注：*"_s), m_comboRemark);
    grid->addWidget(makeLabel(this, u"lblNotes"_s, u"注：*为必输项目"_s), row++, 0, 1, 2);

    // Never used for input: its background is the colour of blocked entry boxes.
    m_blockText = makeBox(this, u"blockText"_s);
    m_blockText->setEnabled(false);
    m_blockText->hide();
    QPalette blocked = m_blockText->palette();
    blocked.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
    m_blockText->setPalette(blocked);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const auto addButton = [&](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    m_cmdAdd = addButton(u"cmdAdd"_s, u"新增指令"_s);
    m_cmdUpdate = addButton(u"cmdUpdate"_s, u"修改指令"_s);
    m_cmdDelete = addButton(u"cmdDelete"_s, u"删除指令"_s);
    QPushButton* close = addButton(u"cmdClose"_s, u"关闭"_s);
    grid->addLayout(buttons, row++, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(520);

    connect(m_cmdAdd, &QPushButton::clicked, this, &frmPaymentB2B::cmdAdd_Click);
    connect(m_cmdUpdate, &QPushButton::clicked, this, &frmPaymentB2B::cmdUpdate_Click);
    connect(m_cmdDelete, &QPushButton::clicked, this, &frmPaymentB2B::cmdDelete_Click);
    connect(close, &QPushButton::clicked, this, &frmPaymentB2B::cmdClose_Click);
    connect(m_optRecAccType[0], &QRadioButton::clicked, this, [this] { optRecAccType_Click(0); });
    connect(m_optRecAccType[1], &QRadioButton::clicked, this, [this] { optRecAccType_Click(1); });
    connect(m_comboPayAccNo, &QComboBox::currentIndexChanged, this, &frmPaymentB2B::comboPayAccNo_Click);
    connect(m_comboPayAccName, &QComboBox::currentIndexChanged, this, &frmPaymentB2B::comboPayAccName_Click);
    m_amount = new AmountEntry(*m_txtAmount, *m_lblCnPayAmount, ctx.prompt);
    connect(m_comboRecAccNo->lineEdit(), &QLineEdit::returnPressed, this, &frmPaymentB2B::comboRecAccNo_LostFocus);
    m_comboRecAccNo->installEventFilter(this);
    m_comboRecAccNo->lineEdit()->installEventFilter(this);

    // Form_Load
    m_optRecAccType[0]->setText(ctx.bankName + u"行内转账"_s);
    const FieldRules& rules = ctx.fieldRules;
    m_txtRecBankId->setEnabled(rules.ruleFor(FieldId::PatchPayFile_GatherAccountNetNo).canEdit);
    m_txtAreaNo->setEnabled(rules.ruleFor(FieldId::PatchPayFile_GatherAccountAreaCode).canEdit);
    m_txtNetNo->setEnabled(rules.ruleFor(FieldId::PatchPayFile_GatherAccountLinkNo).canEdit);
    m_txtAmount->setEnabled(rules.ruleFor(FieldId::PatchPayFile_PaySum).canEdit);

    QStringList payerNos { QString() };
    QStringList payerNames { QString() };
    int payerIndex = -1;
    for (const PayAccTable::Row& payer : PayAccTable(ctx.db()).all().value_or({})) {
        payerNos.append(payer.accNo);
        payerNames.append(payer.accName);
        if (payerIndex < 0 && payerNos.back() == ctx.batchPayAccNo)
            payerIndex = int(payerNos.size()) - 1;
    }
    {
        const QSignalBlocker a(m_comboPayAccNo), b(m_comboPayAccName);
        m_comboPayAccNo->addItems(payerNos);
        m_comboPayAccName->addItems(payerNames);
        m_comboPayAccNo->setCurrentIndex(payerIndex);
        m_comboPayAccName->setCurrentIndex(payerIndex);
    }

    loadPayeeLists();

    QStringList remarks = RemarkTable(ctx.db()).all().value_or({});
    for (QString& remark : remarks)
        remark = remark.trimmed();
    m_comboRemark->addItems(remarks);
    m_comboRemark->setCurrentIndex(-1);

    selectKind(0);
    m_lblPayAccValue->setText(ctx.batchPayAccNo);
    m_lblPayAccNameValue->setText(ctx.batchPayAccName);
}

bool frmPaymentB2B::eventFilter(QObject* watched, QEvent* event)
{
    // A popup (the offered entries) or a message box takes no focus from the box.
    if (isLostFocus(*event) && (watched == m_comboRecAccNo || watched == m_comboRecAccNo->lineEdit())
        && !m_comboRecAccNo->hasFocus())
        comboRecAccNo_LostFocus();
    return QDialog::eventFilter(watched, event);
}

void frmPaymentB2B::setPayIdx(qint64 index)
{
    m_lblPayIdx->setText(QString::number(index));
}

void frmPaymentB2B::setBoxColour(QLineEdit* box, bool blocked)
{
    QPalette palette = box->palette();
    const QColor colour = (blocked ? m_blockText : m_txtAmount)->palette().color(QPalette::Base);
    for (const auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        palette.setColor(group, QPalette::Base, colour);
    box->setPalette(palette);
}

void frmPaymentB2B::selectKind(int index)
{
    m_optRecAccType[index]->setChecked(true);
    m_optRecAccType[1 - index]->setChecked(false);
    optRecAccType_Click(index);
}

void frmPaymentB2B::optRecAccType_Click(int index)
{
    for (QLineEdit* box : { m_txtRecBankId, m_txtAreaNo, m_txtNetNo })
        box->clear();
    m_txtRecBankId->setEnabled(false);
    m_txtAreaNo->setEnabled(false);
    m_bankIdRequired = false;
    m_areaNoRequired = false;
    setBoxColour(m_txtRecBankId, true);
    setBoxColour(m_txtAreaNo, true);
    m_txtNetNo->setEnabled(index == 1);
    m_netNoRequired = index == 1;
    setBoxColour(m_txtNetNo, index != 1);
    loadPayeeLists();
}

void frmPaymentB2B::loadPayeeLists()
{
    QString type;
    if (m_optRecAccType[0]->isChecked())
        type = u"0"_s;
    else if (m_optRecAccType[1]->isChecked())
        type = u"1"_s;
    else
        return;
    QStringList lists[6];
    for (const PayeeTable::Row& payee : PayeeTable(m_ctx.db()).choices(type).value_or({})) {
        const QString* texts[6]
            = { &payee.accNo, &payee.accName, &payee.accType, &payee.branchId, &payee.areaNo, &payee.netNo };
        for (int i = 0; i < 6; ++i)
            lists[i].append(*texts[i]);
    }
    QComboBox* combos[6]
        = { m_comboRecAccNo, m_comboRecAccName, m_comboRecAccType, m_comboRecBankId, m_comboAreaNo, m_comboNetNo };
    for (int i = 0; i < 6; ++i) {
        const QSignalBlocker block(combos[i]);
        m_payeeModels[i]->setStringList(lists[i]);
        combos[i]->setCurrentIndex(-1);
    }
}

void frmPaymentB2B::payeePicked(int index)
{
    if (index < 0)
        return;
    const QString type = m_comboRecAccType->itemText(index).trimmed();
    if (type.isEmpty())
        return;
    const bool inBank = type != u"1"_s;
    m_optRecAccType[0]->setChecked(inBank);
    m_optRecAccType[1]->setChecked(!inBank);
    m_txtRecBankId->setText(inBank ? m_comboRecBankId->itemText(index).trimmed() : QString());
    m_txtRecBankId->setEnabled(inBank);
    m_txtAreaNo->setText(inBank ? QString() : m_comboAreaNo->itemText(index).trimmed());
    m_txtAreaNo->setEnabled(!inBank);
    m_txtNetNo->setText(inBank ? QString() : m_comboNetNo->itemText(index).trimmed());
    m_txtNetNo->setEnabled(!inBank);
}

void frmPaymentB2B::comboRecAccNo_Click()
{
    const int index = m_comboRecAccNo->currentIndex();
    {
        const QSignalBlocker block(m_comboRecAccName);
        m_comboRecAccName->setCurrentIndex(index);
    }
    payeePicked(index);
}

void frmPaymentB2B::comboRecAccName_Click()
{
    const int index = m_comboRecAccName->currentIndex();
    {
        const QSignalBlocker block(m_comboRecAccNo);
        m_comboRecAccNo->setCurrentIndex(index);
    }
    payeePicked(index);
}

void frmPaymentB2B::comboRecAccNo_LostFocus()
{
    // An entry stays chosen only while the box shows its text.
    if (ComboBoxInput(*m_comboRecAccNo).currentIndex() >= 1)
        return;
    const int index
        = m_comboRecAccNo->findText(m_comboRecAccNo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return;
    m_comboRecAccNo->setCurrentIndex(index);
    comboRecAccNo_Click();
}

void frmPaymentB2B::comboPayAccNo_Click(int index)
{
    const QSignalBlocker block(m_comboPayAccName);
    m_comboPayAccName->setCurrentIndex(index);
}

void frmPaymentB2B::comboPayAccName_Click(int index)
{
    const QSignalBlocker block(m_comboPayAccNo);
    m_comboPayAccNo->setCurrentIndex(index);
}

void frmPaymentB2B::setRecordValue(const QStringList& values)
{
    if (values.size() != 11)
        return;
    const auto value = [&](int i) { return values.at(i).trimmed(); };
    m_recordPayAccNo = value(1);
    for (int i = 1; i < m_comboPayAccNo->count(); ++i) {
        if (m_comboPayAccNo->itemText(i).trimmed() == m_recordPayAccNo) {
            m_comboPayAccNo->setCurrentIndex(i);
            break;
        }
    }
    const bool inBank = values.at(3).contains(u"行内"_s);
    selectKind(inBank ? 0 : 1);
    m_txtRecBankId->setText(inBank ? values.at(6) : QString());
    m_txtRecBankId->setEnabled(inBank);
    m_txtAreaNo->setText(inBank ? QString() : values.at(7));
    m_txtAreaNo->setEnabled(!inBank);
    m_txtNetNo->setText(inBank ? QString() : values.at(8));
    m_txtNetNo->setEnabled(!inBank);
    m_comboRecAccNo->setEditText(value(4));
    m_comboRecAccName->setEditText(value(5));
    m_amount->showKept(value(9), formatAmountTyped(value(9)));
    m_comboRemark->setEditText(value(10));
    m_lblPaySerialNo->setText(value(0));
}

void frmPaymentB2B::txtAmount_Change()
{
    m_amount->changed();
}

void frmPaymentB2B::txtAmount_LostFocus()
{
    m_amount->left();
}

bool frmPaymentB2B::checkInstruction()
{
    const auto fail = [](QWidget* focus) {
        if (auto* box = qobject_cast<QLineEdit*>(focus))
            LineEditInput(*box).focusAndSelectAll();
        else if (auto* combo = qobject_cast<QComboBox*>(focus))
            ComboBoxInput(*combo).focusAndSelectAll();
        return false;
    };
    // An amount box the settings keep disabled cannot be filled in this dialog:
    // that is said first, with the way to switch it on.
    if (refuseDisabledAmountBox(*m_txtAmount, m_ctx))
        return false;
    const bool inBank = m_optRecAccType[0]->isChecked();
    if (inBank && !checkField(m_comboRecAccNo, FieldId::PatchPayFile_GatherAccountNo, true, m_ctx))
        return fail(m_comboRecAccNo);
    if (!checkField(m_comboRecAccName, FieldId::PatchPayFile_GatherAccountName, true, m_ctx))
        return fail(m_comboRecAccName);
    // Whatever rule 2 says: the upload file needs a payee name.
    if (m_comboRecAccName->currentText().trimmed().isEmpty()) {
        m_ctx.prompt.message(u"收款账户户名不能为空"_s);
        return fail(m_comboRecAccName);
    }
    if (!checkField(m_txtRecBankId, FieldId::PatchPayFile_GatherAccountNetNo, m_bankIdRequired, m_ctx))
        return fail(m_bankIdRequired ? m_txtRecBankId : nullptr);
    if (!checkField(m_txtAreaNo, FieldId::PatchPayFile_GatherAccountAreaCode, m_areaNoRequired, m_ctx))
        return fail(m_areaNoRequired ? m_txtAreaNo : nullptr);
    if (!checkField(m_txtNetNo, FieldId::PatchPayFile_GatherAccountLinkNo, m_netNoRequired, m_ctx))
        return fail(m_netNoRequired ? m_txtNetNo : nullptr);
    if (!checkField(m_txtAmount, FieldId::PatchPayFile_PaySum, true, m_ctx))
        return fail(m_txtAmount);
    if (!checkField(m_comboRemark, FieldId::PatchPayFile_PatchPayFileRemark, true, m_ctx))
        return fail(m_comboRemark);

    // The entries must agree with the payee as it is kept in payee_acc.
    const QString accNo = m_comboRecAccNo->currentText();
    for (int i = 0; i < m_comboRecAccNo->count(); ++i) {
        if (m_comboRecAccNo->itemText(i) != accNo)
            continue;
        const bool storedOtherBank = m_comboRecAccType->itemText(i).trimmed() == u"1"_s;
        const bool otherBank = !m_optRecAccType[0]->isChecked() || m_optRecAccType[1]->isChecked();
        const bool inBankChosen = m_optRecAccType[0]->isChecked() || !m_optRecAccType[1]->isChecked();
        if (m_comboRecAccName->currentText() != m_comboRecAccName->itemText(i)) {
            m_ctx.prompt.message(u"收款账户的户名与已维护的收款记录不符"_s);
            return fail(nullptr);
        }
        if ((!storedOtherBank && otherBank) || (storedOtherBank && inBankChosen)) {
            m_ctx.prompt.message(u"收款账户的类型与已维护的收款账户记录不符"_s);
            return fail(nullptr);
        }
        if (m_txtRecBankId->text() != m_comboRecBankId->itemText(i).trimmed()) {
            m_ctx.prompt.message(u"收款账户的开户网点号与已维护的收款账户记录不符"_s);
            return fail(m_txtRecBankId);
        }
        if (m_txtAreaNo->text() != m_comboAreaNo->itemText(i).trimmed()) {
            m_ctx.prompt.message(u"收款账户的地区号与已维护的收款账户记录不符"_s);
            return fail(m_txtAreaNo);
        }
        if (m_txtNetNo->text() != m_comboNetNo->itemText(i).trimmed()) {
            m_ctx.prompt.message(u"收款账户的联行号与已维护的收款账户记录不符"_s);
            return fail(m_txtNetNo);
        }
    }

    const QString amount = m_txtAmount->text().trimmed();
    if (amount.isEmpty()) {
        m_ctx.prompt.message(u"请输入金额"_s);
        return fail(m_txtAmount);
    }
    if (!isAmountText(amount)) {
        m_ctx.prompt.message(u"金额格式错误"_s);
        m_amount->clear();
        return fail(m_txtAmount);
    }
    const Money value = Money::parse(amount).value_or(Money());
    if (value > AmountEntry::kMaxAmount || value.fen() <= 0) {
        m_ctx.prompt.message(value.fen() > 0 ? u"金额范围超过系统限制"_s : u"金额必须大于零元"_s);
        m_amount->clear();
        return fail(m_txtAmount);
    }
    const QString remark = m_comboRemark->currentText().trimmed();
    if (remark.isEmpty()) {
        m_ctx.prompt.message(u"请输入备注"_s);
        return fail(m_comboRemark);
    }
    if (remark.size() > kRemarkMaxLength) {
        m_ctx.prompt.message(u"备注长度超过最长60位的长度"_s);
        return fail(m_comboRemark);
    }
    m_amount->showKept(amount, formatAmountTyped(m_txtAmount->text()));
    return true;
}

QString frmPaymentB2B::payerAccNo() const
{
    return m_comboPayAccNo->currentText().trimmed();
}

QString frmPaymentB2B::payerAccName() const
{
    return m_comboPayAccName->currentText().trimmed();
}

QString frmPaymentB2B::kind() const
{
    return m_optRecAccType[0]->isChecked() ? u"0"_s : u"1"_s;
}

bool frmPaymentB2B::payerAccountChosen(const QString& accNo)
{
    if (m_comboPayAccNo->currentIndex() >= 1 && !payerAccNo().isEmpty())
        return true;
    // The payer account was deleted from pay_acc after it was chosen: the
    // instruction would be stored without a payer account.
    m_ctx.prompt.message(u"付款账号"_s + accNo + u"已不存在，请重新选择付款账号"_s);
    return false;
}

void frmPaymentB2B::clearInstructionFields()
{
    m_lblPaySerialNo->clear();
    for (QComboBox* combo : { m_comboRecAccNo, m_comboRecAccName, m_comboRemark }) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(-1);
        combo->clearEditText();
    }
    m_txtRecBankId->clear();
    m_txtAreaNo->clear();
    m_txtNetNo->clear();
    m_amount->clear();
}

PaymentRow frmPaymentB2B::enteredRow() const
{
    PaymentRow row;
    row.payAccNo = payerAccNo();
    row.payAccName = payerAccName();
    row.recAccType = kind();
    row.recAccNo = m_comboRecAccNo->currentText().trimmed();
    row.recAccName = m_comboRecAccName->currentText().trimmed();
    row.recBankId = m_txtRecBankId->text().trimmed();
    row.recAreaNo = m_txtAreaNo->text().trimmed();
    row.recNetNo = m_txtNetNo->text().trimmed();
    row.payAmt = removeCommas(m_txtAmount->text().trimmed());
    row.remark = m_comboRemark->currentText().trimmed();
    return row;
}

void frmPaymentB2B::cmdAdd_Click()
{
    if (!checkInstruction())
        return;
    if (!payerAccountChosen(m_ctx.batchPayAccNo))
        return;
    const QString recAccNo = m_comboRecAccNo->currentText().trimmed();
    if (payerAccNo() == recAccNo) {
        m_ctx.prompt.message(u"转入转出账号相同"_s);
        return;
    }
    PaymentTable table(m_ctx.db());
    const auto existing = table.paysAccount(kind(), recAccNo);
    if (!existing)
        return; // the store has shown its error
    if (*existing && !m_ctx.prompt.askOkCancel(u"该收款账号的支付记录已存在，请确认是否要继续保存?"_s))
        return;
    PaymentRow row = enteredRow();
    row.serialNo = m_ctx.serialNumbers.next();
    const Result<> ok = table.insert(row);
    if (!ok) {
        m_ctx.prompt.message(u"新建指令失败"_s);
        return;
    }
    m_ctx.prompt.message(u"新建指令成功"_s);
    clearInstructionFields();
    if (m_parentForm) {
        m_parentForm->resetPaymentB2B();
        const ListGrid* list = m_parentForm->page(MainWindowServices::TabPaymentB2B)->grid();
        setPayIdx(list->rows() > 1 && !list->textMatrix(1, PaymentB2B::ColumnSerialNo).isEmpty() ? list->rows() : 1);
    } else {
        setPayIdx(1);
    }
}

void frmPaymentB2B::cmdUpdate_Click()
{
    if (!checkInstruction())
        return;
    const QString serialNo = m_lblPaySerialNo->text().trimmed();
    if (serialNo.size() != 22) {
        m_ctx.prompt.message(u"请选择记录进行修改"_s);
        return;
    }
    if (!payerAccountChosen(m_recordPayAccNo))
        return;
    PaymentRow row = enteredRow();
    row.serialNo = serialNo;
    const Result<> ok = PaymentTable(m_ctx.db()).update(row);
    if (!ok) {
        m_ctx.prompt.message(u"修改指令失败"_s);
        return;
    }
    m_ctx.prompt.message(u"修改指令成功"_s);
    if (m_parentForm)
        m_parentForm->resetPaymentB2B();
    accept();
}

void frmPaymentB2B::cmdDelete_Click()
{
    const QString serialNo = m_lblPaySerialNo->text().trimmed();
    if (serialNo.size() != 22) {
        m_ctx.prompt.message(u"请选择记录进行删除"_s);
        return;
    }
    if (!m_ctx.prompt.askOkCancel(u"是否确认要删除批量付款指令?"_s))
        return;
    if (!PaymentTable(m_ctx.db()).remove(serialNo)) {
        m_ctx.prompt.message(u"删除指令失败"_s);
        return;
    }
    m_ctx.prompt.message(u"删除指令成功"_s);
    if (m_parentForm)
        m_parentForm->resetPaymentB2B();
    accept();
}

void frmPaymentB2B::cmdClose_Click()
{
    reject();
}

void installPaymentDialogs(
    PaymentB2B& tab, AppContext& ctx, MainWindowServices& main, std::function<void(QDialog&)> show)
{
    if (!show)
        show = [](QDialog& dialog) { dialog.exec(); };
    tab.setPaymentDialogOpener([&ctx, &main, show](const InstructionDialogRequest& request) {
        frmPaymentB2B dialog(ctx, main.dialogParent());
        dialog.setParentForm(&main);
        dialog.setPayIdx(request.payIdx);
        if (request.change) {
            dialog.setRecordValue(request.recordValue);
            dialog.findChild<QPushButton*>(u"cmdAdd"_s)->setEnabled(false);
        } else {
            dialog.findChild<QPushButton*>(u"cmdUpdate"_s)->setEnabled(false);
            dialog.findChild<QPushButton*>(u"cmdDelete"_s)->setEnabled(false);
        }
        show(dialog);
    });
    tab.setPayAccDialogOpener([&ctx, &main, show](const PayAccDialogRequest& request) {
        frmPayAcc dialog(ctx, main.dialogParent());
        if (request.accSet)
            dialog.setAcc(request.acc);
        if (request.payCount) {
            dialog.setPayCount(*request.payCount);
            dialog.setParentForm(&main);
        }
        show(dialog);
    });
}
