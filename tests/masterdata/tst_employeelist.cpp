#include "MasterDataTestSupport.h"
#include "TestRegistry.h"

#include "app/frmMsg.h"
#include "common/FieldRule.h"
#include "common/GbkCodec.h"
#include "common/Workbook.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
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

const QString kFileError = u"文件读写错误，导入收款人名册失败"_s;
const QString kNoEntries = u"收款人名册文件中没有记录，导入文件中止"_s;

// The two entries the hostile-file tests start from, as roster() shows them
// without person_no: an in-bank entry with an identity card, and the only entry
// of an other-bank group with bank numbers and a passport.
const QStringList kSeedIn { u"一组"_s, u"6222000000000099"_s, u"甲"_s, u"E99"_s, u"0"_s, u""_s, u""_s, u"1"_s, kId };
const QStringList kSeedOut { u"他行组"_s, u"6222000000000088"_s, u"乙"_s, u"E88"_s, u"1"_s, u"313100000012"_s, u"M88"_s,
    u"3"_s, u"G1234567"_s };

void seed(TestEnv& env)
{
    addEntry(env, 1, kSeedIn.at(0), kSeedIn.at(1), kSeedIn.at(2), kSeedIn.at(3), kSeedIn.at(4), {}, {}, kSeedIn.at(7),
        kSeedIn.at(8));
    addEntry(env, 2, kSeedOut.at(0), kSeedOut.at(1), kSeedOut.at(2), kSeedOut.at(3), kSeedOut.at(4), kSeedOut.at(5),
        kSeedOut.at(6), kSeedOut.at(7), kSeedOut.at(8));
    addPayroll(env, 1, kSeedIn.at(1));
    addPayroll(env, 2, kSeedOut.at(1));
}

// A new entry from a CSV file or a workbook: in-bank, without bank numbers or document.
QStringList newEntry(const QString& group, const QString& acc, const QString& name, const QString& employee)
{
    return { group, acc, name, employee, u"0"_s, u""_s, u""_s, u""_s, u""_s };
}

QList<QStringList> payroll(TestEnv& env)
{
    return storeRows(
        env, u"select serial_no,acc_no,pay_amount,acc_type,net_no,remark from laborage order by serial_no"_s);
}

QByteArray gbk(const QString& text)
{
    const Result<QByteArray> bytes = GbkCodec::encode(text);
    if (!bytes)
        QTest::qFail("test text not in GBK", __FILE__, __LINE__);
    return bytes.value_or({});
}

// A roster CSV file in GBK: the summary line, then `lines`, each followed by `end`.
QByteArray csvFile(const QStringList& lines, const QByteArray& end = "\r\n")
{
    QByteArray bytes = "9,0.00" + end;
    for (const QString& line : lines)
        bytes += gbk(line) + end;
    return bytes;
}

// One CSV line as the export writes it.
QString csvLine(const QString& group, const QString& acc, const QString& name, const QString& employee)
{
    return group + u",#"_s + acc + u", "_s + name + u",#"_s + employee;
}

// Runs the import of `path` through the tab, starting from the seeded roster,
// and checks what the user is told and what the store holds: `stored` is the
// whole roster afterwards (without person_no, in person_no order) when the
// file was imported, empty when the roster and the payroll must stay exactly
// as they were.
void checkImport(TestEnv& env, const QString& path, const QString& accountRule, const QStringList& messages,
    const QList<QStringList>& stored)
{
    const QList<QStringList> rosterBefore = roster(env);
    const QList<QStringList> payrollBefore = payroll(env);
    ListGrid* grid = showRoster(env);
    if (!accountRule.isEmpty()) {
        FieldRule& rule = env.ctx().fieldRules.ruleFor(FieldId::SubSalaRollMana_PerAccountNo);
        rule.isAccount = true;
        rule.length = accountRule;
    }
    importFile(env, path);
    QCOMPARE(env.prompt.messages(), messages);
    QVERIFY(env.prompt.allAnswersUsed());
    QVERIFY(!env.db().inTransaction());
    QCOMPARE(payroll(env), payrollBefore);
    if (stored.isEmpty()) {
        QCOMPARE(roster(env), rosterBefore);
        QCOMPARE(grid->rows(), 3); // not reloaded
        return;
    }
    QList<QStringList> after = roster(env);
    for (QStringList& row : after)
        row.removeFirst();
    QCOMPARE(after, stored);
    QCOMPARE(grid->rows(), 1 + stored.size()); // reloaded
}

// The child elements of one Employee element, in the export's order.
using XmlFields = QList<QPair<QString, QString>>;
XmlFields xmlFields(const QStringList& entry)
{
    // entry: group, account, name, employee number, kind, net_no, mul_net_no, cert_type (description), cert_code
    static const QStringList names { u"group_no"_s, u"acc_no"_s, u"acc_name"_s, u"employee_no"_s, u"acc_type"_s,
        u"net_no"_s, u"mul_net_no"_s, u"cert_type"_s, u"cert_code"_s };
    XmlFields fields;
    for (qsizetype i = 0; i < names.size(); ++i)
        fields.append({ names.at(i), entry.value(i) });
    return fields;
}

