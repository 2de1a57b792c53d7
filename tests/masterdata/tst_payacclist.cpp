#include "MasterDataTestSupport.h"
#include "TestRegistry.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace mdtest;

namespace {
const QString kNo1 = u"6222000000000001"_s;
const QString kNo2 = u"6222000000000002"_s;
const QString kNo3 = u"62220000000000000003"_s;

void addAccount(TestEnv& env, const QString& number, const QString& name)
{
    env.exec(u"insert into pay_acc (acc_no,acc_name) values (?,?)"_s, { number, name });
}

QString accountName(TestEnv& env, const QString& number)
{
    return env.scalar(u"select acc_name from pay_acc where acc_no=?"_s, { number }).toString();
}

int accountCount(TestEnv& env)
{
    return env.scalar(u"select count(*) from pay_acc"_s).toInt();
}

QLineEdit* accNo(TestEnv& env)
{
    return env.find<QLineEdit>(u"PayAccList_txtAccNo"_s);
}

QLineEdit* accName(TestEnv& env)
{
    return env.find<QLineEdit>(u"PayAccList_txtAccName"_s);
}

QString chosenIndex(TestEnv& env)
{
    return env.find<QLabel>(u"PayAccList_lblPayAccIdx"_s)->text();
}

// Five accounts 1..5 listed in this order.
void addFive(TestEnv& env)
{
    for (int i = 1; i <= 5; ++i)
        addAccount(env, u"622200000000000%1"_s.arg(i), u"户名%1"_s.arg(i));
}
}

class TestPayAccList : public QObject {
    Q_OBJECT
private slots:
    void controlsCaptionsAndLimits()
    {
        TestEnv env;
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        const QList<QPair<QString, QString>> labels = {
            { u"PayAccList_lblAccNo"_s, u"批量转账付款账号：*"_s },
            { u"PayAccList_lblAccName"_s, u"批量转账付款账户户名：*"_s },
            { u"PayAccList_lblCurrency"_s, u"币种：*"_s },
            { u"PayAccList_lblNo"_s, u"序号："_s },
            { u"PayAccList_lblNotice1"_s,
                u"修改：单击左列您要修改的纪录（该条纪录变蓝色），然后在右边输入框中修改。修改完毕后，点击“修改”按钮，再点击“确定”按钮保存。"_s },
            { u"PayAccList_lblNotice2"_s,
                u"删除：单击左列您要删除的纪录（该条纪录变蓝色），点击“删除”按钮，再点击“确定”按钮保存。"_s },
        };
        for (const auto& [name, caption] : labels)
            QCOMPARE(env.find<QLabel>(name)->text(), caption);
        const QList<QPair<QString, QString>> buttons = {
            { u"PayAccList_cmdAdd"_s, u"新增"_s },
            { u"PayAccList_cmdUpdate"_s, u"修改"_s },
            { u"PayAccList_cmdDelete"_s, u"删除"_s },
            { u"PayAccList_cmdReflush"_s, u"重置"_s },
            { u"PayAccList_cmdImport"_s, u"导入"_s },
            { u"PayAccList_cmdExport"_s, u"导出"_s },
        };
        for (const auto& [name, caption] : buttons)
            QCOMPARE(env.find<QPushButton>(name)->text(), caption);
        QCOMPARE(accNo(env)->maxLength(), 20);
        QCOMPARE(accName(env)->maxLength(), 42);

        QCOMPARE(gridHeader(grid), (QStringList { u"序号"_s, u"付款账号"_s, u"户名"_s, u"币种"_s }));
        const int widths[] = { 420, 2200, 3000, 1000 };
        for (int c = 0; c < 4; ++c)
            QCOMPARE(grid->columnWidth(c), pixelsFor(grid, widths[c]));

        auto* currency = env.find<QComboBox>(u"PayAccList_comboCurrency"_s);
        QCOMPARE(currency->count(), 3);
        QCOMPARE(currency->itemText(0), u"人民币"_s);
        QCOMPARE(currency->itemText(2), u"美元"_s);
        QCOMPARE(currency->currentIndex(), 0);
    }

