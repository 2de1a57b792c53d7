#include "PayrollTest.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/TabPage.h"
#include "app/frmMain.h"
#include "payroll/frmBatchLaborage.h"

#include <QComboBox>
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
