#include "MasterDataTestSupport.h"
#include "TestRegistry.h"

#include "app/frmMsg.h"
#include "common/Workbook.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace mdtest;

namespace {
const QString kId = u"110101199003070019"_s; // passes the identity-card check

// person_no, group, account, name, employee number, kind, net_no, mul_net_no, cert_type, cert_code
void addEntry(TestEnv& env, int personNo, const QString& group, const QString& acc, const QString& name,
    const QString& employee, const QString& kind = u"0"_s, const QString& net = {}, const QString& mul = {},
    const QString& certType = {}, const QString& certCode = {})
{
    env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no,mul_net_no,"
             u"cert_type,cert_code) values (?,?,?,?,?,?,?,?,?,?)"_s,
        { personNo, group, acc, name, employee, kind, net, mul, certType, certCode });
}

void addPayroll(TestEnv& env, int serial, const QString& acc)
{
    env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,100,'0','','')"_s,
        { serial, acc });
}

ListGrid* showRoster(TestEnv& env)
{
    return showTab(env, frmMain::TabEmployeeList);
}

QLineEdit* box(TestEnv& env, const QString& name)
{
    return env.find<QLineEdit>(name);
}

QComboBox* certList(TestEnv& env)
{
    return env.find<QComboBox>(u"EmployeeList_comboCertType"_s);
}

void fill(TestEnv& env, const QString& group, const QString& acc, const QString& name, const QString& employee,
    int certIndex = -1, const QString& certCode = {})
{
    env.find<QComboBox>(u"EmployeeList_combGroupNo"_s)->setEditText(group);
    env.type(u"EmployeeList_txtAccNo"_s, acc);
    env.type(u"EmployeeList_txtAccName"_s, name);
    env.type(u"txt_emplyee_no"_s, employee);
    certList(env)->setCurrentIndex(certIndex);
    env.type(u"EmployeeList_txtCertCode"_s, certCode);
}

QList<QStringList> roster(TestEnv& env)
{
    return storeRows(env,
        u"select person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no,mul_net_no,cert_type,"
        u"cert_code from person_payee_acc order by person_no"_s);
}

QString dataPath(const QString& name)
{
    return QStringLiteral(QELVORA_TEST_DATA) + u'/' + name;
}

// Import `path` through the tab after confirming the question.
void importFile(TestEnv& env, const QString& path)
{
    env.prompt.clear();
    env.prompt.answerFile(path);
    env.prompt.answerOk();
    env.click(u"employeeList_cmdImport"_s);
}

void exportFile(TestEnv& env, const QString& path)
{
    env.prompt.clear();
    env.prompt.answerFile(path);
    env.click(u"employeeList_cmdExport"_s);
}

const QString kQuestion = u"导入过程中将删除原名册库中有账户或编号或证件重复的记录，确认继续?"_s;
} // namespace

