#include "DomainEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "common/Sha256.h"
#include "domain/UploadHistory.h"
#include "domain/payment/PaymentUploadFile.h"
#include "domain/payroll/LaborageUploadFile.h"

#include <QDir>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// The time the tests take as now.
const QDateTime kNow(QDate(2025, 7, 1), QTime(10, 0));

// A batch from "account:amount;account:amount".
UploadHistory::Batch batchOf(const QString& items)
{
    UploadHistory::Batch batch;
    for (const QString& item : items.split(u';', Qt::SkipEmptyParts))
        batch.add(item.section(u':', 0, 0), u"户名"_s, item.section(u':', 1), u"备注"_s);
    return batch;
}

// Writes a file and records it as written `daysAgo` days before now:
// "daysAgo|file name|account:amount;...".
void recordEarlier(DomainEnv& env, const QString& earlierFile)
{
    const QStringList parts = earlierFile.split(u'|');
    const QString path = env.path(parts.at(1));
    writeBytes(path, parts.at(2).toUtf8());
    const auto recorded = UploadHistory::record(
        env.db(), UploadHistory::Kind::PaymentCsv, path, batchOf(parts.at(2)), kNow.addDays(-parts.at(0).toInt()));
    QVERIFY2(recorded.ok(), qPrintable(recorded.message()));
}

// The findings as "row|field|problem"; an error is marked as such.
QStringList texts(const std::vector<InstructionCheck::Finding>& findings)
{
    QStringList out;
    for (const auto& f : findings)
        out << (f.severity == InstructionCheck::Severity::Warning ? QString() : u"ERROR "_s)
                + u"%1|%2|%3"_s.arg(f.row).arg(f.field, f.problem);
    return out;
}

qlonglong count(DomainEnv& env, const QString& table)
{
    return env.scalar(u"select count(*) from "_s + table).toLongLong();
}

} // namespace

