#include "DomainEnv.h"
#include "TestRegistry.h"

#include "domain/ImportRunner.h"

using namespace Qt::StringLiterals;

namespace {
// Writes one row of pay_acc per record; record `stopAt` stops the import.
Result<qint64> importAccounts(DomainEnv& env, ImportRunner::Mode mode, qint64 count, qint64 stopAt)
{
    ImportRunner runner(env.db(), mode);
    runner.setPreparation([&] { return env.db().Delete(u"delete from pay_acc"_s) ? QString() : u"clearing failed"_s; });
    return runner.run(count, [&](qint64 i) -> QString {
        if (i == stopAt)
            return u"第%1条记录有误"_s.arg(i + 1);
        env.db().Insert(u"insert into pay_acc (acc_no,acc_name) values (?,?)"_s, { QString::number(i), u"户名"_s });
        return {};
    });
}
}

class TestImportRunner : public QObject {
    Q_OBJECT
private slots:
    void stopOrComplete_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("stopAt");
        QTest::addColumn<qint64>("rowsAfter");
        using M = ImportRunner::Mode;
        // The store starts with one old row, which the preparation deletes.
        QTest::newRow("all-or-nothing, complete") << int(M::AllOrNothing) << qint64(-1) << qint64(5);
        QTest::newRow("all-or-nothing, stop") << int(M::AllOrNothing) << qint64(3) << qint64(1);
        QTest::newRow("keep, stop") << int(M::KeepWritten) << qint64(3) << qint64(3);
        QTest::newRow("keep, first record") << int(M::KeepWritten) << qint64(0) << qint64(0);
    }
    void stopOrComplete()
    {
        QFETCH(int, mode);
        QFETCH(qint64, stopAt);
        QFETCH(qint64, rowsAfter);
        DomainEnv env;
        env.exec(u"insert into pay_acc (acc_no,acc_name) values ('old','旧')"_s);
        const auto result = importAccounts(env, ImportRunner::Mode(mode), 5, stopAt);
        // Complete: every record counted; stopped: the failure lies at the record.
        QCOMPARE(result.ok(), stopAt < 0);
        if (result)
            QCOMPARE(result.value(), qint64(5));
        QCOMPARE(env.scalar(u"select count(*) from pay_acc"_s).toLongLong(), rowsAfter);
        QVERIFY(!env.db().inTransaction());
        if (stopAt >= 0) {
            QCOMPARE(result.message(), u"第%1条记录有误"_s.arg(stopAt + 1));
            QCOMPARE(result.at(), stopAt);
        }
        if (stopAt >= 0 && mode == int(ImportRunner::Mode::AllOrNothing))
            QCOMPARE(env.scalar(u"select acc_no from pay_acc"_s).toString(), u"old"_s);
    }

    void storeRefusalGivesTheStoresError()
    {
        DomainEnv env;
        // A second process holding a write lock makes BEGIN IMMEDIATE fail.
        DBAccess other(env.db().dbPath(), env.prompt);
        QVERIFY(other.BeginTrans());
        const auto result = importAccounts(env, ImportRunner::Mode::AllOrNothing, 2, -1);
        other.Rollback();
        // A store failure lies nowhere in the file.
        QVERIFY(!result.ok());
        QCOMPARE(result.at(), qsizetype(-1));
        QCOMPARE(result.message(), u"database is locked"_s);
        QCOMPARE(env.scalar(u"select count(*) from pay_acc"_s).toLongLong(), qint64(0));
    }

    void progressReachesTheTotal()
    {
        DomainEnv env;
        ImportRunner runner(env.db(), ImportRunner::Mode::AllOrNothing);
        QList<qint64> seen;
        runner.setProgress(
            [&](qint64 done, qint64 total) {
                QCOMPARE(total, qint64(25));
                seen << done;
            },
            10);
        QVERIFY(runner.run(25, [](qint64) { return QString(); }).ok());
        QCOMPARE(seen, (QList<qint64> { 10, 20, 25 }));
    }
};

QELVORA_TEST(TestImportRunner)
#include "tst_importrunner.moc"
