#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/TabPage.h"
#include "app/frmMain.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {
// Sixty characters: as long as a name or a remark may be.
const QString kLongName
    = u"华东示例科技有限公司上海浦东新区张江高科技园区第一分公司研发中心与江南示例商贸有限公司联合项目部临时专用账户名称ABCD"_s;
const QString kLongRemark
    = u"二零二四年五月货款及设备款尾款结算含运输费服务费和安装调试费用按合同第十二条约定一次付清请核对后签字确认无误谢谢合作两次"_s;

// One record of the longest kind in every list.
void addLongRecords(TestEnv& env)
{
    env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values ('62284800123456789012',?,'14')"_s,
        { kLongName.left(42) });
    env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values"
             u" ('6228480012345678901234',?,'0','','',''),('6228480012345678901235',?,'1','','','313290000017')"_s,
        { kLongName, kLongName });
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values ('2024010112000000000001',"
             u"'62284800123456789012',?,'1','6228480012345678901235',?,'','','313290000017',99999999999.99,?,'')"_s,
        { kLongName.left(42), kLongName, kLongRemark });
    env.exec(
        u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,cert_type,cert_code,"
        u"net_no,mul_net_no,acc_type) values (1,'销售部华东大区第一组','62284800123456789012',?,'E000000001','','',"
        u"'313290000017','123456789012345678901','0')"_s,
        { kLongName });
    env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values"
             u" (1,'62284800123456789012',99999999999.99,'0','',?)"_s,
        { kLongRemark });
    env.exec(u"insert into user_remark (remark) values (?)"_s, { kLongRemark });
}

// The main window as the user has it, on the tab `tab` (the payee tab on the
// kind `payeeKind`).
ListGrid* showTab(TestEnv& env, int tab, int payeeKind = 0)
{
    frmMain& w = env.window();
    w.resize(1100, 720);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return nullptr;
    w.SSTabMain()->setCurrentIndex(tab);
    if (tab == frmMain::TabPayeeAccList)
        env.find<QTabBar>(u"PayeeAccList_tabAccType"_s)->setCurrentIndex(payeeKind);
    QApplication::processEvents();
    return w.page(tab)->grid();
}
} // namespace

// Every list shows its headers and its texts whole, however long they are.
class TestGridWidths : public QObject {
    Q_OBJECT
private slots:
    void neverCut_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("payeeKind");
        QTest::newRow("batch payment") << int(frmMain::TabPaymentB2B) << 0;
        QTest::newRow("payer accounts") << int(frmMain::TabPayAccList) << 0;
        QTest::newRow("payees in-bank") << int(frmMain::TabPayeeAccList) << 0;
        QTest::newRow("payees other-bank") << int(frmMain::TabPayeeAccList) << 1;
        QTest::newRow("payroll") << int(frmMain::TabLaborage) << 0;
        QTest::newRow("roster") << int(frmMain::TabEmployeeList) << 0;
        QTest::newRow("remarks") << int(frmMain::TabUserRemarkList) << 0;
    }
    void neverCut()
    {
        QFETCH(int, tab);
        QFETCH(int, payeeKind);
        TestEnv env;
        addLongRecords(env);
        ListGrid* grid = showTab(env, tab, payeeKind);
        QVERIFY(grid);
        QVERIFY(grid->hasData());
        // What a cell and a header need around their text to draw it without "…".
        const int cellMargin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
        const int headerMargin = 2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid);
        const QFontMetrics cellFont = grid->fontMetrics();
        const QFontMetrics headerFont = grid->horizontalHeader()->fontMetrics();
        for (int c = 0; c < grid->cols(); ++c) {
            if (grid->isColumnHidden(c))
                continue;
            const QString header = grid->textMatrix(0, c);
            QVERIFY2(grid->columnWidth(c) >= headerFont.horizontalAdvance(header) + headerMargin,
                qPrintable(u"header “%1” is cut: %2 pixels"_s.arg(header).arg(grid->columnWidth(c))));
            for (int r = 1; r < grid->rows(); ++r) {
                const QString text = grid->textMatrix(r, c);
                QVERIFY2(grid->columnWidth(c) >= cellFont.horizontalAdvance(text) + cellMargin,
                    qPrintable(u"“%1” under “%2” is cut: %3 pixels"_s.arg(text, header).arg(grid->columnWidth(c))));
            }
        }
        // The list starts at its first column: no text begins hidden behind the running numbers.
        QCOMPARE(grid->horizontalScrollBar()->value(), 0);
    }

    // The payer list of a company fits the window as it opens: every column,
    // 币种 the last, is in view without scrolling.
    void payerListFitsTheWindow()
    {
        TestEnv env;
        env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values ('3301008215901092812','华东示例科技有限公司',"
                 u"'01'),('3301008571177774123','华东示例科技有限公司工会委员会','14')"_s);
        ListGrid* grid = showTab(env, frmMain::TabPayAccList);
        QVERIFY(grid);
        QCOMPARE(grid->textMatrix(0, 3), u"币种"_s);
        const int last = grid->columnViewportPosition(3) + grid->columnWidth(3);
        QVERIFY2(last <= grid->viewport()->width(),
            qPrintable(u"币种 ends at %1, the list shows %2 pixels"_s.arg(last).arg(grid->viewport()->width())));
    }
};

QELVORA_TEST(TestGridWidths)
#include "tst_gridwidths.moc"