class TestUploadHistory : public QObject {
    Q_OBJECT
private slots:
    // The check before writing compares the batch with the files of the
    // window: a payee account and amount found in one, or the whole set.
    void duplicateWarnings_data()
    {
        QTest::addColumn<QStringList>("earlier"); // "days ago|file|account:amount;..."
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("same account and amount")
            << QStringList { u"1|a.csv|6222000011110001:100;6222000011110002:200"_s } << 31
            << u"6222000011110003:50;6222000011110002:200"_s
            << QStringList { u"2|收款账号|可能重复付款：与 2025-06-30 10:00 生成的 a.csv 第2笔相同"_s };
        QTest::newRow("same account, another amount")
            << QStringList { u"1|a.csv|6222000011110001:100"_s } << 31
            << u"6222000011110001:100.01;6222000011110009:1"_s << QStringList {};
        QTest::newRow("another account, same amount") << QStringList { u"1|a.csv|6222000011110001:100"_s } << 31
                                                      << u"6222000011110002:100;6222000011110009:1"_s << QStringList {};
        QTest::newRow("amount and account written differently")
            << QStringList { u"1|a.csv|6222000011110001:100;6222000011110002:7"_s } << 31
            << u" 6222000011110001 :100.00;6222000011110009:1"_s
            << QStringList { u"1|收款账号|可能重复付款：与 2025-06-30 10:00 生成的 a.csv 第1笔相同"_s };
        QTest::newRow("same set in another order")
            << QStringList { u"3|工资6月.csv|6222000011110001:1;6222000011110002:2;6222000011110003:3"_s } << 31
            << u"6222000011110003:3;6222000011110001:1;6222000011110002:2"_s
            << QStringList { u"0|全部指令|本批指令与 2025-06-28 10:00 生成的 工资6月.csv 完全相同，可能重复上传"_s };
        QTest::newRow("one instruction twice is not the same set")
            << QStringList { u"1|a.csv|6222000011110001:1;6222000011110002:2"_s } << 31
            << u"6222000011110001:1;6222000011110002:2;6222000011110002:2"_s
            << QStringList { u"1|收款账号|可能重复付款：与 2025-06-30 10:00 生成的 a.csv 第1笔相同"_s,
                   u"2|收款账号|可能重复付款：与 2025-06-30 10:00 生成的 a.csv 第2笔相同"_s,
                   u"3|收款账号|可能重复付款：与 2025-06-30 10:00 生成的 a.csv 第2笔相同"_s };
        QTest::newRow("the newest file is named")
            << QStringList { u"10|old.csv|6222000011110001:1"_s, u"2|new.csv|6222000011110005:9;6222000011110001:1"_s }
            << 31 << u"6222000011110001:1;6222000011110007:5"_s
            << QStringList { u"1|收款账号|可能重复付款：与 2025-06-29 10:00 生成的 new.csv 第2笔相同"_s };
        QTest::newRow("a day inside the window")
            << QStringList { u"30|a.csv|6222000011110001:1;6222000011110002:2"_s } << 31
            << u"6222000011110002:2;6222000011110001:1"_s
            << QStringList { u"0|全部指令|本批指令与 2025-06-01 10:00 生成的 a.csv 完全相同，可能重复上传"_s };
        QTest::newRow("older than the window") << QStringList { u"32|a.csv|6222000011110001:1;6222000011110002:2"_s }
                                               << 31 << u"6222000011110002:2;6222000011110001:1"_s << QStringList {};
        QTest::newRow("outside a shorter window")
            << QStringList { u"10|a.csv|6222000011110001:1"_s } << 7 << u"6222000011110001:1"_s << QStringList {};
        QTest::newRow("only the file outside the window differs")
            << QStringList { u"40|old.csv|6222000011110001:1"_s, u"5|new.csv|6222000011110001:1;6222000011110002:3"_s }
            << 31 << u"6222000011110001:1"_s
            << QStringList { u"1|收款账号|可能重复付款：与 2025-06-26 10:00 生成的 new.csv 第1笔相同"_s };
    }
    void duplicateWarnings()
    {
        QFETCH(QStringList, earlier);
        QFETCH(int, days);
        QFETCH(QString, batch);
        QFETCH(QStringList, expected);
        DomainEnv env;
        for (const QString& file : earlier)
            recordEarlier(env, file);
        UploadHistory::DuplicateCheck check;
        qint64 row = 0;
        for (const QString& item : batch.split(u';'))
            check.add(++row, item.section(u':', 0, 0), item.section(u':', 1));
        UploadHistoryTable table(env.db());
        const auto found = check.findings(table, UploadHistory::windowStart(kNow, days), u"收款账号"_s);
        QVERIFY(found.ok());
        QCOMPARE(texts(*found), expected);
        QVERIFY(env.prompt.calls().isEmpty());
    }

