#pragma once

#include "common/Money.h"
#include "common/Result.h"

#include <QString>

class DBAccess;

// What a store file holds, as the restore window lists it and as a restore
// checks it before anything is replaced.
struct StoreFacts {
    int applicationId = 0;
    int version = 0; // PRAGMA user_version
    qint64 payments = 0; // batch payment instructions
    qint64 payrolls = 0; // payroll instructions
    qint64 roster = 0; // roster entries
    Money paymentTotal; // exact total of the batch payment instructions
};

// Copies of the store made with SQLite's online backup API: a consistent copy
// of the open store even while it is in use, and the way back from such a copy
// into the open connection.
namespace StoreBackup {

// Writes a copy of the open store to `target`. The copy is made under a
// temporary name in the same folder, flushed to disk and renamed into place
// when complete (the folder is flushed too), so a copy that carries its final
// name is always whole; an existing `target` is replaced only then.
Result<> copyStore(DBAccess& db, const QString& target);

// Copies the store file `source` to `target` the same way (a file the program
// has not opened: a chosen backup before it is checked and upgraded).
Result<> copyStoreFile(const QString& source, const QString& target);

// Copies the store file `source` to `target` and brings the copy to the
// current version; `source` is left as it is.
Result<> copyUpgraded(const QString& source, const QString& target);

// Reads the facts of a store file without changing it. Fails, naming why, for
// a file that is not a database or is damaged (integrity check), one of
// another program (application id, tables), or one of a newer version; an
// older store of ours (version 0 without an application id) is accepted.
// Without `checkIntegrity` the pages are not all read (a list of backups).
Result<StoreFacts> inspect(const QString& path, bool checkIntegrity = true);

// Replaces the whole content of the open store by the store file `source`
// (which the caller has checked and brought to the current version). The
// connection stays open; its prepared statements are dropped.
Result<> replaceContent(DBAccess& db, const QString& source);

// Flushes a written file and its folder to disk.
bool syncFileAndFolder(const QString& path);

} // namespace StoreBackup
