#include "GuiTest.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/TabPage.h"
#include "app/frmMain.h"

#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {
const QString kPayer = u"3301008215901092812"_s;
const QString kCompany = u"华东示例科技有限公司"_s;
const QString kPayee = u"6230588526018159088"_s;
const QString kEmployee = u"6230588301661318609"_s;

// What the instruction dialogs say when their amount box is switched off.
const QString kAmountBoxOff
    = u"金额输入框未启用：请在“工具→选项”中为“付款金额”勾选“可编辑”。“工具”菜单平时隐藏：关闭本窗口后，"
      u"单击主窗口菜单栏最右端的空白处，即出现“工具”菜单；在“工具→选项”的“批量支付文件设定”中勾选“付款金额”"
      u"一行的“可编辑”，按“确定”保存，再重新打开本窗口。"_s;

QVariant scalar(DBAccess& db, const QString& sql)
{
    const auto rs = db.Query(sql);
    return rs && !rs->isEmpty() ? rs->value(0, 0) : QVariant();
}

// A test program folder started with the settings delivered with the program.
struct Delivered {
    Delivered()
    {
        writeBytes(env.path(u"sysConf.ini"_s), readAll(QStringLiteral(QELVORA_PROGRAM_DIR "/sysConf.ini")));
        env.window();
    }
    TestEnv env;
};
} // namespace

// A first day on a fresh installation: the program folder as the build lays it
// out lets a clerk enter master data and type amounts, with real keys.
class TestFirstDay : public QObject {
    Q_OBJECT
private slots:
    void clerkEntersAPaymentAndAPayroll()
    {
        // The program folder as the build laid it out, started as main() starts it.
        QTemporaryDir dir;
        for (const QString& name : { u"userdb.mdb"_s, u"sysConf.ini"_s })
            QVERIFY2(QFile::copy(QStringLiteral(QELVORA_PROGRAM_DIR "/") + name, dir.filePath(name)),
                qPrintable(u"the build laid out no "_s + name));
        RecordingPrompt prompt;
        prompt.fileFolders().useSettingsFile(dir.filePath(u"user-settings.conf"_s));
        AppContext ctx(prompt, dir.path());
        const std::unique_ptr<QLockFile> lock = lockProgramFolder(ctx);
        QVERIFY(lock);
        std::unique_ptr<frmMain> window;
        QCOMPARE(startProgram(ctx, window), 0);
        QVERIFY2(prompt.calls().isEmpty(), qPrintable(prompt.texts().join(u'\n')));
        // Only the data a user may have entered in the build's folder goes.
        for (const char16_t* table : { u"payment", u"laborage", u"pay_acc", u"payee_acc", u"person_payee_acc" })
            QVERIFY(ctx.db().Delete(u"delete from "_s + QString::fromUtf16(table)));

        GuiTest gui(prompt);
        gui.show(*window);
        QTabWidget* tabs = window->SSTabMain();

        // The master data, typed in.
        tabs->setCurrentIndex(frmMain::TabPayAccList);
        gui.type(u"PayAccList_txtAccNo"_s, kPayer);
        gui.type(u"PayAccList_txtAccName"_s, kCompany);
        gui.click(u"PayAccList_cmdAdd"_s);
        tabs->setCurrentIndex(frmMain::TabPayeeAccList);
        gui.type(u"PayeeAccList_txtPayeeAccNo"_s, kPayee);
        gui.type(u"PayeeAccList_txtPayeeAccName"_s, u"江南示例商贸有限公司"_s);
        gui.click(u"PayeeAccList_cmdAdd"_s);
        tabs->setCurrentIndex(frmMain::TabEmployeeList);
        gui.type(u"EmployeeList_txtAccNo"_s, kEmployee);
        gui.type(u"EmployeeList_txtAccName"_s, u"张伟"_s);
        gui.click(u"EmployeeList_cmdAdd"_s);
        QCOMPARE(prompt.messages(), QStringList({ u"新增付款账号成功"_s, u"新增收款账号成功"_s, u"新增账号成功"_s }));
        prompt.clear();

        // A payment: the payer account first, then the instruction.
        tabs->setCurrentIndex(frmMain::TabPaymentB2B);
        gui.whenModal(u"frmPayAcc"_s, [&](QWidget&) {
            gui.click(u"cmdOK"_s);
            gui.whenModal(u"frmPaymentB2B"_s, [&](QWidget& dialog) {
                QVERIFY(gui.find<QLineEdit>(u"txtAmount"_s)->isEnabled());
                gui.pick(u"comboRecAccNo"_s, 0);
                gui.type(u"txtAmount"_s, u"35600.5"_s);
                QCOMPARE(gui.find<QLineEdit>(u"txtAmount"_s)->text(), u"35,600.5"_s);
                gui.type(u"comboRemark"_s, u"货款"_s);
                gui.click(u"cmdAdd"_s);
                gui.click(u"cmdClose"_s);
                QVERIFY(!dialog.isVisible());
            });
        });
        gui.show(*window);
        gui.click(u"PaymentB2B_cmdNewBut"_s);
        QTRY_VERIFY(gui.modalStepsRan());

        // A payroll instruction for the one employee.
        gui.show(*window);
        tabs->setCurrentIndex(frmMain::TabLaborage);
        gui.whenModal(u"frmLaborage"_s, [&](QWidget&) {
            QVERIFY(gui.find<QLineEdit>(u"txtAmount"_s)->isEnabled());
            gui.type(u"txtAmount"_s, u"5800"_s);
            gui.type(u"comboRemark"_s, u"5月工资"_s);
            gui.click(u"cmdAdd"_s);
            gui.click(u"cmdClose"_s);
        });
        gui.click(u"Laborage_cmdNewBut"_s);
        QTRY_VERIFY(gui.modalStepsRan());

        QCOMPARE(prompt.messages().mid(1),
            QStringList({ u"新建指令成功"_s, u"新建指令成功"_s })); // after the payer account's confirmation
        QCOMPARE(scalar(ctx.db(),
                     u"select group_concat(pay_acc_no||','||rec_acc_type||','||rec_acc_no||','||pay_amt||','||remark)"
                     u" from payment"_s)
                     .toString(),
            kPayer + u",0,"_s + kPayee + u",35600.5,货款"_s);
        QCOMPARE(
            scalar(ctx.db(), u"select group_concat(acc_no||','||pay_amount||','||remark) from laborage"_s).toString(),
            kEmployee + u",5800,5月工资"_s);
        window.reset();
    }

