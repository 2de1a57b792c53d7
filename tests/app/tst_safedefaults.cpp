#include "GuiTest.h"
#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/CheckReport.h"
#include "app/ListGrid.h"
#include "app/TabPage.h"
#include "app/frmMain.h"

#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompt::Kind;

namespace {
// Two records in every list.
void addRecords(TestEnv& env)
{
    env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values ('6228480012345678','某某贸易有限公司','01'),"
             u"('6228480012345679','另一公司','01')"_s);
    env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values"
             u" ('6228480012345671','张三','0','','',''),('6228480012345672','李四','0','','','')"_s);
    for (int i = 1; i <= 2; ++i) {
        env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
                 u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,'6228480012345678',"
                 u"'某某贸易有限公司','0',?,'张三','','','',100,'货款','')"_s,
            { u"202401011200000000000%1"_s.arg(i), u"622848001234567%1"_s.arg(i) });
        env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no)"
                 u" values (?,'一组',?,'张三',?,'0','')"_s,
            { i, u"622848001234567%1"_s.arg(i), QString::number(i) });
        env.exec(
            u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,100,'0','','工资')"_s,
            { i, u"622848001234567%1"_s.arg(i) });
    }
    env.exec(u"insert into user_remark (remark) values ('货款'),('工资')"_s);
}

int rows(TestEnv& env)
{
    return env
        .scalar(u"select (select count(*) from payment)+(select count(*) from laborage)+(select count(*) from pay_acc)"
                u"+(select count(*) from payee_acc)+(select count(*) from person_payee_acc)"
                u"+(select count(*) from user_remark)"_s)
        .toInt();
}

// Chooses data rows `first` to `last` of a tab's list as a drag over them does.
void chooseRows(TestEnv& env, int tab, int first, int last)
{
    ListGrid* grid = env.window().page(tab)->grid();
    grid->selectRows(first, last, std::min(2, grid->cols() - 1));
}
} // namespace

// A question whose OK empties a list, replaces it or deletes several rows has
// Cancel as its default button: one Enter loses nothing.
class TestSafeDefaults : public QObject {
    Q_OBJECT
private slots:
    void questionsThatLoseDataDefaultToCancel_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("lastRow"); // the rows 1..lastRow are chosen first; 0: none
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file"); // the file an import is given
        QTest::addColumn<bool>("cancelIsDefault");
        const QString batchFile = QStringLiteral(QELVORA_TEST_DATA "/payment/upload_reference.csv");
        const QString payrollFile = QStringLiteral(QELVORA_TEST_DATA "/payroll/upload_reference.csv");
        QTest::newRow("new batch") << int(frmMain::TabPaymentB2B) << 0 << u"menuNew"_s << QString() << true;
        QTest::newRow("new payroll") << int(frmMain::TabLaborage) << 0 << u"mainToolbar_button1"_s << QString() << true;
        QTest::newRow("batch import over a list")
            << int(frmMain::TabPaymentB2B) << 0 << u"PaymentB2B_cmdLoadB2BFileBut"_s << batchFile << true;
        QTest::newRow("payroll import over a list")
            << int(frmMain::TabLaborage) << 0 << u"Laborage_cmdLoadB2BFileBut"_s << payrollFile << true;
        QTest::newRow("roster import") << int(frmMain::TabEmployeeList) << 0 << u"employeeList_cmdImport"_s
                                       << payrollFile << true;
        QTest::newRow("two instructions")
            << int(frmMain::TabPaymentB2B) << 2 << u"PaymentB2B_cmdDeleteBut"_s << QString() << true;
        QTest::newRow("one instruction") << int(frmMain::TabPaymentB2B) << 1 << u"PaymentB2B_cmdDeleteBut"_s
                                         << QString() << false;
        QTest::newRow("two payroll instructions")
            << int(frmMain::TabLaborage) << 2 << u"Laborage_cmdDeleteBut"_s << QString() << true;
        QTest::newRow("two payer accounts")
            << int(frmMain::TabPayAccList) << 2 << u"PayAccList_cmdDelete"_s << QString() << true;
        QTest::newRow("one payer account")
            << int(frmMain::TabPayAccList) << 1 << u"PayAccList_cmdDelete"_s << QString() << false;
        QTest::newRow("two payees") << int(frmMain::TabPayeeAccList) << 2 << u"PayeeAccList_cmdDelete"_s << QString()
                                    << true;
        QTest::newRow("two remarks") << int(frmMain::TabUserRemarkList) << 2 << u"UserRemarkList_cmdDelete"_s
                                     << QString() << true;
        QTest::newRow("an employee with the payroll")
            << int(frmMain::TabEmployeeList) << 1 << u"EmployeeList_cmdDelete"_s << QString() << true;
    }
    void questionsThatLoseDataDefaultToCancel()
    {
        QFETCH(int, tab);
        QFETCH(int, lastRow);
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(bool, cancelIsDefault);
        TestEnv env;
        addRecords(env);
        env.window().SSTabMain()->setCurrentIndex(tab);
        if (lastRow > 0)
            chooseRows(env, tab, 1, lastRow);
        const int before = rows(env);
        if (!file.isEmpty())
            env.prompt.answerFile(file);
        env.prompt.answerCancel();
        env.click(command);
        QVERIFY(env.prompt.allAnswersUsed());
        const RecordingPrompt::Call& question = env.prompt.calls().last();
        QCOMPARE(question.kind, Kind::AskOkCancel);
        QCOMPARE(question.defaultButton, cancelIsDefault ? DefaultButton::Cancel : DefaultButton::Ok);
        QCOMPARE(rows(env), before);
    }

    // The real box: Enter on the question of New leaves the list as it was.
    void enterOnNewKeepsTheList()
    {
        TestEnv env;
        addRecords(env);
        frmMain& w = env.window();
        GuiTest gui(env.prompt);
        gui.show(w);
        gui.answerBoxesWithEnter();
        env.prompt.answerCancel();
        env.click(u"menuNew"_s);
        QCOMPARE(gui.boxes(), QStringList { u"原有数据将被全部清空，请确认是否要继续?"_s });
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 2);
        QCOMPARE(w.page(frmMain::TabPaymentB2B)->grid()->rows(), 3);
    }

    // Enter in the check report closes it: it neither saves the report nor
    // goes on writing the upload file.
    void enterClosesTheCheckReport()
    {
        TestEnv env;
        CheckReportRequest request;
        request.writing = true;
        request.findings.push_back({ InstructionCheck::Severity::Warning, 1, u"收款账号"_s, u"请核对"_s });
        CheckReportDialog dialog(env.prompt, request);
        GuiTest gui(env.prompt);
        gui.show(dialog);
        QVERIFY(dialog.findChild<QPushButton*>(u"frmCheckReport_cmdContinue"_s));
        gui.enter();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(env.prompt.calls().isEmpty());
    }
};

QELVORA_TEST(TestSafeDefaults)
#include "tst_safedefaults.moc"
