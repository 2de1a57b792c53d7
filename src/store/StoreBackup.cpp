#include "store/StoreBackup.h"

#include "store/DBAccess.h"
#include "store/StoreVersion.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString errorText(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : u"out of memory"_s;
}

bool syncPath(const QString& path, bool folder)
{
    const int fd = ::open(QFile::encodeName(path).constData(), (folder ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// A connection to a store file read as it is: never created, never written.
struct ReadOnlyStore {
    explicit ReadOnlyStore(const QString& path)
    {
        const QByteArray name = QFile::encodeName(path);
        rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~ReadOnlyStore() { sqlite3_close_v2(db); }
    ReadOnlyStore(const ReadOnlyStore&) = delete;
    ReadOnlyStore& operator=(const ReadOnlyStore&) = delete;
    sqlite3* db = nullptr;
    int rc = SQLITE_OK;
};

// Copies the main database of `from` to `target` under a temporary name in the
// target's folder, then renames it into place.
Result<> copyFrom(sqlite3* from, const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        return Failure { u"无法建立文件夹“%1”"_s.arg(QDir::toNativeSeparators(folder)) };
    const QString temp = target + u".part"_s;
    QFile::remove(temp);

    sqlite3* to = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(temp).constData(), &to,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    QString failure;
    if (rc == SQLITE_OK) {
        // The copy is flushed once when complete (below), not page by page, and
        // needs no journal: until the rename it is nobody's store.
        sqlite3_exec(to, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup) {
            failure = errorText(to);
        } else {
            rc = sqlite3_backup_step(backup, -1);
            const int finished = sqlite3_backup_finish(backup);
            if (rc != SQLITE_DONE || finished != SQLITE_OK)
                failure = errorText(to);
        }
    } else {
        failure = errorText(to);
    }
    if (sqlite3_close(to) != SQLITE_OK && failure.isEmpty())
        failure = u"cannot close the copy"_s;
    if (failure.isEmpty() && !syncPath(temp, false))
        failure = u"无法写入文件“%1”"_s.arg(QDir::toNativeSeparators(temp));
    if (failure.isEmpty() && ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0)
        failure = u"无法将备份文件改名为“%1”"_s.arg(QDir::toNativeSeparators(target));
    if (!failure.isEmpty()) {
        QFile::remove(temp);
        return Failure { failure };
    }
    syncPath(folder, true);
    return {};
}

qint64 countOf(sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    qint64 value = 0;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        value = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return value;
}

} // namespace

namespace StoreBackup {

bool syncFileAndFolder(const QString& path)
{
    return syncPath(path, false) && syncPath(QFileInfo(path).absolutePath(), true);
}

Result<> copyStore(DBAccess& db, const QString& target)
{
    if (const Result<> connected = db.Connect(); !connected)
        return connected;
    return copyFrom(db.handle(), target);
}

Result<> copyStoreFile(const QString& source, const QString& target)
{
    ReadOnlyStore store(source);
    if (store.rc != SQLITE_OK)
        return Failure { errorText(store.db) };
    return copyFrom(store.db, target);
}

Result<> copyUpgraded(const QString& source, const QString& target)
{
    if (const Result<> copied = copyStoreFile(source, target); !copied)
        return copied;
    sqlite3* db = nullptr;
    Result<> done;
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        done = Failure { errorText(db) };
    } else if (const Result<StoreVersion::Mark> mark = StoreVersion::read(db); !mark) {
        done = Failure { mark.message() };
    } else {
        done = StoreVersion::upgrade(db, mark->version, DBAccess::kSchemaVersion);
    }
    sqlite3_close_v2(db);
    if (!done)
        QFile::remove(target);
    return done;
}

Result<StoreFacts> inspect(const QString& path, bool checkIntegrity)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return Failure { u"文件不存在"_s };
    if (info.size() == 0)
        return Failure { u"文件是空的"_s };
    ReadOnlyStore store(path);
    if (store.rc != SQLITE_OK)
        return Failure { u"文件无法打开：%1"_s.arg(errorText(store.db)) };
    const Result<StoreVersion::Mark> mark = StoreVersion::read(store.db);
    if (!mark)
        return Failure { u"文件不是数据库或已损坏：%1"_s.arg(mark.message()) };
    // The check reads every page: a truncated or overwritten file fails here,
    // before anything is replaced.
    sqlite3_stmt* stmt = nullptr;
    QString damage;
    if (!checkIntegrity) {
    } else if (sqlite3_prepare_v2(store.db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK) {
        damage = errorText(store.db);
    } else {
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW)
            damage = errorText(store.db);
        else if (const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
                 qstrcmp(text, "ok") != 0)
            damage = QString::fromUtf8(text);
    }
    sqlite3_finalize(stmt);
    if (!damage.isEmpty())
        return Failure { u"文件已损坏：%1"_s.arg(damage) };
    if (const QString refused
        = StoreVersion::refusal(*mark, StoreVersion::hasOurTables(store.db), DBAccess::kSchemaVersion);
        !refused.isEmpty())
        return Failure { refused };

    StoreFacts facts;
    facts.applicationId = mark->applicationId;
    facts.version = mark->version;
    facts.payments = countOf(store.db, "select count(*) from payment");
    facts.payrolls = countOf(store.db, "select count(*) from laborage");
    facts.roster = countOf(store.db, "select count(*) from person_payee_acc");
    facts.paymentTotal
        = Money::fromFen(countOf(store.db, "select coalesce(sum(cast(round(pay_amt*100) as integer)),0) from payment"));
    return facts;
}

Result<> replaceContent(DBAccess& db, const QString& source)
{
    if (const Result<> connected = db.Connect(); !connected)
        return connected;
    if (db.inTransaction())
        return Failure { u"数据库正在使用中"_s };
    ReadOnlyStore store(source);
    if (store.rc != SQLITE_OK)
        return Failure { errorText(store.db) };
    db.dropStatements();
    sqlite3* to = db.handle();
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", store.db, "main");
    if (!backup)
        return Failure { errorText(to) };
    const int rc = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE || finished != SQLITE_OK)
        return Failure { errorText(to) };
    return {};
}

} // namespace StoreBackup
