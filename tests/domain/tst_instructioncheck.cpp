#include "TestRegistry.h"

#include "common/GbkCodec.h"
#include "domain/InstructionCheck.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace InstructionCheck;

using Records = std::vector<Record>;
Q_DECLARE_METATYPE(Records)
Q_DECLARE_METATYPE(InstructionCheck::Severity)

namespace {
// A clean in-bank instruction: a card number with a right check digit.
Record clean(qint64 row, const QString& acc = u"6228480012345671"_s, const QString& amount = u"100"_s)
{
    Record r;
    r.row = row;
    r.serialNo = QString::number(row);
    r.texts
        = { { u"付款账户户名"_s, u"某某贸易有限公司"_s }, { u"收款账户户名"_s, u"张三"_s }, { u"备注"_s, u"货款"_s } };
    r.accNo = acc;
    r.amount = amount;
    r.accName = u"张三"_s;
    return r;
}

Rules paymentRules()
{
    Rules rules;
    rules.accountField = u"收款账号"_s;
    rules.nameField = u"收款账户户名"_s;
    rules.amountField = u"付款金额"_s;
    rules.accountLengthRule = u"16,19"_s;
    return rules;
}
} // namespace

class TestInstructionCheck : public QObject {
    Q_OBJECT
private slots:
    // Each kind of problem in an otherwise clean batch gives exactly its one finding.
    void findsEachProblem_data()
    {
        QTest::addColumn<Records>("records");
        QTest::addColumn<Severity>("severity");
        QTest::addColumn<qint64>("row");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("problem");

        const auto with = [](auto change) {
            Records rs = { clean(1, u"6228480099990001"_s), clean(2) };
            change(rs[1]);
            return rs;
        };
        QTest::newRow("comma") << with([](Record& r) { r.texts[2].text = u"货款,定金"_s; }) << Severity::Error
                               << qint64(2) << u"备注"_s << u"含有逗号，会使上传文件的各栏错位"_s;
        QTest::newRow("line break") << with([](Record& r) { r.texts[1].text = u"张\n三"_s; }) << Severity::Error
                                    << qint64(2) << u"收款账户户名"_s << u"含有换行符，会使上传文件的各栏错位"_s;
        QTest::newRow("not GBK") << with([](Record& r) { r.texts[2].text = u"货款😀"_s; }) << Severity::Error
                                 << qint64(2) << u"备注"_s << u"含有字符“😀”，无法用GBK编码写入上传文件"_s;
        QTest::newRow("zero amount") << with([](Record& r) { r.amount = u"0"_s; }) << Severity::Error << qint64(2)
                                     << u"付款金额"_s << u"金额必须大于零"_s;
        QTest::newRow("negative amount") << with([](Record& r) { r.amount = u"-5"_s; }) << Severity::Error << qint64(2)
                                         << u"付款金额"_s << u"金额必须大于零"_s;
        QTest::newRow("letter in account")
            << with([](Record& r) { r.accNo = u"62284800123A5671"_s; }) << Severity::Error << qint64(2) << u"收款账号"_s
            << u"账号“62284800123A5671”含有数字以外的字符"_s;
        QTest::newRow("dash in-bank") << with([](Record& r) { r.accNo = u"6228-4800123456"_s; }) << Severity::Error
                                      << qint64(2) << u"收款账号"_s << u"账号“6228-4800123456”含有数字以外的字符"_s;
        QTest::newRow("other bank slash") << with([](Record& r) {
            r.inBank = false;
            r.accNo = u"0101/2020"_s;
        }) << Severity::Error << qint64(2) << u"收款账号"_s
                                          << u"账号“0101/2020”含有数字和“-”以外的字符"_s;
        QTest::newRow("in-bank length") << with([](Record& r) { r.accNo = u"622848001234567"_s; }) << Severity::Error
                                        << qint64(2) << u"收款账号"_s << u"行内账号长度为15位，不符合账号规则“16,19”"_s;
        QTest::newRow("total above header")
            << Records { clean(1, u"6228480099990001"_s, u"9000000000000"_s),
                   clean(2, u"6228480012345671"_s, u"1000000000000"_s) }
            << Severity::Error << qint64(0) << u"总金额"_s << u"总金额超过上传文件表头可容纳的9999999999999.99元"_s;
        QTest::newRow("same account and amount")
            << with([](Record& r) { r.accNo = u"6228480099990001"_s; }) << Severity::Warning << qint64(2)
            << u"收款账号"_s << u"与第1条指令的账号和金额相同，可能重复"_s;
        QTest::newRow("Luhn") << with([](Record& r) { r.accNo = u"6228480012345678"_s; }) << Severity::Warning
                              << qint64(2) << u"收款账号"_s << u"账号“6228480012345678”校验位不符，可能输错，请核对"_s;
        QTest::newRow("resident ID") << with([](Record& r) { r.residentId = u"110105194912310021"_s; })
                                     << Severity::Warning << qint64(2) << u"身份证号码"_s
                                     << u"身份证号码“110105194912310021”校验位不符，可能输错，请核对"_s;
        QTest::newRow("left the roster") << with([](Record& r) {
            r.inRoster = false;
            r.row = 0;
            r.serialNo = u"7"_s;
        }) << Severity::Warning << qint64(0)
                                         << u"收款账号"_s
                                         << u"流水号7：账号已不在代发工资名册中，该指令不会写入上传文件"_s;
        QTest::newRow("empty name") << with([](Record& r) { r.accName = u" "_s; }) << Severity::Error << qint64(2)
                                    << u"收款账户户名"_s << u"户名为空"_s;
        QTest::newRow("other-bank in the roster")
            << with([](Record& r) { r.rosterOtherBank = true; }) << Severity::Error << qint64(2) << u"收款账号"_s
            << u"账号“6228480012345671”在代发工资名册中已是跨行账户，不能作为行内指令写入上传文件，请删除该指令"_s;
        QTest::newRow("name differs") << with([](Record& r) { r.keptName = u"张叁"_s; }) << Severity::Warning
                                      << qint64(2) << u"收款账户户名"_s
                                      << u"户名“张三”与该账号维护的户名“张叁”不一致"_s;
    }
    void findsEachProblem()
    {
        QFETCH(Records, records);
        QFETCH(Severity, severity);
        QFETCH(qint64, row);
        QFETCH(QString, field);
        QFETCH(QString, problem);
        const std::vector<Finding> findings = check(records, paymentRules());
        QCOMPARE(findings.size(), size_t(1));
        QCOMPARE(findings[0].severity, severity);
        QCOMPARE(findings[0].row, row);
        QCOMPARE(findings[0].field, field);
        QCOMPARE(findings[0].problem, problem);
        QCOMPARE(hasErrors(findings), severity == Severity::Error);
    }

