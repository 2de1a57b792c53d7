#include "BackupTestSupport.h"
#include "TestRegistry.h"
#include "domain/AppContext.h"
#include "domain/tables/UploadHistoryTable.h"
#include "store/StoreBackup.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompt::Kind;

namespace {

// A program folder holding a copy of one of the kept stores as userdb.mdb.
struct OldStoreFolder {
    explicit OldStoreFolder(const QString& store)
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFile::copy(storeData(store), storePath()));
        QFile(storePath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    QString storePath() const { return dir.filePath(u"userdb.mdb"_s); }
    QTemporaryDir dir;
};

// Sets a pragma of a store file through a connection of its own.
void setPragma(const QString& path, const QString& pragma)
{
    RecordingPrompt prompt;
    DBAccess db(path, prompt);
    QVERIFY(db.Connect());
    QVERIFY(db.Update(u"PRAGMA "_s + pragma));
}

// The statements that made every table and index of a store file.
QString schemaOf(const QString& path)
{
    sqlite3* db = nullptr;
    QStringList out;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select type, name, sql from sqlite_master order by name", -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            for (int c = 0; c < 3; ++c)
                out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return out.join(u'\n');
}

// A store as this version creates it.
QString freshStore()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"fresh.mdb"_s);
    if (!QFileInfo::exists(path) && !DBAccess::createStore(path))
        return {};
    return path;
}

// Stores one row in every table of the previous version (1) through a
// connection of its own.
void addRows(const QString& path)
{
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK);
    const char* rows = "INSERT INTO pay_acc VALUES ('6222000011112222', '上海测试有限公司', '01');"
                       "INSERT INTO payee_acc VALUES ('6222000033334444', '北京收款有限公司', '0', '', '', '');"
                       "INSERT INTO person_payee_acc VALUES (1, '1', '6222000055556666', '张三', 'E001', '0', '', '',"
                       " '1', '110101199001011234');"
                       "INSERT INTO user_remark VALUES ('工资');"
                       "INSERT INTO payment VALUES ('2024010112000000000001', '6222000011112222', '上海测试有限公司',"
                       " '0', '6222000033334444', '北京收款有限公司', '', '', '', 1234.5, '货款', '货款');"
                       "INSERT INTO laborage VALUES (1, '6222000055556666', 8000.01, '0', '', '工资');";
    char* err = nullptr;
    const int rc = sqlite3_exec(db, rows, nullptr, nullptr, &err);
    const QString message = QString::fromUtf8(err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

} // namespace

