#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ImportRunner.h"

using namespace Qt::StringLiterals;

namespace {
// Writes one row of pay_acc per record; record `stopAt` stops the import.
ImportRunner::Result importAccounts(TestEnv& env, ImportRunner::Mode mode, qint64 count, qint64 stopAt)
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
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("rowsAfter");
        using M = ImportRunner::Mode;
        using R = ImportRunner::Result;
        // The store starts with one old row, which the preparation deletes.
        QTest::newRow("all-or-nothing, complete")
            << int(M::AllOrNothing) << qint64(-1) << int(R::Completed) << qint64(5);
        QTest::newRow("all-or-nothing, stop") << int(M::AllOrNothing) << qint64(3) << int(R::Stopped) << qint64(1);
        QTest::newRow("keep, stop") << int(M::KeepWritten) << qint64(3) << int(R::Stopped) << qint64(3);
        QTest::newRow("keep, first record") << int(M::KeepWritten) << qint64(0) << int(R::Stopped) << qint64(0);
    }
    void stopOrComplete()
    {
        QFETCH(int, mode);
        QFETCH(qint64, stopAt);
        QFETCH(int, status);
        QFETCH(qint64, rowsAfter);
        TestEnv env;
        env.exec(u"insert into pay_acc (acc_no,acc_name) values ('old','旧')"_s);
        const auto result = importAccounts(env, ImportRunner::Mode(mode), 5, stopAt);
        QCOMPARE(int(result.status), status);
        QCOMPARE(env.scalar(u"select count(*) from pay_acc"_s).toLongLong(), rowsAfter);
        QVERIFY(!env.db().inTransaction());
        if (stopAt >= 0)
            QCOMPARE(result.message, u"第%1条记录有误"_s.arg(stopAt + 1));
        if (status == ImportRunner::Result::Stopped && mode == int(ImportRunner::Mode::AllOrNothing))
            QCOMPARE(env.scalar(u"select acc_no from pay_acc"_s).toString(), u"old"_s);
    }

    void storeRefusalGivesTheStoresError()
    {
        TestEnv env;
        // A second process holding a write lock makes BEGIN IMMEDIATE fail.
        DBAccess other(env.db().dbPath(), env.prompt);
        QVERIFY(other.BeginTrans());
        const auto result = importAccounts(env, ImportRunner::Mode::AllOrNothing, 2, -1);
        other.Rollback();
        QCOMPARE(int(result.status), int(ImportRunner::Result::StoreFailed));
        QCOMPARE(result.message, u"database is locked"_s);
        QVERIFY(!result.committed);
    }

    void progressReachesTheTotal()
    {
        TestEnv env;
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
