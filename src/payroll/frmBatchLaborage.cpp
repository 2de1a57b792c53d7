#include "payroll/frmBatchLaborage.h"

#include "app/MainWindowServices.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"
#include "domain/tables/LaborageTable.h"
#include "domain/tables/RosterTable.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

using namespace Qt::StringLiterals;

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
    m_combGroupNo->addItems(RosterTable(m_ctx.db()).groups().value_or({}));
    m_combGroupNo->setCurrentIndex(m_combGroupNo->count() > 0 ? 0 : -1);
}

void frmBatchLaborage::Command1_Click()
{
    // A group typed by hand is used as typed.
    const QString group = m_combGroupNo->currentText().trimmed();
    const auto members = RosterTable(m_ctx.db()).inBankEntriesOfGroup(group);
    if (!members)
        return;
    const auto failedAt = [&](const QString& accNo) { m_ctx.prompt.message(u"添加指令失败，失败位置："_s + accNo); };

    DBAccess& db = m_ctx.db();
    LaborageTable table(db);
    bool cancelled = false;
    int skipped = 0;
    qsizetype added = 0;
    {
        // The whole group or nothing: the guard rolls back every way out but the commit.
        Transaction tx(db);
        if (!tx.begun()) {
            failedAt(members->empty() ? QString() : members->front().accNo);
            return;
        }
        // Inside the transaction the largest number is that of the store as
        // the batch writes it, so the batch gets consecutive numbers after it.
        // A largest number that cannot be read stops the batch before its
        // first member: numbering from 1 would repeat the numbers that change
        // and delete find rows by.
        std::vector<LaborageRow> rows;
        if (!members->empty()) {
            const auto next = table.nextSerialNo();
            if (!next) {
                failedAt(members->front().accNo);
                return;
            }
            rows.reserve(members->size());
            for (const RosterTable::Entry& m : *members) {
                // An account with an instruction already is added only when the
                // user says so; 跳过 leaves it out and goes on with the group.
                const auto existing = table.hasAccount(m.accNo);
                if (!existing) {
                    failedAt(m.accNo);
                    return;
                }
                if (*existing) {
                    const OkSkipCancel answer = m_ctx.prompt.askOkSkipCancel(
                        u"账号'"_s + m.accNo + u"' 的代发记录已存在，请确认是否要继续保存?"_s);
                    if (answer == OkSkipCancel::Cancel) {
                        cancelled = true;
                        break;
                    }
                    if (answer == OkSkipCancel::Skip) {
                        ++skipped;
                        continue;
                    }
                }
                LaborageRow row;
                row.serialNo = *next + qint64(rows.size());
                row.accNo = m.accNo;
                row.payAmount = removeCommas(u"0"_s);
                row.accType = m.accType;
                row.netNo = m.netNo;
                row.remark = QString();
                rows.push_back(std::move(row));
            }
        }
        if (!cancelled) {
            if (const auto inserted = table.insertMany(rows); !inserted) {
                const qsizetype at = inserted.at();
                failedAt(at >= 0 && at < qsizetype(rows.size()) ? rows[size_t(at)].accNo : QString());
                return;
            }
            if (!tx.commit()) {
                failedAt(members->empty() ? QString() : members->back().accNo);
                return;
            }
            added = qsizetype(rows.size());
        }
    }
    if (cancelled) {
        m_ctx.prompt.message(u"批量新增指令失败，请删除重复账号！"_s);
        reject();
        return;
    }
    if (m_main)
        m_main->resetLaborageIn();
    m_refreshed = true;
    QString done = u"批量新增指令成功，请逐笔维护工资金额。"_s;
    if (skipped > 0)
        done += u"\n新增 %1 笔指令，跳过 %2 个已有代发记录的账号。"_s.arg(added).arg(skipped);
    m_ctx.prompt.message(done);
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
