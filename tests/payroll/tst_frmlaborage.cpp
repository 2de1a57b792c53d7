#include "GuiTest.h"
#include "PayrollTest.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "payroll/Laborage.h"
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
// The dialog as the payroll tab opens it, with amounts editable; a new
// instruction's dialog is on screen at once, a change's once show() is called.
struct Dialog {
    explicit Dialog(TestEnv& env, bool add = true)
        : gui(env.prompt)
    {
        env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
        env.ctx().fieldRules.ruleFor(FieldId::PatchPayFile_PaySum).canEdit = true;
        dlg = std::make_unique<frmLaborage>(env.ctx(), &env.window());
        dlg->setParentForm(&env.window());
        dlg->setPayIdx(1);
        if (add) {
            dlg->setAddMode(true);
            show();
        }
    }
    void show() { gui.show(*dlg); }
    template <class T> T* get(const QString& name) { return dlg->findChild<T*>(name); }
    QLineEdit* amount() { return get<QLineEdit>(u"txtAmount"_s); }
    GuiTest gui;
    std::unique_ptr<frmLaborage> dlg;
};

// The stored instructions with their bank numbers, one a line.
QString dumpWithNetNo(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(line, '|') from (select serial_no||','||acc_no||','||pay_amount||','||"
                u"acc_type||','||net_no||','||ifnull(remark,'') as line from laborage order by serial_no)"_s)
        .toString();
}
} // namespace

