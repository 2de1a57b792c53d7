#include "TestEnv.h"
#include "TestRegistry.h"

#include "store/DBAccess.h"

#include <QDir>
#include <QFile>

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
};

QELVORA_TEST(TestStoreFile)
#include "tst_storefile.moc"
