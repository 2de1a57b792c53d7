#include "MasterDataTestSupport.h"
#include "TestRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

using namespace Qt::StringLiterals;
using namespace mdtest;

namespace {
const QString kAcc = u"6222000000000001"_s;

void addPayee(TestEnv& env, const QString& number, const QString& name, const QString& kind, const QString& netNo = {})
{
    env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values (?,?,?,'','',?)"_s,
        { number, name, kind, netNo });
}

QTabBar* kindStrip(TestEnv& env)
{
    return env.find<QTabBar>(u"PayeeAccList_tabAccType"_s);
}

// Shows the payee tab with the kind tab `kindTab` (0: in-bank, 1: other-bank) chosen.
ListGrid* showKind(TestEnv& env, int kindTab)
{
    ListGrid* grid = showTab(env, frmMain::TabPayeeAccList);
    kindStrip(env)->setCurrentIndex(kindTab);
    return grid;
}

QLineEdit* box(TestEnv& env, const QString& name)
{
    return env.find<QLineEdit>(u"PayeeAccList_"_s + name);
}

QString chosenIndex(TestEnv& env)
{
    return env.find<QLabel>(u"PayeeAccList_lblPayeeAccIdx"_s)->text();
}

QStringList entryTexts(TestEnv& env)
{
    QStringList texts { chosenIndex(env) };
    for (const QString& name :
        { u"txtPayeeAccNo"_s, u"txtPayeeAccName"_s, u"txtPayeeBankID"_s, u"txtPayeeAreaNo"_s, u"txtPayeeNetNo"_s })
        texts << box(env, name)->text();
    return texts;
}

QList<QStringList> payees(TestEnv& env)
{
    return storeRows(
        env, u"select acc_no,acc_name,acc_type,branch_id,area_no,net_no from payee_acc order by acc_type,acc_no"_s);
}
}

class TestPayeeAccList : public QObject {
    Q_OBJECT
private slots:
    void captions()
    {
        TestEnv env;
        showKind(env, 0);
        QCOMPARE(kindStrip(env)->count(), 2);
        QCOMPARE(kindStrip(env)->tabText(0), u"本行收款账户"_s);
        QCOMPARE(kindStrip(env)->tabText(1), u"他行收款账户"_s);
        const QList<QPair<QString, QString>> labels = {
            { u"lblNo"_s, u"序号："_s },
            { u"lblAccNo"_s, u"批量转账收款账号：*"_s },
            { u"lblPayeeAccName"_s, u"批量转账收款账户户名：*"_s },
            { u"lblPayeeBankID"_s, u"收款账户开户网点号：*"_s },
            { u"lblPayeeAreaNo"_s, u"收款账户地区号：*"_s },
            { u"lblPayeeNetNo"_s, u"支付系统行号：*"_s },
            { u"lblNotice3"_s, u"收款方联行行号：是收款账户开户银行的联行行号。"_s },
            { u"lblNotice4"_s,
                u"修改：单击左列您要修改的纪录（该条纪录变蓝色），然后在右边输入框中修改。修改完毕后，点击“修改”按钮，再点击“确定”按钮保存。"_s },
            { u"lblNotice5"_s,
                u"删除：单击左列您要删除的纪录（该条纪录变蓝色），点击“删除”按钮，再点击“确定”按钮保存。"_s },
        };
        for (const auto& [name, caption] : labels)
            QCOMPARE(env.find<QLabel>(u"PayeeAccList_"_s + name)->text(), caption);
        const QList<QPair<QString, QString>> buttons = { { u"cmdAdd"_s, u"新增"_s }, { u"cmdUpdate"_s, u"修改"_s },
            { u"cmdDelete"_s, u"删除"_s }, { u"cmdReflush"_s, u"重置"_s } };
        for (const auto& [name, caption] : buttons)
            QCOMPARE(env.find<QPushButton>(u"PayeeAccList_"_s + name)->text(), caption);
        // The outlet box declares no maximum input length.
        QCOMPARE(box(env, u"txtPayeeBankID"_s)->maxLength(), 32767);
    }