    // Where the settings switch an amount box off, the dialog says so and how
    // to switch it on, instead of failing without a reason.
    void switchedOffAmountBoxIsNamed_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("batch payment") << int(frmMain::TabPaymentB2B) << u"frmPaymentB2B"_s;
        QTest::newRow("payroll") << int(frmMain::TabLaborage) << u"frmLaborage"_s;
    }
    void switchedOffAmountBoxIsNamed()
    {
        QFETCH(int, tab);
        QFETCH(QString, dialog);
        TestEnv env; // the default settings: no box editable
        env.exec(
            u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values (?,'张三','0','','','')"_s,
            { kPayee });
        env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no)"
                 u" values (1,'一组',?,'张伟','1','0','')"_s,
            { kEmployee });
        frmMain& w = env.window();
        // The batch's payer account, as 付款账号维护 sets it.
        env.ctx().batchPayAccNo = kPayer;
        env.ctx().batchPayAccName = kCompany;
        GuiTest gui(env.prompt);
        gui.show(w);
        w.SSTabMain()->setCurrentIndex(tab);
        gui.whenModal(dialog, [&](QWidget&) {
            QVERIFY(!gui.find<QLineEdit>(u"txtAmount"_s)->isEnabled());
            if (tab == frmMain::TabPaymentB2B)
                gui.pick(u"comboRecAccNo"_s, 0);
            gui.type(u"comboRemark"_s, u"货款"_s);
            gui.click(u"cmdAdd"_s);
        });
        env.click(tab == frmMain::TabPaymentB2B ? u"PaymentB2B_cmdNewBut"_s : u"Laborage_cmdNewBut"_s);
        QVERIFY(gui.modalStepsRan());
        QCOMPARE(env.prompt.messages(), QStringList { kAmountBoxOff });
        QCOMPARE(env.scalar(u"select (select count(*) from payment)+(select count(*) from laborage)"_s).toInt(), 0);
    }

    // The delivered rules on the payee screen: an in-bank payee needs no bank
    // number; an other-bank one needs the bank number its payments need.
    void deliveredRulesOnThePayeeScreen_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("netNo");
        QTest::addColumn<QString>("message");
        QTest::newRow("in-bank") << 0 << QString() << u"新增收款账号成功"_s;
        QTest::newRow("other-bank without bank number")
            << 1 << QString() << u"收款帐户维护:收款方联行号不能为空，请重新输入。"_s;
        QTest::newRow("other-bank") << 1 << u"313290000017"_s << u"新增收款账号成功"_s;
        QTest::newRow("bank number too long")
            << 1 << u"3132900000171"_s << u"收款帐户维护:收款方联行号输入错误,最大位数为12。"_s;
    }
    void deliveredRulesOnThePayeeScreen()
    {
        QFETCH(int, kind);
        QFETCH(QString, netNo);
        QFETCH(QString, message);
        Delivered d;
        frmMain& w = d.env.window();
        GuiTest gui(d.env.prompt);
        gui.show(w);
        w.SSTabMain()->setCurrentIndex(frmMain::TabPayeeAccList);
        d.env.find<QTabBar>(u"PayeeAccList_tabAccType"_s)->setCurrentIndex(kind);
        gui.type(u"PayeeAccList_txtPayeeAccNo"_s, kPayee);
        gui.type(u"PayeeAccList_txtPayeeAccName"_s, u"江南示例商贸有限公司"_s);
        if (kind == 1)
            gui.type(u"PayeeAccList_txtPayeeNetNo"_s, netNo);
        gui.click(u"PayeeAccList_cmdAdd"_s);
        QCOMPARE(d.env.prompt.messages(), QStringList { message });
    }

    // The delivered rules with the payroll of a group: the group's instructions
    // start at 0.00, and each amount is then typed in the change dialog.
    void deliveredRulesWithAGroupPayroll()
    {
        Delivered d;
        TestEnv& env = d.env;
        env.exec(
            u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no)"
            u" values (1,'行政部',?,'张伟','A001','0',''),(2,'行政部','6230588199351819096','王芳','A002','0','')"_s,
            { kEmployee });
        frmMain& w = env.window();
        GuiTest gui(env.prompt);
        gui.show(w);
        w.SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
        gui.whenModal(u"frmBatchLaborage"_s, [&](QWidget&) {
            gui.pick(u"combGroupNo"_s, 0);
            gui.click(u"Command1"_s);
        });
        env.click(u"Laborage_cmdBatchNewBut"_s);
        QVERIFY(gui.modalStepsRan());
        QCOMPARE(env.scalar(u"select group_concat(pay_amount) from laborage"_s).toString(), u"0,0"_s);

        gui.show(w);
        ListGrid* grid = w.page(frmMain::TabLaborage)->grid();
        grid->selectRows(1, 1, 2);
        gui.whenModal(u"frmLaborage"_s, [&](QWidget&) {
            gui.type(u"txtAmount"_s, u"5800"_s);
            gui.type(u"comboRemark"_s, u"5月工资"_s);
            gui.click(u"cmdUpdate"_s);
        });
        env.click(u"Laborage_cmdUpdateBut"_s);
        QVERIFY(gui.modalStepsRan());
        QCOMPARE(
            env.prompt.messages(), QStringList({ u"批量新增指令成功，请逐笔维护工资金额。"_s, u"修改指令成功"_s }));
        QCOMPARE(env.scalar(u"select group_concat(acc_no||','||pay_amount||','||ifnull(remark,''),'|') from"
                            u" (select * from laborage order by serial_no)"_s)
                     .toString(),
            kEmployee + u",5800,5月工资|6230588199351819096,0,"_s);
    }
};

QELVORA_TEST(TestFirstDay)
#include "tst_firstday.moc"