class TestEmployeeList : public QObject {
    Q_OBJECT
private slots:
    void showingTheTab()
    {
        TestEnv env;
        addEntry(env, 2, u"B组"_s, u"6222000000000002"_s, u"乙"_s, u"2"_s, u"1"_s, u"313100000013"_s, u"M1"_s);
        addEntry(env, 1, u"B组"_s, u"6222000000000001"_s, u"甲"_s, u"1"_s, u"1"_s, u"313100000012"_s, u"M2"_s);
        addEntry(env, 3, u"A组"_s, u"6222000000000003"_s, u"丙"_s, u"3"_s);
        ListGrid* grid = showRoster(env);
        // Sorted by group, then running number; bank numbers shown, documents not.
        QCOMPARE(gridRows(grid),
            (QList<QStringList> {
                { u"1"_s, u"A组"_s, u"6222000000000003"_s, u"丙"_s, u"3"_s, u""_s, u""_s },
                { u"2"_s, u"B组"_s, u"6222000000000001"_s, u"甲"_s, u"1"_s, u"313100000012"_s, u"M2"_s },
                { u"3"_s, u"B组"_s, u"6222000000000002"_s, u"乙"_s, u"2"_s, u"313100000013"_s, u"M1"_s },
            }));
        QCOMPARE(panels(env.window()), countPanels(u"3"_s));
        QCOMPARE(env.find<QLabel>(u"EmployeeList_lblCertCode"_s)->text(), u"证件号码："_s);
        QCOMPARE(env.find<QComboBox>(u"EmployeeList_combGroupNo"_s)->count(), 2);
        QCOMPARE(certList(env)->currentIndex(), -1);
        // The kind cannot be chosen here; the bank numbers are disabled and hidden.
        for (const QString& name : { u"lblRecAccType"_s, u"optRecAccType_0"_s, u"optRecAccType_1"_s, u"txtNetNo"_s,
                 u"txtMulNetNo"_s, u"lblMulNetNo"_s })
            QVERIFY2(!env.find<QWidget>(name)->isVisible(), qPrintable(name));
        QVERIFY(env.find<QRadioButton>(u"optRecAccType_0"_s)->isChecked());
        QVERIFY(!box(env, u"txtMulNetNo"_s)->isEnabled());
        QCOMPARE(box(env, u"txtMulNetNo"_s)->maxLength(), 21);

        // Selecting an other-bank entry shows its bank numbers; an in-bank one hides them.
        clickRow(grid, 2);
        QCOMPARE(env.find<QLabel>(u"EmployeeList_lblEmployeeIdx"_s)->text(), u"2"_s);
        QVERIFY(box(env, u"txtNetNo"_s)->isVisible() && box(env, u"txtMulNetNo"_s)->isEnabled());
        QCOMPARE(box(env, u"txtNetNo"_s)->text(), u"313100000012"_s);
        QCOMPARE(box(env, u"txtMulNetNo"_s)->text(), u"M2"_s);
        clickRow(grid, 1);
        QVERIFY(!box(env, u"txtNetNo"_s)->isVisible());
        QCOMPARE(box(env, u"txtNetNo"_s)->text(), QString());
    }