    // What is recorded of a file: its bytes' hash, count, exact total, and
    // every instruction in file order, exactly as given: a name or remark
    // holding the characters that separate the stored fields and lines, or a
    // backslash, reads back unchanged.
    void recordKeepsTheFileAndItsInstructions()
    {
        DomainEnv env;
        const QString path = env.path(u"batch.csv"_s);
        writeBytes(path, "abc");
        UploadHistory::Batch batch;
        batch.add(u" 6222000011110001"_s, u"张三"_s, u"0.1"_s, u"货款"_s);
        batch.add(u"6222000011110002"_s, u"李四"_s, u"0.2"_s, QString());
        batch.add(u"6222000011110003"_s, u"王\t五\\"_s, u"1234567890.12"_s, u"a\\nb\r\nc\\\\"_s);
        batch.add(u"6222000011110004"_s, QString(), u"3"_s, u"\t"_s);
        const auto id = UploadHistory::record(env.db(), UploadHistory::Kind::PayrollXls, path, batch, kNow);
        QVERIFY(id.ok());
        const auto file = UploadHistoryTable(env.db()).file(*id);
        QVERIFY(file.ok() && file->has_value());
        QCOMPARE((*file)->sha256, u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"_s);
        QCOMPARE((*file)->count, 4);
        QCOMPARE((*file)->totalFen, 123456789012 + 30 + 300);
        QCOMPARE((*file)->kind, u"payroll-xls"_s);
        QCOMPARE((*file)->madeAt, kNow.toSecsSinceEpoch());
        QStringList items;
        QVERIFY(
            UploadHistoryTable(env.db())
                .eachItem(*id,
                    [&](const UploadItemRow& i) {
                        items << u"%1|%2|%3|%4|%5"_s.arg(i.seq).arg(i.accNo, i.accName).arg(i.amountFen).arg(i.remark);
                    })
                .ok());
        QCOMPARE(items,
            QStringList({ u"1|6222000011110001|张三|10|货款"_s, u"2|6222000011110002|李四|20|"_s,
                u"3|6222000011110003|王\t五\\|123456789012|a\\nb\r\nc\\\\"_s, u"4|6222000011110004||300|\t"_s }));
    }

    // A record the store refuses leaves nothing, and a file that is not
    // there (its hash cannot be read) is never recorded.
    void failedRecordLeavesNothing()
    {
        DomainEnv env;
        const QString path = env.path(u"batch.csv"_s);
        writeBytes(path, "abc");
        env.exec(u"create trigger refuse_file before insert on upload_file"_s
                 u" begin select raise(abort, 'refused here'); end"_s);
        const auto id = UploadHistory::record(
            env.db(), UploadHistory::Kind::PaymentCsv, path, batchOf(u"6222000011110001:1"_s), kNow);
        QVERIFY(!id.ok());
        QVERIFY(id.message().contains(u"refused here"_s));
        QCOMPARE(count(env, u"upload_file"_s), 0);

        env.exec(u"drop trigger refuse_file"_s);
        QVERIFY(!UploadHistory::record(
            env.db(), UploadHistory::Kind::PaymentCsv, env.path(u"gone.csv"_s), batchOf(u"6222000011110001:1"_s), kNow)
                     .ok());
        QCOMPARE(count(env, u"upload_file"_s), 0);
    }

    // The writers hand over the batch read from the lines they wrote: the
    // same keys, instructions and total as the instructions give, and the
    // SHA-256 of the file's bytes.
    void writersRecordWhatTheyWrote()
    {
        DomainEnv env;
        const std::vector<PaymentUploadFile::Instruction> payments {
            { u"6228480012345678"_s, u"某某公司"_s, u"0"_s, u" 6217000000000001 "_s, u"张 三"_s, QString(), u"1234.5"_s,
                u"货款 第1期"_s },
            { u"6228480012345678"_s, u"某某公司"_s, u"1"_s, u"6217000000000002"_s, u"李四"_s, u"313100000013"_s,
                u"0.01"_s, QString() },
        };
        const std::vector<LaborageUploadFile::Instruction> payroll {
            { u"E001"_s, u" 王五"_s, u"6217000000000003"_s, u"8000"_s },
            { QString(), u"赵六"_s, u"6217000000000004"_s, u"99999999999.99"_s },
        };
        UploadHistory::Batch expectedPayments;
        PaymentUploadFile::Builder paymentFile(2, *Money::parse(u"1234.51"_s));
        for (const auto& i : payments) {
            QVERIFY(paymentFile.add(i));
            expectedPayments.add(i.recAccNo, i.recAccName, i.payAmt, i.remark);
        }
        UploadHistory::Batch expectedPayroll;
        LaborageUploadFile::CsvBuilder payrollFile(2, *Money::parse(u"100000007999.99"_s));
        for (const auto& i : payroll) {
            QVERIFY(payrollFile.add(i));
            LaborageUploadFile::addToBatch(expectedPayroll, i);
        }
        const QString paymentPath = env.path(u"batch.csv"_s);
        const QString payrollPath = env.path(u"payroll.csv"_s);
        UploadHistory::Batch recordedPayments;
        UploadHistory::Batch recordedPayroll;
        QVERIFY(paymentFile.write(paymentPath, &recordedPayments).ok());
        QVERIFY(payrollFile.write(payrollPath, &recordedPayroll).ok());
        for (const auto& [recorded, expected, path] :
            { std::tuple { &recordedPayments, &expectedPayments, paymentPath },
                std::tuple { &recordedPayroll, &expectedPayroll, payrollPath } }) {
            QCOMPARE(recorded->items(), expected->items());
            QCOMPARE(recorded->itemKeys(), expected->itemKeys());
            QCOMPARE(recorded->key(), expected->key());
            QCOMPARE(recorded->total(), expected->total());
            QCOMPARE(recorded->sha256(), Sha256::fileHex(path).value_or(QString()));
            QCOMPARE(recorded->sha256().size(), 64);
        }
        QCOMPARE(recordedPayments.total(), *Money::parse(u"1234.51"_s));

        // A file that cannot be written hands over no hash.
        UploadHistory::Batch failed;
        QVERIFY(!paymentFile.write(env.path(u"no-such-folder/batch.csv"_s), &failed).ok());
        QVERIFY(failed.sha256().isEmpty());
    }

    // A file on disk is compared with the hash of the bytes written.
    void fileComparedWithItsHash_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("state");
        QTest::newRow("as written") << u"none"_s << int(UploadHistory::FileState::Same);
        QTest::newRow("one digit of an amount") << u"digit"_s << int(UploadHistory::FileState::Changed);
        QTest::newRow("cut off") << u"truncate"_s << int(UploadHistory::FileState::Changed);
        QTest::newRow("a line added") << u"append"_s << int(UploadHistory::FileState::Changed);
        QTest::newRow("rewritten with the same bytes") << u"rewrite"_s << int(UploadHistory::FileState::Same);
        QTest::newRow("deleted") << u"delete"_s << int(UploadHistory::FileState::Missing);
    }
    void fileComparedWithItsHash()
    {
        QFETCH(QString, change);
        QFETCH(int, state);
        DomainEnv env;
        const QString path = env.path(u"batch.csv"_s);
        const QByteArray bytes = "1,100.00\r\n1,#6222000011110001,name,#100.00\r\n";
        writeBytes(path, bytes);
        const auto id = UploadHistory::record(
            env.db(), UploadHistory::Kind::PaymentCsv, path, batchOf(u"6222000011110001:100"_s), kNow);
        QVERIFY(id.ok());
        if (change == u"digit"_s)
            writeBytes(path, QByteArray(bytes).replace("#100.00", "#900.00"));
        else if (change == u"truncate"_s)
            writeBytes(path, bytes.left(bytes.size() - 5));
        else if (change == u"append"_s)
            writeBytes(path, bytes + "2,#6222000011110002,x,#1.00\r\n");
        else if (change == u"rewrite"_s)
            writeBytes(path, bytes);
        else if (change == u"delete"_s)
            QVERIFY(QFile::remove(path));
        const auto file = UploadHistoryTable(env.db()).file(*id);
        QVERIFY(file.ok() && file->has_value());
        QCOMPARE(int(UploadHistory::compareWithDisk(**file)), state);
    }

    // Thinning deletes the files made before the date with their instructions
    // and keeps the others whole.
    void removeBeforeKeepsTheNewerFiles()
    {
        DomainEnv env;
        recordEarlier(env, u"40|old.csv|6222000011110001:1;6222000011110002:2"_s);
        recordEarlier(env, u"35|older.csv|6222000011110003:3"_s);
        recordEarlier(env, u"2|new.csv|6222000011110001:1"_s);
        UploadHistoryTable table(env.db());
        const qint64 cutoff = kNow.addDays(-30).toSecsSinceEpoch();
        QCOMPARE(table.countBefore(cutoff).value_or(-1), 2);
        QCOMPARE(table.removeBefore(cutoff).value_or(-1), 2);
        QStringList names;
        table.eachFile([&](const UploadFileRow& f) { names << UploadHistory::fileNameOf(f.path); });
        QCOMPARE(names, QStringList { u"new.csv"_s });
        QCOMPARE(count(env, u"upload_file"_s), 1);
    }
};

QELVORA_TEST(TestUploadHistory)
#include "tst_uploadhistory.moc"
