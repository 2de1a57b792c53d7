#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "store/DBAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const QString kInsert = u"insert into user_remark (remark) values (?)"_s;

// The remarks of a store file opened on its own.
QStringList remarksIn(const QString& path)
{
    RecordingPrompt prompt;
    DBAccess db(path, prompt);
    QStringList out;
    db.QueryEach(
        u"select remark from user_remark order by remark"_s, {}, [&](const RecordView& r) { out << r.text(0); });
    return out;
}
} // namespace

class TestStoreFile : public QObject {
    Q_OBJECT
private slots:
    void committedRowsLiveInTheStoreFileAlone()
    {
        TestEnv env;
        QVERIFY(env.db().Insert(kInsert, { u"kept"_s }));
        // A copy taken while the program still runs is a whole backup.
        const QString copy = env.path(u"backup.mdb"_s);
        QVERIFY(QFile::copy(env.db().dbPath(), copy));
        QCOMPARE(remarksIn(copy), QStringList { u"kept"_s });
        env.db().Disconnect();
        for (const char* suffix : { "-wal", "-shm", "-journal" })
            QVERIFY2(!QFile::exists(env.db().dbPath() + QLatin1StringView(suffix)), suffix);
    }

    void killedProcessKeepsExactlyTheCommittedRows()
    {
        TestEnv env;
        const QString path = env.db().dbPath();
        const pid_t child = fork();
        if (child == 0) {
            RecordingPrompt prompt;
            DBAccess db(path, prompt);
            db.Insert(kInsert, { u"committed"_s });
            db.BeginTrans();
            db.Insert(kInsert, { u"open"_s });
            raise(SIGKILL);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(remarksIn(path), QStringList { u"committed"_s });
    }

    // A journal a killed process left beside the store: a zero-filled one is
    // taken over and gone after the next start and close; a hot one is rolled
    // back, so the store holds exactly its committed rows again.
    void leftJournalIsTakenOver_data()
    {
        QTest::addColumn<int>("zeroBytes"); // -1: the hot journal of a killed transaction
        QTest::newRow("zero-filled") << 4096;
        QTest::newRow("empty") << 0;
        QTest::newRow("hot") << -1;
    }
    void leftJournalIsTakenOver()
    {
        QFETCH(int, zeroBytes);
        TestEnv env;
        const QString path = env.db().dbPath();
        const QString journal = path + u"-journal"_s;
        QStringList committed;
        QVERIFY(env.db().BeginTrans());
        for (int i = 0; i < 400; ++i) {
            committed << u"备注%1"_s.arg(i, 4, 10, QChar(u'0')) + QString(60, u'x');
            QVERIFY(env.db().Insert(kInsert, { committed.last() }));
        }
        QVERIFY(env.db().Commit());
        env.db().Disconnect();

        if (zeroBytes >= 0) {
            writeAll(journal, QByteArray(zeroBytes, '\0'));
        } else {
            const pid_t child = fork();
            if (child == 0) {
                RecordingPrompt prompt;
                DBAccess db(path, prompt);
                // A small page cache makes the transaction write changed pages
                // into the store file before its end.
                db.Update(u"PRAGMA cache_size=2"_s);
                db.BeginTrans();
                db.Update(u"update user_remark set remark=remark||'改'"_s);
                db.Insert(kInsert, { u"open"_s });
                raise(SIGKILL);
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));
            QVERIFY(QFileInfo(journal).size() > 0);
            // The store file alone holds changes of the unfinished transaction:
            // only the journal gives the committed rows back.
            const QString alone = env.path(u"alone.mdb"_s);
            QVERIFY(QFile::copy(path, alone));
            QVERIFY(remarksIn(alone) != committed);
        }

        RecordingPrompt prompt;
        AppContext ctx(prompt, env.dir());
        QVERIFY(ctx.db().Connect());
        QStringList remarks;
        QVERIFY(ctx.db().QueryEach(u"select remark from user_remark order by remark"_s, {},
            [&](const RecordView& r) { remarks << r.text(0); }));
        ctx.db().Disconnect();
        QCOMPARE(remarks, committed);
        QVERIFY(!QFile::exists(journal));
        QVERIFY(prompt.calls().isEmpty());
        QCOMPARE(QDir(env.dir()).entryList({ u"userdb.mdb*"_s }, QDir::Files | QDir::Hidden),
            QStringList { u"userdb.mdb"_s });
    }

