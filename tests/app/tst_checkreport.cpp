#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/CheckReport.h"
#include "domain/InstructionCheck.h"

#include <QPushButton>
#include <QTableWidget>

using namespace Qt::StringLiterals;
using namespace InstructionCheck;

// The window that shows the findings of a check.
class TestCheckReport : public QObject {
    Q_OBJECT
private slots:
    void reportWindowSelectsRowAndBlocksOnErrors()
    {
        TestEnv env;
        std::vector<qint64> selected;
        CheckReportRequest request;
        request.writing = true;
        request.findings = { { Severity::Warning, 5, u"收款账号"_s, u"可能重复"_s } };
        request.selectRow = [&](qint64 row) { selected.push_back(row); };
        {
            CheckReportDialog dialog(env.prompt, request);
            QVERIFY(dialog.findChild<QPushButton*>(u"frmCheckReport_cmdContinue"_s));
            emit dialog.grid()->cellDoubleClicked(0, 2);
            QCOMPARE(selected, std::vector<qint64> { 5 });
        }
        request.findings.push_back({ Severity::Error, 6, u"付款金额"_s, u"金额必须大于零"_s });
        CheckReportDialog dialog(env.prompt, request);
        QVERIFY(!dialog.findChild<QPushButton*>(u"frmCheckReport_cmdContinue"_s));
    }
};

QELVORA_TEST(TestCheckReport)
#include "tst_checkreport.moc"