XmlFields without(XmlFields fields, const QStringList& names)
{
    fields.removeIf([&names](const auto& field) { return names.contains(field.first); });
    return fields;
}

// A roster XML file in GBK, laid out as the export writes it.
QByteArray xmlFile(const QList<XmlFields>& employees, const QByteArray& end = "\r\n")
{
    QString text = u"<?xml version=\"1.0\" encoding=\"GB2312\"?>"_s + QString::fromLatin1(end) + u"<EmployeeList>"_s
        + QString::fromLatin1(end);
    for (const XmlFields& e : employees) {
        text += u"\t<Employee>"_s + QString::fromLatin1(end);
        for (const auto& [name, value] : e)
            text += u"\t\t<"_s + name + u'>' + value + u"</"_s + name + u'>' + QString::fromLatin1(end);
        text += u"\t</Employee>"_s + QString::fromLatin1(end);
    }
    text += u"</EmployeeList>"_s + QString::fromLatin1(end);
    return gbk(text);
}

QString digits(int n)
{
    QString text = u"6222"_s;
    while (text.size() < n)
        text += QChar(char16_t(u'0' + text.size() % 10));
    return text.left(n);
}
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
        QCOMPARE(env.prompt.messages(), QStringList { doneMessage + u"\n文件："_s + QDir::toNativeSeparators(path) });
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
        QTest::newRow("xml: same employee number twice")
            << u"in.xml"_s
            << QByteArray(
                   "<EmployeeList><Employee><acc_no>6222000000000001</acc_no><acc_name>a</acc_name><employee_no>9"
                   "</employee_no></Employee><Employee><acc_no>6222000000000002</acc_no><acc_name>b</acc_name>"
                   "<employee_no>9</employee_no></Employee></EmployeeList>")
            << QStringList { u"第1条记录中的编号与第0条记录重复，文件导入被中止"_s };
        QTest::newRow("xml: multi-party number over 21")
            << u"in.xml"_s
            << QByteArray("<r><Employee><acc_no>6222000000000001</acc_no><acc_name>a</acc_name><mul_net_no>"
                          "1234567890123456789012</mul_net_no></Employee></r>")
            << QStringList { u"第0条记录中的支付系统行号长度错误，文件导入被中止"_s };
        QTest::newRow("xml: 11-character employee number")
            << u"in.xml"_s
            << QByteArray("<r><Employee><acc_no>6222000000000001</acc_no><acc_name>a</acc_name><employee_no>12345678901"
                          "</employee_no></Employee></r>")
            << QStringList { u"第0条记录中的编号格式错误，文件导入被中止"_s };
        // Not XML at all: said so, where it once reported an empty import as done.
        QTest::newRow("xml: not a document")
            << u"in.xml"_s << QByteArray("<EmployeeList><Employee>")
            << QStringList { u"文件“in.xml”无法读取：第1行：Premature end of data in tag Employee line 1"_s };
        QTest::newRow("csv: neither GBK nor UTF-8 with BOM")
            << u"in.csv"_s << QByteArray("1,0.00\r\n,#6222000000000001, \xff\xff,#1\r\n")
            << QStringList { u"文件读写错误，导入收款人名册失败"_s };
        QTest::newRow("csv: fewer than four fields")
            << u"in.csv"_s << QByteArray("1,0.00\r\n,#6222000000000001, a,#1\r\n,#6222000000000002\r\n")
            << QStringList { u"文件读写错误，导入收款人名册失败"_s };
        QTest::newRow("xls: 16-digit number as account")
            << u"roster_numeric_account.xls"_s << QByteArray()
            << QStringList {
                   u"第2条记录中的账号是数字格式，16位以上的数字已丢失末尾几位，请将账号列设置为文本格式后重新填写，文件导入被中止"_s,
                   u"文件导入失败"_s
               };
        QTest::newRow("xlsb") << u"../xlsx/bad_xlsb.xlsb"_s << QByteArray()
                              << QStringList { u"抱歉，系统目前不支持该格式文件，请选择csv、xls格式文件进行操作"_s };
        QTest::newRow("not supported") << u"in.txt"_s << QByteArray("x")
                                       << QStringList {
                                              u"抱歉，系统目前不支持该格式文件，请选择csv、xls格式文件进行操作"_s
                                          };
    }
    void importRefuses()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, messages);
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
        QCOMPARE(env.scalar(u"select count(*) from person_payee_acc"_s).toInt(), 1); // nothing of the file stays
        QCOMPARE(grid->rows(), 2); // not reloaded after a stop
    }

    // ---- Hostile files --------------------------------------------------------

    void importCsvFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("accountRule"); // empty: the default settings
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QList<QStringList>>("stored"); // empty: nothing changes
        const QStringList done { u"导入收款人名册完毕"_s };
        const QStringList a = newEntry(u"G"_s, u"6222000000000001"_s, u"张三"_s, u"1"_s);
        const QStringList b = newEntry(u"G"_s, u"6222000000000002"_s, u"李四"_s, u"2"_s);
        const QStringList lines { csvLine(a.at(0), a.at(1), a.at(2), a.at(3)),
            csvLine(b.at(0), b.at(1), b.at(2), b.at(3)) };
        const QList<QStringList> both { kSeedIn, kSeedOut, a, b };
        auto one = [](const QString& acc, const QString& name = u"张三"_s, const QString& employee = u"1"_s) {
            return csvFile({ csvLine(u"G"_s, acc, name, employee) });
        };
        auto oneStored = [](const QString& acc, const QString& name = u"张三"_s, const QString& employee = u"1"_s) {
            return QList<QStringList> { kSeedIn, kSeedOut, newEntry(u"G"_s, acc, name, employee) };
        };
        const QString noRule;

        QTest::newRow("CR LF") << csvFile(lines) << noRule << done << both;
        QTest::newRow("LF only") << csvFile(lines, "\n") << noRule << done << both;
        QTest::newRow("lone CR") << csvFile(lines, "\r") << noRule << done << both;
        QTest::newRow("mixed line ends, last line without one")
            << QByteArray("2,0.00\r\n" + gbk(lines.at(0)) + "\r" + gbk(lines.at(1))) << noRule << done << both;
        QTest::newRow("truncated inside a line") << QByteArray(csvFile({ lines.at(0) }) + gbk(lines.at(1)).left(12))
                                                 << noRule << QStringList { kFileError } << QList<QStringList> {};
        QTest::newRow("truncated inside a character")
            << QByteArray(csvFile({ lines.at(0) }) + gbk(u"G,#6222000000000002, 李"_s).chopped(1)) << noRule
            << QStringList { kFileError } << QList<QStringList> {};
        QTest::newRow("empty") << QByteArray() << noRule << QStringList { kNoEntries } << QList<QStringList> {};
        QTest::newRow("BOM only") << QByteArray("\xef\xbb\xbf") << noRule << QStringList { kNoEntries }
                                  << QList<QStringList> {};
        QTest::newRow("header only") << QByteArray("2,0.00\r\n") << noRule << QStringList { kNoEntries }
                                     << QList<QStringList> {};
        QTest::newRow("header only, lone CR")
            << QByteArray("2,0.00\r") << noRule << QStringList { kNoEntries } << QList<QStringList> {};
        QTest::newRow("account without its #")
            << csvFile({ u"G,6222000000000001, 张三,#1"_s }) << noRule << done << oneStored(u"6222000000000001"_s);
        QTest::newRow("employee number without its #") << csvFile({ u"G,#6222000000000001, 张三,77"_s }) << noRule
                                                       << done << oneStored(u"6222000000000001"_s, u"张三"_s, u"77"_s);
        QTest::newRow("NUL in a name") << csvFile(
            { lines.at(0), csvLine(u"G"_s, u"6222000000000002"_s, u"李\u0000四"_s, u"2"_s) })
                                       << noRule
                                       << QStringList { u"第2条记录的户名中含有控制字符U+0000，文件导入被中止"_s }
                                       << QList<QStringList> {};
        QTest::newRow("escape in a group")
            << csvFile({ csvLine(u"G\u001b1"_s, u"6222000000000001"_s, u"张三"_s, u"1"_s) }) << noRule
            << QStringList { u"第1条记录的组号中含有控制字符U+001B，文件导入被中止"_s } << QList<QStringList> {};
        QTest::newRow("bell in an account")
            << one(u"62220000\u00070000001"_s) << noRule
            << QStringList { u"第1条记录的账号中含有控制字符U+0007，文件导入被中止"_s } << QList<QStringList> {};
        QTest::newRow("unit separator in an employee number")
            << one(u"6222000000000001"_s, u"张三"_s, u"1\u001f2"_s) << noRule
            << QStringList { u"第1条记录的编号中含有控制字符U+001F，文件导入被中止"_s } << QList<QStringList> {};
        QTest::newRow("tab inside a name") << one(u"6222000000000001"_s, u"张\t三"_s) << noRule << done
                                           << oneStored(u"6222000000000001"_s, u"张\t三"_s);
        QTest::newRow("account of 20") << one(digits(20)) << noRule << done << oneStored(digits(20));
        QTest::newRow("account of 21") << one(digits(21)) << noRule
                                       << QStringList { u"第1条记录中的账号长度错误，文件导入被中止"_s }
                                       << QList<QStringList> {};
        QTest::newRow("account of 10, as the screen takes it")
            << one(digits(10)) << noRule << done << oneStored(digits(10));
        QTest::newRow("account with letters, as the screen takes it")
            << one(u"62220000000000X2"_s) << noRule << done << oneStored(u"62220000000000X2"_s);
        QTest::newRow("account rule 16-19: 19 digits")
            << one(digits(19)) << u"16-19"_s << done << oneStored(digits(19));
        QTest::newRow("account rule 16-19: 20 digits")
            << one(digits(20)) << u"16-19"_s << QStringList { u"第1条记录中的账号长度错误，文件导入被中止"_s }
            << QList<QStringList> {};
        QTest::newRow("account rule: a letter in the second entry")
            << csvFile({ lines.at(0), csvLine(u"G"_s, u"62220000000000X2"_s, u"李四"_s, u"2"_s) }) << u"16-19"_s
            << QStringList { u"第2条记录中的账号有误，文件导入被中止"_s } << QList<QStringList> {};
        QTest::newRow("employee number of 10") << one(u"6222000000000001"_s, u"张三"_s, u"1234567890"_s) << noRule
                                               << done << oneStored(u"6222000000000001"_s, u"张三"_s, u"1234567890"_s);
        QTest::newRow("employee number of 11")
            << one(u"6222000000000001"_s, u"张三"_s, u"12345678901"_s) << noRule
            << QStringList { u"第1条记录中的编号格式错误，文件导入被中止"_s } << QList<QStringList> {};
        QTest::newRow("name of 60") << one(u"6222000000000001"_s, QString(60, u'名')) << noRule << done
                                    << oneStored(u"6222000000000001"_s, QString(60, u'名'));
        QTest::newRow("name of 61") << one(u"6222000000000001"_s, QString(61, u'名')) << noRule
                                    << QStringList { u"第1条记录中的收款户名数据长度错误，文件导入被中止"_s }
                                    << QList<QStringList> {};
        QTest::newRow("same account twice")
            << csvFile({ lines.at(0), csvLine(u"G"_s, a.at(1), u"张三二"_s, u"3"_s) }) << noRule
            << QStringList { u"第2条记录中的账号与第1条记录重复，文件导入被中止"_s } << QList<QStringList> {};
        QTest::newRow("same employee number twice")
            << csvFile({ lines.at(0), csvLine(u"G"_s, b.at(1), b.at(2), a.at(3)) }) << noRule
            << QStringList { u"第2条记录中的编号与第1条记录重复，文件导入被中止"_s } << QList<QStringList> {};
        QTest::newRow("new in-bank entry into the other-bank group")
            << csvFile({ lines.at(0), csvLine(kSeedOut.at(0), b.at(1), b.at(2), b.at(3)) }) << noRule
            << QStringList { u"第2条记录的账号行别与同组其他账户的不同，文件导入被中止"_s } << QList<QStringList> {};
        QList<QStringList> renamed { kSeedIn, kSeedOut };
        renamed[1][2] = u"乙二"_s;
        QTest::newRow("stored other-bank entry keeps its kind, bank numbers and document")
            << csvFile({ csvLine(kSeedOut.at(0), kSeedOut.at(1), u"乙二"_s, kSeedOut.at(3)) }) << noRule << done
            << renamed;
        QTest::newRow("empty account") << csvFile({ u"G,#, 张三,#1"_s }) << noRule
                                       << QStringList { u"收款人名册文件中有空的账号，导入文件中止"_s }
                                       << QList<QStringList> {};
        QTest::newRow("fewer than four fields") << csvFile({ lines.at(0), u"G,#6222000000000002, 李四"_s }) << noRule
                                                << QStringList { kFileError } << QList<QStringList> {};
    }
    void importCsvFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, accountRule);
        QFETCH(QStringList, messages);
        QFETCH(QList<QStringList>, stored);
        TestEnv env;
        seed(env);
        const QString path = env.path(u"roster.csv"_s);
        writeBytes(path, content);
        checkImport(env, path, accountRule, messages, stored);
    }

    void importXmlFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QList<QStringList>>("stored"); // empty: nothing changes
        const QStringList done { u"导入收款人名册完毕"_s };
        // New entries: an in-bank one with an identity card, an other-bank one with a passport.
        const QStringList a { u"G"_s, u"6222000000000001"_s, u"张三"_s, u"1"_s, u"0"_s, u""_s, u""_s, u"居民身份证"_s,
            u"11010119900307003X"_s };
        const QStringList b { u"H"_s, u"6222000000000002"_s, u"李四"_s, u"2"_s, u"1"_s, u"313100000013"_s,
            u"123456789012345678901"_s, u"护照"_s, u"E1234567"_s };
        // As the roster stores an entry of the file: the document type by its code.
        auto stored = [](QStringList entry) {
            entry[7] = entry.at(7) == u"居民身份证"_s ? u"1"_s : entry.at(7) == u"护照"_s ? u"3"_s : entry.at(7);
            return entry;
        };
        auto with = [](QStringList entry, int field, const QString& value) {
            entry[field] = value;
            return entry;
        };
        auto withA = [&](int field, const QString& value) { return with(a, field, value); };
        auto added = [&](const QStringList& entry) { return QList<QStringList> { kSeedIn, kSeedOut, stored(entry) }; };
        auto refused = [](const QString& message) { return QStringList { message }; };
        auto unreadable = [](const QString& why) { return QStringList { u"文件“roster.xml”无法读取："_s + why }; };
        const QString noDtd = u"不支持带有文档类型定义(DTD)的XML文件"_s;
        const QList<QStringList> unchanged;
        const QList<QStringList> both { kSeedIn, kSeedOut, stored(a), stored(b) };
        const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";

        QTest::newRow("CR LF") << xmlFile({ xmlFields(a), xmlFields(b) }) << done << both;
        QTest::newRow("LF only") << xmlFile({ xmlFields(a), xmlFields(b) }, "\n") << done << both;
        QTest::newRow("lone CR") << xmlFile({ xmlFields(a), xmlFields(b) }, "\r") << done << both;

        // What the file does not carry stays as stored; a new entry is in-bank without document.
        const QStringList seedInRenamed = with(kSeedIn, 2, u"甲二"_s);
        QTest::newRow("without cert_type and cert_code: the document stays")
            << xmlFile({ without(xmlFields(seedInRenamed), { u"cert_type"_s, u"cert_code"_s }) }) << done
            << QList<QStringList> { kSeedOut, seedInRenamed };
        const QStringList seedOutRenamed = with(kSeedOut, 2, u"乙二"_s);
        QTest::newRow("without acc_type, bank numbers and document: all stay")
            << xmlFile({ without(xmlFields(seedOutRenamed),
                   { u"acc_type"_s, u"net_no"_s, u"mul_net_no"_s, u"cert_type"_s, u"cert_code"_s }) })
            << done << QList<QStringList> { kSeedIn, seedOutRenamed };
        QTest::newRow("new entry without acc_type and document")
            << xmlFile({ without(xmlFields(a), { u"acc_type"_s, u"cert_type"_s, u"cert_code"_s }) }) << done
            << QList<QStringList> { kSeedIn, kSeedOut, newEntry(a.at(0), a.at(1), a.at(2), a.at(3)) };
        const QStringList seedInWithoutDocument = with(with(kSeedIn, 7, u""_s), 8, u""_s);
        QTest::newRow("empty cert_type and cert_code elements remove the document") << xmlFile(
            { xmlFields(seedInWithoutDocument) }) << done << QList<QStringList> { kSeedOut, seedInWithoutDocument };

        // The kind.
        QTest::newRow("acc_type 2") << xmlFile({ xmlFields(withA(4, u"2"_s)) })
                                    << refused(u"第0条记录中的账号行别错误，文件导入被中止"_s) << unchanged;
        QTest::newRow("empty acc_type") << xmlFile({ xmlFields(b), xmlFields(withA(4, u""_s)) })
                                        << refused(u"第1条记录中的账号行别错误，文件导入被中止"_s) << unchanged;
        QTest::newRow("other-bank entry into an in-bank group")
            << xmlFile({ xmlFields(with(b, 0, kSeedIn.at(0))) })
            << refused(u"第0条记录的账号行别与同组其他账户的不同，文件导入被中止"_s) << unchanged;
        QTest::newRow("two kinds in a new group")
            << xmlFile({ xmlFields(a), xmlFields(with(b, 0, a.at(0))) })
            << refused(u"第1条记录的账号行别与同组其他账户的不同，文件导入被中止"_s) << unchanged;
        const QStringList seedOutInBank = with(with(with(kSeedOut, 4, u"0"_s), 5, u""_s), 6, u""_s);
        QTest::newRow("the only entry of a group changes its kind")
            << xmlFile({ without(xmlFields(seedOutInBank), { u"cert_type"_s, u"cert_code"_s }) }) << done
            << QList<QStringList> { kSeedIn, seedOutInBank };
        QTest::newRow("one account under both kinds")
            << xmlFile({ xmlFields(a), xmlFields(with(with(b, 1, a.at(1)), 0, a.at(0))) })
            << refused(u"第1条记录中的账号与第0条记录重复，文件导入被中止"_s) << unchanged;

        // The limits.
        QTest::newRow("account of 15") << xmlFile({ xmlFields(withA(1, digits(15))) })
                                       << refused(u"第0条记录中的账号长度错误，文件导入被中止"_s) << unchanged;
        QTest::newRow("account of 16") << xmlFile({ xmlFields(withA(1, digits(16))) }) << done
                                       << added(withA(1, digits(16)));
        QTest::newRow("account of 20") << xmlFile({ xmlFields(withA(1, digits(20))) }) << done
                                       << added(withA(1, digits(20)));
        QTest::newRow("account of 21") << xmlFile({ xmlFields(withA(1, digits(21))) })
                                       << refused(u"第0条记录中的账号长度错误，文件导入被中止"_s) << unchanged;
        QTest::newRow("account with a letter") << xmlFile({ xmlFields(withA(1, u"622200000000000X"_s)) })
                                               << refused(u"第0条记录中的账号有误，文件导入被中止"_s) << unchanged;
        QTest::newRow("employee number of 10")
            << xmlFile({ xmlFields(withA(3, u"1234567890"_s)) }) << done << added(withA(3, u"1234567890"_s));
        QTest::newRow("employee number of 11") << xmlFile({ xmlFields(withA(3, u"12345678901"_s)) })
                                               << refused(u"第0条记录中的编号格式错误，文件导入被中止"_s) << unchanged;
        QTest::newRow("name of 60") << xmlFile({ xmlFields(withA(2, QString(60, u'名'))) }) << done
                                    << added(withA(2, QString(60, u'名')));
        QTest::newRow("name of 61") << xmlFile({ xmlFields(withA(2, QString(61, u'名'))) })
                                    << refused(u"第0条记录中的收款户名数据长度错误，文件导入被中止"_s) << unchanged;
        QTest::newRow("multi-party number of 21") << xmlFile({ xmlFields(b) }) << done << added(b);
        QTest::newRow("multi-party number of 22")
            << xmlFile({ xmlFields(a), xmlFields(with(b, 6, b.at(6) + u'2')) })
            << refused(u"第1条记录中的支付系统行号长度错误，文件导入被中止"_s) << unchanged;
        QTest::newRow("empty account") << xmlFile({ xmlFields(withA(1, u""_s)) })
                                       << refused(u"收款人名册文件中有空的账号，导入文件中止"_s) << unchanged;

        // Characters.
        QTest::newRow("line feed reference in a name")
            << xmlFile({ xmlFields(withA(2, u"张&#10;三"_s)) })
            << refused(u"第0条记录的户名中含有控制字符U+000A，文件导入被中止"_s) << unchanged;
        QTest::newRow("tab reference in a name")
            << xmlFile({ xmlFields(withA(2, u"张&#9;三"_s)) }) << done << added(withA(2, u"张\t三"_s));
        QTest::newRow("NUL character reference")
            << xmlFile({ xmlFields(withA(2, u"张&#0;三"_s)) })
            << unreadable(u"第6行：xmlParseCharRef: invalid xmlChar value 0"_s) << unchanged;
        QTest::newRow("raw control byte") << xmlFile({ xmlFields(withA(2, u"张\u0001三"_s)) })
                                          << unreadable(u"第6行：PCDATA invalid Char value 1"_s) << unchanged;

        // Not a roster document.
        const QByteArray whole = xmlFile({ xmlFields(a), xmlFields(b) });
        QTest::newRow("truncated") << whole.left(whole.indexOf("<acc_name>", whole.indexOf("6222000000000002")))
                                   << unreadable(u"第17行：Premature end of data in tag Employee line 14"_s)
                                   << unchanged;
        QTest::newRow("empty") << QByteArray() << unreadable(u"第1行：Document is empty"_s) << unchanged;
        QTest::newRow("BOM only") << QByteArray("\xef\xbb\xbf")
                                  << unreadable(u"第1行：Start tag expected, '<' not found"_s) << unchanged;
        QTest::newRow("no Employee element")
            << QByteArray(declaration + "<EmployeeList>\r\n</EmployeeList>\r\n") << refused(kNoEntries) << unchanged;
        QTest::newRow("entity expansion") << QByteArray(declaration
            + "<!DOCTYPE EmployeeList [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
              "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>\r\n<EmployeeList><Employee><acc_no>6222000000000001"
              "</acc_no><acc_name>&c;</acc_name></Employee></EmployeeList>\r\n")
                                          << unreadable(u"第3行：Detected an entity reference loop"_s) << unchanged;
        QTest::newRow("external entity") << QByteArray(declaration
            + "<!DOCTYPE EmployeeList [<!ENTITY x SYSTEM \"file:///etc/hostname\">]>\r\n<EmployeeList><Employee>"
              "<acc_no>6222000000000001</acc_no><acc_name>&x;</acc_name></Employee></EmployeeList>\r\n")
                                         << unreadable(noDtd) << unchanged;
        QTest::newRow("deep nesting") << QByteArray(declaration + "<EmployeeList>"
            + QByteArray("<Employee>").repeated(300) + "<acc_no>6222000000000001</acc_no><acc_name>a</acc_name>"
            + QByteArray("</Employee>").repeated(300) + "</EmployeeList>\r\n")
                                      << unreadable(
                                             u"第2行：Excessive depth in document: 256 use XML_PARSE_HUGE option"_s)
                                      << unchanged;
    }
    void importXmlFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, messages);
        QFETCH(QList<QStringList>, stored);
        TestEnv env;
        seed(env);
        const QString path = env.path(u"roster.xml"_s);
        writeBytes(path, content);
        checkImport(env, path, QString(), messages, stored);
    }

    // A file that gives only the type of a document completes it with the
    // stored number; another entry with that whole document is replaced.
    void importHalfADocument()
    {
        TestEnv env;
        seed(env);
        addEntry(env, 3, u"一组"_s, u"6222000000000077"_s, u"丙"_s, u"E77"_s, u"0"_s, {}, {}, u"3"_s, kId);
        addPayroll(env, 3, u"6222000000000077"_s);
        const QString path = env.path(u"roster.xml"_s);
        QStringList half = kSeedIn;
        half[7] = u"护照"_s;
        writeBytes(path, xmlFile({ without(xmlFields(half), { u"cert_code"_s }) }));
        showRoster(env);
        importFile(env, path);
        QCOMPARE(env.prompt.messages(), QStringList { u"导入收款人名册完毕"_s });
        half[7] = u"3"_s;
        QList<QStringList> after = roster(env);
        for (QStringList& row : after)
            row.removeFirst();
        QCOMPARE(after, (QList<QStringList> { kSeedOut, half }));
        QCOMPARE(env.scalar(u"select group_concat(acc_no) from (select acc_no from laborage order by serial_no)"_s)
                     .toString(),
            kSeedIn.at(1) + u',' + kSeedOut.at(1));
    }

    void importWorkbookFile_data()
    {
        QTest::addColumn<QString>("fixture"); // a workbook of the test data, or empty: `rows` written as a workbook
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("accountRule"); // empty: the default settings
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QList<QStringList>>("stored"); // empty: nothing changes
        const QString failed = u"文件导入失败"_s;
        auto refused = [&failed](const QString& message) { return QStringList { message, failed }; };
        auto done = [](int count) { return QStringList { u"共导入%1条记录"_s.arg(count), u"导入数据成功"_s }; };
        const QStringList a { u"G"_s, u"6222000000000001"_s, u"张三"_s, u"1"_s };
        const QStringList b { u"G"_s, u"6222000000000002"_s, u"李四"_s, u"2"_s };
        auto entry = [](const QStringList& row) { return newEntry(row.at(0), row.at(1), row.at(2), row.at(3)); };
        auto with = [&a](int column, const QString& value) {
            QStringList row = a;
            row[column] = value;
            return row;
        };
        auto added = [&](const QStringList& row) { return QList<QStringList> { kSeedIn, kSeedOut, entry(row) }; };
        const QList<QStringList> none;
        const QString noRule;

        QTest::newRow("two entries") << QString() << QList<QStringList> { a, b } << noRule << done(2)
                                     << QList<QStringList> { kSeedIn, kSeedOut, entry(a), entry(b) };
        // Cells holding error values, as a spreadsheet program saves them.
        QTest::newRow("error value as a name")
            << u"roster/roster_error_name.xls"_s << none << noRule
            << refused(u"第2条记录的户名是错误值“#DIV/0!”，文件导入被中止"_s) << none;
        QTest::newRow("error value as an account")
            << u"roster/roster_error_account.xls"_s << none << noRule
            << refused(u"第1条记录的账号是错误值“#N/A”，文件导入被中止"_s) << none;
        QTest::newRow("error value as a group") << u"roster/roster_error_group.xls"_s << none << noRule
                                                << refused(u"第1条记录的组号是错误值“#REF!”，文件导入被中止"_s) << none;
        QTest::newRow("formula result an error value")
            << u"roster/roster_error_formula.xls"_s << none << noRule
            << refused(u"第2条记录的编号是错误值“#VALUE!”，文件导入被中止"_s) << none;
        // Not a workbook the reader can open: the file error names the reason.
        const auto unreadable = [](const QString& reason) { return QStringList { kFileError + u'\n' + reason }; };
        QTest::newRow("truncated")
            << u"xls/bad_truncated_half.xls"_s << none << noRule
            << unreadable(u"工作簿已损坏：无法读取复合文档结构（Inconsistent block allocation table）"_s) << none;
        QTest::newRow("empty file") << u"xls/bad_empty.xls"_s << none << noRule
                                    << unreadable(u"不是 Excel 工作簿：文件为空"_s) << none;
        QTest::newRow("CSV text named .xls")
            << u"xls/bad_csv_renamed.xls"_s << none << noRule
            << unreadable(u"不是 Excel 工作簿：无法识别的文件格式（既不是 .xls 也不是 .xlsx 工作簿）"_s) << none;
        QTest::newRow("xlsx truncated download")
            << u"xlsx/bad_truncated.xlsx"_s << none << noRule
            << unreadable(u"工作簿已损坏：ZIP 压缩包不完整或已损坏（找不到压缩包目录）"_s) << none;
        QTest::newRow("xlsx with a password") << u"xlsx/bad_encrypted.xlsx"_s << none << noRule
                                              << unreadable(u"工作簿已加密，请在 Excel 中取消密码后再试"_s) << none;
        QTest::newRow("xlsx with a DTD")
            << u"xlsx/bad_entities.xlsx"_s << none << noRule
            << unreadable(
                   u"工作簿已损坏：部件 xl/worksheets/sheet1.xml 含有文档类型声明（DTD），工作簿的 XML 部件不能含有"_s)
            << none;
        QTest::newRow("no entries: column A of row 1 empty")
            << QString() << QList<QStringList> { with(0, u""_s) } << noRule << refused(kNoEntries) << none;
        QTest::newRow("header row, account rule") << u"xls/lo_formulas.xls"_s << none << u"16-20"_s
                                                  << refused(u"第1条记录中的账号有误，文件导入被中止"_s) << none;
        // Characters.
        QTest::newRow("NUL in a name") << QString()
                                       << QList<QStringList> { a, { b.at(0), b.at(1), u"李\u0000四"_s, b.at(3) } }
                                       << noRule << refused(u"第2条记录的户名中含有控制字符U+0000，文件导入被中止"_s)
                                       << none;
        QTest::newRow("line break in a name")
            << QString() << QList<QStringList> { with(2, u"多段\n第二段"_s) } << noRule
            << refused(u"第1条记录的户名中含有控制字符U+000A，文件导入被中止"_s) << none;
        QTest::newRow("carriage return in an employee number")
            << QString() << QList<QStringList> { with(3, u"1\r2"_s) } << noRule
            << refused(u"第1条记录的编号中含有控制字符U+000D，文件导入被中止"_s) << none;
        QTest::newRow("tab in a name") << QString() << QList<QStringList> { with(2, u"张\t三"_s) } << noRule << done(1)
                                       << added(with(2, u"张\t三"_s));
        // The limits: the account as the roster screen takes it.
        QTest::newRow("account of 20") << QString() << QList<QStringList> { with(1, digits(20)) } << noRule << done(1)
                                       << added(with(1, digits(20)));
        QTest::newRow("account of 21") << QString() << QList<QStringList> { with(1, digits(21)) } << noRule
                                       << refused(u"第1条记录中的账号长度错误，文件导入被中止"_s) << none;
        QTest::newRow("account of 10") << QString() << QList<QStringList> { with(1, digits(10)) } << noRule << done(1)
                                       << added(with(1, digits(10)));
        QTest::newRow("account with a hyphen") << QString() << QList<QStringList> { with(1, u"6222-0000-0001"_s) }
                                               << noRule << done(1) << added(with(1, u"6222-0000-0001"_s));
        QTest::newRow("account rule 16-19: 20 digits")
            << QString() << QList<QStringList> { with(1, digits(20)) } << u"16-19"_s
            << refused(u"第1条记录中的账号长度错误，文件导入被中止"_s) << none;
        QTest::newRow("employee number of 10") << QString() << QList<QStringList> { with(3, u"1234567890"_s) } << noRule
                                               << done(1) << added(with(3, u"1234567890"_s));
        QTest::newRow("employee number of 11")
            << QString() << QList<QStringList> { with(3, u"12345678901"_s) } << noRule
            << refused(u"第1条记录中的编号格式错误，文件导入被中止"_s) << none;
        QTest::newRow("name of 60") << QString() << QList<QStringList> { with(2, QString(60, u'名')) } << noRule
                                    << done(1) << added(with(2, QString(60, u'名')));
        QTest::newRow("name of 61") << QString() << QList<QStringList> { with(2, QString(61, u'名')) } << noRule
                                    << refused(u"第1条记录中的收款户名数据长度错误，文件导入被中止"_s) << none;
        // Within the file and against the roster.
        QTest::newRow("same account twice")
            << QString() << QList<QStringList> { a, { b.at(0), a.at(1), b.at(2), b.at(3) } } << noRule
            << refused(u"第2条记录中的账号与第1条记录重复，文件导入被中止"_s) << none;
        QTest::newRow("new in-bank entry into the other-bank group")
            << QString() << QList<QStringList> { a, { kSeedOut.at(0), b.at(1), b.at(2), b.at(3) } } << noRule
            << refused(u"第2条记录的账号行别与同组其他账户的不同，文件导入被中止"_s) << none;
    }
    void importWorkbookFile()
    {
        QFETCH(QString, fixture);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, accountRule);
        QFETCH(QStringList, messages);
        QFETCH(QList<QStringList>, stored);
        TestEnv env;
        seed(env);
        QString path = dataPath(fixture);
        if (fixture.isEmpty()) {
            path = env.path(u"roster.xls"_s);
            const Result<> written = writeWorkbook(path, rows);
            QVERIFY2(written.ok(), qPrintable(written.message()));
        }
        checkImport(env, path, accountRule, messages, stored);
        auto* busy = env.window().findChild<frmMsg*>(u"frmMsg"_s);
        QVERIFY(busy && !busy->isVisible());
        QVERIFY(!QApplication::overrideCursor());
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
            << u"xls/ssconvert_roster.xls"_s << 50
            << QStringList { u"二组"_s, u"6222734263797559951"_s, u"肖诺凯"_s, u"20240050"_s };
        QTest::newRow("xlsx by another program")
            << u"xlsx/ssconvert_roster.xlsx"_s << 50
            << QStringList { u"二组"_s, u"6222734263797559951"_s, u"肖诺凯"_s, u"20240050"_s };
        // The content tells the format, not the name.
        QTest::newRow("xlsx named .xls") << u"xlsx/xlsx_named_as.xls"_s << 50
                                         << QStringList { u"二组"_s, u"6222734263797559951"_s, u"肖诺凯"_s,
                                                u"20240050"_s };
        QTest::newRow("xls named .xlsx") << u"xlsx/xls_named_as.xlsx"_s << 50
                                         << QStringList { u"二组"_s, u"6222734263797559951"_s, u"肖诺凯"_s,
                                                u"20240050"_s };
        QTest::newRow("formula cell, stops at empty column A")
            << u"xls/roster_formula_gap.xls"_s << 2
            << QStringList { u"一组"_s, u"6222000000000002"_s, u"李四"_s, u"1002"_s };
    }
    void importWorkbook()
    {
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QStringList, lastEntry);
        TestEnv env;
        ListGrid* grid = showRoster(env);
        importFile(env, dataPath(file));
        QCOMPARE(env.prompt.messages(),
            (QStringList { u"共导入"_s + QString::number(count) + u"条记录"_s, u"导入数据成功"_s }));
        QCOMPARE(env.scalar(u"select count(*) from person_payee_acc"_s).toInt(), count);
        QCOMPARE(storeRows(env,
                     u"select group_no,acc_no,acc_name,employee_no from person_payee_acc"
                     u" order by person_no desc limit 1"_s),
            QList<QStringList> { lastEntry });
        QCOMPARE(grid->rows(), count + 1); // reloaded
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
