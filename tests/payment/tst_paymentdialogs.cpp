#include "GuiTest.h"
#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "payment/PaymentB2B.h"
#include "payment/frmPayAcc.h"
#include "payment/frmPaymentB2B.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <deque>
#include <functional>
#include <optional>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompt::Kind;

namespace {
const QString kPayer = u"6228480012345678"_s;
const QString kPayerName = u"某某贸易有限公司"_s;
const QString kInBankPayee = u"6222000011112222"_s;
const QString kOtherBankPayee = u"955880001"_s;

// The store and settings the dialogs are tried with: one payer account, one
// payee of each kind, two remarks; payee number, name, amount and remark required.
void prepare(TestEnv& env)
{
    env.window();
    env.exec(u"insert into pay_acc (acc_no,acc_name) values (?,?),('6228480099999999','另一公司')"_s,
        { kPayer, kPayerName });
    env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values"
             u" (?,'张三','0','0101','',''),(?,'李四','1','','020','313100000013')"_s,
        { kInBankPayee, kOtherBankPayee });
    env.exec(u"insert into user_remark (remark) values ('货款'),('工资')"_s);
    FieldRules& rules = env.ctx().fieldRules;
    for (int id = 1; id <= 7; ++id)
        rules.ruleAt(id).canEdit = true;
    rules.ruleFor(FieldId::PatchPayFile_GatherAccountNo).label = u"批量支付文件:收款帐号"_s;
    rules.ruleFor(FieldId::PatchPayFile_GatherAccountNo).notNull = true;
    rules.ruleFor(FieldId::PatchPayFile_GatherAccountName).notNull = true;
    env.ctx().batchPayAccNo = kPayer;
    env.ctx().batchPayAccName = kPayerName;
}

template <class T> T* child(QWidget& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

// Fills the entries of the instruction dialog as a user would: the kind, the
// payee number and name, the three detail boxes, the amount (typed, or put in
// without the typing checks when `raw`) and the remark.
struct Entry {
    int kind = 0;
    QString accNo = kInBankPayee;
    QString accName = u"张三"_s;
    QString bankId = u"0101"_s;
    QString areaNo;
    QString netNo;
    QString amount = u"100"_s;
    QString remark = u"货款"_s;
};

void fill(QDialog& d, const Entry& e, bool raw = false)
{
    child<QRadioButton>(d, u"optRecAccType%1"_s.arg(e.kind))->click();
    child<QComboBox>(d, u"comboRecAccNo"_s)->setEditText(e.accNo);
    child<QComboBox>(d, u"comboRecAccName"_s)->setEditText(e.accName);
    child<QLineEdit>(d, u"txtRecBankId"_s)->setText(e.bankId);
    child<QLineEdit>(d, u"txtAreaNo"_s)->setText(e.areaNo);
    child<QLineEdit>(d, u"txtNetNo"_s)->setText(e.netNo);
    auto* amount = child<QLineEdit>(d, u"txtAmount"_s);
    {
        std::optional<QSignalBlocker> block;
        if (raw)
            block.emplace(amount);
        amount->setText(e.amount);
    }
    child<QComboBox>(d, u"comboRemark"_s)->setEditText(e.remark);
}

qlonglong count(TestEnv& env, const QString& sql)
{
    return env.scalar(sql).toLongLong();
}

// The tab with real dialogs; each shown dialog is handed to the next driver.
struct Tab {
    explicit Tab(TestEnv& env)
        : page(static_cast<PaymentB2B*>(env.window().page(frmMain::TabPaymentB2B)))
    {
        installPaymentDialogs(*page, env.ctx(), env.window(), [this](QDialog& d) {
            d.show();
            QVERIFY2(!drivers.empty(), "a dialog opened without a driver");
            auto driver = std::move(drivers.front());
            drivers.pop_front();
            driver(d);
            shown << d.objectName();
        });
    }
    PaymentB2B* page;
    std::deque<std::function<void(QDialog&)>> drivers;
    QStringList shown;
};

// The entry dialog on screen for a new instruction, driven by keys and clicks.
struct OnScreen {
    explicit OnScreen(TestEnv& env)
        : gui(env.prompt)
        , dialog(env.ctx(), &env.window())
    {
        dialog.setParentForm(&env.window());
        gui.show(dialog);
    }
    template <class T> T* get(const QString& name) { return gui.find<T>(name); }
    QString text(const QString& name)
    {
        if (auto* combo = qobject_cast<QComboBox*>(gui.widget(name)))
            return combo->currentText();
        return get<QLineEdit>(name)->text();
    }
    GuiTest gui;
    frmPaymentB2B dialog;
};

// The stored instructions, one a line in serial-number order: kind, payee
// number and name, branch, area and bank numbers, amount, remark.
QString payments(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(line, '|') from (select rec_acc_type||','||rec_acc_no||','||rec_acc_name||','||"
                u"rec_bank_id||','||rec_area_no||','||rec_net_no||','||pay_amt||','||remark as line"
                u" from payment order by serial_no)"_s)
        .toString();
}

void addInstruction(TestEnv& env, const QString& serial, const QString& recAccNo, const QString& amount)
{
    env.exec(
        u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
        u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,'0',?,'张三','','','',?,'货款','')"_s,
        { serial, kPayer, kPayerName, recAccNo, amount });
}
} // namespace

