#include "PayrollTest.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/frmMain.h"
#include "common/SheetRows.h"
#include "common/Workbook.h"
#include "domain/payroll/LaborageImport.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace payrolltest;

namespace {
const QString kNothing = u"原有数据保持不变，本次没有导入任何记录。"_s;
const QString kData = QStringLiteral(QELVORA_TEST_DATA);

QString roster(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(line, '|') from (select person_no||','||group_no||','||acc_no||','||"
                u"ifnull(acc_name,'')||','||acc_type as line from person_payee_acc order by person_no)"_s)
        .toString();
}

// Account and amount of every in-bank instruction, in serial order.
QString accountsAndAmounts(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(line, '|') from (select acc_no||'='||pay_amount as line from laborage "
                u"where acc_type='0' order by serial_no)"_s)
        .toString();
}

QString writeXls(TestEnv& env, const QList<QStringList>& rows)
{
    const QString path = env.path(u"payroll.xls"_s);
    if (const Result<> written = writeWorkbook(path, rows); !written)
        qWarning() << written.message();
    return path;
}

QString writeCsv(TestEnv& env, const QByteArray& body)
{
    const QString path = env.path(u"payroll.csv"_s);
    writeAll(path, "2,0.00\r\n" + body);
    return path;
}

// The payroll, the roster and the payee tables an import may touch, as text.
QString storeDump(TestEnv& env)
{
    return dump(env) + u"\n--\n"_s + roster(env) + u"\n--\n"_s
        + env.scalar(u"select count(*)||','||ifnull(group_concat(acc_no),'') from payment"_s).toString();
}

// The set-up of the hostile-file tables: the reference payroll and an
// other-bank instruction (serial 7) that no import touches.
void payrollWithOtherBank(TestEnv& env)
{
    addReferencePayroll(env);
    addRoster(env, u"6228489999"_s, u"他行"_s, u"9"_s, u"一组"_s, u"1"_s);
    addInstruction(env, 7, u"6228489999"_s, u"3"_s, u"1"_s);
}

// Runs the tab's import of `path`, answering the clearing question with OK
// when `asked`; the messages shown.
QStringList importAnswering(TestEnv& env, const QString& path, bool asked)
{
    env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    env.prompt.clear();
    env.prompt.answerFile(path);
    if (asked)
        env.prompt.answerOk();
    env.click(u"Laborage_cmdLoadB2BFileBut"_s);
    if (!env.prompt.allAnswersUsed())
        qWarning("the clearing question was not asked");
    return env.prompt.messages();
}

// Runs the command of the payroll tab on `path`, answering the clearing
// question with OK when the list shows instructions.
QStringList runImport(TestEnv& env, const QString& path)
{
    frmMain& w = env.window();
    w.SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    env.prompt.clear();
    env.prompt.answerFile(path);
    if (env.scalar(u"select count(*) from laborage a join person_payee_acc b on a.acc_no=b.acc_no "
                   u"where a.acc_type='0'"_s)
            .toInt()
        > 0)
        env.prompt.answerOk();
    env.click(u"Laborage_cmdLoadB2BFileBut"_s);
    return env.prompt.messages();
}
} // namespace

class TestLaborageImport : public QObject {
    Q_OBJECT
private slots:
    void roundTripOfTheUploadFile()
    {
        TestEnv env;
        addReferencePayroll(env);
        const QString before = accountsAndAmounts(env);
        env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
        const QString path = env.path(u"saved.csv"_s);
        env.prompt.answerFile(path);
        env.click(u"Laborage_cmdWriteB2BFileBut"_s);
        env.exec(u"update laborage set pay_amount=1"_s);
        QCOMPARE(runImport(env, path), QStringList({ u"导入代发工资文件完毕"_s }));
        QCOMPARE(accountsAndAmounts(env), before);
        QVERIFY(env.prompt.allAnswersUsed());
    }

