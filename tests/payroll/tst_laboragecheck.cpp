#include "PayrollTest.h"
#include "TestRegistry.h"

#include "app/frmMain.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using namespace payrolltest;

namespace {
// Three employees with card numbers whose check digits are right.
void addCleanPayroll(TestEnv& env)
{
    addRoster(env, u"6228480011112221"_s, u"张三"_s, u"007"_s);
    addRoster(env, u"6228480033334449"_s, u"李四"_s, u"008"_s);
    addRoster(env, u"6228480055556663"_s, u"王五"_s, u"009"_s);
    addInstruction(env, 1, u"6228480011112221"_s, u"1234.5"_s, u"0"_s, u"三月"_s);
    addInstruction(env, 2, u"6228480033334449"_s, u"200"_s);
    addInstruction(env, 3, u"6228480055556663"_s, u"65.5"_s);
}
} // namespace

class TestLaborageCheck : public QObject {
    Q_OBJECT
private slots:
    void cleanPayrollWritesWithoutReport()
    {
        TestEnv env;
        addCleanPayroll(env);
        env.window().resetLaborageIn();
        const QString path = env.path(u"pay.csv"_s);
        env.prompt.answerFile(path);
        env.click(u"Laborage_cmdWriteB2BFileBut"_s);
        QVERIFY(env.checkReports.empty());
        QCOMPARE(env.prompt.messages(),
            QStringList { u"代发工资*.csv文件生成完毕\n文件："_s + QDir::toNativeSeparators(path) });
        QVERIFY(QFile::exists(path));
    }

    // An instruction the bank would refuse, or whose file would not import
    // back, is an error of the report: neither upload file is written, whatever
    // the user answers.
    void refusedInstructionBlocksUploadFile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("problem");
        const QString otherBank = u"update person_payee_acc set acc_type='1' where acc_no='6228480033334449'"_s;
        const QString otherBankProblem
            = u"账号“6228480033334449”在代发工资名册中已是跨行账户，不能作为行内指令写入上传文件，请删除该指令"_s;
        const QString noName = u"update person_payee_acc set acc_name='  ' where acc_no='6228480033334449'"_s;
        QTest::newRow("became other-bank, csv") << otherBank << u"csv"_s << u"账号"_s << otherBankProblem;
        QTest::newRow("became other-bank, xls") << otherBank << u"xls"_s << u"账号"_s << otherBankProblem;
        QTest::newRow("no name, csv") << noName << u"csv"_s << u"户名"_s << u"户名为空"_s;
        QTest::newRow("no name, xls") << noName << u"xls"_s << u"户名"_s << u"户名为空"_s;
    }
    void refusedInstructionBlocksUploadFile()
    {
        QFETCH(QString, change);
        QFETCH(QString, extension);
        QFETCH(QString, field);
        QFETCH(QString, problem);
        TestEnv env;
        addCleanPayroll(env);
        env.exec(change);
        env.window().resetLaborageIn();
        // Still listed and counted as an in-bank instruction.
        QCOMPARE(env.window().statusPanelText(2), u"3"_s);
        const QString path = env.path(u"pay."_s + extension);
        env.prompt.answerFile(path);
        env.click(u"Laborage_cmdWriteB2BFileBut"_s);
        QCOMPARE(env.checkReports.size(), size_t(1));
        const auto& f = env.checkReports[0].findings;
        QCOMPARE(f.size(), size_t(1));
        QCOMPARE(f[0].severity, InstructionCheck::Severity::Error);
        QCOMPARE(f[0].row, 2);
        QCOMPARE(f[0].field, field);
        QCOMPARE(f[0].problem, problem);
        QVERIFY(!QFile::exists(path));
        QVERIFY(env.prompt.messages().isEmpty());
    }

    void rosterFindings()
    {
        TestEnv env;
        addCleanPayroll(env);
        env.exec(u"update person_payee_acc set cert_type='1',cert_code='110105194912310021' where employee_no='008'"_s);
        addInstruction(env, 4, u"6228480077778881"_s, u"10"_s); // no roster row
        env.window().resetLaborageIn();
        env.click(u"menuCheckLaborage"_s);
        QCOMPARE(env.checkReports.size(), size_t(1));
        const auto& f = env.checkReports[0].findings;
        QCOMPARE(f.size(), size_t(2));
        QCOMPARE(f[0].row, 2);
        QCOMPARE(f[0].field, u"身份证号码"_s);
        QCOMPARE(f[1].row, 0);
        QCOMPARE(f[1].problem, u"流水号4：账号已不在代发工资名册中，该指令不会写入上传文件"_s);
    }

    void approvalSheetOfThePayroll()
    {
        TestEnv env;
        addCleanPayroll(env);
        env.window().resetLaborageIn();
        env.click(u"menuPrintLaborageSheet"_s);
        QCOMPARE(env.approvalSheets.size(), size_t(1));
        const ApprovalSheetData& d = env.approvalSheets[0].data();
        QCOMPARE(d.title, u"代发工资审批单"_s);
        QVERIFY(d.payroll);
        QCOMPARE(d.rows.size(), size_t(3));
        QCOMPARE(d.rows[0].name, u"张三"_s);
        QCOMPARE(d.rows[0].amount, u"1,234.50"_s);
        QCOMPARE(d.rows[0].remark, u"三月"_s);
        QCOMPARE(env.approvalSheets[0].data().totalInWords(), u"壹仟伍佰元整"_s);
    }
};

QELVORA_TEST(TestLaborageCheck)
#include "tst_laboragecheck.moc"
