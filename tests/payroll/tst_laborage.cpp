#include "PayrollTest.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "WindowTexts.h"

#include "app/ListGrid.h"
#include "app/frmMain.h"
#include "common/Workbook.h"
#include "payroll/Laborage.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace payrolltest;

namespace {
QStringList gridRow(ListGrid* grid, int row)
{
    QStringList out;
    for (int c = 0; c < grid->cols(); ++c)
        out << grid->textMatrix(row, c);
    return out;
}

// The payroll tab shown, with its dialog points recorded instead of opened.
struct Page {
    explicit Page(TestEnv& env)
        : w(env.window())
        , page(static_cast<Laborage*>(w.page(frmMain::TabLaborage)))
        , grid(page->grid())
    {
        page->setLaborageDialogOpener([this](const InstructionDialogRequest& r) { dialogs.push_back(r); });
        w.SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    }
    frmMain& w;
    Laborage* page;
    ListGrid* grid;
    std::vector<InstructionDialogRequest> dialogs;
};

// The reference rows of the workbook upload file.
const QList<QStringList> kReferenceRows = { { u"1"_s, u"007"_s, u"张三"_s, u"6228480011112222"_s, u"1234.50"_s },
    { u"2"_s, QString(), u"李四"_s, u"6228480033334444"_s, u"200.00"_s },
    { u"3"_s, u"A-12"_s, u"王五 "_s, u"6228480055556666"_s, u"65.50"_s } };

QList<QStringList> readWorkbook(const QString& path)
{
    const Result<WorkbookReader> opened = WorkbookReader::read(path);
    if (!opened)
        return { { opened.message() } };
    const WorkbookReader& reader = opened.value();
    QList<QStringList> rows;
    for (int r = 1; r <= reader.lastRow(); ++r) {
        QStringList row;
        for (int c = 1; c <= 5; ++c)
            row << reader.cell(r, c).text;
        rows << row;
    }
    return rows;
}
} // namespace

class TestLaborage : public QObject {
    Q_OBJECT
private slots:
    void emptyTable()
    {
        TestEnv env;
        Page p(env);
        QCOMPARE(p.grid->rows(), 2);
        QCOMPARE(gridRow(p.grid, 1), QStringList(7, QString()));
        QCOMPARE(panels(p.w), QStringList({ u"总笔数"_s, u"0"_s, u"总金额"_s, u"0.00"_s, u"大写金额"_s, QString() }));
        // Nothing to write: no message, no file dialog.
        env.click(u"menuSave"_s);
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void listShowsInBankInstructionsWithTheirRoster()
    {
        TestEnv env;
        addReferencePayroll(env);
        addRoster(env, u"955880100200300"_s, u"赵六"_s, u"9"_s, u"一组"_s, u"1"_s);
        addInstruction(env, 4, u"955880100200300"_s, u"10"_s, u"1"_s); // other-bank
        addInstruction(env, 5, u"6228480099999999"_s, u"10"_s); // no roster row
        Page p(env);
        QCOMPARE(gridRow(p.grid, 0),
            QStringList({ u"序号"_s, u"流水号"_s, u"账号"_s, u"户名"_s, u"编号"_s, u"账号行别"_s, u"金额"_s }));
        QCOMPARE(p.grid->rows(), 4);
        QCOMPARE(gridRow(p.grid, 1),
            QStringList({ u"1"_s, u"1"_s, u"6228480011112222"_s, u"张三"_s, u"007"_s, u"行内"_s, u"1,234.50"_s }));
        QCOMPARE(gridRow(p.grid, 3),
            QStringList({ u"3"_s, u"3"_s, u"6228480055556666"_s, u"王五"_s, u"A-12"_s, u"行内"_s, u"65.50"_s }));
        QVERIFY(p.grid->isColumnHidden(Laborage::ColumnSerialNo));
        QCOMPARE(panels(p.w),
            QStringList({ u"总笔数"_s, u"3"_s, u"总金额"_s, u"1,500.00"_s, u"大写金额"_s, u"壹仟伍佰元"_s }));
        QCOMPARE(p.grid->col(), 0);
        QVERIFY(p.w.findChild<QMenu*>(u"menuLaborage"_s)->menuAction()->isVisible());
        QVERIFY(!p.w.findChild<QMenu*>(u"menuPaymentB2B"_s)->menuAction()->isVisible());
    }

    void totalsAreExact()
    {
        TestEnv env;
        addRoster(env, u"6228480011112222"_s, u"张三"_s, u"1"_s);
        addRoster(env, u"6228480033334444"_s, u"李四"_s, u"2"_s);
        addInstruction(env, 1, u"6228480011112222"_s, u"0.7"_s);
        addInstruction(env, 2, u"6228480033334444"_s, u"0.1"_s);
        Page p(env);
        QCOMPARE(p.w.statusPanelText(4), u"0.80"_s);
        QCOMPARE(p.w.statusPanelText(6), u"捌角"_s);
        const QString path = env.path(u"totals.csv"_s);
        env.prompt.answerFile(path);
        env.click(u"menuSave"_s);
        QVERIFY(readAll(path).startsWith("2,0.80\r\n"));
    }

    void csvUploadFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("csv") << u"payroll.csv"_s;
        QTest::newRow("upper case") << u"payroll.CSV"_s;
    }
    void csvUploadFile()
    {
        QFETCH(QString, name);
        TestEnv env;
        addReferencePayroll(env);
        addInstruction(env, 9, u"6228480011112222"_s, u"5"_s, u"1"_s); // other-bank: not written
        Page p(env);
        const QString path = env.path(name);
        env.prompt.answerFile(path);
        env.click(u"Laborage_cmdWriteB2BFileBut"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList({ u"代发工资*.csv文件生成完毕\n文件："_s + QDir::toNativeSeparators(path) }));
        QCOMPARE(readAll(path), readAll(QStringLiteral(QELVORA_TEST_DATA "/payroll/upload_reference.csv")));
    }