class TestFrmLaborage : public QObject {
    Q_OBJECT
private slots:
    // Amounts typed with thousands separators are stored without them.
    void amountStoredExactly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("1,234.56") << u"1,234.56"_s << u"1234.56"_s;
        QTest::newRow("12,345") << u"12,345"_s << u"12345"_s;
        QTest::newRow("1234567.8") << u"1234567.8"_s << u"1234567.8"_s;
    }
    void amountStoredExactly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        Dialog d(env);
        d.gui.type(u"txtAmount"_s, typed);
        d.gui.type(u"comboRemark"_s, u"工资"_s);
        d.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"新建指令成功"_s }));
        QCOMPARE(env.scalar(u"select cast(pay_amount as text) from laborage"_s).toString(), stored);
    }

    // A remark is stored exactly as typed; the kept remarks are only offered.
    void remarkStaysAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter");
        QTest::newRow("prefix, Tab") << u"服"_s << false;
        QTest::newRow("between two kept remarks, Enter") << u"服务费"_s << true;
        QTest::newRow("other case") << u"abc"_s << true;
    }
    void remarkStaysAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        env.exec(u"insert into user_remark (remark) values ('服务'),('服务费用'),('ABC')"_s);
        Dialog d(env);
        d.gui.type(u"txtAmount"_s, u"100"_s);
        d.gui.type(u"comboRemark"_s, typed);
        enter ? d.gui.enter() : d.gui.tab();
        QCOMPARE(d.get<QComboBox>(u"comboRemark"_s)->currentText(), typed);
        d.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"新建指令成功"_s }));
        QCOMPARE(dump(env), u"1,6228480011112222,100,0,"_s + typed);
    }

    // The payee's name is required whatever rule 8 says: the upload file needs it.
    void payeeNameRequired()
    {
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, QString(), u"1"_s);
        env.ctx().fieldRules.ruleFor(FieldId::SubSalaryFile_PayeeName).notNull = false;
        Dialog d(env);
        d.gui.type(u"txtAmount"_s, u"100"_s);
        d.gui.type(u"comboRemark"_s, u"工资"_s);
        d.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"收款人名称不能为空"_s }));
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 0);
    }

    // An amount left empty is named, whatever rule 10 says; nothing is stored.
    void amountRequired()
    {
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        Dialog d(env);
        d.gui.type(u"comboRemark"_s, u"工资"_s);
        d.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"请输入金额"_s }));
        QCOMPARE(d.gui.focused(), u"txtAmount"_s);
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 0);
    }

    void editableByTheRulesOfFieldsFiveAndSix()
    {
        TestEnv env;
        env.ctx().fieldRules.ruleFor(FieldId::SubSalaryFile_Sum).canEdit
            = true; // the payroll's own amount rule does not count
        env.ctx().fieldRules.ruleFor(FieldId::PatchPayFile_PaySum).canEdit = false;
        frmLaborage dlg(env.ctx());
        QVERIFY(!dlg.findChild<QLineEdit*>(u"txtAmount"_s)->isEnabled());
        env.ctx().fieldRules.ruleFor(FieldId::PatchPayFile_PaySum).canEdit = true;
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
        d.gui.pick(u"comboName"_s, 1);
        QCOMPARE(d.get<QComboBox>(u"comboAccNo"_s)->currentText(), u"6228480033334444"_s);
        QCOMPARE(d.get<QComboBox>(u"comboEmployeeNo"_s)->currentText(), u"2"_s);
        d.gui.type(u"txtAmount"_s, u"1,234.5"_s);
        d.gui.type(u"comboRemark"_s, u" 工资 "_s);
        d.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"新建指令成功"_s }));
        QCOMPARE(dump(env), u"1,6228480033334444,1234.5,0, 工资 "_s);
        QCOMPARE(d.get<QLabel>(u"lblPayIdx"_s)->text(), u"2"_s);
        QCOMPARE(env.window().statusPanelText(2), u"1"_s);

        // Same account again: Cancel writes nothing, OK adds the next number.
        d.gui.clickEntry(u"comboAccNo"_s, 1);
        QCOMPARE(d.get<QComboBox>(u"comboName"_s)->currentText(), u"李四"_s);
        d.gui.type(u"txtAmount"_s, u"10"_s);
        env.prompt.clear();
        env.prompt.answerCancel();
        d.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"该账号的代发记录已存在，请确认是否要继续保存?"_s }));
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 1);
        env.prompt.answerOk();
        d.gui.click(u"cmdAdd"_s);
        QCOMPARE(dump(env), u"1,6228480033334444,1234.5,0, 工资 |2,6228480033334444,10,0,"_s);
    }

    // A new instruction takes the number after the largest stored one, read
    // as a whole number; one that leaves no room after it (or is no usable
    // number) writes nothing and says so, instead of a wrapped-around or
    // rounded number that could equal an existing one.
    void addNumbersAfterTheLargestStoredOne_data()
    {
        QTest::addColumn<QString>("largest");
        QTest::addColumn<QString>("expected"); // the new row's number; empty: refused
        QTest::newRow("small") << u"41"_s << u"42"_s;
        QTest::newRow("beyond a double's exact digits") << u"9007199254740993"_s << QString();
        QTest::newRow("decimal") << u"41.5"_s << u"42"_s;
        QTest::newRow("huge decimal") << u"1e300"_s << QString();
    }
    void addNumbersAfterTheLargestStoredOne()
    {
        QFETCH(QString, largest);
        QFETCH(QString, expected);
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type) values (%1,'622848999',5,'1')"_s.arg(
            largest));
        Dialog d(env);
        d.gui.pick(u"comboName"_s, 0);
        d.gui.type(u"txtAmount"_s, u"10"_s);
        d.gui.click(u"cmdAdd"_s);
        const QVariant added = env.scalar(u"select serial_no from laborage where acc_no='6228480011112222'"_s);
        if (expected.isEmpty()) {
            QCOMPARE(env.prompt.texts(), QStringList { u"新建指令失败"_s });
            QVERIFY(added.isNull());
        } else {
            QCOMPARE(env.prompt.texts(), QStringList { u"新建指令成功"_s });
            QCOMPARE(added.toString(), expected);
        }
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), expected.isEmpty() ? 1 : 2);
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
        d.show();
        QCOMPARE(d.get<QComboBox>(u"comboName"_s)->currentText(), u"李四"_s);
        QCOMPARE(d.get<QComboBox>(u"comboEmployeeNo"_s)->currentText(), u"2"_s);
        QVERIFY(!d.get<QComboBox>(u"comboAccNo"_s)->isEnabled());
        QVERIFY(d.get<QLineEdit>(u"txtNetNo"_s)->isHidden());
        QVERIFY(d.get<QRadioButton>(u"optRecAccType_1"_s)->isHidden());
        QVERIFY(!d.get<QPushButton>(u"cmdAdd"_s)->isEnabled());
        d.gui.type(u"txtAmount"_s, u"300"_s);
        d.gui.click(u"cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"修改指令成功"_s }));
        QCOMPARE(dump(env), u"40000,6228480033334444,300,0, 奖金 "_s);
        QCOMPARE(d.dlg->result(), int(QDialog::Accepted));
    }

    // Changed through the payroll tab: the amount typed with separators and
    // the remark land in their own columns, the account and the other
    // instruction stay as they were.
    void changeThroughTheTabStoresEveryColumn()
    {
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        addRoster(env, u"6228480033334444"_s, u"李四"_s, u"2"_s);
        addInstruction(env, 1, u"6228480011112222"_s, u"50"_s, u"0"_s, u"旧"_s);
        addInstruction(env, 2, u"6228480033334444"_s, u"200"_s, u"0"_s, u" 奖金 "_s);
        env.exec(u"update laborage set net_no='999'"_s);
        env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
        env.ctx().fieldRules.ruleFor(FieldId::PatchPayFile_PaySum).canEdit = true;
        GuiTest gui(env.prompt);
        gui.whenModal(u"frmLaborage"_s, [&](QWidget&) {
            QCOMPARE(gui.find<QComboBox>(u"comboRemark"_s)->currentText(), u" 奖金 "_s);
            gui.type(u"txtAmount"_s, u"2,345.67"_s);
            gui.type(u"comboRemark"_s, u"年终奖"_s);
            gui.click(u"cmdUpdate"_s);
        });
        env.window().page(frmMain::TabLaborage)->grid()->selectRows(2, 2, 2);
        env.click(u"Laborage_cmdUpdateBut"_s);
        QVERIFY(gui.modalStepsRan());
        QCOMPARE(env.prompt.texts(), QStringList({ u"修改指令成功"_s }));
        QCOMPARE(dumpWithNetNo(env), u"1,6228480011112222,50,0,999,旧|2,6228480033334444,2345.67,0,,年终奖"_s);
    }

    // An other-bank instruction keeps its bank number in net_no.
    void otherBankChangeStoresItsBankNumber()
    {
        TestEnv env;
        addRoster(env, u"6228480033334444"_s, u"李四"_s, u"2"_s);
        addInstruction(env, 40000, u"6228480033334444"_s, u"200"_s, u"1"_s, u"旧"_s);
        Dialog d(env, false);
        d.dlg->setRecordValue(u"40000"_s, u"6228480033334444"_s, u"跨行"_s, u"313100000013"_s, u"200.00"_s, u"旧"_s);
        d.dlg->setAddMode(false);
        d.show();
        QCOMPARE(d.get<QLineEdit>(u"txtNetNo"_s)->text(), u"313100000013"_s);
        d.gui.type(u"txtNetNo"_s, u"402100000018"_s);
        d.gui.type(u"txtAmount"_s, u"2,345.67"_s);
        d.gui.type(u"comboRemark"_s, u"年终奖"_s);
        d.gui.click(u"cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"修改指令成功"_s }));
        QCOMPARE(dumpWithNetNo(env), u"40000,6228480033334444,2345.67,1,402100000018,年终奖"_s);
    }

    void deleteOne()
    {
        TestEnv env;
        addRoster(env, u"6228480033334444"_s, u"李四"_s, u"2"_s);
        addInstruction(env, 40000, u"6228480033334444"_s, u"200"_s);
        addInstruction(env, 40001, u"6228480033334444"_s, u"300"_s);
        Dialog d(env, false);
        d.dlg->setRecordValue(u"40001"_s, u"6228480033334444"_s, u"行内"_s, QString(), u"300.00"_s, QString());
        d.dlg->setAddMode(false);
        d.show();
        env.prompt.answerOk();
        d.gui.click(u"cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"是否确认要删除代发工资指令?"_s, u"删除指令成功"_s }));
        QCOMPARE(dump(env), u"40000,6228480033334444,200,0,"_s);
        QCOMPARE(env.window().statusPanelText(2), u"1"_s);
    }
};

QELVORA_TEST(TestFrmLaborage)
#include "tst_frmlaborage.moc"
