#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "payment/PaymentB2B.h"
#include "payment/frmPayAcc.h"
#include "payment/frmPaymentB2B.h"

#include <QComboBox>
#include <QCompleter>
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
        rules.ruleFor(id).canEdit = true;
    rules.ruleFor(1).label = u"批量支付文件:收款帐号"_s;
    rules.ruleFor(1).notNull = true;
    rules.ruleFor(2).notNull = true;
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

    void amountFollowsTheTyping()
    {
        TestEnv env;
        prepare(env);
        frmPaymentB2B d(env.ctx());
        auto* amount = child<QLineEdit>(d, u"txtAmount"_s);
        auto* words = child<QLabel>(d, u"lblCnPayAmount"_s);
        amount->setText(u"1234.5"_s);
        QCOMPARE(amount->text(), u"1,234.5"_s);
        QCOMPARE(words->text(), u"壹仟贰佰叁拾肆元伍角"_s);
        d.txtAmount_LostFocus();
        QCOMPARE(amount->text(), u"1,234.50"_s);
        amount->setText(u"100000000000"_s);
        QVERIFY(env.prompt.texts().isEmpty());
        amount->setText(u"100000000000.01"_s);
        QCOMPARE(amount->text(), QString());
        amount->setText(u"-5"_s);
        QCOMPARE(amount->text(), QString());
        amount->setText(u"0"_s);
        d.txtAmount_LostFocus();
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"金额超过系统最大单笔限制"_s, u"金额格式错误"_s, u"金额必须大于零元"_s }));
        QCOMPARE(words->text(), QString());
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

    void payeePickedFillsTheDetails()
    {
        TestEnv env;
        prepare(env);
        frmPaymentB2B d(env.ctx());
        child<QRadioButton>(d, u"optRecAccType1"_s)->click();
        auto* number = child<QComboBox>(d, u"comboRecAccNo"_s);
        QCOMPARE(number->count(), 1);
        number->setEditText(kOtherBankPayee);
        d.comboRecAccNo_LostFocus();
        QCOMPARE(child<QComboBox>(d, u"comboRecAccName"_s)->currentText(), u"李四"_s);
        QCOMPARE(child<QLineEdit>(d, u"txtAreaNo"_s)->text(), u"020"_s);
        QCOMPARE(child<QLineEdit>(d, u"txtNetNo"_s)->text(), u"313100000013"_s);
        QVERIFY(number->completer());
        QCOMPARE(number->completer()->filterMode(), Qt::MatchContains);
    }
};

QELVORA_TEST(TestPaymentDialogs)
#include "tst_paymentdialogs.moc"
