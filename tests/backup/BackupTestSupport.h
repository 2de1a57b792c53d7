#pragma once

#include "RecordingPrompt.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "domain/Backups.h"
#include "store/DBAccess.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

// Every table of a store file with its rows (sorted), and its version: the
// content a backup must hold. Read through a read-only connection of its own,
// so a kept store of an older version is never upgraded by reading it.
inline QString dumpStore(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("unreadable");
    }
    auto rows = [db](const QByteArray& sql) {
        QStringList lines;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return QStringList { QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db)) };
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList fields;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                fields << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
            lines << fields.join(u'|');
        }
        sqlite3_finalize(stmt);
        return lines;
    };
    QStringList out { QStringLiteral("version ") + rows("PRAGMA user_version").join(QString()) };
    for (const QString& table : rows("select name from sqlite_master where type='table' order by name")) {
        QStringList lines = rows("select * from \"" + table.toUtf8() + "\"");
        lines.sort();
        out << QStringLiteral("== ") + table << lines;
    }
    sqlite3_close(db);
    return out.join(u'\n');
}

// The table of the upload history (store version 3 on).
inline const QStringList kHistoryTables { QStringLiteral("upload_file") };

// A dump (dumpStore) without the sections of these tables.
inline QString withoutTables(const QString& dump, const QStringList& tables)
{
    QStringList out;
    bool skipping = false;
    for (const QString& line : dump.split(u'\n')) {
        if (line.startsWith(QStringLiteral("== ")))
            skipping = tables.contains(line.mid(3));
        if (!skipping)
            out << line;
    }
    return out.join(u'\n');
}

// The automatic backups of the test's store, newest first.
inline QStringList backupNames(TestEnv& env)
{
    QStringList names;
    for (const BackupEntry& e : Backups::list(Backups::folderFor(env.db().dbPath())))
        names << e.fileName;
    return names;
}

inline QString backupPath(TestEnv& env, const QString& name)
{
    return QDir(Backups::folderFor(env.db().dbPath())).filePath(name);
}

// The backups of one operation.
inline QStringList backupsOf(TestEnv& env, const QString& operation)
{
    return backupNames(env).filter(u'-' + operation + QStringLiteral(".mdb"));
}

inline QString storeData(const QString& name)
{
    return QStringLiteral(QELVORA_TEST_DATA "/stores/") + name;
}