    void whatEachKindShows_data()
    {
        QTest::addColumn<int>("kindTab");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("in-bank") << 0 << QStringList { u"序号"_s, u"收款账号"_s, u"户名"_s } << QStringList {};
        QTest::newRow("other-bank") << 1 << QStringList { u"序号"_s, u"收款账号"_s, u"户名"_s, u"支付系统行号"_s }
                                    << QStringList { u"lblPayeeNetNo"_s, u"txtPayeeNetNo"_s, u"lblNotice3"_s };
    }
    void whatEachKindShows()
    {
        QFETCH(int, kindTab);
        QFETCH(QStringList, header);
        QFETCH(QStringList, shown);
        TestEnv env;
        ListGrid* grid = showKind(env, kindTab);
        QCOMPARE(gridHeader(grid), header);
        const QStringList switching
            = { u"lblPayeeBankID"_s, u"txtPayeeBankID"_s, u"lblPayeeAreaNo"_s, u"txtPayeeAreaNo"_s, u"lblPayeeNetNo"_s,
                  u"txtPayeeNetNo"_s, u"lblNotice1"_s, u"lblNotice2"_s, u"lblNotice3"_s };
        for (const QString& name : switching) {
            auto* w = env.find<QWidget>(u"PayeeAccList_"_s + name);
            QVERIFY2(w->isVisible() == shown.contains(name), qPrintable(name));
        }
        for (const QString& name : { u"txtPayeeAccNo"_s, u"txtPayeeAccName"_s, u"lblNotice4"_s, u"lblNotice5"_s })
            QVERIFY(env.find<QWidget>(u"PayeeAccList_"_s + name)->isVisible());
    }