    // Every refusal or failure leaves the payroll and the roster exactly as
    // they were and says that nothing was imported.
    void failedImportKeepsEverything_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QList<QStringList>>("sheet");
        QTest::addColumn<QString>("message");
        const QList<QStringList> none;
        QTest::newRow("csv unknown account")
            << QByteArray("1,#1, a,#6228480011112222,#1.00\r\n2,#2, b,#999,#2.00\r\n") << none
            << u"代发工资名册中未包含关于账户999的信息，请先于“代发工资名册维护”功能节点添加该账户。"_s;
        QTest::newRow("csv short line") << QByteArray("1,#1, a,#6228480011112222,#1.00\r\n2,#2\r\n") << none
                                        << u"第2条记录的格式不正确，文件读写错误，导入代发工资文件失败"_s;
        // Amounts: negative, three decimals, not a number, above 1E11.
        QTest::newRow("csv negative") << QByteArray("1,#1, a,#6228480011112222,#-5\r\n") << none
                                      << u"第1条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("csv three decimals") << QByteArray("1,#1, a,#6228480011112222,#1234.567\r\n") << none
                                            << u"第1条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("csv text") << QByteArray("1,#1, a,#6228480011112222,#abc\r\n") << none
                                  << u"第1条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("csv above 1E11") << QByteArray("1,#1, a,#6228480011112222,#100000000000.01\r\n") << none
                                        << u"第1条记录中的金额范围超过系统限制，文件导入被中止"_s;
        // The bytes C4 FF are not GBK.
        QTest::newRow("csv not GBK") << QByteArray(
            "1,#1, a,#6228480011112222,#1.00\r\n2,#2, \xc4\xff,#6228480033334444,#2\r\n")
                                     << none << u"第2条记录中含有无法识别的字符，文件导入被中止"_s;
        QTest::newRow("csv other-bank")
            << QByteArray("1,#1, a,#6228480011112222,#1.00\r\n2,#2, b,#6228489999,#2\r\n") << none
            << u"第2条记录中的收款账号在代发工资名册中为他行账户，代发工资只能付往本行账户，文件导入被中止"_s;