    // A name ending in an extension the program cannot write gets the one of
    // the chosen file type: the file is always one the import reads back.
    void otherExtensionGetsTheChosenOne()
    {
        TestEnv env;
        addReferencePayroll(env);
        Page p(env);
        env.prompt.answerFile(env.path(u"payroll.txt"_s), u"Excel 97-2003 工作簿 (*.xls)"_s);
        env.click(u"menuWriteLaborageFile"_s);
        const QString written = env.path(u"payroll.txt.xls"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList({ u"代发工资*.xls文件生成完毕\n文件："_s + QDir::toNativeSeparators(written) }));
        QVERIFY(!QFileInfo::exists(env.path(u"payroll.txt"_s)));
        QCOMPARE(readWorkbook(written), kReferenceRows);
    }

    void workbookUploadFile()
    {
        TestEnv env;
        addReferencePayroll(env);
        Page p(env);
        const QString path = env.path(u"payroll.xls"_s);
        env.prompt.answerFile(path);
        env.click(u"menuSave"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList({ u"代发工资*.xls文件生成完毕\n文件："_s + QDir::toNativeSeparators(path) }));
        QCOMPARE(readWorkbook(path), kReferenceRows);

        // An independent reader sees the same cells, all text.
        const QString python = u"/usr/bin/python3"_s;
        if (QProcess::execute(python, { u"-c"_s, u"import xlrd"_s }) != 0)
            QSKIP("python3-xlrd is not installed");
        QProcess xlrd;
        xlrd.start(python, { QStringLiteral(QELVORA_TEST_DATA "/xls/xlrd_dump.py"), path });
        QVERIFY(xlrd.waitForFinished(60000));
        QCOMPARE(xlrd.exitCode(), 0);
        const QJsonArray cells
            = QJsonDocument::fromJson(xlrd.readAllStandardOutput()).object().value(u"cells"_s).toArray();
        QList<QStringList> rows(3, QStringList(5, QString()));
        for (const QJsonValue& v : cells) {
            const QJsonArray c = v.toArray();
            QCOMPARE(c[2].toInt(), 1);
            rows[c[0].toInt()][c[1].toInt()] = c[3].toString();
        }
        QCOMPARE(rows, kReferenceRows);
    }

