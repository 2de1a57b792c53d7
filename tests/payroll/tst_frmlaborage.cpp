#include "PayrollTest.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "payroll/frmLaborage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace payrolltest;

namespace {
// The dialog as the payroll tab opens it, with amounts editable.
struct Dialog {
    explicit Dialog(TestEnv& env, bool add = true)
    {
        env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
        env.ctx().fieldRules.ruleFor(6).canEdit = true;
        dlg = std::make_unique<frmLaborage>(env.ctx(), &env.window());
        dlg->setParentForm(&env.window());
        dlg->setPayIdx(1);
        if (add)
            dlg->setAddMode(true);
    }
    template <class T> T* get(const QString& name) { return dlg->findChild<T*>(name); }
    QLineEdit* amount() { return get<QLineEdit>(u"txtAmount"_s); }
    void type(const QString& text)
    {
        amount()->clear();
        QTest::keyClicks(amount(), text);
    }
    std::unique_ptr<frmLaborage> dlg;
};
} // namespace

class TestFrmLaborage : public QObject {
    Q_OBJECT
private slots:
    void amountTyping_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("whileTyping");
        QTest::addColumn<QString>("afterLeaving");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("1234.5") << u"1234.5"_s << u"1,234.5"_s << u"1,234.50"_s << QStringList();
        QTest::newRow("not a number") << u"12a"_s << QString() << QString() << QStringList { u"金额格式错误"_s };
        QTest::newRow("exactly 1E11") << u"100000000000"_s << u"100,000,000,000"_s << u"100,000,000,000.00"_s
                                      << QStringList();
        QTest::newRow("1E11 + 0.01") << u"100000000000.01"_s << QString() << QString()
                                     << QStringList { u"金额超过系统最大单笔限制"_s };
        QTest::newRow("zero") << u"0.00"_s << u"0.00"_s << QString() << QStringList { u"金额必须大于零元"_s };
    }
    void amountTyping()
    {
        QFETCH(QString, typed);
        QFETCH(QString, whileTyping);
        QFETCH(QString, afterLeaving);
        QFETCH(QStringList, messages);
        TestEnv env;
        Dialog d(env);
        d.type(typed);
        QCOMPARE(d.amount()->text(), whileTyping);
        d.dlg->txtAmount_LostFocus();
        QCOMPARE(d.amount()->text(), afterLeaving);
        QCOMPARE(env.prompt.messages(), messages);
        if (typed == u"1234.5"_s)
            QCOMPARE(d.get<QLabel>(u"lblCnPayAmount"_s)->text(), u"壹仟贰佰叁拾肆元伍角"_s);
    }

    void editableByTheRulesOfFieldsFiveAndSix()
    {
        TestEnv env;
        env.ctx().fieldRules.ruleFor(10).canEdit = true; // the payroll's own amount rule does not count
        env.ctx().fieldRules.ruleFor(6).canEdit = false;
        frmLaborage dlg(env.ctx());
        QVERIFY(!dlg.findChild<QLineEdit*>(u"txtAmount"_s)->isEnabled());
        env.ctx().fieldRules.ruleFor(6).canEdit = true;
        frmLaborage dlg2(env.ctx());
        QVERIFY(dlg2.findChild<QLineEdit*>(u"txtAmount"_s)->isEnabled());
    }

    void addAsksForASecondInstructionOfAnAccount()
    {
        TestEnv env;
        addRoster(env, u"6228480033334444"_s, u"李四"_s, u"2"_s);
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        Dialog d(env);
        // The lists are sorted by account and kept in step.
        auto* name = d.get<QComboBox>(u"comboName"_s);
        name->setCurrentIndex(1);
        d.dlg->comboName_Click();
        QCOMPARE(d.get<QComboBox>(u"comboAccNo"_s)->currentText(), u"6228480033334444"_s);
        QCOMPARE(d.get<QComboBox>(u"comboEmployeeNo"_s)->currentText(), u"2"_s);
        d.type(u"1,234.5"_s);
        d.get<QComboBox>(u"comboRemark"_s)->setEditText(u" 工资 "_s);
        d.dlg->cmdAdd_Click();
        QCOMPARE(env.prompt.texts(), QStringList({ u"新建指令成功"_s }));
        QCOMPARE(dump(env), u"1,6228480033334444,1234.5,0, 工资 "_s);
        QCOMPARE(d.get<QLabel>(u"lblPayIdx"_s)->text(), u"2"_s);
        QCOMPARE(env.window().statusPanelText(2), u"1"_s);

        // Same account again: Cancel writes nothing, OK adds the next number.
        name->setCurrentIndex(1);
        d.dlg->comboName_Click();
        d.type(u"10"_s);
        env.prompt.clear();
        env.prompt.answerCancel();
        d.dlg->cmdAdd_Click();
        QCOMPARE(env.prompt.texts(), QStringList({ u"该账号的代发记录已存在，请确认是否要继续保存?"_s }));
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 1);
        env.prompt.answerOk();
        d.dlg->cmdAdd_Click();
        QCOMPARE(dump(env), u"1,6228480033334444,1234.5,0, 工资 |2,6228480033334444,10,0,"_s);
    }

    void changeKeepsTheAccountAndTheStoredRemark()
    {
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        addRoster(env, u"6228480033334444"_s, u"李四"_s, u"2"_s);
        addInstruction(env, 40000, u"6228480033334444"_s, u"200"_s, u"0"_s, u" 奖金 "_s);
        Dialog d(env, false);
        d.dlg->setRecordValue(u"40000"_s, u"6228480033334444"_s, u"行内"_s, QString(), u"200.00"_s, u" 奖金 "_s);
        d.dlg->setAddMode(false);
        QCOMPARE(d.get<QComboBox>(u"comboName"_s)->currentText(), u"李四"_s);
        QCOMPARE(d.get<QComboBox>(u"comboEmployeeNo"_s)->currentText(), u"2"_s);
        QVERIFY(!d.get<QComboBox>(u"comboAccNo"_s)->isEnabled());
        QVERIFY(d.get<QLineEdit>(u"txtNetNo"_s)->isHidden());
        QVERIFY(d.get<QRadioButton>(u"optRecAccType_1"_s)->isHidden());
        QVERIFY(!d.get<QPushButton>(u"cmdAdd"_s)->isEnabled());
        d.type(u"300"_s);
        d.dlg->cmdUpdate_Click();
        QCOMPARE(env.prompt.texts(), QStringList({ u"修改指令成功"_s }));
        QCOMPARE(dump(env), u"40000,6228480033334444,300,0, 奖金 "_s);
        QCOMPARE(d.dlg->result(), int(QDialog::Accepted));
    }

    void deleteOne()
    {
        TestEnv env;
        addRoster(env, u"6228480033334444"_s, u"李四"_s, u"2"_s);
        addInstruction(env, 40000, u"6228480033334444"_s, u"200"_s);
        addInstruction(env, 40001, u"6228480033334444"_s, u"300"_s);
        Dialog d(env, false);
        d.dlg->setRecordValue(u"40001"_s, u"6228480033334444"_s, u"行内"_s, QString(), u"300.00"_s, QString());
        env.prompt.answerOk();
        d.dlg->cmdDelete_Click();
        QCOMPARE(env.prompt.texts(), QStringList({ u"是否确认要删除代发工资指令?"_s, u"删除指令成功"_s }));
        QCOMPARE(dump(env), u"40000,6228480033334444,200,0,"_s);
        QCOMPARE(env.window().statusPanelText(2), u"1"_s);
    }
};

QELVORA_TEST(TestFrmLaborage)
#include "tst_frmlaborage.moc"
