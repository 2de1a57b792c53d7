#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/CheckReport.h"
#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/TabPage.h"
#include "app/frmMain.h"
#include "common/FileFolders.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompt::Kind;

namespace {
const QString kCsv = u"CSV 文件 (*.csv)"_s;
const QString kXls = u"Excel 97-2003 工作簿 (*.xls)"_s;
const QString kXlsx = u"Excel 工作簿 (*.xlsx)"_s;
const QString kXml = u"XML 文件 (*.xml)"_s;
const QString kPdf = u"PDF 文件 (*.pdf)"_s;

// One record in every list, clean enough for every file the program writes.
void addRecords(TestEnv& env)
{
    env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values ('6228480012345678','某某贸易有限公司','01')"_s);
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values ('2024010112000000000001',"
             u"'6228480012345678','某某贸易有限公司','0','6228480012345671','张三','','','',100,'货款','')"_s);
    env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no)"
             u" values (1,'一组','6228480012345671','张三','1','0','')"_s);
    env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values"
             u" (1,'6228480012345671',100,'0','','工资')"_s);
    env.exec(u"insert into user_remark (remark) values ('货款')"_s);
}

// Saves the check report of one finding through its window.
void saveCheckReport(TestEnv& env)
{
    CheckReportRequest request;
    request.findings.push_back({ InstructionCheck::Severity::Warning, 1, u"收款账号"_s, u"请核对"_s });
    CheckReportDialog dialog(env.prompt, request);
    dialog.findChild<QPushButton*>(u"frmCheckReport_cmdSave"_s)->click();
}

// Saves the approval sheet of the batch as PDF from its print preview, as the
// program opens it (not through the test's recording opener).
void saveApprovalSheet(TestEnv& env)
{
    std::unique_ptr<frmMain> window;
    if (startProgram(env.ctx(), window) != 0)
        QFAIL("the main window did not start");
    QTimer timer;
    timer.setInterval(20);
    bool saved = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        timer.stop();
        if (auto* pdf = preview->findChild<QAction*>(u"actSavePdf"_s)) {
            pdf->trigger();
            saved = true;
        }
        preview->reject();
    });
    timer.start();
    window->findChild<QPushButton*>(u"PaymentB2B_cmdPrintBut"_s)->click();
    QVERIFY(saved);
}
} // namespace