    void showingTheTabListsTheAccounts()
    {
        TestEnv env;
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        // An empty list: one empty row, count 0.
        QCOMPARE(gridRows(grid), (QList<QStringList> { { QString(), QString(), QString(), QString() } }));
        QCOMPARE(panels(env.window()), countPanels(u"0"_s));

        addAccount(env, kNo2, u"  乙公司  "_s);
        addAccount(env, kNo1, u"甲公司"_s);
        env.exec(u"update pay_acc set currency='14' where acc_no=?"_s, { kNo1 });
        // An account whose currency has no row is counted but not listed.
        env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values ('6222000000009999','无币种','99')"_s);
        showTab(env, frmMain::TabPayAccList);
        QCOMPARE(gridRows(grid),
            (QList<QStringList> {
                { u"1"_s, kNo1, u"甲公司"_s, u"美元"_s }, { u"2"_s, kNo2, u"乙公司"_s, u"人民币"_s } }));
        QCOMPARE(panels(env.window()), countPanels(u"3"_s));
        QCOMPARE(grid->col(), 0);
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void addAnAccount()
    {
        TestEnv env;
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        env.type(u"PayAccList_txtAccNo"_s, u" "_s + kNo1 + u" "_s);
        env.type(u"PayAccList_txtAccName"_s, u"O'Brien & Co"_s);
        env.click(u"PayAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"新增付款账号成功"_s });
        QCOMPARE(accountName(env, kNo1), u"O'Brien & Co"_s);
        QCOMPARE(env.scalar(u"select currency from pay_acc"_s).toString(), u"01"_s);
        QCOMPARE(gridRows(grid), (QList<QStringList> { { u"1"_s, kNo1, u"O'Brien & Co"_s, u"人民币"_s } }));
        QCOMPARE(panels(env.window()), countPanels(u"1"_s));
        QVERIFY(accNo(env)->text().isEmpty());
        QVERIFY(accName(env)->text().isEmpty());
    }

    void addingAnExistingNumberInsertsNothing()
    {
        TestEnv env;
        addAccount(env, kNo1, u"甲公司"_s);
        showTab(env, frmMain::TabPayAccList);
        env.type(u"PayAccList_txtAccNo"_s, kNo1);
        env.type(u"PayAccList_txtAccName"_s, u"另一个"_s);
        env.click(u"PayAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"该付款账号已存在"_s });
        QCOMPARE(accountCount(env), 1);
        QCOMPARE(accountName(env, kNo1), u"甲公司"_s);
        // The entry stays as typed.
        QCOMPARE(accName(env)->text(), u"另一个"_s);
    }

    // Number and name are the keys: refused empty even when no rule asks for them.
    void emptyKeyIsRefused_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("number") << u" "_s << u"甲"_s << u"付款账号不能为空，请重新输入。"_s;
        QTest::newRow("name") << kNo1 << u"  "_s << u"付款账户户名不能为空，请重新输入。"_s;
    }
    void emptyKeyIsRefused()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, message);
        TestEnv env;
        showTab(env, frmMain::TabPayAccList);
        env.type(u"PayAccList_txtAccNo"_s, number);
        env.type(u"PayAccList_txtAccName"_s, name);
        env.click(u"PayAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { message });
        QCOMPARE(accountCount(env), 0);
    }

    // A row with an empty number (stored before the refusal) can still be chosen and deleted.
    void rowWithEmptyNumberDoesNotLockTheTab()
    {
        TestEnv env;
        addAccount(env, QString(), u"无账号"_s);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        clickRow(grid, 1);
        QCOMPARE(chosenIndex(env), u"1"_s);
        env.prompt.answerOk();
        env.click(u"PayAccList_cmdDelete"_s);
        QCOMPARE(accountCount(env), 0);
    }

    void failedFieldRuleStopsAndSelectsTheField_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        QTest::newRow("number empty") << QString() << u"甲"_s << u"付款账户维护:付款帐号不能为空，请重新输入。"_s
                                      << u"PayAccList_txtAccNo"_s;
        QTest::newRow("name empty") << kNo1 << u"  "_s << u"付款账户维护:付款账户户名不能为空，请重新输入。"_s
                                    << u"PayAccList_txtAccName"_s;
    }
    void failedFieldRuleStopsAndSelectsTheField()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        TestEnv env;
        showTab(env, frmMain::TabPayAccList);
        for (int id : { 12, 13 }) {
            env.ctx().fieldRules.ruleAt(id).notNull = true;
        }
        env.type(u"PayAccList_txtAccNo"_s, number);
        env.type(u"PayAccList_txtAccName"_s, name);
        env.click(u"PayAccList_cmdAdd"_s);
        QCOMPARE(env.prompt.texts(), QStringList { message });
        QCOMPARE(accountCount(env), 0);
        auto* box = env.find<QLineEdit>(focused);
        QVERIFY(box->hasFocus());
        QCOMPARE(box->selectedText(), box->text());
    }

    void enterInTheNumberMovesToTheName()
    {
        TestEnv env;
        showTab(env, frmMain::TabPayAccList);
        env.type(u"PayAccList_txtAccName"_s, u"甲公司"_s);
        env.type(u"PayAccList_txtAccNo"_s, kNo1);
        QTest::keyClick(accNo(env), Qt::Key_Return);
        QVERIFY(accName(env)->hasFocus());
        QCOMPARE(accName(env)->selectedText(), u"甲公司"_s);
    }

    void clickingARowLoadsIt()
    {
        TestEnv env;
        addFive(env);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        auto* currency = env.find<QComboBox>(u"PayAccList_comboCurrency"_s);
        currency->setCurrentIndex(2);
        clickRow(grid, 3);
        QCOMPARE(chosenIndex(env), u"3"_s);
        QCOMPARE(accNo(env)->text(), u"6222000000000003"_s);
        QCOMPARE(accName(env)->text(), u"户名3"_s);
        QCOMPARE(currency->currentIndex(), 2); // display only, not changed
    }

    void arrowKeysLoadTheRowTheyReach()
    {
        TestEnv env;
        addFive(env);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        clickRow(grid, 2);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(chosenIndex(env), u"4"_s);
        QCOMPARE(accNo(env)->text(), u"6222000000000004"_s);
        // The delete takes the row the user sees chosen.
        env.prompt.answerOk();
        env.click(u"PayAccList_cmdDelete"_s);
        QCOMPARE(env.scalar(u"select count(*) from pay_acc where acc_no='6222000000000004'"_s).toInt(), 0);
        QCOMPARE(env.scalar(u"select count(*) from pay_acc"_s).toInt(), 4);
    }

    void changeTheName()
    {
        TestEnv env;
        addFive(env);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        env.click(u"PayAccList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"请先选择要修改的账户"_s });

        env.prompt.clear();
        clickRow(grid, 2);
        env.type(u"PayAccList_txtAccName"_s, u"新户名"_s);
        env.click(u"PayAccList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"修改付款账号成功"_s });
        QCOMPARE(accountName(env, u"6222000000000002"_s), u"新户名"_s);
        QCOMPARE(grid->textMatrix(2, 2), u"新户名"_s);
        QVERIFY(chosenIndex(env).isEmpty());
    }

    void theNumberCannotBeChanged()
    {
        TestEnv env;
        addFive(env);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        clickRow(grid, 2);
        env.type(u"PayAccList_txtAccNo"_s, u"6222000000000099"_s);
        env.type(u"PayAccList_txtAccName"_s, u"新户名"_s);
        env.click(u"PayAccList_cmdUpdate"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"账号不可修改，请删除后再添加"_s });
        QCOMPARE(accountName(env, u"6222000000000002"_s), u"户名2"_s);
        QCOMPARE(accountCount(env), 5);
    }

    void deleteRowsSelectedBottomUp()
    {
        TestEnv env;
        addFive(env);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        dragRows(grid, 5, 3);
        env.prompt.answerOk();
        env.click(u"PayAccList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), (QStringList { u"是否确认要删除所选付款账号?"_s, u"删除付款账号成功."_s }));
        QCOMPARE(env.prompt.calls().first().kind, RecordingPrompt::Kind::AskOkCancel);
        QCOMPARE(storeRows(env, u"select acc_no from pay_acc order by acc_no"_s),
            (QList<QStringList> { { u"6222000000000001"_s }, { u"6222000000000002"_s } }));
        QCOMPARE(grid->rows(), 3);
        QCOMPARE(panels(env.window()), countPanels(u"2"_s));
        QVERIFY(chosenIndex(env).isEmpty());
    }

    void cancellingTheDeleteReloadsAndClearsTheSelection()
    {
        TestEnv env;
        addFive(env);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        dragRows(grid, 2, 4);
        QCOMPARE(chosenIndex(env), u"2"_s);
        env.prompt.answerCancel();
        env.click(u"PayAccList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"是否确认要删除所选付款账号?"_s });
        QCOMPARE(accountCount(env), 5);
        QVERIFY(chosenIndex(env).isEmpty());
        QVERIFY(accNo(env)->text().isEmpty());
        QVERIFY(accName(env)->text().isEmpty());
        QCOMPARE(grid->col(), 0);
    }

    void deleteNeedsAChosenRow()
    {
        TestEnv env;
        addFive(env);
        showTab(env, frmMain::TabPayAccList);
        env.click(u"PayAccList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"请先选择要删除的账户"_s });
        QCOMPARE(accountCount(env), 5);
    }

    void exportWithAnEmptyList()
    {
        TestEnv env;
        showTab(env, frmMain::TabPayAccList);
        env.click(u"PayAccList_cmdExport"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"没有记录可以导出"_s });
    }

    void exportWritesTheReferenceFile()
    {
        TestEnv env;
        addAccount(env, u"6222000000000002"_s, u"O'Brien & Sons <HK> \"Ltd\""_s);
        addAccount(env, u"6222000000000001"_s, u"上海某某贸易有限公司"_s);
        addAccount(env, u"62220000000000000003"_s, u"张三"_s);
        env.exec(u"update pay_acc set currency='13' where acc_no='6222000000000001'"_s);
        showTab(env, frmMain::TabPayAccList);
        const QString file = env.path(u"accounts.xml"_s);
        env.prompt.answerFile(file);
        env.click(u"PayAccList_cmdExport"_s);
        QCOMPARE(env.prompt.texts(),
            (QStringList { u"XML 文件 (*.xml)"_s, u"导出付款账号完毕\n文件："_s + QDir::toNativeSeparators(file) }));
        QCOMPARE(readBytes(file), readBytes(QStringLiteral(QELVORA_TEST_DATA "/masterdata/payacc_export.xml")));
    }

    void exportStopsAtAValueGbkCannotCarry()
    {
        TestEnv env;
        addAccount(env, kNo1, u"甲公司"_s);
        addAccount(env, kNo2, u"笑脸😀公司"_s);
        showTab(env, frmMain::TabPayAccList);
        const QString file = env.path(u"accounts.xml"_s);
        writeBytes(file, "previous contents");
        env.prompt.answerFile(file);
        env.prompt.answerOk();
        env.click(u"PayAccList_cmdExport"_s);
        QCOMPARE(env.prompt.texts().last(), u"户名[笑脸😀公司]中的字符“😀”不能用GBK编码，导出付款账号失败"_s);
        QCOMPARE(readBytes(file), QByteArray("previous contents"));
    }

    void exportThenImportGivesTheSameAccounts()
    {
        TestEnv env;
        // In list order.
        const QList<QStringList> accounts = {
            { kNo3, u"a<b>&amp;c'd"_s },
            { kNo1, u"上海某某贸易有限公司"_s },
            { kNo2, u"O'Brien & Sons <HK> \"Ltd\"; drop table pay_acc;--"_s },
        };
        for (const QStringList& a : accounts)
            addAccount(env, a.at(0), a.at(1));
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        const QString file = env.path(u"round.xml"_s);
        env.prompt.answerFile(file);
        env.click(u"PayAccList_cmdExport"_s);
        env.exec(u"delete from pay_acc"_s);
        env.prompt.clear();

        env.prompt.answerFile(file);
        env.click(u"PayAccList_cmdImport"_s);
        QCOMPARE(env.prompt.texts(), (QStringList { u"XML 文件 (*.xml)"_s, u"导入付款账号完毕"_s }));
        QCOMPARE(storeRows(env, u"select acc_no,acc_name from pay_acc order by acc_no"_s), accounts);
        QCOMPARE(grid->rows(), 4);
        QCOMPARE(panels(env.window()), countPanels(u"3"_s));
    }

    void importReplacesAnExistingAccount()
    {
        TestEnv env;
        addAccount(env, kNo1, u"旧户名"_s);
        env.exec(u"update pay_acc set currency='13'"_s);
        showTab(env, frmMain::TabPayAccList);
        const QString file = env.path(u"in.xml"_s);
        writeBytes(file,
            "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<AccountSet><Account><AccountNO>6222000000000001"
            "</AccountNO><Currency>x</Currency><AccountName>new name</AccountName></Account></AccountSet>\r\n");
        env.prompt.answerFile(file);
        env.click(u"PayAccList_cmdImport"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"导入付款账号完毕"_s });
        // Replaced: the imported name, and the currency back to the store's default.
        QCOMPARE(storeRows(env, u"select acc_no,acc_name,currency from pay_acc"_s),
            (QList<QStringList> { { kNo1, u"new name"_s, u"01"_s } }));
    }

    void importOfAFileThatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("texts");
        const QString filter = u"XML 文件 (*.xml)"_s;
        // Nothing chosen stops without a message; a file that is not XML is named with the reason.
        QTest::newRow("no file chosen") << u"none"_s << QStringList { filter };
        QTest::newRow("not XML") << u"broken"_s
                                 << QStringList { filter,
                                        u"文件“in.xml”无法读取：第1行：Premature end of data in tag Account line 1"_s };
        QTest::newRow("unreadable") << u"directory"_s << QStringList { filter, u"文件读写错误，导入付款账号失败"_s };
    }
    void importOfAFileThatCannotBeUsed()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, texts);
        TestEnv env;
        showTab(env, frmMain::TabPayAccList);
        const QString file = env.path(u"in.xml"_s);
        if (kind == u"broken"_s)
            writeBytes(file, "<AccountSet><Account><AccountNO>6222000000000001</AccountNO>");
        else if (kind == u"directory"_s)
            QVERIFY(QDir(env.dir()).mkdir(u"in.xml"_s));
        env.prompt.answerFile(kind == u"none"_s ? QString() : file);
        env.click(u"PayAccList_cmdImport"_s);
        QCOMPARE(env.prompt.texts(), texts);
        QCOMPARE(accountCount(env), 0);
    }
};

QELVORA_TEST(TestPayAccList)
#include "tst_payacclist.moc"
