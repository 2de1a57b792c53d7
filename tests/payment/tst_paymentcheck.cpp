#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "payment/PaymentB2B.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompt::Kind;

namespace {
void addInstruction(
    TestEnv& env, int n, const QString& type, const QString& recAccNo, const QString& name, const QString& amount)
{
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,'','','',?,?,'')"_s,
        { u"20240101120000%1"_s.arg(n, 6, 10, QChar(u'0')), u"6228480012345671"_s, u"某某贸易有限公司"_s, type,
            recAccNo, name, amount, u"货款"_s });
}

// Three instructions without any finding: card numbers with right check digits.
void addCleanBatch(TestEnv& env)
{
    addInstruction(env, 1, u"0"_s, u"6228480099990001"_s, u"张三"_s, u"50"_s);
    addInstruction(env, 2, u"1"_s, u"955880100200300125"_s, u"李四"_s, u"70.5"_s);
    addInstruction(env, 3, u"1"_s, u"0101-2020-3"_s, u"王五"_s, u"29.5"_s);
}

PaymentB2B* tab(TestEnv& env)
{
    return static_cast<PaymentB2B*>(env.window().page(frmMain::TabPaymentB2B));
}
} // namespace

class TestPaymentCheck : public QObject {
    Q_OBJECT
private slots:
    void cleanBatchWritesWithoutReport()
    {
        TestEnv env;
        addCleanBatch(env);
        env.window();
        const QString path = env.path(u"batch.csv"_s);
        env.prompt.answerFile(path);
        env.click(u"PaymentB2B_cmdWriteB2BFileBut"_s);
        QVERIFY(env.checkReports.empty());
        QCOMPARE(env.prompt.texts(),
            QStringList(
                { u"CSV 文件 (*.csv)"_s, u"批量支付文件*.csv生成完毕\n文件："_s + QDir::toNativeSeparators(path) }));
        QVERIFY(QFile::exists(path));
    }

    // An error stops before the file dialog whatever the answer; a warning
    // writes the file only when the user goes on.
    void reportBeforeWriting_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<bool>("written");
        QTest::newRow("error") << u"0"_s << true << false;
        QTest::newRow("warning, go on") << u"50"_s << true << true;
        QTest::newRow("warning, stop") << u"50"_s << false << false;
    }
    void reportBeforeWriting()
    {
        QFETCH(QString, amount);
        QFETCH(bool, goOn);
        QFETCH(bool, written);
        TestEnv env;
        addCleanBatch(env);
        // The same account and amount as instruction 1 (a warning), or a zero amount (an error).
        addInstruction(env, 4, u"0"_s, u"6228480099990001"_s, u"张三"_s, amount);
        env.window();
        env.checkReportAnswer = goOn;
        const QString path = env.path(u"batch.csv"_s);
        if (written)
            env.prompt.answerFile(path);
        env.click(u"menuWriteB2BFile"_s);
        QCOMPARE(env.checkReports.size(), size_t(1));
        const CheckReportRequest& report = env.checkReports[0];
        QVERIFY(report.writing);
        QCOMPARE(report.findings.size(), size_t(1));
        QCOMPARE(report.findings[0].row, 4);
        QCOMPARE(QFile::exists(path), written);
        QVERIFY(env.prompt.allAnswersUsed());

        // A double click on the line selects instruction 4 in the list.
        report.selectRow(4);
        QCOMPARE(tab(env)->grid()->row(), 4);
        QCOMPARE(tab(env)->grid()->textMatrix(tab(env)->grid()->row(), PaymentB2B::ColumnAmount),
            amount == u"0"_s ? u"0.00"_s : u"50.00"_s);
    }

    // A payee without a name would be written into a file that does not import
    // back: an error, so nothing is written.
    void emptyPayeeNameBlocksFile()
    {
        TestEnv env;
        addCleanBatch(env);
        env.exec(u"update payment set rec_acc_name='' where rec_acc_name='李四'"_s);
        env.window();
        env.click(u"menuWriteB2BFile"_s);
        QCOMPARE(env.checkReports.size(), size_t(1));
        const auto& f = env.checkReports[0].findings;
        QCOMPARE(f.size(), size_t(1));
        QCOMPARE(f[0].severity, InstructionCheck::Severity::Error);
        QCOMPARE(f[0].row, 2);
        QCOMPARE(f[0].field, u"收款账户户名"_s);
        QCOMPARE(f[0].problem, u"户名为空"_s);
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void checkCommandWritesNothing()
    {
        TestEnv env;
        addCleanBatch(env);
        env.window();
        env.click(u"menuCheckB2BRec"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"检查完毕，未发现问题"_s });
        addInstruction(env, 4, u"0"_s, u"6228480099990001"_s, u"张,三"_s, u"-1"_s);
        env.prompt.clear();
        env.click(u"menuCheckB2BRec"_s);
        QCOMPARE(env.checkReports.size(), size_t(1));
        QVERIFY(!env.checkReports[0].writing);
        QCOMPARE(env.checkReports[0].findings.size(), size_t(2));
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void approvalSheetOfTheBatch()
    {
        TestEnv env;
        addCleanBatch(env);
        env.window().resetPaymentB2B();
        env.ctx().bankName = u"某某银行"_s;
        env.click(u"PaymentB2B_cmdPrintBut"_s);
        env.click(u"menuPrintB2BSheet"_s);
        QCOMPARE(env.approvalSheets.size(), size_t(2));
        const ApprovalSheetData& d = env.approvalSheets[0].data();
        QCOMPARE(d.title, u"付款审批单"_s);
        QCOMPARE(d.bankName, u"某某银行"_s);
        QCOMPARE(d.payerAccNo, u"6228480012345671"_s);
        QCOMPARE(d.rows.size(), size_t(3));
        QCOMPARE(d.rows[1].account, u"955880100200300125"_s);
        QCOMPARE(d.rows[1].amount, u"70.50"_s);
        QCOMPARE(d.total.fen(), 15000);
        QCOMPARE(env.approvalSheets[0].data().totalInWords(), u"壹佰伍拾元整"_s);
    }
};

QELVORA_TEST(TestPaymentCheck)
#include "tst_paymentcheck.moc"