// The file dialogs: their filters, the extension a name gets, the folder they
// open in.
class TestFileDialogs : public QObject {
    Q_OBJECT
private slots:
    // A name without the chosen type's extension gets it; a name with an
    // extension the command writes keeps it, in any case. The message names the
    // file written.
    void saveNameGetsTheChosenExtension_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("done");
        const QString batch = u"批量支付文件*.csv生成完毕"_s;
        QTest::newRow("batch, no extension")
            << u"PaymentB2B_cmdWriteB2BFileBut"_s << u"b2b"_s << kCsv << u"b2b.csv"_s << batch;
        QTest::newRow("batch, .csv") << u"PaymentB2B_cmdWriteB2BFileBut"_s << u"b2b.csv"_s << kCsv << u"b2b.csv"_s
                                     << batch;
        QTest::newRow("batch, .CSV") << u"PaymentB2B_cmdWriteB2BFileBut"_s << u"b2b.CSV"_s << kCsv << u"b2b.CSV"_s
                                     << batch;
        QTest::newRow("batch, a dot in the name")
            << u"PaymentB2B_cmdWriteB2BFileBut"_s << u"5.28付款"_s << kCsv << u"5.28付款.csv"_s << batch;
        const QString csv = u"代发工资*.csv文件生成完毕"_s;
        const QString xls = u"代发工资*.xls文件生成完毕"_s;
        QTest::newRow("payroll, CSV chosen")
            << u"Laborage_cmdWriteB2BFileBut"_s << u"工资"_s << kCsv << u"工资.csv"_s << csv;
        QTest::newRow("payroll, XLS chosen")
            << u"Laborage_cmdWriteB2BFileBut"_s << u"工资"_s << kXls << u"工资.xls"_s << xls;
        QTest::newRow("payroll, .XLS with CSV chosen")
            << u"Laborage_cmdWriteB2BFileBut"_s << u"工资.XLS"_s << kCsv << u"工资.XLS"_s << xls;
        QTest::newRow("payer accounts") << u"PayAccList_cmdExport"_s << u"付款账户"_s << kXml << u"付款账户.xml"_s
                                        << u"导出付款账号完毕"_s;
        QTest::newRow("roster, XML chosen")
            << u"employeeList_cmdExport"_s << u"名册"_s << kXml << u"名册.xml"_s << u"收款人名册导出完毕"_s;
        QTest::newRow("roster, CSV chosen")
            << u"employeeList_cmdExport"_s << u"名册"_s << kCsv << u"名册.csv"_s << u"收款人名册*.csv文件生成完毕"_s;
        QTest::newRow("roster, .CSV with XML chosen") << u"employeeList_cmdExport"_s << u"名册.CSV"_s << kXml
                                                      << u"名册.CSV"_s << u"收款人名册*.csv文件生成完毕"_s;
        QTest::newRow("payroll to Excel")
            << u"Laborage_cmdExportExcel"_s << u"工资"_s << kXlsx << u"工资.xlsx"_s << u"导出到Excel完毕"_s;
        QTest::newRow("payer accounts to Excel, .XLSX")
            << u"PayAccList_cmdExportExcel"_s << u"付款.XLSX"_s << kXlsx << u"付款.XLSX"_s << u"导出到Excel完毕"_s;
        QTest::newRow("remarks") << u"UserRemarkList_cmdExport"_s << u"备注"_s << kXml << u"备注.xml"_s
                                 << u"导出备注完毕"_s;
        QTest::newRow("check report") << u"check report"_s << u"报告"_s << kCsv << u"报告.csv"_s << u"检查报告已保存"_s;
        QTest::newRow("check report, .CSV")
            << u"check report"_s << u"报告.CSV"_s << kCsv << u"报告.CSV"_s << u"检查报告已保存"_s;
        QTest::newRow("approval sheet") << u"approval sheet"_s << u"审批单"_s << kPdf << u"审批单.pdf"_s
                                        << u"审批单已保存为PDF文件"_s;
        QTest::newRow("approval sheet, .PDF")
            << u"approval sheet"_s << u"审批单.PDF"_s << kPdf << u"审批单.PDF"_s << u"审批单已保存为PDF文件"_s;
    }
    void saveNameGetsTheChosenExtension()
    {
        QFETCH(QString, command);
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, written);
        QFETCH(QString, done);
        TestEnv env;
        addRecords(env);
        env.prompt.answerFile(env.path(typed), filter);
        if (command == u"check report"_s) {
            saveCheckReport(env);
        } else if (command == u"approval sheet"_s) {
            saveApprovalSheet(env);
        } else {
            const QString prefix = command.section(u'_', 0, 0);
            const QStringList tabs = { u"PaymentB2B"_s, u"PayAccList"_s, u"PayeeAccList"_s, u"Laborage"_s,
                u"employeeList"_s, u"UserRemarkList"_s };
            env.window().SSTabMain()->setCurrentIndex(static_cast<int>(tabs.indexOf(prefix)));
            env.click(command);
        }
        QCOMPARE(env.prompt.calls().first().kind, Kind::SaveFile);
        QVERIFY(env.prompt.calls().first().filters.contains(filter));
        QCOMPARE(
            env.prompt.messages(), QStringList { done + u"\n文件："_s + QDir::toNativeSeparators(env.path(written)) });
        QVERIFY(QFileInfo(env.path(written)).size() > 0);
        if (written != typed)
            QVERIFY(!QFileInfo::exists(env.path(typed)));
    }

    // The overwrite question is asked for the name the file gets.
    void overwriteQuestionForTheNameWithItsExtension()
    {
        TestEnv env;
        addRecords(env);
        env.window();
        QFile old(env.path(u"b2b.csv"_s));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier");
        old.close();
        env.prompt.answerFile(env.path(u"b2b"_s), kCsv);
        env.prompt.answerCancel();
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ kCsv, u"该文件名已经存在，是否覆盖原有文件?"_s }));
        QFile kept(env.path(u"b2b.csv"_s));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("earlier"));
    }

    // A dialog opens where a file of its kind was last chosen; the first time
    // in the user's documents folder. The folders are kept in the user's
    // settings, apart for each kind of file.
    void dialogsOpenInTheFolderLastUsed()
    {
        TestEnv env;
        addRecords(env);
        env.window();
        const QString documents = FileFolders::documentsFolder();
        QVERIFY(QDir(env.dir()).mkdir(u"uploads"_s));
        const QString uploads = env.path(u"uploads"_s);

        env.prompt.answerFile(uploads + u"/b2b"_s);
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        env.prompt.answerFile(QString());
        env.click(u"PaymentB2B_cmdLoadB2BFileBut"_s);
        env.window().SSTabMain()->setCurrentIndex(frmMain::TabPayAccList);
        env.prompt.answerFile(QString());
        env.click(u"PayAccList_cmdExport"_s);

        QStringList folders;
        for (const RecordingPrompt::Call& call : env.prompt.calls())
            if (call.kind == Kind::SaveFile || call.kind == Kind::OpenFile)
                folders << call.directory;
        QCOMPARE(folders, QStringList({ documents, uploads, documents }));
        QCOMPARE(QSettings(env.path(u"user-settings.conf"_s), QSettings::IniFormat)
                     .value(u"folders/uploadFiles"_s)
                     .toString(),
            uploads);
    }

    // An import accepts every kind of file it reads under one filter, and any
    // file at all.
    void importDialogsOfferEveryKindTheyRead_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("supported");
        QTest::newRow("batch") << int(frmMain::TabPaymentB2B) << u"PaymentB2B_cmdLoadB2BFileBut"_s
                               << u"所有支持的文件 (*.csv *.xml *.plz)"_s;
        QTest::newRow("payroll") << int(frmMain::TabLaborage) << u"Laborage_cmdLoadB2BFileBut"_s
                                 << u"所有支持的文件 (*.csv *.xls *.xlsx)"_s;
        QTest::newRow("roster") << int(frmMain::TabEmployeeList) << u"employeeList_cmdImport"_s
                                << u"所有支持的文件 (*.csv *.xls *.xlsx *.xml)"_s;
    }
    void importDialogsOfferEveryKindTheyRead()
    {
        QFETCH(int, tab);
        QFETCH(QString, command);
        QFETCH(QString, supported);
        TestEnv env;
        env.window().SSTabMain()->setCurrentIndex(tab);
        env.prompt.answerFile(QString());
        if (tab == frmMain::TabEmployeeList)
            env.prompt.answerCancel(); // the roster asks before it looks at the file
        env.click(command);
        const QStringList filters = env.prompt.calls().first().filters;
        QCOMPARE(filters.first(), supported);
        QCOMPARE(filters.last(), u"所有文件 (*)"_s);
    }
};

QELVORA_TEST(TestFileDialogs)
#include "tst_filedialogs.moc"
