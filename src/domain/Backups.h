#pragma once

#include "common/Result.h"
#include "store/StoreBackup.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct AppContext;

// One automatic backup in the backup folder, as its name gives it:
// userdb-YYYYMMDD-HHMMSS-<operation>.mdb.
struct BackupEntry {
    QString fileName;
    QDateTime time;
    QString operation; // ASCII code: "start", "import-batch", ...
};

// What the program remembers about its backups while it runs: the clock the
// names are made from (tests set their own), the last backup made, and the
// import that "撤销上次导入" can undo.
struct BackupLog {
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    QString lastBackupPath;
    QDateTime lastBackupTime;
    struct Import {
        QString backupPath; // the copy made just before the import
        QDateTime backupTime;
        QString importedFile;
        qint64 changesAfter = 0; // the store's change count when the import ended
    };
    std::optional<Import> lastImport;
};

namespace Backups {

// The newest copies and the newest copy of each recent day are kept.
inline constexpr int kKeepNewest = 30;
inline constexpr int kKeepDays = 90;

// backup/ beside the store file.
QString folderFor(const QString& storePath);
QString fileName(const QDateTime& time, const QString& operation);
// The settings file saved beside the store copy of a settings save.
QString settingsFileName(const QDateTime& time, const QString& operation);
// None for a name that is not one of ours.
std::optional<BackupEntry> parse(const QString& fileName);
// The operation in the user's words ("导入批量支付文件"); the code itself when unknown.
QString operationText(const QString& operation);
// The operation of an import on a master-data tab (by the tab's prefix:
// "PayAccList" -> "import-payacc").
QString importOperation(const QString& tabPrefix);
// The backups of a folder, newest first.
QList<BackupEntry> list(const QString& folder);
// Which of `entries` go: all but the newest kKeepNewest and the newest of each
// of the kKeepDays days up to `today`.
QStringList toDelete(QList<BackupEntry> entries, const QDate& today);

// Makes a backup of the store for `operation` (and of sysConf.ini for a
// settings save), then deletes the backups retention lets go. The path of the copy.
Result<QString> make(AppContext& ctx, const QString& operation);

// The copy made on the first start of a day; a failure is told, the start goes on.
void atStart(AppContext& ctx);

// Checks the store file `source`, backs up the current store (operation
// "restore"; the user may go on without when that fails), replaces the store's
// content by the file's, upgraded when older. The facts of what was restored;
// a failure with an empty message when the user chose not to go on.
Result<StoreFacts> restore(AppContext& ctx, const QString& source);

// The text that says what a restore brought back.
QString restoredText(const StoreFacts& facts, const QString& source);

// The import that can be undone now: one was made with a backup before it and
// the store has not changed since it ended.
std::optional<BackupLog::Import> undoableImport(AppContext& ctx);

} // namespace Backups

// Before an operation that deletes or replaces many rows: makes a backup. When
// none can be made, says why and asks whether to go on without one (default
// Cancel). False when the operation must not run.
bool backupBefore(AppContext& ctx, const QString& operation);

// After an import that backupBefore prepared: from now until the next change
// of the store, "撤销上次导入" brings back the store as it was before it.
void importDone(AppContext& ctx, const QString& importedFile);
