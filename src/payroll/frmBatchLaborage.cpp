#include "payroll/frmBatchLaborage.h"

#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
// The largest serial number as read (a whole or decimal number), rounded down;
// none when it is not a number that leaves room for a batch after it.
std::optional<qint64> wholeNumber(const QString& text)
{
    bool ok = false;
    const double value = std::floor(text.trimmed().toDouble(&ok));
    if (!ok || !std::isfinite(value) || std::abs(value) > 9e15)
        return std::nullopt;
    return static_cast<qint64>(value);
}
} // namespace

frmBatchLaborage::frmBatchLaborage(AppContext& ctx, MainWindowServices* main, QWidget* parent)
    : QDialog(parent ? parent
            : main   ? main->dialogParent()
                     : nullptr)
    , m_ctx(ctx)
    , m_main(main)
{
    setObjectName(u"frmBatchLaborage"_s);
    setWindowTitle(u"按组批量新增指令"_s);

    auto* label1 = new QLabel(u"选择组号："_s);
    label1->setObjectName(u"Label1"_s);
    m_combGroupNo = new QComboBox;
    m_combGroupNo->setObjectName(u"combGroupNo"_s);
    m_combGroupNo->setMinimumWidth(220);
    auto* note1 = new QLabel(u"注：1.选择组号，点击确定后，系统导入该组所有收款人于工资列表"_s);
    auto* note2 = new QLabel(u"    2.所有导入收款人工资金额为0，需逐笔修改以完成指令"_s);
    note1->setObjectName(u"Label2_0"_s);
    note2->setObjectName(u"Label2_1"_s);
    auto* command1 = new QPushButton(u"确定"_s);
    command1->setObjectName(u"Command1"_s);
    auto* command2 = new QPushButton(u"取消"_s);
    command2->setObjectName(u"Command2"_s);

    auto* group = new QHBoxLayout;
    group->addWidget(label1);
    group->addWidget(m_combGroupNo, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(command1);
    buttons->addWidget(command2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(group);
    layout->addWidget(note1);
    layout->addWidget(note2);
    layout->addLayout(buttons);

    connect(command1, &QPushButton::clicked, this, &frmBatchLaborage::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &frmBatchLaborage::Command2_Click);
    Form_Load();
}

void frmBatchLaborage::Form_Load()
{
    if (!m_ctx.sysIconPath.isEmpty() && QFileInfo(m_ctx.sysIconPath).isFile())
        setWindowIcon(QIcon(m_ctx.sysIconPath));
    m_combGroupNo->setEditable(true);
    m_combGroupNo->setInsertPolicy(QComboBox::NoInsert);
    m_combGroupNo->clear();
    m_ctx.db().QueryEach(u"select distinct group_no from person_payee_acc order by group_no "_s, {},
        [this](const RecordView& r) { m_combGroupNo->addItem(r.text(0)); });
    m_combGroupNo->setCurrentIndex(m_combGroupNo->count() > 0 ? 0 : -1);
}

void frmBatchLaborage::Command1_Click()
{
    // A group typed by hand is used as typed.
    const QString group = m_combGroupNo->currentText().trimmed();
    struct Member {
        QString accNo;
        QString accType;
        QString netNo;
    };
    std::vector<Member> members;
    if (!m_ctx.db().QueryEach(
            u"select acc_no,acc_type,net_no from person_payee_acc where group_no = ? and acc_type='0'"_s, { group },
            [&](const RecordView& r) {
                members.push_back({ r.text(0).trimmed(), r.text(1).trimmed(), r.text(2).trimmed() });
            }))
        return;

    DBAccess& db = m_ctx.db();
    if (!db.BeginTrans()) {
        m_ctx.prompt.message(u"添加指令失败，失败位置："_s + (members.empty() ? QString() : members.front().accNo));
        return;
    }
    // Inside the transaction the largest number already counts the members
    // added before, so the batch gets consecutive numbers. A largest number
    // that cannot be read stops the batch before its first member: numbering
    // from 1 would repeat the numbers that change and delete find rows by.
    qint64 next = 1;
    if (!members.empty()) {
        const auto max = db.Query(u"select max(serial_no) as personNo from laborage"_s);
        const std::optional<qint64> last
            = max && !max->isEmpty() ? wholeNumber(fieldToNumberText(max->value(0, u"personNo"_s))) : std::nullopt;
        if (!last) {
            db.Rollback();
            m_ctx.prompt.message(u"添加指令失败，失败位置："_s + members.front().accNo);
            return;
        }
        next = *last + 1;
    }
    for (const Member& m : members) {
        const auto existing = db.Query(u"select count(*) as num from laborage where acc_no = ?"_s, { m.accNo });
        if (existing && existing->value(0, u"num"_s).toLongLong() != 0) {
            if (!m_ctx.prompt.askOkCancel(u"账号'"_s + m.accNo + u"' 的代发记录已存在，请确认是否要继续保存?"_s)) {
                db.Rollback();
                m_ctx.prompt.message(u"批量新增指令失败，请删除重复账号！"_s);
                reject();
                return;
            }
        }
        if (!existing
            || !db.Insert(
                u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,?,?,?,'')"_s,
                { QString::number(next), m.accNo, removeCommas(u"0"_s), m.accType, m.netNo })) {
            db.Rollback();
            m_ctx.prompt.message(u"添加指令失败，失败位置："_s + m.accNo);
            return;
        }
        ++next;
    }
    if (!db.Commit()) {
        db.Rollback();
        m_ctx.prompt.message(u"添加指令失败，失败位置："_s + (members.empty() ? QString() : members.back().accNo));
        return;
    }
    if (m_main)
        m_main->resetLaborageIn();
    m_refreshed = true;
    m_ctx.prompt.message(u"批量新增指令成功，请逐笔维护工资金额。"_s);
    accept();
}

void frmBatchLaborage::Command2_Click()
{
    reject();
}

void frmBatchLaborage::done(int result)
{
    // The list always shows the table as the form leaves it.
    if (m_main && !m_refreshed)
        m_main->resetLaborageIn();
    QDialog::done(result);
}