Q_DECLARE_METATYPE(Entry)

class TestPaymentDialogs : public QObject {
    Q_OBJECT
private slots:
    void checksInOrder_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<bool>("kindMismatch");
        QTest::addColumn<QString>("message");
        const QString ok = u"新建指令成功"_s;
        Entry e;
        QTest::newRow("valid in-bank") << e << false << ok;
        Entry other { 1, kOtherBankPayee, u"李四"_s, {}, u"020"_s, u"313100000013"_s };
        QTest::newRow("valid other-bank") << other << false << ok;
        Entry x = e;
        x.accNo.clear();
        QTest::newRow("rule 1") << x << false << u"批量支付文件:收款帐号不能为空，请重新输入。"_s;
        x = e;
        x.accName = u"王五"_s;
        QTest::newRow("name") << x << false << u"收款账户的户名与已维护的收款记录不符"_s;
        QTest::newRow("kind") << e << true << u"收款账户的类型与已维护的收款账户记录不符"_s;
        x = e;
        x.bankId.clear();
        QTest::newRow("branch") << x << false << u"收款账户的开户网点号与已维护的收款账户记录不符"_s;
        x = other;
        x.areaNo = u"021"_s;
        QTest::newRow("area") << x << false << u"收款账户的地区号与已维护的收款账户记录不符"_s;
        x = other;
        x.netNo = u"999"_s;
        QTest::newRow("net number") << x << false << u"收款账户的联行号与已维护的收款账户记录不符"_s;
        x = e;
        x.amount.clear();
        QTest::newRow("no amount") << x << false << u"请输入金额"_s;
        x.amount = u"12a"_s;
        QTest::newRow("amount format") << x << false << u"金额格式错误"_s;
        x.amount = u"100,000,000,000.01"_s;
        QTest::newRow("one cent above the limit") << x << false << u"金额范围超过系统限制"_s;
        x.amount = u"100000000000.00"_s;
        QTest::newRow("the limit itself") << x << false << ok;
        x.amount = u"0"_s;
        QTest::newRow("zero") << x << false << u"金额必须大于零元"_s;
        x = e;
        x.remark = u"  "_s;
        QTest::newRow("no remark") << x << false << u"请输入备注"_s;
        x.remark = QString(61, u'备');
        QTest::newRow("61-character remark") << x << false << u"备注长度超过最长60位的长度"_s;
        x.remark = QString(60, u'备');
        QTest::newRow("60-character remark") << x << false << ok;
        x = other;
        x.accNo = kPayer;
        x.accName = u"任意"_s;
        QTest::newRow("same account") << x << false << u"转入转出账号相同"_s;
    }
    void checksInOrder()
    {
        QFETCH(Entry, entry);
        QFETCH(bool, kindMismatch);
        QFETCH(QString, message);
        TestEnv env;
        prepare(env);
        frmPaymentB2B d(env.ctx());
        d.setParentForm(&env.window());
        fill(d, entry, true);
        if (kindMismatch)
            child<QRadioButton>(d, u"optRecAccType1"_s)->setChecked(true);
        d.cmdAdd_Click();
        QCOMPARE(env.prompt.texts(), QStringList { message });
        QCOMPARE(count(env, u"select count(*) from payment"_s), message == u"新建指令成功"_s ? 1 : 0);
    }

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
        prepare(env);
        OnScreen s(env);
        s.gui.pick(u"comboRecAccNo"_s, 0);
        s.gui.type(u"txtAmount"_s, typed);
        s.gui.type(u"comboRemark"_s, u"货款"_s);
        s.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"新建指令成功"_s });
        QCOMPARE(env.scalar(u"select cast(pay_amt as text) from payment"_s).toString(), stored);
    }

    // The payee name is required whatever rule 2 says: the upload file needs it.
    void payeeNameRequired_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << u"  "_s;
    }
    void payeeNameRequired()
    {
        QFETCH(QString, name);
        TestEnv env;
        prepare(env);
        env.ctx().fieldRules.ruleFor(FieldId::PatchPayFile_GatherAccountName).notNull = false;
        OnScreen s(env);
        s.gui.type(u"comboRecAccNo"_s, u"6217000055556666"_s);
        s.gui.type(u"comboRecAccName"_s, name);
        s.gui.type(u"txtAmount"_s, u"100"_s);
        s.gui.type(u"comboRemark"_s, u"货款"_s);
        s.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"收款账户户名不能为空"_s });
        QCOMPARE(s.gui.focused(), u"comboRecAccName"_s);
        QCOMPARE(count(env, u"select count(*) from payment"_s), 0);
    }

    // New batch through the tab: the payer dialog comes first, then the entry
    // dialog adds two instructions (the second after the duplicate question) and
    // its index advances.
    void addThroughTheTab()
    {
        TestEnv env;
        prepare(env);
        env.ctx().batchPayAccNo.clear();
        Tab tab(env);
        tab.drivers.push_back([](QDialog& d) { child<QPushButton>(d, u"cmdOK"_s)->click(); });
        QString indexAfterFirst;
        QString indexAfterThird;
        tab.drivers.push_back([&](QDialog& d) {
            QVERIFY(!child<QPushButton>(d, u"cmdUpdate"_s)->isEnabled());
            QCOMPARE(child<QLabel>(d, u"lblPayIdx"_s)->text(), u"1"_s);
            QCOMPARE(child<QLabel>(d, u"lblPayAccValue"_s)->text(), kPayer);
            fill(d, Entry {});
            child<QPushButton>(d, u"cmdAdd"_s)->click();
            indexAfterFirst = child<QLabel>(d, u"lblPayIdx"_s)->text();
            QCOMPARE(child<QComboBox>(d, u"comboRecAccNo"_s)->currentText(), QString());
            env.prompt.answerCancel();
            fill(d, Entry {});
            child<QPushButton>(d, u"cmdAdd"_s)->click();
            env.prompt.answerOk();
            fill(d, Entry {});
            child<QPushButton>(d, u"cmdAdd"_s)->click();
            indexAfterThird = child<QLabel>(d, u"lblPayIdx"_s)->text();
        });
        env.click(u"PaymentB2B_cmdNewBut"_s);
        QCOMPARE(tab.shown, QStringList({ u"frmPayAcc"_s, u"frmPaymentB2B"_s }));
        const QString duplicate = u"该收款账号的支付记录已存在，请确认是否要继续保存?"_s;
        QCOMPARE(env.prompt.texts(),
            QStringList(
                { u"批量付款账号保存成功\n本次批量付款的付款账号为：6228480012345678\n请点击 '新增指令' 按钮添加付款记录"_s,
                    u"新建指令成功"_s, duplicate, duplicate, u"新建指令成功"_s }));
        QCOMPARE(indexAfterFirst, u"2"_s);
        QCOMPARE(indexAfterThird, u"3"_s);
        QCOMPARE(count(env,
                     u"select count(distinct serial_no) from payment where rec_acc_no='6222000011112222'"
                     u" and pay_acc_no='6228480012345678' and pay_amt=100 and rec_bank_id='0101'"_s),
            2);
        QCOMPARE(env.window().statusPanelText(2), u"2"_s);
    }

    void changeAndDeleteThroughTheTab()
    {
        TestEnv env;
        prepare(env);
        addInstruction(env, u"2024010112000000000001"_s, kInBankPayee, u"50"_s);
        addInstruction(env, u"2024010112000000000002"_s, u"6222999"_s, u"60"_s);
        env.window().resetPaymentB2B();
        Tab tab(env);
        tab.page->grid()->selectRows(2, 2, 3);
        tab.drivers.push_back([&](QDialog& d) {
            QVERIFY(!child<QPushButton>(d, u"cmdAdd"_s)->isEnabled());
            QCOMPARE(child<QLabel>(d, u"lblPaySerialNo"_s)->text(), u"2024010112000000000002"_s);
            QCOMPARE(child<QLineEdit>(d, u"txtAmount"_s)->text(), u"60.00"_s);
            child<QLineEdit>(d, u"txtAmount"_s)->setText(u"75.5"_s);
            child<QPushButton>(d, u"cmdUpdate"_s)->click();
            QVERIFY(!d.isVisible());
        });
        env.click(u"PaymentB2B_cmdUpdateBut"_s);
        QCOMPARE(
            env.scalar(u"select pay_amt from payment where serial_no='2024010112000000000002'"_s).toDouble(), 75.5);
        QCOMPARE(tab.page->grid()->textMatrix(2, 8), u"75.50"_s);

        tab.page->grid()->selectRows(1, 1, 3);
        tab.drivers.push_back([&](QDialog& d) {
            env.prompt.answerOk();
            child<QPushButton>(d, u"cmdDelete"_s)->click();
            QVERIFY(!d.isVisible());
        });
        env.click(u"PaymentB2B_cmdUpdateBut"_s);
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"修改指令成功"_s, u"是否确认要删除批量付款指令?"_s, u"删除指令成功"_s }));
        QCOMPARE(count(env, u"select count(*) from payment"_s), 1);
        QCOMPARE(env.window().statusPanelText(2), u"1"_s);
    }

    void changeAndDeleteNeedARecord()
    {
        TestEnv env;
        prepare(env);
        frmPaymentB2B d(env.ctx());
        fill(d, Entry {});
        d.cmdUpdate_Click();
        d.cmdDelete_Click();
        QCOMPARE(env.prompt.texts(), QStringList({ u"请选择记录进行修改"_s, u"请选择记录进行删除"_s }));
    }

    void refusedWritesKeepTheDialog()
    {
        TestEnv env;
        prepare(env);
        addInstruction(env, u"2024010112000000000001"_s, u"6222999"_s, u"60"_s);
        for (const char* op : { "insert", "update", "delete" })
            env.exec(u"create trigger refuse_%1 before %1 on payment begin select raise(abort,'refused'); end"_s.arg(
                QLatin1StringView(op)));
        frmPaymentB2B d(env.ctx());
        d.show();
        fill(d, Entry {});
        d.cmdAdd_Click();
        d.setRecordValue({ u"2024010112000000000001"_s, kPayer, kPayerName, u"行内"_s, u"6222999"_s, u"张三"_s, {}, {},
            {}, u"60"_s, u"货款"_s });
        d.cmdUpdate_Click();
        env.prompt.answerOk();
        d.cmdDelete_Click();
        QCOMPARE(env.prompt.messages(), QStringList({ u"新建指令失败"_s, u"修改指令失败"_s, u"删除指令失败"_s }));
        QVERIFY(d.isVisible());
    }

    // A batch payer account deleted on the payer tab is not stored as an empty one.
    void deletedBatchPayerIsRefused()
    {
        TestEnv env;
        prepare(env);
        env.exec(u"delete from pay_acc where acc_no=?"_s, { kPayer });
        frmPaymentB2B d(env.ctx());
        QCOMPARE(child<QLabel>(d, u"lblPayAccValue"_s)->text(), kPayer);
        fill(d, Entry {});
        d.cmdAdd_Click();
        QCOMPARE(env.prompt.texts(), QStringList { u"付款账号6228480012345678已不存在，请重新选择付款账号"_s });
        QCOMPARE(count(env, u"select count(*) from payment"_s), 0);
    }

    void payerAccountChangedWithInstructions()
    {
        TestEnv env;
        prepare(env);
        addInstruction(env, u"2024010112000000000001"_s, kInBankPayee, u"50"_s);
        addInstruction(env, u"2024010112000000000002"_s, u"6222999"_s, u"60"_s);
        env.window().resetPaymentB2B();
        Tab tab(env);
        tab.drivers.push_back([](QDialog& d) {
            auto* combo = child<QComboBox>(d, u"comboPayAccNo"_s);
            QCOMPARE(combo->currentText(), kPayer);
            combo->setCurrentIndex(combo->findText(u"6228480099999999"_s));
            QCOMPARE(child<QComboBox>(d, u"comboPayAccName"_s)->currentText(), u"另一公司"_s);
            child<QPushButton>(d, u"cmdOK"_s)->click();
        });
        env.click(u"PaymentB2B_cmdPayAccSetup"_s);
        QCOMPARE(env.prompt.texts(),
            QStringList {
                u"批量付款账号保存成功\n本次批量付款的付款账号为：6228480099999999\n请点击 '新增指令' 按钮添加付款记录"_s });
        QCOMPARE(count(env,
                     u"select count(*) from payment where pay_acc_no='6228480099999999' and pay_acc_name='另一公司'"_s),
            2);
        QCOMPARE(tab.page->grid()->textMatrix(2, 2), u"6228480099999999"_s);
    }

    // A failed rewrite is reported as the failure alone, and the batch keeps its payer.
    void failedPayerChangeIsNotReportedAsSuccess()
    {
        TestEnv env;
        prepare(env);
        addInstruction(env, u"2024010112000000000001"_s, kInBankPayee, u"50"_s);
        env.window().resetPaymentB2B();
        env.exec(u"create trigger refuse before update on payment begin select raise(abort,'refused'); end"_s);
        frmPayAcc d(env.ctx());
        d.setAcc(kPayer);
        d.setPayCount(1);
        d.setParentForm(&env.window());
        child<QComboBox>(d, u"comboPayAccNo"_s)->setCurrentIndex(1);
        d.cmdOK_Click();
        QCOMPARE(env.prompt.messages(), QStringList { u"批量支付付款账号保存失败"_s });
        QCOMPARE(env.ctx().batchPayAccNo, kPayer);
        QCOMPARE(env.ctx().batchPayAccName, kPayerName);
    }

    // More instructions than a 16-bit count holds still get the new payer.
    void countsBeyondSixteenBits()
    {
        TestEnv env;
        prepare(env);
        addInstruction(env, u"2024010112000000000001"_s, kInBankPayee, u"50"_s);
        frmPayAcc d(env.ctx());
        d.setAcc(kPayer);
        d.setPayCount(65536);
        child<QComboBox>(d, u"comboPayAccNo"_s)->setCurrentIndex(1);
        d.cmdOK_Click();
        QCOMPARE(env.scalar(u"select pay_acc_no from payment"_s).toString(), u"6228480099999999"_s);
        frmPaymentB2B entry(env.ctx());
        entry.setPayIdx(40000);
        QCOMPARE(child<QLabel>(entry, u"lblPayIdx"_s)->text(), u"40000"_s);
    }

    void emptyPayerRefusedWhileInstructionsExist()
    {
        TestEnv env;
        env.window();
        frmPayAcc d(env.ctx());
        d.setAcc(QString());
        d.setPayCount(3);
        d.cmdOK_Click();
        QCOMPARE(env.prompt.texts(), QStringList { u"批量付款记录已存在，付款账号不可为空"_s });
    }

    // Typing a kept payee's name neither chooses that payee nor replaces the
    // payee number typed before: the instruction is stored as typed.
    void typedPayeeStaysTyped_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::newRow("Enter") << true;
        QTest::newRow("Tab") << false;
    }
    void typedPayeeStaysTyped()
    {
        QFETCH(bool, enter);
        TestEnv env;
        prepare(env);
        env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no)"
                 u" values ('6222000033334444','张三丰','0','0202','','')"_s);
        OnScreen s(env);
        s.gui.type(u"comboRecAccNo"_s, u"6217000055556666"_s);
        s.gui.type(u"comboRecAccName"_s, u"张三丰"_s);
        enter ? s.gui.enter() : s.gui.tab();
        QCOMPARE(s.text(u"comboRecAccNo"_s), u"6217000055556666"_s);
        QCOMPARE(s.text(u"comboRecAccName"_s), u"张三丰"_s);
        QCOMPARE(s.text(u"txtRecBankId"_s), QString());
        s.gui.type(u"txtAmount"_s, u"100"_s);
        s.gui.type(u"comboRemark"_s, u"货款"_s);
        s.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"新建指令成功"_s });
        QCOMPARE(payments(env), u"0,6217000055556666,张三丰,,,,100,货款"_s);
    }

    // Two kept payees of one name: the one picked is the one whose details are
    // shown and stored, however it was picked.
    void sameNamePayeesArePickedApart_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("name list, arrow keys") << u"pick"_s;
        QTest::newRow("name list, click") << u"click"_s;
        QTest::newRow("offered names") << u"offered"_s;
        QTest::newRow("number list") << u"number"_s;
        QTest::newRow("number typed") << u"typed"_s;
    }
    void sameNamePayeesArePickedApart()
    {
        QFETCH(QString, how);
        TestEnv env;
        prepare(env);
        env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no)"
                 u" values ('6222000077778888','张三','0','0909','','')"_s);
        OnScreen s(env);
        if (how == u"pick"_s) {
            s.gui.pick(u"comboRecAccName"_s, 1);
        } else if (how == u"click"_s) {
            s.gui.clickEntry(u"comboRecAccName"_s, 1);
        } else if (how == u"offered"_s) {
            s.gui.type(u"comboRecAccName"_s, u"张"_s);
            QCOMPARE(s.gui.offered(), QStringList({ u"张三"_s, u"张三"_s }));
            s.gui.pickOffered(1);
        } else if (how == u"number"_s) {
            s.gui.pick(u"comboRecAccNo"_s, 1);
        } else {
            s.gui.type(u"comboRecAccNo"_s, u"6222000077778888"_s);
        }
        // On through the payee boxes to the amount.
        s.gui.focus(u"comboRecAccNo"_s);
        s.gui.tab();
        QCOMPARE(s.gui.focused(), u"comboRecAccName"_s);
        s.gui.enter();
        s.gui.tab();
        QCOMPARE(s.text(u"comboRecAccNo"_s), u"6222000077778888"_s);
        QCOMPARE(s.text(u"comboRecAccName"_s), u"张三"_s);
        QCOMPARE(s.text(u"txtRecBankId"_s), u"0909"_s);
        s.gui.type(u"txtAmount"_s, u"100"_s);
        s.gui.type(u"comboRemark"_s, u"货款"_s);
        s.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"新建指令成功"_s });
        QCOMPARE(payments(env), u"0,6222000077778888,张三,0909,,,100,货款"_s);
    }

    // A remark is stored exactly as typed; the kept remarks are only offered.
    void remarkStaysAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("leave");
        QTest::newRow("prefix, Tab") << u"服"_s << u"Tab"_s;
        QTest::newRow("prefix, Enter") << u"服"_s << u"Enter"_s;
        QTest::newRow("prefix, add at once") << u"服"_s << QString();
        QTest::newRow("between two kept remarks") << u"服务费"_s << u"Tab"_s;
        QTest::newRow("a kept remark") << u"服务"_s << u"Tab"_s;
        QTest::newRow("other case") << u"abc"_s << u"Enter"_s;
    }
    void remarkStaysAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, leave);
        TestEnv env;
        prepare(env);
        env.exec(u"insert into user_remark (remark) values ('服务'),('服务费用'),('ABC')"_s);
        OnScreen s(env);
        s.gui.type(u"comboRecAccNo"_s, u"6217000055556666"_s);
        s.gui.type(u"comboRecAccName"_s, u"王五"_s);
        s.gui.type(u"txtAmount"_s, u"100"_s);
        s.gui.type(u"comboRemark"_s, typed);
        if (leave == u"Tab"_s)
            s.gui.tab();
        else if (leave == u"Enter"_s)
            s.gui.enter();
        QCOMPARE(s.text(u"comboRemark"_s), typed);
        s.gui.click(u"cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"新建指令成功"_s });
        QCOMPARE(env.scalar(u"select remark from payment"_s).toString(), typed);
    }

    void keptRemarkPickedFromTheOffer()
    {
        TestEnv env;
        prepare(env);
        env.exec(u"insert into user_remark (remark) values ('服务费'),('技术服务费')"_s);
        OnScreen s(env);
        s.gui.type(u"comboRemark"_s, u"服务"_s);
        QCOMPARE(s.gui.offered(), QStringList({ u"技术服务费"_s, u"服务费"_s }));
        s.gui.pickOffered(0);
        QCOMPARE(s.text(u"comboRemark"_s), u"技术服务费"_s);
    }

    // A typed number that is exactly a kept payee's fills that payee's details.
    void typedNumberOfAKeptPayee_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::newRow("Enter") << true;
        QTest::newRow("Tab") << false;
    }
    void typedNumberOfAKeptPayee()
    {
        QFETCH(bool, enter);
        TestEnv env;
        prepare(env);
        OnScreen s(env);
        s.gui.click(u"optRecAccType1"_s);
        QCOMPARE(s.get<QComboBox>(u"comboRecAccNo"_s)->count(), 1);
        s.gui.type(u"comboRecAccNo"_s, kOtherBankPayee);
        enter ? s.gui.enter() : s.gui.tab();
        QCOMPARE(s.text(u"comboRecAccName"_s), u"李四"_s);
        QCOMPARE(s.text(u"txtAreaNo"_s), u"020"_s);
        QCOMPARE(s.text(u"txtNetNo"_s), u"313100000013"_s);
        // Part of a number is only offered.
        s.gui.type(u"comboRecAccNo"_s, u"5880"_s);
        QCOMPARE(s.gui.offered(), QStringList { kOtherBankPayee });
        s.gui.tab();
        QCOMPARE(s.text(u"comboRecAccNo"_s), u"5880"_s);
    }

    // A changed instruction keeps every column in its own place: the payee's
    // branch, area and bank numbers, picked again from the list, the amount
    // typed with separators and the remark.
    void changeStoresEveryColumn_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("accNo");
        QTest::addColumn<QStringList>("kept"); // branch, area and bank number in payee_acc
        QTest::addColumn<QString>("stored");
        QTest::newRow("in-bank") << u"0"_s << u"6222000055556666"_s << QStringList({ u"0303"_s, {}, {} })
                                 << u"0,6222000055556666,王五,0303,,,1234.56,服务费"_s;
        QTest::newRow("other-bank") << u"1"_s << u"955880002"_s << QStringList({ {}, u"021"_s, u"402100000018"_s })
                                    << u"1,955880002,王五,,021,402100000018,1234.56,服务费"_s;
    }
    void changeStoresEveryColumn()
    {
        QFETCH(QString, kind);
        QFETCH(QString, accNo);
        QFETCH(QStringList, kept);
        QFETCH(QString, stored);
        TestEnv env;
        prepare(env);
        env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no)"
                 u" values (?,'王五',?,?,?,?)"_s,
            { accNo, kind, kept.at(0), kept.at(1), kept.at(2) });
        // Stored with other numbers in all three columns, as an import may leave them.
        env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
                 u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark)"
                 u" values ('2024010112000000000001',?,?,?,?,'王五','0909','099','999','60','货款','')"_s,
            { kPayer, kPayerName, kind, accNo });
        env.window().resetPaymentB2B();
        GuiTest gui(env.prompt);
        Tab tab(env);
        tab.drivers.push_back([&](QDialog& d) {
            gui.show(d);
            auto* numbers = gui.find<QComboBox>(u"comboRecAccNo"_s);
            gui.pick(u"comboRecAccNo"_s, numbers->findText(accNo));
            gui.type(u"txtAmount"_s, u"1,234.56"_s);
            gui.type(u"comboRemark"_s, u"服务费"_s);
            gui.click(u"cmdUpdate"_s);
        });
        tab.page->grid()->selectRows(1, 1, 3);
        env.click(u"PaymentB2B_cmdUpdateBut"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"修改指令成功"_s });
        QCOMPARE(payments(env), stored);
        QCOMPARE(env.scalar(u"select serial_no||','||pay_acc_no||','||pay_acc_name from payment"_s).toString(),
            u"2024010112000000000001,"_s + kPayer + u","_s + kPayerName);
    }
};

QELVORA_TEST(TestPaymentDialogs)
#include "tst_paymentdialogs.moc"