    void eachKindListsItsOwnAccounts()
    {
        TestEnv env;
        addPayee(env, u"6222000000000002"_s, u" 乙 "_s, u"0"_s);
        addPayee(env, kAcc, u"甲"_s, u"0"_s);
        addPayee(env, kAcc, u"甲他行"_s, u"1"_s, u"313100000013"_s);
        ListGrid* grid = showKind(env, 0);
        QCOMPARE(gridRows(grid),
            (QList<QStringList> { { u"1"_s, kAcc, u"甲"_s }, { u"2"_s, u"6222000000000002"_s, u"乙"_s } }));
        QCOMPARE(panels(env.window()), countPanels(u"2"_s));
        showKind(env, 1);
        QCOMPARE(gridRows(grid), (QList<QStringList> { { u"1"_s, kAcc, u"甲他行"_s, u"313100000013"_s } }));
        QCOMPARE(panels(env.window()), countPanels(u"1"_s));
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void theSameNumberOnceOfEachKind()
    {
        TestEnv env;
        showKind(env, 0);
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, kAcc);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"甲"_s);
        env.click(u"PayeeAccList_cmdAdd"_s);
        ListGrid* grid = showKind(env, 1);
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, kAcc);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"甲他行"_s);
        env.type(u"PayeeAccList_txtPayeeNetNo"_s, u" 313100000013 "_s);
        env.click(u"PayeeAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), (QStringList { u"新增收款账号成功"_s, u"新增收款账号成功"_s }));
        QCOMPARE(payees(env),
            (QList<QStringList> { { kAcc, u"甲"_s, u"0"_s, u""_s, u""_s, u""_s },
                { kAcc, u"甲他行"_s, u"1"_s, u""_s, u""_s, u"313100000013"_s } }));
        QCOMPARE(gridRows(grid), (QList<QStringList> { { u"1"_s, kAcc, u"甲他行"_s, u"313100000013"_s } }));
        QCOMPARE(entryTexts(env), QStringList(6));

        // A second add under the same kind is refused.
        env.prompt.clear();
        showKind(env, 0);
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, kAcc);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"再一次"_s);
        env.click(u"PayeeAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"该收款账号已存在"_s });
        QCOMPARE(payees(env).size(), 2);
        QCOMPARE(box(env, u"txtPayeeAccName"_s)->text(), u"再一次"_s);
    }

    void rule14AppliesToInBankAccountsOnly_data()
    {
        QTest::addColumn<int>("kindTab");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("in-bank") << 0 << QStringList { u"收款帐户维护:收款帐号输入错误，请输入正确的帐号。"_s };
        QTest::newRow("other-bank") << 1 << QStringList { u"新增收款账号成功"_s };
    }
    void rule14AppliesToInBankAccountsOnly()
    {
        QFETCH(int, kindTab);
        QFETCH(QStringList, messages);
        TestEnv env;
        showKind(env, kindTab);
        env.ctx().fieldRules.ruleFor(FieldId::GatherAccountMana_GatherAccountNo).isAccount = true;
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, u"ACC/12"_s);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"甲"_s);
        env.click(u"PayeeAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), messages);
        QCOMPARE(payees(env).size(), kindTab);
        if (kindTab == 0) {
            QVERIFY(box(env, u"txtPayeeAccNo"_s)->hasFocus());
            QCOMPARE(box(env, u"txtPayeeAccNo"_s)->selectedText(), u"ACC/12"_s);
        }
    }

    void theBankNumberIsCheckedOnTheOtherBankTab()
    {
        TestEnv env;
        showKind(env, 1);
        env.ctx().fieldRules.ruleFor(FieldId::GatherAccountMana_GatherPayeePayeeNetNo).notNull = true;
        env.ctx().fieldRules.ruleFor(FieldId::GatherAccountMana_GatherAccountNetNo).notNull
            = true; // hidden: not checked
        env.ctx().fieldRules.ruleFor(FieldId::GatherAccountMana_GatherPayeeAreaNo).notNull
            = true; // hidden: not checked
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, kAcc);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"甲"_s);
        env.click(u"PayeeAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"收款帐户维护:收款方联行号不能为空，请重新输入。"_s });
        QVERIFY(box(env, u"txtPayeeNetNo"_s)->hasFocus());
        env.prompt.clear();
        showKind(env, 0);
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, kAcc);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"甲"_s);
        env.click(u"PayeeAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"新增收款账号成功"_s });
    }

    void clickingARowLoadsIt()
    {
        TestEnv env;
        addPayee(env, kAcc, u"甲他行"_s, u"1"_s, u"313100000013"_s);
        ListGrid* grid = showKind(env, 1);
        clickRow(grid, 1);
        QCOMPARE(entryTexts(env), (QStringList { u"1"_s, kAcc, u"甲他行"_s, QString(), QString(), u"313100000013"_s }));
    }

    void clickingAnEmptyGridChangesNothing()
    {
        TestEnv env;
        ListGrid* grid = showKind(env, 0);
        QCOMPARE(grid->rows(), 2);
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, kAcc);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"甲"_s);
        clickRow(grid, 1);
        QCOMPARE(entryTexts(env), (QStringList { QString(), kAcc, u"甲"_s, QString(), QString(), QString() }));
    }

    void changeTheNameAndTheBankNumber()
    {
        TestEnv env;
        addPayee(env, kAcc, u"甲"_s, u"0"_s);
        addPayee(env, kAcc, u"甲他行"_s, u"1"_s, u"313100000013"_s);
        env.exec(u"update payee_acc set area_no='0571' where acc_type='1'"_s);
        ListGrid* grid = showKind(env, 1);
        env.click(u"PayeeAccList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"请先选择要修改的账户"_s });
        env.prompt.clear();

        clickRow(grid, 1);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"新名"_s);
        env.type(u"PayeeAccList_txtPayeeNetNo"_s, u"402100000018"_s);
        env.click(u"PayeeAccList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"修改收款账号成功"_s });
        // The hidden area number is written as the (empty) box holds it; the in-bank row is untouched.
        QCOMPARE(payees(env),
            (QList<QStringList> { { kAcc, u"甲"_s, u"0"_s, u""_s, u""_s, u""_s },
                { kAcc, u"新名"_s, u"1"_s, u""_s, u""_s, u"402100000018"_s } }));
        QCOMPARE(gridRows(grid), (QList<QStringList> { { u"1"_s, kAcc, u"新名"_s, u"402100000018"_s } }));
        QCOMPARE(entryTexts(env), QStringList(6));
    }

    // The other direction: an in-bank rename leaves the other-bank row of the same number alone.
    void renamingInBankKeepsTheOtherBankRow()
    {
        TestEnv env;
        addPayee(env, kAcc, u"甲"_s, u"0"_s);
        addPayee(env, kAcc, u"甲他行"_s, u"1"_s, u"313100000013"_s);
        ListGrid* grid = showKind(env, 0);
        clickRow(grid, 1);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"新名"_s);
        env.click(u"PayeeAccList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"修改收款账号成功"_s });
        QCOMPARE(payees(env),
            (QList<QStringList> { { kAcc, u"新名"_s, u"0"_s, u""_s, u""_s, u""_s },
                { kAcc, u"甲他行"_s, u"1"_s, u""_s, u""_s, u"313100000013"_s } }));
    }

    // Number and name are the keys: refused empty on either kind, even without a rule.
    void emptyKeyIsRefused_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("number") << QString() << u"甲"_s << u"收款账号不能为空，请重新输入。"_s;
        QTest::newRow("name") << kAcc << u" "_s << u"收款账户户名不能为空，请重新输入。"_s;
    }
    void emptyKeyIsRefused()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, message);
        TestEnv env;
        showKind(env, 1);
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, number);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, name);
        env.click(u"PayeeAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { message });
        QCOMPARE(payees(env).size(), 0);
    }

    void theNumberCannotBeChanged()
    {
        TestEnv env;
        addPayee(env, kAcc, u"甲"_s, u"0"_s);
        ListGrid* grid = showKind(env, 0);
        clickRow(grid, 1);
        env.type(u"PayeeAccList_txtPayeeAccNo"_s, u"6222000000000099"_s);
        env.type(u"PayeeAccList_txtPayeeAccName"_s, u"新名"_s);
        env.click(u"PayeeAccList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"账号不可修改，请删除后重新添加"_s });
        QCOMPARE(box(env, u"txtPayeeAccNo"_s)->text(), kAcc);
        QCOMPARE(box(env, u"txtPayeeAccName"_s)->text(), u"新名"_s);
        QCOMPARE(payees(env), (QList<QStringList> { { kAcc, u"甲"_s, u"0"_s, u""_s, u""_s, u""_s } }));
    }

    void deleteKeepsTheOtherKind()
    {
        TestEnv env;
        for (int i = 1; i <= 4; ++i)
            addPayee(env, u"622200000000000%1"_s.arg(i), u"本%1"_s.arg(i), u"0"_s);
        addPayee(env, u"6222000000000002"_s, u"他2"_s, u"1"_s, u"313100000013"_s);
        ListGrid* grid = showKind(env, 0);
        dragRows(grid, 3, 2);
        env.prompt.answerOk();
        env.click(u"PayeeAccList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), (QStringList { u"是否确认要删除所选收款账号?"_s, u"删除收款账号成功."_s }));
        QCOMPARE(storeRows(env, u"select acc_no,acc_type from payee_acc order by acc_type,acc_no"_s),
            (QList<QStringList> { { u"6222000000000001"_s, u"0"_s }, { u"6222000000000004"_s, u"0"_s },
                { u"6222000000000002"_s, u"1"_s } }));
        QCOMPARE(grid->rows(), 3);
        QCOMPARE(panels(env.window()), countPanels(u"2"_s));
    }

    void deleteNeedsALoadedRow()
    {
        TestEnv env;
        addPayee(env, kAcc, u"甲"_s, u"0"_s);
        showKind(env, 0);
        env.click(u"PayeeAccList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"请先选择要删除的账户"_s });
        QCOMPARE(payees(env).size(), 1);
    }

    void theEntryIsEmptied_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("switching kind") << u"switch"_s;
        QTest::newRow("reset") << u"reset"_s;
        QTest::newRow("cancelled delete") << u"cancel"_s;
        QTest::newRow("leaving and coming back") << u"leave"_s;
    }
    void theEntryIsEmptied()
    {
        QFETCH(QString, action);
        TestEnv env;
        addPayee(env, kAcc, u"甲"_s, u"0"_s);
        addPayee(env, kAcc, u"甲他行"_s, u"1"_s, u"313100000013"_s);
        ListGrid* grid = showKind(env, 1);
        clickRow(grid, 1);
        QCOMPARE(entryTexts(env), (QStringList { u"1"_s, kAcc, u"甲他行"_s, QString(), QString(), u"313100000013"_s }));
        if (action == u"switch"_s) {
            kindStrip(env)->setCurrentIndex(0);
        } else if (action == u"reset"_s) {
            env.click(u"PayeeAccList_cmdReflush"_s);
        } else if (action == u"cancel"_s) {
            env.prompt.answerCancel();
            env.click(u"PayeeAccList_cmdDelete"_s);
            QCOMPARE(payees(env).size(), 2);
        } else {
            showTab(env, frmMain::TabUserRemarkList);
            QCOMPARE(grid->rows(), 1);
            showTab(env, frmMain::TabPayeeAccList);
            // The kind still selected is reloaded.
            QCOMPARE(gridRows(grid), (QList<QStringList> { { u"1"_s, kAcc, u"甲他行"_s, u"313100000013"_s } }));
        }
        QCOMPARE(entryTexts(env), QStringList(6));
        QCOMPARE(grid->col(), 0);
        QCOMPARE(grid->rows(), 2);
    }
};

QELVORA_TEST(TestPayeeAccList)
#include "tst_payeeacclist.moc"
