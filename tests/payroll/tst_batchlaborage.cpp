#include "GuiTest.h"
#include "PayrollTest.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/TabPage.h"
#include "app/frmMain.h"
#include "payroll/frmBatchLaborage.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace payrolltest;

namespace {
// Five in-bank members and one other-bank member of group "一组"; the third
// in-bank member already has an instruction (serial 7).
void addGroup(TestEnv& env)
{
    for (int i = 1; i <= 5; ++i)
        addRoster(env, u"622848000%1"_s.arg(i), u"员工%1"_s.arg(i), QString::number(i));
    addRoster(env, u"955880000"_s, u"外行"_s, u"6"_s, u"一组"_s, u"1"_s);
    addRoster(env, u"622848999"_s, u"别组"_s, u"7"_s, u"二组"_s);
    addInstruction(env, 7, u"6228480003"_s, u"50"_s);
}

std::unique_ptr<frmBatchLaborage> open(TestEnv& env, const QString& group)
{
    env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    auto form = std::make_unique<frmBatchLaborage>(env.ctx(), &env.window());
    form->findChild<QComboBox*>(u"combGroupNo"_s)->setEditText(group);
    return form;
}
} // namespace

class TestBatchLaborage : public QObject {
    Q_OBJECT
private slots:
    void groupGetsConsecutiveInstructions()
    {
        TestEnv env;
        addGroup(env);
        auto form = open(env, u"一组"_s);
        QCOMPARE(form->findChild<QComboBox*>(u"combGroupNo"_s)->count(), 2);
        env.prompt.answerOk(); // the third member's second instruction
        form->Command1_Click();
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"账号'6228480003' 的代发记录已存在，请确认是否要继续保存?"_s,
                u"批量新增指令成功，请逐笔维护工资金额。"_s }));
        QCOMPARE(env.scalar(u"select sum(pay_amount) from laborage where serial_no>7"_s).toInt(), 0);
        QCOMPARE(
            env.scalar(u"select group_concat(serial_no) from (select serial_no from laborage order by serial_no)"_s)
                .toString(),
            u"7,8,9,10,11,12"_s);
        QCOMPARE(env.scalar(u"select count(*) from laborage where acc_no='955880000'"_s).toInt(), 0);
        ListGrid* grid = env.window().page(frmMain::TabLaborage)->grid();
        QCOMPARE(grid->rows(), 7);
        QCOMPARE(grid->textMatrix(6, 6), u"0.00"_s);
    }

    void cancelAtTheThirdMemberUndoesTheGroup()
    {
        TestEnv env;
        addGroup(env);
        const QString before = dump(env);
        auto form = open(env, u"一组"_s);
        env.prompt.answerCancel();
        form->Command1_Click();
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"账号'6228480003' 的代发记录已存在，请确认是否要继续保存?"_s,
                u"批量新增指令失败，请删除重复账号！"_s }));
        QCOMPARE(dump(env), before);
        QVERIFY(!env.db().inTransaction());
    }

    // When the largest serial number cannot be read, the batch stops before
    // its first member and writes nothing: numbering from 1 would give the new
    // instructions the numbers of existing ones.
    void unreadableLargestNumberWritesNothing()
    {
        TestEnv env;
        addGroup(env);
        addInstruction(env, 1, u"622848999"_s, u"20"_s);
        // The table behind a view whose serial number fails to read for any row;
        // inserts still reach the table.
        env.exec(u"alter table laborage rename to laborage_rows"_s);
        env.exec(u"create view laborage as select json(acc_no||'{') as serial_no,acc_no,pay_amount,acc_type,"
                 u"net_no,remark from laborage_rows"_s);
        env.exec(u"create trigger laborage_insert instead of insert on laborage begin insert into laborage_rows "
                 u"values (new.serial_no,new.acc_no,new.pay_amount,new.acc_type,new.net_no,new.remark); end"_s);
        const QString before
            = env.scalar(u"select group_concat(serial_no||','||acc_no,'|') from laborage_rows"_s).toString();
        auto form = open(env, u"一组"_s);
        form->show();
        env.prompt.clear();
        QTest::mouseClick(form->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QCOMPARE(env.prompt.calls().size(), 2);
        QCOMPARE(env.prompt.calls().at(0).kind, RecordingPrompt::Kind::Critical);
        QCOMPARE(env.prompt.calls().at(0).title, u"SQL error"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"添加指令失败，失败位置：6228480001"_s });
        QCOMPARE(
            env.scalar(u"select group_concat(serial_no||','||acc_no,'|') from laborage_rows"_s).toString(), before);
        QVERIFY(!env.db().inTransaction());
        QVERIFY(form->isVisible());
    }

    // 跳过 beside the question leaves one listed account out and goes on
    // with the group; 取消 still undoes the whole group. The question is a
    // real box with three buttons, answered by a click.
    void skipLeavesOutOneAccount_data()
    {
        QTest::addColumn<QList<int>>("answers"); // per listed member: 0 OK, 1 跳过, 2 取消
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("instructions"); // account:count of every roster account with one
        QTest::newRow("skip both") << QList<int> { 1,
            1 } << u"批量新增指令成功，请逐笔维护工资金额。\n新增 3 笔指令，跳过 2 个已有代发记录的账号。"_s
                                   << u"6228480001:1,6228480002:1,6228480003:1,6228480004:1,6228480005:1"_s;
        QTest::newRow("OK, then skip") << QList<int> { 0,
            1 } << u"批量新增指令成功，请逐笔维护工资金额。\n新增 4 笔指令，跳过 1 个已有代发记录的账号。"_s
                                       << u"6228480001:1,6228480002:2,6228480003:1,6228480004:1,6228480005:1"_s;
        QTest::newRow("skip, then cancel")
            << QList<int> { 1, 2 } << u"批量新增指令失败，请删除重复账号！"_s << u"6228480002:1,6228480004:1"_s;
    }
    void skipLeavesOutOneAccount()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, said);
        QFETCH(QString, instructions);
        TestEnv env;
        for (int i = 1; i <= 5; ++i)
            addRoster(env, u"622848000%1"_s.arg(i), u"员工%1"_s.arg(i), QString::number(i));
        addInstruction(env, 1, u"6228480002"_s, u"50"_s);
        addInstruction(env, 2, u"6228480004"_s, u"60"_s);
        GuiTest gui(env.prompt);
        gui.show(env.window());
        auto form = open(env, u"一组"_s);
        gui.show(*form);
        for (const int answer : answers) {
            if (answer == 0)
                env.prompt.answerOk();
            else if (answer == 1)
                env.prompt.answerSkip();
            else
                env.prompt.answerCancel();
        }
        gui.click(u"Command1"_s);
        QStringList expected;
        const QStringList listed { u"6228480002"_s, u"6228480004"_s };
        for (qsizetype i = 0; i < answers.size(); ++i)
            expected << u"账号'%1' 的代发记录已存在，请确认是否要继续保存?"_s.arg(listed.at(i));
        expected << said;
        QCOMPARE(gui.boxes(), expected);
        QVERIFY(env.prompt.allAnswersUsed());
        QCOMPARE(env.scalar(u"select group_concat(acc_no||':'||n) from (select acc_no,count(*) as n from laborage"
                            u" group by acc_no order by acc_no)"_s)
                     .toString(),
            instructions);
        QVERIFY(!env.db().inTransaction());
    }

    void typedGroupIsUsedAsTyped_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("added");
        QTest::newRow("other group, blanks trimmed") << u" 二组 "_s << 1;
        QTest::newRow("unknown group") << u"三组"_s << 0;
    }
    void typedGroupIsUsedAsTyped()
    {
        QFETCH(QString, group);
        QFETCH(int, added);
        TestEnv env;
        addGroup(env);
        auto form = open(env, group);
        form->Command1_Click();
        QCOMPARE(env.prompt.texts(), QStringList({ u"批量新增指令成功，请逐笔维护工资金额。"_s }));
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 1 + added);
    }
};

QELVORA_TEST(TestBatchLaborage)
#include "tst_batchlaborage.moc"