    void add_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("acc");
        QTest::addColumn<QString>("employee");
        QTest::addColumn<bool>("otherBank");
        QTest::addColumn<int>("certIndex");
        QTest::addColumn<QString>("certCode");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("stored"); // group, employee, kind, cert_type, cert_code of the new entry
        const QString newAcc = u"6222000000000009"_s;
        const QStringList ok { u"新增账号成功"_s };
        QTest::newRow("default employee number is count + 1")
            << u"一组"_s << newAcc << u""_s << false << -1 << u""_s << ok
            << QStringList { u"一组"_s, u"5"_s, u"0"_s, u""_s, u""_s };
        QTest::newRow("empty group") << u""_s << newAcc << u"77"_s << false << 0 << u"110101900307001"_s << ok
                                     << QStringList { u"未分组"_s, u"77"_s, u"0"_s, u"1"_s, u"110101900307001"_s };
        QTest::newRow("new group created with other-bank kind")
            << u"新组"_s << newAcc << u"77"_s << true << 2 << u"E1234567"_s << ok
            << QStringList { u"新组"_s, u"77"_s, u"1"_s, u"3"_s, u"E1234567"_s };
        QTest::newRow("duplicate account") << u"一组"_s << u"6222000000000001"_s << u"77"_s << false << -1 << u""_s
                                           << QStringList { u"该付款账号或证件或编号已存在"_s } << QStringList {};
        QTest::newRow("employee number 5 already used")
            << u"一组"_s << newAcc << u"5"_s << false << -1 << u""_s
            << QStringList { u"该付款账号或证件或编号已存在"_s } << QStringList {};
        QTest::newRow("duplicate document") << u"一组"_s << newAcc << u"77"_s << false << 0 << kId
                                            << QStringList { u"该付款账号或证件或编号已存在"_s } << QStringList {};
        QTest::newRow("other-bank into an in-bank group")
            << u"一组"_s << newAcc << u"77"_s << true << -1 << u""_s << QStringList { u"请检查您所添加的银行类别！"_s }
            << QStringList {};
        QTest::newRow("identity card check") << u"一组"_s << newAcc << u"77"_s << false << 0 << u"12345"_s
                                             << QStringList { u"身份证号码格式错误，请重新输入。"_s } << QStringList {};
        QTest::newRow("other document without number") << u"一组"_s << newAcc << u"77"_s << false << 1 << u""_s
                                                       << QStringList { u"请输入有效证件号码"_s } << QStringList {};
    }
    void add()
    {
        QFETCH(QString, group);
        QFETCH(QString, acc);
        QFETCH(QString, employee);
        QFETCH(bool, otherBank);
        QFETCH(int, certIndex);
        QFETCH(QString, certCode);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, stored);
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, u"甲"_s, u"5"_s, u"0"_s, {}, {}, u"1"_s, kId);
        for (int i = 2; i <= 4; ++i)
            addEntry(
                env, i, u"一组"_s, u"622200000000000"_s + QString::number(i), u"某"_s, u"E"_s + QString::number(i));
        if (QTest::currentDataTag() == QByteArray("default employee number is count + 1"))
            env.exec(u"update person_payee_acc set employee_no='1' where person_no=1"_s);
        showRoster(env);
        fill(env, group, acc, u"新人 "_s, employee, certIndex, certCode);
        if (otherBank) {
            env.find<QRadioButton>(u"optRecAccType_1"_s)->click();
            env.type(u"txtNetNo"_s, u"313100000099 "_s);
        }
        env.prompt.clear();
        env.click(u"EmployeeList_cmdAdd"_s);
        QCOMPARE(env.prompt.messages(), messages);
        QVERIFY(!env.db().inTransaction()); // a refused add ends its transaction too
        const auto rows = storeRows(env,
            u"select group_no,employee_no,acc_type,cert_type,cert_code,acc_name,net_no,person_no"
            u" from person_payee_acc where acc_no='6222000000000009'"_s);
        if (stored.isEmpty()) {
            QVERIFY(rows.isEmpty());
            return;
        }
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).mid(0, 5), stored);
        QCOMPARE(rows.at(0).at(5), u"新人"_s); // no trailing blank is stored
        QCOMPARE(rows.at(0).at(6), otherBank ? u"313100000099"_s : u""_s);
        QCOMPARE(rows.at(0).at(7), u"5"_s);
        QCOMPARE(env.find<QLabel>(u"EmployeeList_lblEmployeeIdx"_s)->text(), QString()); // reloaded
    }

    // The group box takes any text: what the user types is the group, also when
    // it begins like an existing group or differs from one only in letter case.
    void typedGroupStaysAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::newRow("beginning of a group, Enter") << u"A"_s << int(Qt::Key_Return);
        QTest::newRow("beginning of a group, Tab") << u"A"_s << int(Qt::Key_Tab);
        QTest::newRow("other letter case, Enter") << u"bx"_s << int(Qt::Key_Return);
        QTest::newRow("other letter case, Tab") << u"bx"_s << int(Qt::Key_Tab);
    }
    void typedGroupStaysAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        TestEnv env;
        addEntry(env, 1, u"A1"_s, u"6222000000000001"_s, u"甲"_s, u"1"_s);
        addEntry(env, 2, u"BX"_s, u"6222000000000002"_s, u"乙"_s, u"2"_s);
        showRoster(env);
        auto* group = env.find<QComboBox>(u"EmployeeList_combGroupNo"_s);
        QTest::mouseClick(group->lineEdit(), Qt::LeftButton);
        QTest::keyClicks(group->lineEdit(), typed);
        QTest::keyClick(group->lineEdit(), Qt::Key(key));
        QCOMPARE(group->currentText(), typed);
        env.type(u"EmployeeList_txtAccNo"_s, u"6222000000000009"_s);
        env.type(u"EmployeeList_txtAccName"_s, u"丙"_s);
        env.prompt.clear();
        env.click(u"EmployeeList_cmdAdd"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"新增账号成功"_s });
        QCOMPARE(
            env.scalar(u"select group_no from person_payee_acc where acc_no='6222000000000009'"_s).toString(), typed);
    }

    void change_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("acc");
        QTest::addColumn<QString>("employee");
        QTest::addColumn<QStringList>("messages");
        const QStringList ok { u"修改账号成功"_s };
        QTest::newRow("keep own number") << u"一组"_s << u"6222000000000002"_s << u"2"_s << ok;
        QTest::newRow("number of another entry")
            << u"一组"_s << u"6222000000000002"_s << u"1"_s << QStringList { u"该付款账号或证件或编号已存在"_s };
        QTest::newRow("new group") << u"新组"_s << u"6222000000000002"_s << u"2"_s
                                   << QStringList { u"请重新选择组别，此组别不存在！"_s };
        QTest::newRow("account changed") << u"一组"_s << u"6222000000000008"_s << u"2"_s
                                         << QStringList { u"账号不可修改，请删除后再添加"_s };
    }
    void change()
    {
        QFETCH(QString, group);
        QFETCH(QString, acc);
        QFETCH(QString, employee);
        QFETCH(QStringList, messages);
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, u"甲"_s, u"1"_s);
        addEntry(env, 2, u"一组"_s, u"6222000000000002"_s, u"乙"_s, u"2"_s, u"0"_s, {}, {}, u"3"_s, u"E7654321"_s);
        ListGrid* grid = showRoster(env);
        clickRow(grid, 2);
        // The stored document is shown, so that the change writes it back.
        QCOMPARE(certList(env)->currentText(), u"护照"_s);
        QCOMPARE(box(env, u"EmployeeList_txtCertCode"_s)->text(), u"E7654321"_s);
        env.find<QComboBox>(u"EmployeeList_combGroupNo"_s)->setEditText(group);
        env.type(u"EmployeeList_txtAccNo"_s, acc);
        env.type(u"EmployeeList_txtAccName"_s, u"乙二"_s);
        env.type(u"txt_emplyee_no"_s, employee);
        env.prompt.clear();
        env.click(u"EmployeeList_cmdUpdate"_s);
        QCOMPARE(env.prompt.messages(), messages);
        const QString name = messages == QStringList { u"修改账号成功"_s } ? u"乙二"_s : u"乙"_s;
        QCOMPARE(roster(env).at(1),
            (QStringList {
                u"2"_s, u"一组"_s, u"6222000000000002"_s, name, u"2"_s, u"0"_s, u""_s, u""_s, u"3"_s, u"E7654321"_s }));
    }

    void changeWithoutDocumentWritesNoCode()
    {
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, u"甲"_s, u"1"_s);
        clickRow(showRoster(env), 1);
        env.type(u"EmployeeList_txtAccName"_s, u"甲二"_s);
        env.click(u"EmployeeList_cmdUpdate"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"修改账号成功"_s });
        QCOMPARE(roster(env).at(0).mid(3), (QStringList { u"甲二"_s, u"1"_s, u"0"_s, u""_s, u""_s, u""_s, u""_s }));
    }

    void deleteRemovesPayrollInOneTransaction_data()
    {
        QTest::addColumn<bool>("rosterDeleteFails");
        QTest::newRow("both deleted") << false;
        QTest::newRow("roster delete fails: payroll stays") << true;
    }
    void deleteRemovesPayrollInOneTransaction()
    {
        QFETCH(bool, rosterDeleteFails);
        TestEnv env;
        for (int i = 1; i <= 3; ++i) {
            addEntry(env, i, u"一组"_s, u"622200000000000"_s + QString::number(i), u"某"_s, QString::number(i));
            addPayroll(env, i, u"622200000000000"_s + QString::number(i));
        }
        if (rosterDeleteFails)
            env.exec(
                u"create trigger refuse before delete on person_payee_acc begin select raise(abort,'refused'); end"_s);
        ListGrid* grid = showRoster(env);
        dragRows(grid, 3, 2);
        env.prompt.clear();
        env.prompt.answerOk();
        env.click(u"EmployeeList_cmdDelete"_s);
        const QStringList left = rosterDeleteFails ? QStringList { u"1"_s, u"2"_s, u"3"_s } : QStringList { u"1"_s };
        QCOMPARE(
            env.scalar(u"select group_concat(serial_no) from (select serial_no from laborage order by 1)"_s).toString(),
            left.join(u','));
        QCOMPARE(env.scalar(u"select count(*) from person_payee_acc"_s).toInt(), left.size());
        if (rosterDeleteFails) {
            QCOMPARE(env.prompt.messages(), QStringList { u"删除账号失败,失败位置：指令序列4"_s });
        } else {
            QCOMPARE(env.prompt.texts(),
                (QStringList { u"是否确认要删除所选账号以及工资单中关于改账号的指令?"_s, u"删除账号成功."_s }));
            QCOMPARE(grid->rows(), 2);
        }
    }

    // Nothing to delete on an empty list: nothing is asked, nothing is reported done.
    void deleteOnAnEmptyList_data()
    {
        QTest::addColumn<bool>("leaveTheTab");
        QTest::newRow("empty roster, blank row clicked") << false;
        QTest::newRow("row chosen, list emptied by leaving the tab") << true;
    }
    void deleteOnAnEmptyList()
    {
        QFETCH(bool, leaveTheTab);
        TestEnv env;
        if (leaveTheTab)
            addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, u"甲"_s, u"1"_s);
        addPayroll(env, 1, leaveTheTab ? u"6222000000000001"_s : u""_s);
        ListGrid* grid = showRoster(env);
        dragRows(grid, 1, 1);
        if (leaveTheTab) {
            env.window().SSTabMain()->setCurrentIndex(frmMain::TabPayAccList);
            QVERIFY(!grid->hasData());
        }
        env.prompt.clear();
        env.click(u"EmployeeList_cmdDelete"_s);
        QCOMPARE(env.prompt.texts(), QStringList { u"请先选择要删除的账户"_s });
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 1);
        QCOMPARE(env.scalar(u"select count(*) from person_payee_acc"_s).toInt(), leaveTheTab ? 1 : 0);
    }

    // ---- Files ----------------------------------------------------------------

    void exportAndImportAgain_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("doneMessage");
        QTest::newRow("xml") << u"xml"_s << u"收款人名册导出完毕"_s;
        QTest::newRow("csv") << u"csv"_s << u"收款人名册*.csv文件生成完毕"_s;
    }
    void exportAndImportAgain()
    {
        QFETCH(QString, format);
        QFETCH(QString, doneMessage);
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, u"A&B <Co> \"x\""_s, u"E1"_s, u"0"_s, {}, {}, u"1"_s, kId);
        addEntry(env, 2, u"他行组"_s, u"6222000000000002"_s, u"乙"_s, u"E2"_s, u"1"_s, u"313100000012"_s,
            u"123456789012345678901"_s, u"3"_s, u"G1234567"_s);
        addEntry(env, 3, u"一组"_s, u"6222000000000003"_s, u"丙"_s, u""_s);
        const QList<QStringList> before = roster(env);
        showRoster(env);
        const QString path = env.path(u"roster."_s + format);
        exportFile(env, path);
        QCOMPARE(env.prompt.messages(), QStringList { doneMessage });
        QCOMPARE(readBytes(path), readBytes(dataPath(u"masterdata/roster_export."_s + format)));

        // Everything the format carries comes back; what it does not carry keeps
        // the values stored for the same account.
        env.exec(u"update person_payee_acc set group_no='x', acc_name='x', employee_no='x'||person_no"_s);
        importFile(env, path);
        QCOMPARE(env.prompt.messages(), QStringList { u"导入收款人名册完毕"_s });
        // New running numbers after the largest, in the file's (the grid's) order.
        QList<QStringList> expected = { before.at(0), before.at(2), before.at(1) };
        for (int i = 0; i < 3; ++i)
            expected[i][0] = QString::number(4 + i);
        QCOMPARE(roster(env), expected);
    }

    void exportRefusesWhatTheFileCannotCarry_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("csv: comma") << u"roster.csv"_s << u"甲,乙"_s
                                    << u"收款人名册第1行的户名中含有逗号“,”，导出名册失败"_s;
        QTest::newRow("csv: line break") << u"roster.csv"_s << u"甲\n乙"_s
                                         << u"收款人名册第1行的户名中含有换行符，导出名册失败"_s;
        QTest::newRow("csv: not in GBK") << u"roster.csv"_s << u"甲\U0001F600"_s
                                         << u"收款人名册第1行的户名中的字符“\U0001F600”不能用GBK编码，导出名册失败"_s;
        QTest::newRow("xml: not in GBK") << u"roster.xml"_s << u"甲\U0001F600"_s
                                         << u"收款人名册第1行的户名中的字符“\U0001F600”不能用GBK编码，导出名册失败"_s;
    }
    void exportRefusesWhatTheFileCannotCarry()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(QString, message);
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, name, u"1"_s);
        showRoster(env);
        // The grid shows the name trimmed per line; set it as stored.
        env.window().page(frmMain::TabEmployeeList)->grid()->setTextMatrix(1, 3, name);
        const QString path = env.path(file);
        exportFile(env, path);
        QCOMPARE(env.prompt.messages(), QStringList { message });
        QVERIFY(!QFile::exists(path));
    }

    void exportWithAnEmptyRoster()
    {
        TestEnv env;
        showRoster(env);
        const QString path = env.path(u"roster.xml"_s);
        exportFile(env, path);
        QCOMPARE(env.prompt.texts(), QStringList { u"收款人名册没有记录可以导出"_s });
        QVERIFY(!QFile::exists(path));
    }

    void importReplacesDuplicates()
    {
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, u"甲"_s, u"7"_s); // same number
        addEntry(
            env, 2, u"一组"_s, u"6222000000000002"_s, u"乙"_s, u"8"_s, u"0"_s, {}, {}, u"1"_s, kId); // same document
        addEntry(env, 3, u"一组"_s, u"6222000000000003"_s, u"新人"_s, u""_s); // same name only
        addEntry(env, 4, u"一组"_s, u"6222000000000004"_s, u"丁"_s, u""_s); // empty number
        addPayroll(env, 1, u"6222000000000001"_s);
        addPayroll(env, 2, u"6222000000000002"_s);
        addPayroll(env, 3, u"6222000000000003"_s);
        const QString path = env.path(u"in.xml"_s);
        writeBytes(path,
            "<EmployeeList><Employee>"
            "<acc_no>6222000000000009</acc_no><acc_name>新人</acc_name><employee_no>7</employee_no>"
            "<cert_type>居民身份证</cert_type><cert_code>110101199003070019</cert_code></Employee>"
            "<Employee><acc_no>6222000000000010</acc_no><acc_name>X</acc_name><employee_no></employee_no>"
            "</Employee></EmployeeList>");
        showRoster(env);
        importFile(env, path);
        QVERIFY(env.prompt.texts().contains(kQuestion));
        QCOMPARE(env.prompt.messages(), QStringList { u"导入收款人名册完毕"_s });
        QCOMPARE(storeRows(env, u"select acc_no,person_no from person_payee_acc order by acc_no"_s),
            (QList<QStringList> { { u"6222000000000003"_s, u"3"_s }, { u"6222000000000004"_s, u"4"_s },
                { u"6222000000000009"_s, u"5"_s }, { u"6222000000000010"_s, u"6"_s } }));
        // The removed entries take their payroll instructions with them.
        QCOMPARE(env.scalar(u"select group_concat(acc_no) from laborage"_s).toString(), u"6222000000000003"_s);
    }

    void importRefuses_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: `file` is a workbook in the test data
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("kept"); // entries of the file that stay
        QTest::newRow("xml: same employee number twice")
            << u"in.xml"_s
            << QByteArray(
                   "<EmployeeList><Employee><acc_no>6222000000000001</acc_no><acc_name>a</acc_name><employee_no>9"
                   "</employee_no></Employee><Employee><acc_no>6222000000000002</acc_no><acc_name>b</acc_name>"
                   "<employee_no>9</employee_no></Employee></EmployeeList>")
            << QStringList { u"第1条记录中的编号与第0条记录重复，文件导入被中止"_s } << 1;
        QTest::newRow("xml: multi-party number over 21")
            << u"in.xml"_s
            << QByteArray("<r><Employee><acc_no>6222000000000001</acc_no><acc_name>a</acc_name><mul_net_no>"
                          "1234567890123456789012</mul_net_no></Employee></r>")
            << QStringList { u"第0条记录中的支付系统行号长度错误，文件导入被中止"_s } << 0;
        QTest::newRow("xml: 11-character employee number")
            << u"in.xml"_s
            << QByteArray("<r><Employee><acc_no>6222000000000001</acc_no><acc_name>a</acc_name><employee_no>12345678901"
                          "</employee_no></Employee></r>")
            << QStringList { u"第0条记录中的编号格式错误，文件导入被中止"_s } << 0;
        // Not XML at all: said so, where it once reported an empty import as done.
        QTest::newRow("xml: not a document")
            << u"in.xml"_s << QByteArray("<EmployeeList><Employee>")
            << QStringList { u"文件“in.xml”无法读取：第1行：Premature end of data in tag Employee line 1"_s } << 0;
        QTest::newRow("csv: account not digits")
            << u"in.csv"_s << QByteArray("2,0.00\r\n,#6222000000000001, a,#1\r\n,#62220000000000X2, b,#2\r\n")
            << QStringList { u"第2条记录中的账号有误，文件导入被中止"_s } << 1;
        QTest::newRow("csv: neither GBK nor UTF-8 with BOM")
            << u"in.csv"_s << QByteArray("1,0.00\r\n,#6222000000000001, \xff\xff,#1\r\n")
            << QStringList { u"文件读写错误，导入收款人名册失败"_s } << 0;
        QTest::newRow("csv: fewer than four fields")
            << u"in.csv"_s << QByteArray("1,0.00\r\n,#6222000000000001, a,#1\r\n,#6222000000000002\r\n")
            << QStringList { u"文件读写错误，导入收款人名册失败"_s } << 1;
        QTest::newRow("xls: header row") << u"lo_formulas.xls"_s << QByteArray()
                                         << QStringList { u"第1条记录中的账号有误，文件导入被中止"_s,
                                                u"文件导入失败"_s }
                                         << 0;
        QTest::newRow("xls: 16-digit number as account")
            << u"roster_numeric_account.xls"_s << QByteArray()
            << QStringList { u"第2条记录中的账号是数字格式，16位以上的数字已丢失末尾几位，请将账号列设置为文本格式后重新填写，文件导入被中止"_s,
                   u"文件导入失败"_s }
            << 0;
        QTest::newRow("not supported")
            << u"in.txt"_s << QByteArray("x")
            << QStringList { u"抱歉，系统目前不支持该格式文件，请选择csv、xls格式文件进行操作"_s } << 0;
    }
    void importRefuses()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, messages);
        QFETCH(int, kept);
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000099"_s, u"甲"_s, u"E99"_s);
        QString path = dataPath(u"xls/"_s + file);
        if (!content.isEmpty()) {
            path = env.path(file);
            writeBytes(path, content);
        }
        ListGrid* grid = showRoster(env);
        importFile(env, path);
        QCOMPARE(env.prompt.messages(), messages);
        QCOMPARE(env.scalar(u"select count(*) from person_payee_acc"_s).toInt(), 1 + kept);
        QCOMPARE(grid->rows(), 2); // not reloaded after a stop
    }

    void importCsvTrimsAndNumbersInFileOrder()
    {
        TestEnv env;
        addEntry(env, 5, u"Z组"_s, u"6222000000000099"_s, u"甲"_s, u"1"_s);
        const QString path = env.path(u"in.csv"_s);
        writeBytes(path,
            QByteArray("\xef\xbb\xbf")
                + u"9,0.00\r\nG ,#6222000000000003 , 丙 ,#33 \r\nG,#6222000000000001, 甲,#\r\n"_s.toUtf8());
        ListGrid* grid = showRoster(env);
        importFile(env, path);
        QCOMPARE(env.prompt.messages(), QStringList { u"导入收款人名册完毕"_s });
        QCOMPARE(storeRows(env,
                     u"select person_no,group_no,acc_no,acc_name,employee_no from person_payee_acc where group_no='G'"
                     u" order by person_no"_s),
            (QList<QStringList> { { u"6"_s, u"G"_s, u"6222000000000003"_s, u"丙"_s, u"33"_s },
                { u"7"_s, u"G"_s, u"6222000000000001"_s, u"甲"_s, u""_s } }));
        QCOMPARE(grid->textMatrix(1, 2), u"6222000000000003"_s);
    }

    void importWorkbook_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("lastEntry"); // group, account, name, employee number
        QTest::newRow("header-less sheet by another program")
            << u"ssconvert_roster.xls"_s << 50
            << QStringList { u"二组"_s, u"6222734263797559951"_s, u"肖诺凯"_s, u"20240050"_s };
        QTest::newRow("formula cell, stops at empty column A")
            << u"roster_formula_gap.xls"_s << 2
            << QStringList { u"一组"_s, u"6222000000000002"_s, u"李四"_s, u"1002"_s };
    }
    void importWorkbook()
    {
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QStringList, lastEntry);
        TestEnv env;
        ListGrid* grid = showRoster(env);
        importFile(env, dataPath(u"xls/"_s + file));
        QCOMPARE(env.prompt.messages(),
            (QStringList { u"共导入"_s + QString::number(count) + u"条记录"_s, u"导入数据成功"_s }));
        QCOMPARE(env.scalar(u"select count(*) from person_payee_acc"_s).toInt(), count);
        QCOMPARE(storeRows(env,
                     u"select group_no,acc_no,acc_name,employee_no from person_payee_acc"
                     u" order by person_no desc limit 1"_s),
            QList<QStringList> { lastEntry });
        QCOMPARE(grid->rows(), 2); // the workbook import does not reload the grid
        auto* busy = env.window().findChild<frmMsg*>(u"frmMsg"_s);
        QVERIFY(busy && !busy->isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    void refusedWorkbookKeepsNothing()
    {
        TestEnv env;
        addEntry(env, 1, u"一组"_s, u"6222000000000001"_s, u"甲"_s, u"1"_s, u"0"_s, {}, {}, u"1"_s, kId);
        const QList<QStringList> before = roster(env);
        const QString path = env.path(u"in.xls"_s);
        const Result<> written = writeWorkbook(
            path, { { u"二组"_s, u"6222000000000001"_s, u"甲二"_s, u"9"_s }, { u"二组"_s, u""_s, u"乙"_s, u"2"_s } });
        QVERIFY2(written.ok(), qPrintable(written.message()));
        showRoster(env);
        importFile(env, path);
        QCOMPARE(
            env.prompt.messages(), (QStringList { u"第2条记录中的收款账号为空，文件导入被中止"_s, u"文件导入失败"_s }));
        QCOMPARE(roster(env), before); // the entry replaced by row 1 is back
    }

    void busyWindow()
    {
        frmMsg busy;
        busy.begin();
        QVERIFY(busy.isVisible());
        QVERIFY(busy.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(busy.label()->text(), u"正在导入，请稍候.........."_s);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        busy.step(10, 100);
        QVERIFY(!busy.progressBar()->isVisible()); // short work: the label only
        busy.step(5000, 65535);
        QVERIFY(busy.progressBar()->isVisible());
        QCOMPARE(busy.progressBar()->value(), 5000);
        QCOMPARE(busy.progressBar()->maximum(), 65535);
        busy.end();
        QVERIFY(!busy.isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QELVORA_TEST(TestEmployeeList)
#include "tst_employeelist.moc"
