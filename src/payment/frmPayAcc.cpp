#include "payment/frmPayAcc.h"

#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/tables/PayAccTable.h"
#include "domain/tables/PaymentTable.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

frmPayAcc::frmPayAcc(AppContext& ctx, QWidget* parent)
    : QDialog(parent)
    , m_ctx(ctx)
{
    setObjectName(u"frmPayAcc"_s);
    setWindowTitle(u"付款指令－付款账户维护"_s);
    if (!ctx.sysIconPath.isEmpty() && QFileInfo(ctx.sysIconPath).isFile())
        setWindowIcon(QIcon(ctx.sysIconPath));

    auto* grid = new QGridLayout(this);
    const auto addRow = [&](int row, const QString& labelName, const QString& caption, const QString& comboName) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(labelName);
        auto* combo = new QComboBox(this);
        combo->setObjectName(comboName);
        combo->setMinimumContentsLength(28);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        grid->addWidget(label, row, 0);
        grid->addWidget(combo, row, 1);
        return combo;
    };
    m_comboPayAccNo = addRow(0, u"lblPayAcc"_s, u"付款账号：*"_s, u"comboPayAccNo"_s);
    m_comboPayAccName = addRow(1, u"lblPayAccName"_s, u"付款账户户名：*"_s, u"comboPayAccName"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(u"保存"_s, this);
    ok->setObjectName(u"cmdOK"_s);
    auto* close = new QPushButton(u"关闭"_s, this);
    close->setObjectName(u"cmdClose"_s);
    buttons->addWidget(ok);
    buttons->addWidget(close);
    grid->addLayout(buttons, 2, 0, 1, 2);

    if (const auto accounts = PayAccTable(ctx.db()).all()) {
        for (const PayAccTable::Row& account : accounts.value()) {
            m_comboPayAccNo->addItem(account.accNo);
            m_comboPayAccName->addItem(account.accName);
        }
    }
    if (m_comboPayAccNo->count() > 0) {
        m_comboPayAccNo->setCurrentIndex(0);
        m_comboPayAccName->setCurrentIndex(0);
    }

    connect(ok, &QPushButton::clicked, this, &frmPayAcc::cmdOK_Click);
    connect(close, &QPushButton::clicked, this, &frmPayAcc::cmdClose_Click);
    connect(m_comboPayAccNo, &QComboBox::currentIndexChanged, this, &frmPayAcc::comboPayAccNo_Click);
    connect(m_comboPayAccName, &QComboBox::currentIndexChanged, this, &frmPayAcc::comboPayAccName_Click);
}

void frmPayAcc::comboPayAccNo_Click(int index)
{
    const QSignalBlocker block(m_comboPayAccName);
    m_comboPayAccName->setCurrentIndex(index);
}

void frmPayAcc::comboPayAccName_Click(int index)
{
    const QSignalBlocker block(m_comboPayAccNo);
    m_comboPayAccNo->setCurrentIndex(index);
}

void frmPayAcc::setAcc(const QString& accNo)
{
    if (!accNo.isEmpty()) {
        const int index = m_comboPayAccNo->findText(accNo, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            m_comboPayAccNo->setCurrentIndex(index);
        return;
    }
    m_comboPayAccNo->setCurrentIndex(m_comboPayAccNo->count() > 0 ? 0 : -1);
}

void frmPayAcc::cmdOK_Click()
{
    if (m_comboPayAccNo->currentText().trimmed().isEmpty()) {
        if (m_payCount >= 1) {
            m_ctx.prompt.message(u"批量付款记录已存在，付款账号不可为空"_s);
            return;
        }
        m_ctx.batchPayAccNo.clear();
        m_ctx.batchPayAccName.clear();
    } else if (m_comboPayAccNo->currentText() != m_ctx.batchPayAccNo) {
        const QString accNo = m_comboPayAccNo->currentText();
        const QString accName = m_comboPayAccName->currentText();
        if (m_payCount >= 1) {
            // Every instruction gets the new payer account. When the store refuses,
            // the batch keeps its payer account and only the failure is shown.
            if (!PaymentTable(m_ctx.db()).setPayerOfAll(accNo.trimmed(), accName.trimmed())) {
                m_ctx.prompt.message(u"批量支付付款账号保存失败"_s);
                return;
            }
            m_ctx.batchPayAccNo = accNo;
            m_ctx.batchPayAccName = accName;
            if (m_parentForm)
                m_parentForm->resetPaymentB2B();
        } else {
            m_ctx.batchPayAccNo = accNo;
            m_ctx.batchPayAccName = accName;
        }
    }
    if (!m_ctx.batchPayAccNo.isEmpty()) {
        m_ctx.prompt.message(u"批量付款账号保存成功\n本次批量付款的付款账号为："_s + m_ctx.batchPayAccNo
            + u"\n请点击 '新增指令' 按钮添加付款记录"_s);
    }
    accept();
}

void frmPayAcc::cmdClose_Click()
{
    reject();
}