    void oneStatementPerText()
    {
        TestEnv env;
        QVERIFY(!env.db().Update(u"insert into user_remark (remark) values ('a'); delete from pay_acc"_s));
        QVERIFY(!env.db().Query(u"select 1; drop table payment"_s));
        QCOMPARE(env.scalar(u"select count(*) from user_remark"_s).toInt(), 0);
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 0); // still there
        QCOMPARE(env.prompt.texts(),
            QStringList({ u"more than one statement in one text"_s, u"more than one statement in one text"_s }));
        QCOMPARE(env.prompt.calls().first().title, u"SQL error"_s);
    }

    void folderThatRefusesTheJournalIsNamed()
    {
        TestEnv env;
        env.db().Connect();
        // A journal that cannot be created makes every write fail as in a
        // read-only folder, also for a privileged user.
        QVERIFY(QFile::link(env.path(u"missing/journal"_s), env.path(u"userdb.mdb-journal"_s)));
        QVERIFY(!env.db().Update(kInsert, { u"x"_s }));
        const QString expected
            = u"程序文件夹“%1”或其中的数据库文件 userdb.mdb 不可写入。请确认该文件夹和文件可以写入，然后重新启动程序。"_s
                  .arg(QDir::toNativeSeparators(env.dir()));
        QCOMPARE(env.prompt.texts(), QStringList { expected });
    }

    void serialNumbersContinueAfterTheStoredOnes()
    {
        TestEnv env;
        env.exec(u"insert into payment (serial_no,pay_amt) values ('2999123123595900000007',1),('20261207000000',2)"_s);
        // A later start whose clock stands years behind the stored number.
        RecordingPrompt prompt;
        AppContext ctx(prompt, env.dir());
        QVERIFY(ctx.db().Connect());
        QCOMPARE(ctx.serialNumbers.next(QDateTime(QDate(2026, 12, 7), QTime(9, 0))), u"2999123123595900000008"_s);
    }

    // A store whose largest batch payment number cannot be read is not used:
    // numbers made from the clock alone could repeat stored ones.
    void unreadableSerialSeedEndsLikeAnUnopenableStore()
    {
        TestEnv env;
        env.exec(u"insert into payment (serial_no,pay_amt) values ('2999123123595900000007',1)"_s);
        // The serial numbers behind a view that fails to read them.
        env.exec(u"alter table payment rename to payment_rows"_s);
        env.exec(u"create view payment as select json(serial_no||'{') as serial_no,pay_amt from payment_rows"_s);
        env.db().Disconnect();
        RecordingPrompt prompt;
        AppContext ctx(prompt, env.dir());
        bool ended = false;
        ctx.db().setFatalHandler([&] { ended = true; });
        QVERIFY(!ctx.db().Connect());
        QVERIFY(ended);
        QVERIFY(ctx.db().openFailed());
        QVERIFY(!ctx.db().isConnected());
        QCOMPARE(prompt.calls().size(), 2);
        QCOMPARE(prompt.calls().at(0).title, u"SQL error"_s);
        QCOMPARE(prompt.calls().at(1).title, u"Database error"_s);
        QVERIFY2(prompt.calls().at(1).text.startsWith(u"无法读取批量支付指令的流水号："_s),
            qPrintable(prompt.calls().at(1).text));
    }
};

QELVORA_TEST(TestStoreFile)
#include "tst_storefile.moc"