        const QStringList head = { u"账号"_s, u"户名"_s, u"金额"_s };
        const QStringList newcomer = { u"6217000000000001"_s, u"新人"_s, u"10"_s };
        QTest::newRow("xls duplicate") << QByteArray()
                                       << QList<QStringList> { head, newcomer,
                                              { u"6228480033334444"_s, u"李四"_s, u"1"_s }, newcomer }
                                       << u"第3条记录中的收款账号已经存在，文件导入被中止"_s;
        QTest::newRow("xls other-bank")
            << QByteArray() << QList<QStringList> { head, newcomer, { u"6228489999"_s, u"他行"_s, u"1"_s } }
            << u"第2条记录中的收款账号在代发工资名册中为他行账户，代发工资只能付往本行账户，文件导入被中止"_s;
        QTest::newRow("xls above 1E11") << QByteArray()
                                        << QList<QStringList> { head, newcomer,
                                               { u"6217000000000002"_s, u"乙"_s, u"100,000,000,000.01"_s } }
                                        << u"第2条记录中的金额范围超过系统限制，文件导入被中止"_s;
        QTest::newRow("xls negative") << QByteArray()
                                      << QList<QStringList> { head, { u"6217000000000002"_s, u"乙"_s, u"-5"_s } }
                                      << u"第1条记录中的金额格式错误，文件导入被中止"_s;
        QTest::newRow("xls serial format")
            << QByteArray() << QList<QStringList> { head, newcomer, { u"62170A"_s, u"乙"_s, u"1"_s } }
            << u"第2条记录中的序号格式有误，文件导入被中止"_s;
        QTest::newRow("xls long name") << QByteArray()
                                       << QList<QStringList> { head,
                                              { u"6217000000000002"_s, QString(61, u'名'), u"1"_s } }
                                       << u"第1条记录中的收款户名数据长度错误，文件导入被中止"_s;
    }
    void failedImportKeepsEverything()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QList<QStringList>, sheet);
        QFETCH(QString, message);
        TestEnv env;
        addReferencePayroll(env);
        addRoster(env, u"6228489999"_s, u"他行"_s, u"9"_s, u"一组"_s, u"1"_s);
        addInstruction(env, 7, u"6228489999"_s, u"3"_s, u"1"_s);
        const QString payroll = dump(env);
        const QString people = roster(env);
        const QString path = sheet.isEmpty() ? writeCsv(env, csv) : writeXls(env, sheet);
        QStringList expected = { message + u'\n' + kNothing };
        if (!sheet.isEmpty())
            expected << u"文件导入失败"_s;
        QCOMPARE(runImport(env, path), expected);
        QCOMPARE(dump(env), payroll);
        QCOMPARE(roster(env), people);
    }

    void failedRosterInsertStopsTheImport()
    {
        TestEnv env;
        addReferencePayroll(env);
        const QString payroll = dump(env);
        env.exec(u"create trigger refuse before insert on person_payee_acc begin select raise(abort, 'full'); end"_s);
        const QString path = writeXls(env, { { u"6217000000000001"_s, u"新人"_s, u"10"_s } });
        const QStringList messages = runImport(env, path);
        QCOMPARE(messages.value(0),
            u"添加员工工资表第1条记录中的账户到代发工资名册时发生错误，文件导入被中止\n"_s + kNothing);
        QCOMPARE(dump(env), payroll);
    }

    void workbookAddsUnknownAccountsToTheRoster()
    {
        TestEnv env;
        addReferencePayroll(env);
        env.exec(u"delete from laborage"_s);
        // A1 numeric: no header row. Text amounts may carry separators.
        const QString path = writeXls(env,
            { { u"6228480011112222"_s, u"张三"_s, u"1,234.50"_s }, { u"6217000000000001"_s, u" 新人 "_s, u"0"_s } });
        QCOMPARE(runImport(env, path), QStringList({ u"共导入2条记录"_s, u"导入数据成功"_s }));
        QCOMPARE(accountsAndAmounts(env), u"6228480011112222=1234.5|6217000000000001=0"_s);
        QVERIFY(roster(env).endsWith(u"|4,未分组,6217000000000001,新人,0"_s));
        QCOMPARE(env.scalar(u"select count(*) from laborage where remark is null"_s).toInt(), 2);
    }

    // Workbooks saved by spreadsheet programs (.xls and .xlsx), read by their
    // content whatever their names say.
    void workbooksFromOtherPrograms_data()
    {
        QTest::addColumn<QString>("file"); // under tests/data, picked as in.<its extension>
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("payroll");
        QTest::newRow("formulas, gap ends the data")
            << u"xls/lo_formulas.xls"_s << QStringList({ u"共导入4条记录"_s, u"导入数据成功"_s })
            << u"6222021234567890123=4234.5|6228480012345678=0.07|62170012345678901=5500.55|"
               u"0012345678901234=100000000000"_s;
        // The total row after the gap and the rows below it are never read.
        QTest::newRow("xlsx, gap ends the data")
            << u"xlsx/ssconvert_payroll.xlsx"_s << QStringList({ u"共导入4条记录"_s, u"导入数据成功"_s })
            << u"6222021234567890123=4234.5|6228480012345678=0.07|62170012345678901=5500.55|"
               u"0012345678901234=100000000000"_s;
        // The active (second) sheet; its third account is a number of 19 digits.
        QTest::newRow("xlsx numeric account")
            << u"xlsx/openpyxl_types.xlsx"_s
            << QStringList(
                   { u"第3条记录中的账号是数字格式，16位以上的数字已丢失末尾几位，请将账号列设置为文本格式后重新填写，"
                     u"文件导入被中止\n"_s
                           + kNothing,
                       u"文件导入失败"_s })
            << QString();
        QTest::newRow("numeric accounts")
            << u"xls/payroll_numeric_accounts.xls"_s
            << QStringList(
                   { u"第1条记录中的账号是数字格式，16位以上的数字已丢失末尾几位，请将账号列设置为文本格式后重新填写，"
                     u"文件导入被中止\n"_s
                           + kNothing,
                       u"文件导入失败"_s })
            << QString();
        QTest::newRow("text accounts, fraction beyond cents")
            << u"xls/payroll_text_accounts.xls"_s
            << QStringList({ u"第5条记录中的金额格式错误，文件导入被中止\n"_s + kNothing, u"文件导入失败"_s })
            << QString();
    }
    void workbooksFromOtherPrograms()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, messages);
        QFETCH(QString, payroll);
        TestEnv env;
        const QString path = env.path(u"in."_s + QFileInfo(file).suffix());
        QVERIFY(QFile::copy(kData + u'/' + file, path));
        QCOMPARE(runImport(env, path), messages);
        QCOMPARE(accountsAndAmounts(env), payroll);
        if (payroll.isEmpty())
            QCOMPARE(roster(env), QString());
    }

    // Hostile upload files through the tab's import: the exact message, and
    // the store as it was unless the whole file was imported.
    void hostileCsvFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("payroll"); // laborage after a whole import; empty: unchanged

        const QByteArray l1 = "1,#007, \xD5\xC5\xC8\xFD,#6228480011112222,#1234.50"; // 张三
        const QByteArray l2 = "2,#, \xC0\xEE\xCB\xC4,#6228480033334444,#200.00"; // 李四
        const QByteArray header = "2,1434.50";
        const QString both = u"7,6228489999,3,1,|8,6228480011112222,1234.5,0,|9,6228480033334444,200,0,"_s;
        const auto file = [](const QList<QByteArray>& lines, const QByteArray& end) {
            QByteArray bytes;
            for (const QByteArray& line : lines)
                bytes += line + end;
            return bytes;
        };
        const QString done = u"导入代发工资文件完毕"_s;
        const QString noLines = u"文件中没有指令记录，文件导入被中止"_s;
        const auto stop = [](const QString& text) { return text + u'\n' + kNothing; };

        QTest::newRow("CR LF") << file({ header, l1, l2 }, "\r\n") << true << done << both;
        QTest::newRow("LF only") << file({ header, l1, l2 }, "\n") << true << done << both;
        QTest::newRow("lone CR") << file({ header, l1, l2 }, "\r") << true << done << both;
        QTest::newRow("header says 3") << file({ "3,1434.50", l1, l2 }, "\r\n") << true
                                       << stop(u"文件头记录数（3）与明细记录数（2）不符，文件导入被中止"_s)
                                       << QString();
        QTest::newRow("cut inside the last amount")
            << header + "\r\n" + l1 + "\r\n" + l2.chopped(4) << true
            << stop(u"文件头合计金额（1434.50）与明细合计金额（1254.50）不符，文件导入被中止"_s) << QString();
        QTest::newRow("total a fen off") << file({ "2,1434.49", l1, l2 },
            "\r\n") << true << stop(u"文件头合计金额（1434.49）与明细合计金额（1434.50）不符，文件导入被中止"_s)
                                         << QString();
        QTest::newRow("empty") << QByteArray() << false << noLines << QString();
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << false << noLines << QString();
        QTest::newRow("header only") << file({ header }, "\r\n") << false << noLines << QString();
        QTest::newRow("no # marks") << file(
            { header, QByteArray(l1).replace('#', ""), QByteArray(l2).replace('#', "") }, "\r\n")
                                    << true << done << both;
        QTest::newRow("NUL in a name") << file({ header, l1, QByteArray(l2).replace("\xC0\xEE", QByteArray("\0", 1)) },
            "\r\n") << true << stop(u"第2条记录中的收款户名含有控制字符，文件导入被中止"_s)
                                       << QString();
        QTest::newRow("control character in an account") << file({ header,
                                                                     QByteArray(l1).replace("#6228",
                                                                         "#62\x01"
                                                                         "28"),
                                                                     l2 },
            "\r\n") << true << stop(u"第1条记录中的收款账号含有控制字符，文件导入被中止"_s)
                                                         << QString();
    }
    void hostileCsvFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, asked);
        QFETCH(QString, message);
        QFETCH(QString, payroll);
        TestEnv env;
        payrollWithOtherBank(env);
        const QString before = storeDump(env);
        const QStringList listed = env.listShown(frmMain::TabLaborage);
        const QString people = roster(env);
        const QString path = env.path(u"payroll.csv"_s);
        writeAll(path, file);
        QCOMPARE(importAnswering(env, path, asked), QStringList { message });
        QVERIFY(env.prompt.allAnswersUsed());
        if (payroll.isEmpty()) {
            QCOMPARE(storeDump(env), before);
            // A stop after the list was emptied for the new rows shows the old ones again.
            QCOMPARE(env.listShown(frmMain::TabLaborage), listed);
        } else {
            QCOMPARE(dump(env), payroll);
            QCOMPARE(roster(env), people);
        }
    }

    // Hostile workbooks through the tab's import: error values, control
    // characters, the name length at its limit, damaged and empty files.
    void hostileWorkbooks_data()
    {
        QTest::addColumn<QString>("fixture"); // a file under tests/data, or empty
        QTest::addColumn<QString>("pickedAs"); // the name the user picks it under
        QTest::addColumn<QList<QStringList>>("sheet"); // else the text cells written by the program's writer
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("payroll"); // laborage after a whole import; empty: unchanged

        const QList<QStringList> none;
        const QStringList head = { u"账号"_s, u"户名"_s, u"金额"_s };
        const auto refused = [](const QString& text) {
            return QStringList { text + u'\n' + kNothing, u"文件导入失败"_s };
        };
        const auto row = [](const QString& name) {
            return QList<QStringList> { { u"6228480011112222"_s, name, u"10"_s } };
        };

        QTest::newRow("error value as a name")
            << u"payroll_import/error_name.xls"_s << u"in.xls"_s << none << true
            << refused(u"第2条记录中的收款户名是错误值#N/A（工作表第3行），文件导入被中止"_s) << QString();
        QTest::newRow("error value as an account")
            << u"payroll_import/error_account.xls"_s << u"in.xls"_s << none << true
            << refused(u"第2条记录中的收款账号是错误值#REF!（工作表第2行），文件导入被中止"_s) << QString();
        QTest::newRow("formula error as an amount")
            << u"payroll_import/error_amount_formula.xls"_s << u"in.xls"_s << none << true
            << refused(u"第1条记录中的金额是错误值#DIV/0!（工作表第2行），文件导入被中止"_s) << QString();
        QTest::newRow("line feed in a name")
            << QString() << u"in.xls"_s << row(u"张\n三"_s) << true
            << refused(u"第1条记录中的收款户名含有控制字符，文件导入被中止"_s) << QString();
        QTest::newRow("NUL in a name") << QString() << u"in.xls"_s << row(u"张"_s + QChar(0) + u"三"_s) << true
                                       << refused(u"第1条记录中的收款户名含有控制字符，文件导入被中止"_s) << QString();
        QTest::newRow("name of 60") << QString() << u"in.xls"_s << row(QString(60, u'名')) << true
                                    << QStringList { u"共导入1条记录"_s, u"导入数据成功"_s }
                                    << u"7,6228489999,3,1,|8,6228480011112222,10,0,"_s;
        QTest::newRow("name of 61") << QString() << u"in.xls"_s << row(QString(61, u'名')) << true
                                    << refused(u"第1条记录中的收款户名数据长度错误，文件导入被中止"_s) << QString();
        QTest::newRow("header only") << QString() << u"in.xls"_s << QList<QStringList> { head } << false
                                     << QStringList { u"文件中没有指令记录，文件导入被中止"_s } << QString();
        // A file the reader refuses is a file error naming the reason.
        const auto readFailed = [](const QString& reason) {
            return QStringList { u"文件读写错误，导入代发工资文件失败\n"_s + reason + u'\n' + kNothing };
        };
        QTest::newRow("empty file") << u"xls/bad_empty.xls"_s << u"in.xls"_s << none << false
                                    << readFailed(u"不是 Excel 工作簿：文件为空"_s) << QString();
        QTest::newRow("truncated")
            << u"xls/bad_truncated_half.xls"_s << u"in.xls"_s << none << false
            << readFailed(u"工作簿已损坏：无法读取复合文档结构（Inconsistent block allocation table）"_s) << QString();
        QTest::newRow("xlsx truncated download")
            << u"xlsx/bad_truncated.xlsx"_s << u"in.xlsx"_s << none << false
            << readFailed(u"工作簿已损坏：ZIP 压缩包不完整或已损坏（找不到压缩包目录）"_s) << QString();
        QTest::newRow("xlsx with a password")
            << u"xlsx/bad_encrypted.xlsx"_s << u"in.xlsx"_s << none << false
            << readFailed(u"工作簿已加密，请在 Excel 中取消密码后再试"_s) << QString();
        QTest::newRow("xlsb named .xlsx")
            << u"xlsx/bad_xlsb.xlsb"_s << u"in.xlsx"_s << none << false
            << readFailed(
                   u"不支持的文件格式：Excel 二进制工作簿（.xlsb），请在 Excel 中另存为 Excel 工作簿（.xlsx）后再试"_s)
            << QString();
        QTest::newRow("xlsx zip bomb")
            << u"xlsx/bad_bomb_declared.xlsx"_s << u"in.xlsx"_s << none << false
            << readFailed(
                   u"不是 Excel 工作簿：解压后的内容过大（超过 30737700 字节，文件本身 307377 字节），不像是工作簿"_s)
            << QString();
        QTest::newRow("xlsx formula without its value")
            << u"xlsx/bad_formula_no_value.xlsx"_s << u"in.xlsx"_s << none << false
            << readFailed(u"单元格C5的公式没有计算结果，请在 Excel 中打开并保存后再试"_s) << QString();
        QTest::newRow("csv named .xlsx")
            << u"payroll/upload_reference.csv"_s << u"in.xlsx"_s << none << false
            << readFailed(u"不是 Excel 工作簿：无法识别的文件格式（既不是 .xls 也不是 .xlsx 工作簿）"_s) << QString();
    }
    void hostileWorkbooks()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, pickedAs);
        QFETCH(QList<QStringList>, sheet);
        QFETCH(bool, asked);
        QFETCH(QStringList, messages);
        QFETCH(QString, payroll);
        TestEnv env;
        payrollWithOtherBank(env);
        const QString before = storeDump(env);
        const QStringList listed = env.listShown(frmMain::TabLaborage);
        const QString people = roster(env);
        QString path = env.path(pickedAs);
        if (fixture.isEmpty())
            path = writeXls(env, sheet);
        else
            QVERIFY(QFile::copy(kData + u'/' + fixture, path));
        QCOMPARE(importAnswering(env, path, asked), messages);
        QVERIFY(env.prompt.allAnswersUsed());
        if (payroll.isEmpty()) {
            QCOMPARE(storeDump(env), before);
            // A stop after the list was emptied for the new rows shows the old ones again.
            QCOMPARE(env.listShown(frmMain::TabLaborage), listed);
        } else {
            QCOMPARE(dump(env), payroll);
            QCOMPARE(roster(env), people);
        }
    }

    // A store that refuses to clear the old payroll stops the import: nothing
    // is added and the old payroll stays.
    void clearingFailsKeepsThePayroll_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::newRow("csv") << false;
        QTest::newRow("xls") << true;
    }
    void clearingFailsKeepsThePayroll()
    {
        QFETCH(bool, workbook);
        TestEnv env;
        payrollWithOtherBank(env);
        env.exec(u"create trigger keep before delete on laborage begin select raise(abort,'kept'); end"_s);
        const QString before = storeDump(env);
        const QString path = workbook
            ? writeXls(env, { { u"6217000000000001"_s, u"新人"_s, u"10"_s } })
            : writeCsv(env, "1,#1, a,#6228480011112222,#1.00\r\n2,#2, b,#6228480033334444,#2.00\r\n");
        QStringList expected = { u"清除原有数据时发生错误，文件导入被中止\n"_s + kNothing };
        if (workbook)
            expected << u"文件导入失败"_s;
        QCOMPARE(importAnswering(env, path, true), expected);
        const auto& calls = env.prompt.calls();
        QVERIFY(std::any_of(calls.begin(), calls.end(), [](const RecordingPrompt::Call& c) {
            return c.kind == RecordingPrompt::Kind::Critical && c.title == u"SQL error"_s;
        }));
        QCOMPARE(storeDump(env), before);
        QVERIFY(!env.db().inTransaction());
    }

    // Every account a workbook adds to the roster gets a number of its own.
    void workbookGivesEachNewAccountItsOwnPersonNo()
    {
        TestEnv env;
        addReferencePayroll(env);
        const QString path = writeXls(env,
            { { u"6217000000000001"_s, u"甲"_s, u"1"_s }, { u"6228480011112222"_s, u"张三"_s, u"2"_s },
                { u"6217000000000002"_s, u"乙"_s, u"3"_s }, { u"6217000000000003"_s, u"丙"_s, u"4"_s } });
        QCOMPARE(runImport(env, path), QStringList({ u"共导入4条记录"_s, u"导入数据成功"_s }));
        QCOMPARE(env.scalar(u"select count(distinct person_no)||'/'||count(*) from person_payee_acc"_s).toString(),
            u"6/6"_s);
        QCOMPARE(env.scalar(u"select group_concat(person_no||'='||acc_no,'|') from (select * from person_payee_acc"
                            u" where group_no='未分组' order by person_no)"_s)
                     .toString(),
            u"4=6217000000000001|5=6217000000000002|6=6217000000000003"_s);
    }

    void nothingChangesWithoutAnImport_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("txt") << u"payroll.txt"_s
                             << QStringList({ u"抱歉，系统目前不支持该格式文件，请选择csv或xls格式文件进行操作"_s });
        QTest::newRow("question cancelled") << u"payroll.csv"_s << QStringList();
    }
    void nothingChangesWithoutAnImport()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, messages);
        TestEnv env;
        addReferencePayroll(env);
        const QString payroll = dump(env);
        writeAll(env.path(name), "1,1.00\r\n1,#7, a,#6228480011112222,#1.00\r\n");
        env.window().SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
        env.prompt.answerFile(env.path(name));
        if (name.endsWith(u"csv"_s))
            env.prompt.answerCancel();
        env.click(u"Laborage_cmdLoadB2BFileBut"_s);
        QCOMPARE(env.prompt.messages(), messages);
        QVERIFY(env.prompt.allAnswersUsed());
        QCOMPARE(dump(env), payroll);
    }
};

QELVORA_TEST(TestLaborageImport)
#include "tst_laborageimport.moc"