    // The old workbook stays until a new one is complete, and stays when
    // there is nothing to write.
    void workbookKeepsTheOldFile()
    {
        TestEnv env;
        addReferencePayroll(env);
        Page p(env);
        const QString path = env.path(u"payroll.xls"_s);
        writeAll(path, "old");
        // The roster rows go after the list was shown: the select finds nothing.
        env.exec(u"delete from person_payee_acc"_s);
        env.prompt.answerFile(path);
        env.prompt.answerOk(); // overwrite?
        env.prompt.answerYes(); // delete the old file?
        env.click(u"menuSave"_s);
        QCOMPARE(env.prompt.texts().mid(1),
            QStringList({ u"该文件名已经存在，是否覆盖原有文件?"_s, u"是否删除原有文件? "_s,
                u"代发工资*.xls文件生成失败，或无指令需要生成代发工资文件"_s }));
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(QDir(env.dir()).entryList({ u"payroll*"_s }, QDir::Files | QDir::Hidden),
            QStringList({ u"payroll.xls"_s }));
    }

    void csvRefusesWhatTheFormatCannotCarry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("employeeNo");
        QTest::addColumn<QString>("message");
        QTest::newRow("comma in name") << u"李,四"_s << u"2"_s << u"含有逗号，会使上传文件的各栏错位"_s;
        QTest::newRow("line break in employee number")
            << u"李四"_s << u"2\n3"_s << u"含有换行符，会使上传文件的各栏错位"_s;
        QTest::newRow("character GBK lacks") << u"김철수"_s << u"2"_s << u"含有字符“김”，无法用GBK编码写入上传文件"_s;
    }
    void csvRefusesWhatTheFormatCannotCarry()
    {
        QFETCH(QString, name);
        QFETCH(QString, employeeNo);
        QFETCH(QString, message);
        TestEnv env;
        addReferencePayroll(env);
        env.exec(u"update person_payee_acc set acc_name=?,employee_no=? where acc_no='6228480033334444'"_s,
            { name, employeeNo });
        Page p(env);
        const QString path = env.path(u"payroll.csv"_s);
        writeAll(path, "old");
        env.prompt.answerFile(path);
        env.prompt.answerOk();
        env.click(u"menuSave"_s);
        // The check before writing finds it; the file is not written.
        QVERIFY(env.prompt.messages().isEmpty());
        QCOMPARE(env.checkReports.size(), size_t(1));
        const auto& findings = env.checkReports[0].findings;
        QVERIFY(std::any_of(findings.begin(), findings.end(), [&](const InstructionCheck::Finding& f) {
            return f.severity == InstructionCheck::Severity::Error && f.row == 2 && f.problem == message;
        }));
        QCOMPARE(readAll(path), QByteArray("old"));

        // A workbook carries any text.
        const QString xls = env.path(u"payroll.xls"_s);
        env.prompt.clear();
        env.prompt.answerFile(xls);
        env.click(u"menuSave"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList({ u"代发工资*.xls文件生成完毕\n文件："_s + QDir::toNativeSeparators(xls) }));
        QCOMPARE(readWorkbook(xls).at(1).mid(1, 2), QStringList({ employeeNo, name }));
    }

    void commandsNeedAChosenRow_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("change button") << u"Laborage_cmdUpdateBut"_s;
        QTest::newRow("change menu") << u"menuUpdateLaborage"_s;
        QTest::newRow("range delete") << u"Laborage_cmdDeleteBut"_s;
    }
    void commandsNeedAChosenRow()
    {
        QFETCH(QString, command);
        TestEnv env;
        addReferencePayroll(env);
        Page p(env);
        env.click(command);
        QCOMPARE(env.prompt.texts(), QStringList({ u"请先选择代发工资指令"_s }));
        QVERIFY(p.dialogs.empty());
    }

    void newAndChangeHandTheDialogItsValues()
    {
        TestEnv env;
        addReferencePayroll(env);
        env.exec(u"update laborage set remark='  年终 奖 ' where serial_no=2"_s);
        Page p(env);
        env.click(u"Laborage_cmdNewBut"_s);
        p.grid->selectRows(2, 2, 3);
        env.click(u"menuUpdateLaborage"_s);
        QCOMPARE(p.dialogs.size(), size_t(2));
        QVERIFY(!p.dialogs[0].change);
        QCOMPARE(p.dialogs[0].payIdx, 4);
        QVERIFY(p.dialogs[1].change);
        QCOMPARE(p.dialogs[1].payIdx, 2);
        // The stored remark, untrimmed, so that a change does not erase it.
        QCOMPARE(p.dialogs[1].recordValue,
            QStringList({ u"2"_s, u"6228480033334444"_s, u"行内"_s, QString(), u"200.00"_s, u"  年终 奖 "_s }));
    }

    void rangeDeleteTakesExactlyTheSelectedInstructions_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("end");
        QTest::newRow("top down") << 1 << 2;
        QTest::newRow("bottom up") << 2 << 1;
    }
    void rangeDeleteTakesExactlyTheSelectedInstructions()
    {
        QFETCH(int, anchor);
        QFETCH(int, end);
        TestEnv env;
        addReferencePayroll(env);
        // A second listed and an unlisted (other-bank) instruction of the first account.
        addInstruction(env, 4, u"6228480011112222"_s, u"1"_s);
        addInstruction(env, 5, u"6228480011112222"_s, u"2"_s, u"1"_s);
        Page p(env);
        p.grid->selectRows(anchor, end, 2);
        env.prompt.answerOk();
        env.click(u"Laborage_cmdDeleteBut"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"是否确认要删除所有代发代扣文件中指令?"_s, u"删除账号成功."_s }));
        QCOMPARE(dump(env), u"3,6228480055556666,65.5,0,|4,6228480011112222,1,0,|5,6228480011112222,2,1,"_s);
        QCOMPARE(p.grid->rows(), 3);
        QCOMPARE(p.w.statusPanelText(4), u"66.50"_s);
    }

    void newEmptiesThePayrollOnly()
    {
        TestEnv env;
        addReferencePayroll(env);
        env.exec(u"insert into payment (serial_no,pay_acc_no,pay_amt) values ('1','1',5)"_s);
        Page p(env);
        env.prompt.answerOk();
        env.click(u"menuNew"_s);
        QCOMPARE(env.prompt.texts(), QStringList({ u"原有数据将被全部清空，请确认是否要继续?"_s }));
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 0);
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 1);
        QCOMPARE(p.w.statusPanelText(2), u"0"_s);
    }

    // Row numbers and counts are not 16-bit; a workbook holds 65,536 rows at most.
    void beyondSixteenBitRows()
    {
        TestEnv env;
        constexpr int n = 70000;
        env.exec(u"with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                 u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) "
                 u"select i,'一组','62284800'||printf('%08d',i),'员工','E'||i,'0','' from n"_s.arg(n));
        env.exec(u"insert into laborage select person_no,acc_no,1,'0','','' from person_payee_acc"_s);
        Page p(env);
        QCOMPARE(p.grid->rows(), n + 1);
        QCOMPARE(p.grid->textMatrix(n, 0), QString::number(n));
        QCOMPARE(p.w.statusPanelText(2), QString::number(n));

        env.prompt.answerFile(env.path(u"big.xls"_s));
        env.click(u"menuSave"_s);
        QCOMPARE(env.prompt.messages(),
            QStringList({ u"代发工资指令共70000笔，超过XLS文件最多65536行的限制，请生成CSV文件"_s }));
        QVERIFY(!QFileInfo::exists(env.path(u"big.xls"_s)));

        env.prompt.clear();
        env.prompt.answerFile(env.path(u"big.csv"_s));
        env.click(u"menuSave"_s);
        const QByteArray csv = readAll(env.path(u"big.csv"_s));
        QCOMPARE(csv.count("\r\n"), n + 1);
        QVERIFY(csv.startsWith("70000,70000.00\r\n"));
        QVERIFY(csv.endsWith("\r\n70000,#E70000, \xd4\xb1\xb9\xa4,#6228480000070000,#1.00\r\n"));

        p.grid->selectRows(40000, n, 1);
        env.prompt.answerOk();
        env.click(u"Laborage_cmdDeleteBut"_s);
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 39999);
        QCOMPARE(env.scalar(u"select max(serial_no) from laborage"_s).toInt(), 39999);
    }
};

QELVORA_TEST(TestLaborage)
#include "tst_laborage.moc"