class TestStoreVersions : public QObject {
    Q_OBJECT
private slots:
    // A store of every older version opens: it is backed up as it was, then
    // upgraded in place, and keeps every row.
    void olderStoreIsBackedUpAndUpgraded_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<int>("version");
        QTest::newRow("v0: earlier program versions, no mark") << u"v0.mdb"_s << 0;
        QTest::newRow("v1: before the upload history") << u"v1.mdb"_s << 1;
    }
    void olderStoreIsBackedUpAndUpgraded()
    {
        QFETCH(QString, store);
        QFETCH(int, version);
        OldStoreFolder folder(store);
        const QString before = dumpStore(storeData(store));
        RecordingPrompt prompt;
        AppContext ctx(prompt, folder.dir.path());
        QVERIFY(ctx.db().Connect());
        QVERIFY(prompt.calls().isEmpty());

        const auto applicationId = ctx.db().Query(u"PRAGMA application_id"_s);
        const auto userVersion = ctx.db().Query(u"PRAGMA user_version"_s);
        QVERIFY(applicationId && userVersion);
        QCOMPARE(applicationId->value(0, 0).toLongLong(), qlonglong(DBAccess::kApplicationId));
        QCOMPARE(userVersion->value(0, 0).toInt(), DBAccess::kSchemaVersion);
        // The upload history's tables are there, empty, as a new store has them.
        QCOMPARE(ctx.db().Query(u"select count(*) from upload_file"_s)->value(0, 0).toInt(), 0);
        ctx.db().Disconnect();
        QCOMPARE(schemaOf(folder.storePath()), schemaOf(freshStore()));
        QCOMPARE(
            withoutTables(dumpStore(folder.storePath()), kHistoryTables).section(u'\n', 1), before.section(u'\n', 1));

        const QList<BackupEntry> backups = Backups::list(Backups::folderFor(folder.storePath()));
        if (version == DBAccess::kSchemaVersion) {
            QVERIFY(backups.isEmpty());
        } else {
            QCOMPARE(backups.size(), 1);
            QCOMPARE(backups.first().operation, u"upgrade"_s);
            QCOMPARE(
                dumpStore(QDir(Backups::folderFor(folder.storePath())).filePath(backups.first().fileName)), before);
        }
    }

    // The upgrade rewrites how the number columns check their values; what
    // they accept stays the same, row for row, and the store stays sound.
    void upgradedChecksAcceptWhatTheyAccepted_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("insert"); // one row, its value bound as a text
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        const QString payment = u"insert into payment (serial_no,pay_amt) values ('1',?)"_s;
        const QString laborageAmount = u"insert into laborage (serial_no,pay_amount) values (1,?)"_s;
        const QString laborageSerial = u"insert into laborage (serial_no,pay_amount) values (?,1)"_s;
        const QString person = u"insert into person_payee_acc (person_no,acc_no) values (?,'62280001')"_s;
        for (const QString& store : { u"v0.mdb"_s, u"v1.mdb"_s }) {
            const QByteArray s = store.toLatin1();
            QTest::newRow(s + " payment decimal") << store << payment << u"1234.50"_s << true;
            QTest::newRow(s + " payment word") << store << payment << u"abc"_s << false;
            QTest::newRow(s + " payment empty") << store << payment << QString() << false;
            QTest::newRow(s + " payroll amount") << store << laborageAmount << u"0.01"_s << true;
            QTest::newRow(s + " payroll amount word") << store << laborageAmount << u"1,234.50"_s << false;
            QTest::newRow(s + " payroll serial") << store << laborageSerial << u"7"_s << true;
            QTest::newRow(s + " payroll serial word") << store << laborageSerial << u"x7"_s << false;
            QTest::newRow(s + " roster number") << store << person << u"12"_s << true;
            QTest::newRow(s + " roster number word") << store << person << u"十二"_s << false;
        }
    }
    void upgradedChecksAcceptWhatTheyAccepted()
    {
        QFETCH(QString, store);
        QFETCH(QString, insert);
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        OldStoreFolder folder(store);
        RecordingPrompt prompt;
        AppContext ctx(prompt, folder.dir.path());
        QVERIFY(ctx.db().Connect());
        const auto old = ctx.db().Query(u"select count(*) from sqlite_master where sql like '%IN (''integer''%'"_s);
        QVERIFY(old);
        QCOMPARE(old->value(0, 0).toInt(), 0);
        const auto sound = ctx.db().Query(u"PRAGMA integrity_check"_s);
        QVERIFY(sound);
        QCOMPARE(sound->value(0, 0).toString(), u"ok"_s);
        QCOMPARE(bool(ctx.db().Insert(insert, { value.isNull() ? QVariant(u""_s) : QVariant(value) })), accepted);
        if (!accepted)
            QVERIFY(ctx.db().lastFailureRefusedRow());
    }

    // A store of version 2, made here with the schema of that version (this
    // version's schema without its upload history), is upgraded when the
    // program opens it: every row stays, the history tables are added as a
    // new store has them, and the history works at once.
    void previousVersionGetsTheHistoryTables()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"userdb.mdb"_s);
        QVERIFY(DBAccess::createStore(path));
        {
            RecordingPrompt prompt;
            DBAccess db(path, prompt);
            QVERIFY(db.Connect());
            for (const QString& sql : { u"DROP TABLE upload_file"_s, u"PRAGMA user_version = 2"_s })
                QVERIFY(db.Update(sql));
        }
        addRows(path);
        const QString before = dumpStore(path);
        QVERIFY(before.startsWith(u"version 2\n"_s));
        QVERIFY(!before.contains(u"upload_"_s));

        RecordingPrompt prompt;
        AppContext ctx(prompt, dir.path());
        QVERIFY(ctx.db().Connect());
        QVERIFY(prompt.calls().isEmpty());
        ctx.db().Disconnect();
        QCOMPARE(schemaOf(path), schemaOf(freshStore()));
        const QString after = dumpStore(path);
        QVERIFY(after.startsWith(u"version %1\n"_s.arg(DBAccess::kSchemaVersion)));
        QCOMPARE(withoutTables(after, kHistoryTables).section(u'\n', 1), before.section(u'\n', 1));
        QCOMPARE(Backups::list(Backups::folderFor(path)).size(), 1);
    }

    // A store of version 3 (made by the sqlite3 program from that version's
    // schema) kept each recorded instruction as a row of upload_item. Opened,
    // the instructions move into their file's row in file order, exactly as
    // they were (a TAB, a backslash and a line break in a field, empty and
    // missing names), upload_item goes, and nothing else changes.
    void historyRowsMoveIntoTheirFiles()
    {
        OldStoreFolder folder(u"v3.mdb"_s);
        // Read without the program's own connection, which would upgrade it.
        const auto fileColumns = [](const QString& path) {
            sqlite3* db = nullptr;
            QStringList files;
            if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
                sqlite3_stmt* stmt = nullptr;
                sqlite3_prepare_v2(db,
                    "select file_id,made_at,kind,file_path,item_count,total_fen,sha256,batch_key,item_keys"
                    " from upload_file order by file_id",
                    -1, &stmt, nullptr);
                while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
                    for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                        files << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
                sqlite3_finalize(stmt);
            }
            sqlite3_close(db);
            return files;
        };
        const QString before = dumpStore(folder.storePath());
        const QStringList filesBefore = fileColumns(folder.storePath());
        QCOMPARE(filesBefore.size(), 27);

        RecordingPrompt prompt;
        AppContext ctx(prompt, folder.dir.path());
        QVERIFY(ctx.db().Connect());
        QVERIFY(prompt.calls().isEmpty());
        QStringList items;
        UploadHistoryTable table(ctx.db());
        for (const qint64 file : { 1, 2, 3 })
            QVERIFY(table
                        .eachItem(file,
                            [&](const UploadItemRow& i) {
                                items << u"%1:%2|%3|%4|%5|%6"_s.arg(file)
                                             .arg(i.seq)
                                             .arg(i.accNo, i.accName)
                                             .arg(i.amountFen)
                                             .arg(i.remark);
                            })
                        .ok());
        QCOMPARE(items,
            QStringList({ u"1:1|6222000033334444|北京收款有限公司|9999|货款"_s, u"1:2|6222000033334445||1|"_s,
                u"1:3|6222000033334446|王\t五\\|1|a\r\nb"_s, u"2:1|6222000055556666||800001|"_s }));
        ctx.db().Disconnect();

        QCOMPARE(schemaOf(folder.storePath()), schemaOf(freshStore()));
        QCOMPARE(fileColumns(folder.storePath()), filesBefore);
        QCOMPARE(withoutTables(dumpStore(folder.storePath()), kHistoryTables).section(u'\n', 1),
            withoutTables(before, QStringList(kHistoryTables) << u"upload_item"_s).section(u'\n', 1));
        QCOMPARE(Backups::list(Backups::folderFor(folder.storePath())).size(), 1);
    }

    // A store the program cannot use ends the program with "Database error",
    // naming why; the file is left as it was.
    void unusableStoreIsRefused_data()
    {
        QTest::addColumn<QString>("pragma");
        QTest::addColumn<QString>("reason");
        const int newer = DBAccess::kSchemaVersion + 1;
        QTest::newRow("newer version") << u"user_version = %1"_s.arg(newer)
                                       << u"数据库版本 %1 高于本程序支持的版本 %2"_s.arg(newer).arg(newer - 1);
        QTest::newRow("another program") << u"application_id = 7"_s << u"文件不是本程序的数据库"_s;
    }
    void unusableStoreIsRefused()
    {
        QFETCH(QString, pragma);
        QFETCH(QString, reason);
        OldStoreFolder folder(u"v1.mdb"_s);
        setPragma(folder.storePath(), pragma);
        const QByteArray before = readBytes(folder.storePath());
        RecordingPrompt prompt;
        AppContext ctx(prompt, folder.dir.path());
        QVERIFY(!ctx.db().Connect());
        QCOMPARE(prompt.calls().size(), 1);
        QCOMPARE(prompt.calls().first().title, u"Database error"_s);
        QCOMPARE(prompt.calls().first().text, reason + u" ("_s + ctx.db().dbPath() + u")"_s);
        QCOMPARE(readBytes(folder.storePath()), before);
        QVERIFY(!QFileInfo::exists(Backups::folderFor(folder.storePath())));
    }

    // A backup killed while it is written leaves no file under a backup's
    // name: the copy carries its final name only once it is complete.
    void killedBackupLeavesNoFinalFile()
    {
        TestEnv env;
        // A store large enough that the copy takes a while.
        env.exec(u"insert into payment (serial_no, rec_acc_name, pay_amt) with recursive n(i) as"
                 u" (select 1 union all select i+1 from n where i < 400000)"
                 u" select printf('%022d', i), hex(randomblob(40)), i from n"_s);
        const QString folder = Backups::folderFor(env.db().dbPath());
        QVERIFY(QDir().mkpath(folder));
        const QString target = QDir(folder).filePath(u"userdb-20250101-120000-manual.mdb"_s);
        const QString part = target + u".part"_s;

        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            RecordingPrompt prompt;
            DBAccess db(env.db().dbPath(), prompt);
            const bool ok = bool(StoreBackup::copyStore(db, target));
            _exit(ok ? 0 : 1);
        }
        // The copy is under way once its temporary file exists.
        bool seen = false;
        QElapsedTimer waited;
        waited.start();
        while (!seen && !waited.hasExpired(60000))
            seen = QFileInfo(part).size() > 0;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY2(seen, "the copy was never seen under way");
        QVERIFY(WIFSIGNALED(status));
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(backupNames(env).isEmpty());

        // The next backup clears the remains and is whole.
        const Result<QString> made = Backups::make(env.ctx(), u"manual"_s);
        QVERIFY(made);
        QVERIFY(!QFileInfo::exists(part));
        QCOMPARE(StoreBackup::inspect(*made)->payments, qint64(400000));
    }
};

QELVORA_TEST(TestStoreVersions)
#include "tst_storeversions.moc"
