#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/MainWindowServices.h"
#include "app/frmMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kNothing = u"原有数据保持不变，本次没有导入任何记录。"_s;

// Reads a workbook with openpyxl, as another program sees it: the frozen cell,
// then one line per non-empty cell of the active sheet (row, column, s for a
// text or n for a number, the value, the number format), then the width of
// every column that has one.
const char* const kDumpScript = R"(
import sys
import openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.active
out = ['freeze %s' % ws.freeze_panes]
for row in ws.iter_rows():
    for c in row:
        if c.value is None:
            continue
        if isinstance(c.value, str):
            kind, value = 's', c.value
        elif isinstance(c.value, (int, float)) and not isinstance(c.value, bool):
            kind, value = 'n', repr(float(c.value))
        else:
            kind, value = type(c.value).__name__, str(c.value)
        out.append('%d %d %s %s %s' % (c.row, c.column, kind, value, c.number_format))
for key, dim in sorted(ws.column_dimensions.items()):
    if dim.width:
        out.append('width %s %d' % (key, int(dim.width)))
sys.stdout.buffer.write('\n'.join(out).encode('utf-8'))
)";

// The interpreter the Debian package python3-openpyxl installs into.
const QString kPython = u"/usr/bin/python3"_s;

bool haveOpenpyxl()
{
    QProcess p;
    p.start(kPython, { u"-c"_s, u"import openpyxl"_s });
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The openpyxl dump of `path` (see kDumpScript); empty when python fails.
QStringList dumpWorkbook(const QString& path)
{
    QProcess p;
    p.start(kPython, { u"-c"_s, QString::fromUtf8(kDumpScript), path });
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning() << p.readAllStandardError();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
}

void fillStore(TestEnv& env)
{
    env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values "
             u"('6228480012345678901','某某贸易有限公司','01'),('0012345678','零开头','01')"_s);
    env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values "
             u"('6222021234567890123','张伟','0','','',''),('0012345678901234','买买提·艾力','0','','','')"_s);
    env.exec(u"insert into user_remark (remark) values ('货款'),('0012')"_s);
    env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) values "
             u"(1,'一组','6222021234567890123','张伟','0001','0',''),"
             u"(2,'一组','0012345678901234','买买提·艾力','20240002','0',''),"
             u"(3,'二组','6228480012345678','王芳','','0','')"_s);
    env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values "
             u"(1,'6222021234567890123','1234567.89','0','',''),(2,'0012345678901234','0.07','0','',''),"
             u"(3,'6228480012345678','4234.50','0','','')"_s);
    env.exec(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
             u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values "
             u"('0000000000000000000001','6228480012345678901','某某贸易有限公司','0','0012345678901234',"
             u"'买买提·艾力','','','','100000000000.01','货款',''),"
             u"('0000000000000000000002','6228480012345678901','某某贸易有限公司','0','6222021234567890123',"
             u"'张伟','','','','0.02','',''),"
             u"('0000000000000000000003','6228480012345678901','某某贸易有限公司','0','6228480012345678',"
             u"'王芳','','','','0.01','','')"_s);
}

// Shows `tab` and runs its 导出到Excel into `path`; the messages shown.
QStringList exportTab(TestEnv& env, int tab, const QString& button, const QString& path)
{
    env.window().SSTabMain()->setCurrentIndex(tab);
    env.prompt.clear();
    env.prompt.answerFile(path, u"Excel 工作簿 (*.xlsx)"_s);
    env.click(button);
    return env.prompt.messages();
}

QString rosterText(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(line, '|') from (select group_no||','||acc_no||','||acc_name||','||"
                u"ifnull(employee_no,'') as line from person_payee_acc order by person_no)"_s)
        .toString();
}

QString payrollText(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(line, '|') from (select acc_no||'='||pay_amount as line from laborage "
                u"order by serial_no)"_s)
        .toString();
}

} // namespace

class TestExcelExport : public QObject {
    Q_OBJECT
private slots:
    // Every list as another program reads the workbook: accounts and other
    // numbers-looking texts stay text, amounts are numbers shown #,##0.00, the
    // header row is frozen, the instruction lists end in a total row after an
    // empty one, and the roster is the bare A-D layout its import reads.
    void workbooksAsOtherProgramsReadThem_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("cells");

