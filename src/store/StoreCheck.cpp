#include "StoreCheck.h"

#include "DBAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

struct FinalizeStmt {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, FinalizeStmt>;

QString errorText(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : u"out of memory"_s;
}

// Opens an existing file, never creating one. Read-write first, so that the
// journal of an interrupted transaction is rolled back as at a normal start;
// read-only where the file or folder cannot be written.
Result<Db> openExisting(const QString& path)
{
    const QByteArray name = path.toUtf8();
    for (const int flags : { SQLITE_OPEN_READWRITE, SQLITE_OPEN_READONLY }) {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(name.constData(), &raw, flags, nullptr);
        Db db(raw);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db.get(), 5000);
            return db;
        }
        if (flags == SQLITE_OPEN_READONLY)
            return Failure { errorText(db.get()) };
    }
    return Failure { u"cannot open"_s };
}

// The rows of a statement without parameters, as texts of their first column.
Result<QStringList> rowsOf(sqlite3* db, const char* sql, int limit)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        return Failure { errorText(db) };
    const Stmt stmt(raw);
    QStringList rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        if (rows.size() < limit)
            rows.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0))));
    }
    if (rc != SQLITE_DONE)
        return Failure { errorText(db) };
    return rows;
}
} // namespace

Result<int> checkStoreFile(const QString& path)
{
    const QString where = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile())
        return Failure { u"数据库文件“%1”不存在。"_s.arg(where) };
    Result<Db> db = openExisting(path);
    if (!db)
        return Failure { u"无法打开数据库“%1”：%2"_s.arg(where, db.message()) };
    const Result<QStringList> id = rowsOf(db->get(), "PRAGMA application_id", 1);
    if (!id)
        return Failure { u"无法读取数据库“%1”：%2"_s.arg(where, id.message()) };
    if (id->value(0).toLongLong() != DBAccess::kApplicationId)
        return Failure { u"文件“%1”不是本程序的数据库。"_s.arg(where) };
    const Result<QStringList> version = rowsOf(db->get(), "PRAGMA user_version", 1);
    if (!version)
        return Failure { u"无法读取数据库“%1”的版本：%2"_s.arg(where, version.message()) };
    const int schema = version->value(0).toInt();
    if (schema < 1 || schema > DBAccess::kSchemaVersion)
        return Failure { u"数据库“%1”的版本 %2 不是本程序支持的版本（1 至 %3）。"_s.arg(where).arg(schema).arg(
            DBAccess::kSchemaVersion) };
    // integrity_check answers "ok", or up to a hundred findings; the first few say enough.
    const Result<QStringList> findings = rowsOf(db->get(), "PRAGMA integrity_check", 5);
    if (!findings) {
        // A damaged page can stop the check itself: that is a finding too.
        const int code = sqlite3_errcode(db->get());
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
            return Failure { u"数据库“%1”已损坏：%2"_s.arg(where, findings.message()) };
        return Failure { u"数据库“%1”的完整性检查无法完成：%2"_s.arg(where, findings.message()) };
    }
    if (*findings != QStringList { u"ok"_s })
        return Failure { u"数据库“%1”已损坏：%2"_s.arg(where, findings->join(u"; "_s)) };
    return schema;
}

QString sqliteLibraryVersion()
{
    return QString::fromLatin1(sqlite3_libversion());
}