    void cleanBatchHasNoFindings()
    {
        Record other = clean(3, u"0101-2020-3"_s, u"0.01"_s);
        other.inBank = false;
        Record id = clean(4, u"6217000011112220"_s);
        id.residentId = u"11010519491231002x"_s;
        id.keptName = u" 张三"_s;
        QVERIFY(check({ clean(1), clean(2, u"6228480099990001"_s), other, id }, paymentRules()).empty());
    }

    void reportSavesAsCsv()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"report.csv"_s);
        const std::vector<Finding> findings = { { Severity::Error, 2, u"备注"_s, u"含有字符“😀”，无法编码"_s },
            { Severity::Warning, 0, u"收款账号"_s, u"规则“16,19”"_s } };
        QVERIFY(saveReport(path, findings).ok());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(GbkCodec::decode(f.readAll()).value_or(QString()),
            u"类别,序号,字段,问题\r\n错误,2,备注,含有字符“U+1F600”，无法编码\r\n警告,,收款账号,规则“16，19”\r\n"_s);
    }

    // Card numbers of 16 to 19 digits carry a Luhn check digit; a wrong one is
    // a warning, right at both ends of that range and nowhere outside it.
    void cardCheckDigitBoundaries_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("warned");
        QTest::newRow("15 digits, wrong") << u"622848007777882"_s << false;
        QTest::newRow("16 digits, right") << u"6228480077778881"_s << false;
        QTest::newRow("16 digits, wrong") << u"6228480077778882"_s << true;
        QTest::newRow("19 digits, right") << u"6228480077778888998"_s << false;
        QTest::newRow("19 digits, wrong") << u"6228480077778888997"_s << true;
        QTest::newRow("20 digits, wrong") << u"62284800777788889997"_s << false;
    }
    void cardCheckDigitBoundaries()
    {
        QFETCH(QString, account);
        QFETCH(bool, warned);
        Rules rules = paymentRules();
        rules.accountLengthRule = u"15-20"_s;
        for (const bool inBank : { true, false }) {
            Record r = clean(1, account);
            r.inBank = inBank;
            const std::vector<Finding> findings = check({ r }, rules);
            QCOMPARE(findings.size(), size_t(warned ? 1 : 0));
            if (warned) {
                QCOMPARE(findings[0].severity, Severity::Warning);
                QCOMPARE(findings[0].problem, u"账号“%1”校验位不符，可能输错，请核对"_s.arg(account));
            }
        }
    }

    void luhnAndResidentId_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("luhn");
        QTest::addColumn<bool>("residentId");
        QTest::newRow("card") << u"6228480012345671"_s << true << false;
        QTest::newRow("card mistyped") << u"6228480012345617"_s << false << false;
        QTest::newRow("id X") << u"11010519491231002X"_s << false << true;
        QTest::newRow("id wrong") << u"110105194912310023"_s << false << false;
    }
    void luhnAndResidentId()
    {
        QFETCH(QString, text);
        QFETCH(bool, luhn);
        QFETCH(bool, residentId);
        QCOMPARE(luhnValid(text), luhn);
        QCOMPARE(residentIdValid(text), residentId);
    }
};

QELVORA_TEST(TestInstructionCheck)
#include "tst_instructioncheck.moc"