        QTest::newRow("payer accounts") << int(MainWindowServices::TabPayAccList) << u"PayAccList_cmdExportExcel"_s
                                        << QStringList { u"freeze A2"_s, u"1 1 s 付款账号 @"_s, u"1 2 s 户名 @"_s,
                                               u"1 3 s 币种 @"_s, u"2 1 s 0012345678 @"_s, u"2 2 s 零开头 @"_s,
                                               u"2 3 s 人民币 @"_s, u"3 1 s 6228480012345678901 @"_s,
                                               u"3 2 s 某某贸易有限公司 @"_s, u"3 3 s 人民币 @"_s };
        QTest::newRow("payee accounts") << int(MainWindowServices::TabPayeeAccList) << u"PayeeAccList_cmdExportExcel"_s
                                        << QStringList { u"freeze A2"_s, u"1 1 s 收款账号 @"_s, u"1 2 s 户名 @"_s,
                                               u"2 1 s 0012345678901234 @"_s, u"2 2 s 买买提·艾力 @"_s,
                                               u"3 1 s 6222021234567890123 @"_s, u"3 2 s 张伟 @"_s };
        QTest::newRow("remarks") << int(MainWindowServices::TabUserRemarkList) << u"UserRemarkList_cmdExportExcel"_s
                                 << QStringList { u"freeze A2"_s, u"1 1 s 备注 @"_s, u"2 1 s 0012 @"_s,
                                        u"3 1 s 货款 @"_s };
        QTest::newRow("roster: no header, columns A to D")
            << int(MainWindowServices::TabEmployeeList) << u"EmployeeList_cmdExportExcel"_s
            << QStringList { u"freeze None"_s, u"1 1 s 一组 @"_s, u"1 2 s 6222021234567890123 @"_s, u"1 3 s 张伟 @"_s,
                   u"1 4 s 0001 @"_s, u"2 1 s 一组 @"_s, u"2 2 s 0012345678901234 @"_s, u"2 3 s 买买提·艾力 @"_s,
                   u"2 4 s 20240002 @"_s, u"3 1 s 二组 @"_s, u"3 2 s 6228480012345678 @"_s, u"3 3 s 王芳 @"_s };
        QTest::newRow("payroll: account, name, amount first")
            << int(MainWindowServices::TabLaborage) << u"Laborage_cmdExportExcel"_s
            << QStringList { u"freeze A2"_s, u"1 1 s 账号 @"_s, u"1 2 s 户名 @"_s, u"1 3 s 金额 @"_s, u"1 4 s 编号 @"_s,
                   u"1 5 s 账号行别 @"_s, u"2 1 s 6222021234567890123 @"_s, u"2 2 s 张伟 @"_s,
                   u"2 3 n 1234567.89 #,##0.00"_s, u"2 4 s 0001 @"_s, u"2 5 s 行内 @"_s, u"3 1 s 0012345678901234 @"_s,
                   u"3 2 s 买买提·艾力 @"_s, u"3 3 n 0.07 #,##0.00"_s, u"3 4 s 20240002 @"_s, u"3 5 s 行内 @"_s,
                   u"4 1 s 6228480012345678 @"_s, u"4 2 s 王芳 @"_s, u"4 3 n 4234.5 #,##0.00"_s, u"4 5 s 行内 @"_s,
                   u"6 1 s 合计 @"_s, u"6 2 s 共3笔 @"_s, u"6 3 n 1238802.46 #,##0.00"_s };
        QTest::newRow("batch payments: exact total")
            << int(MainWindowServices::TabPaymentB2B) << u"PaymentB2B_cmdExportExcel"_s
            << QStringList { u"freeze A2"_s, u"1 1 s 流水号 @"_s, u"1 2 s 付款账号 @"_s, u"1 3 s 付款账户户名 @"_s,
                   u"1 4 s 账号行别 @"_s, u"1 5 s 收款账号 @"_s, u"1 6 s 收款账户户名 @"_s, u"1 7 s 支付系统行号 @"_s,
                   u"1 8 s 付款金额 @"_s, u"1 9 s 备注 @"_s, u"2 1 s 0000000000000000000001 @"_s,
                   u"2 2 s 6228480012345678901 @"_s, u"2 3 s 某某贸易有限公司 @"_s, u"2 4 s 行内 @"_s,
                   u"2 5 s 0012345678901234 @"_s, u"2 6 s 买买提·艾力 @"_s, u"2 8 n 100000000000.01 #,##0.00"_s,
                   u"2 9 s 货款 @"_s, u"3 1 s 0000000000000000000002 @"_s, u"3 2 s 6228480012345678901 @"_s,
                   u"3 3 s 某某贸易有限公司 @"_s, u"3 4 s 行内 @"_s, u"3 5 s 6222021234567890123 @"_s,
                   u"3 6 s 张伟 @"_s, u"3 8 n 0.02 #,##0.00"_s, u"4 1 s 0000000000000000000003 @"_s,
                   u"4 2 s 6228480012345678901 @"_s, u"4 3 s 某某贸易有限公司 @"_s, u"4 4 s 行内 @"_s,
                   u"4 5 s 6228480012345678 @"_s, u"4 6 s 王芳 @"_s, u"4 8 n 0.01 #,##0.00"_s, u"6 1 s 合计 @"_s,
                   u"6 2 s 共3笔 @"_s, u"6 8 n 100000000000.04 #,##0.00"_s };
    }
    void workbooksAsOtherProgramsReadThem()
    {
        QFETCH(int, tab);
        QFETCH(QString, button);
        QFETCH(QStringList, cells);
        if (!haveOpenpyxl())
            QSKIP("python3-openpyxl is not installed");
        TestEnv env;
        fillStore(env);
        const QString path = env.path(u"list.xlsx"_s);
        QCOMPARE(exportTab(env, tab, button, path),
            QStringList { u"导出到Excel完毕\n文件："_s + QDir::toNativeSeparators(path) });
        const QStringList dump = dumpWorkbook(path);
        QStringList cellLines;
        for (const QString& line : dump)
            if (!line.startsWith(u"width "_s))
                cellLines << line;
        QCOMPARE(cellLines, cells);
        // Each column is at least as wide as its longest text.
        for (const QString& line : dump) {
            if (!line.startsWith(u"width "_s))
                continue;
            const QStringList parts = line.split(u' ');
            const int column = parts.at(1).at(0).unicode() - u'A' + 1;
            int longest = 0;
            for (const QString& cell : cells) {
                const QStringList f = cell.split(u' ');
                if (f.size() >= 4 && f.at(1).toInt() == column && f.at(2) == u"s"_s)
                    longest = std::max(longest, int(f.at(3).size()));
            }
            QVERIFY2(parts.at(2).toInt() >= longest, qPrintable(line));
        }
    }

    // An exported payroll and an exported roster are read back by the tabs'
    // own workbook imports as the same lists.
    void exportsImportBack()
    {
        TestEnv env;
        fillStore(env);
        const QString payroll = env.path(u"payroll.xlsx"_s);
        const QString roster = env.path(u"roster.xlsx"_s);
        QCOMPARE(exportTab(env, MainWindowServices::TabLaborage, u"Laborage_cmdExportExcel"_s, payroll).size(), 1);
        QCOMPARE(
            exportTab(env, MainWindowServices::TabEmployeeList, u"EmployeeList_cmdExportExcel"_s, roster).size(), 1);
        const QString payrollBefore = payrollText(env);
        const QString rosterBefore = rosterText(env);

        env.exec(u"delete from laborage"_s);
        env.exec(u"delete from person_payee_acc"_s);
        env.window().SSTabMain()->setCurrentIndex(MainWindowServices::TabEmployeeList);
        env.prompt.clear();
        env.prompt.answerFile(roster);
        env.prompt.answerOk();
        env.click(u"employeeList_cmdImport"_s);
        QCOMPARE(env.prompt.messages(), QStringList({ u"共导入3条记录"_s, u"导入数据成功"_s }));
        QCOMPARE(rosterText(env), rosterBefore);

        env.window().SSTabMain()->setCurrentIndex(MainWindowServices::TabLaborage);
        env.prompt.clear();
        env.prompt.answerFile(payroll);
        env.click(u"Laborage_cmdLoadB2BFileBut"_s);
        QCOMPARE(env.prompt.messages(), QStringList({ u"共导入3条记录"_s, u"导入数据成功"_s }));
        QCOMPARE(payrollText(env), payrollBefore);
        QCOMPARE(rosterText(env), rosterBefore);
    }

    // The file is complete or not there: an empty list writes nothing, a
    // folder that cannot be written says so and keeps the old file, a
    // replaced file leaves no temporary file behind.
    void writingTheFile()
    {
        TestEnv env;
        const QString path = env.path(u"list.xlsx"_s);
        QCOMPARE(exportTab(env, MainWindowServices::TabUserRemarkList, u"UserRemarkList_cmdExportExcel"_s, path),
            QStringList { u"没有记录可以导出"_s });
        QVERIFY(!QFileInfo::exists(path));

        fillStore(env);
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        // Shown anew, the tab reloads its list.
        env.window().SSTabMain()->setCurrentIndex(MainWindowServices::TabPaymentB2B);
        env.window().SSTabMain()->setCurrentIndex(MainWindowServices::TabUserRemarkList);
        env.prompt.clear();
        env.prompt.answerFile(env.path(u"list"_s), u"Excel 工作簿 (*.xlsx)"_s); // the extension is added
        env.prompt.answerOk(); // replace the existing file
        env.click(u"UserRemarkList_cmdExportExcel"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"导出到Excel完毕\n文件："_s + QDir::toNativeSeparators(path) });
        QVERIFY(QFileInfo(path).size() > 0);
        QCOMPARE(
            QDir(env.dir()).entryList(QDir::Files | QDir::Hidden).filter(u"list"_s), QStringList { u"list.xlsx"_s });

        // A folder under the chosen name cannot be replaced: the failure is
        // said, the folder keeps its content and no temporary file is left.
        const QString folder = env.path(u"folder.xlsx"_s);
        QVERIFY(QDir().mkpath(folder + u"/inside"_s));
        env.prompt.clear();
        env.prompt.answerFile(folder, u"Excel 工作簿 (*.xlsx)"_s);
        env.prompt.answerOk();
        env.click(u"UserRemarkList_cmdExportExcel"_s);
        QCOMPARE(env.prompt.messages(), QStringList { u"文件读写错误，导出到Excel失败"_s });
        QVERIFY(QFileInfo(folder + u"/inside"_s).isDir());
        QCOMPARE(
            QDir(env.dir()).entryList(QDir::Files | QDir::Hidden).filter(u"xlsx"_s), QStringList { u"list.xlsx"_s });
    }
};

QELVORA_TEST(TestExcelExport)
#include "tst_excelexport.moc"
