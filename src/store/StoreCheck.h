#pragma once

#include "common/Result.h"

#include <QString>

// Checks the store file at `path` without touching its data: it opens as a
// database, carries this program's application id (DBAccess::kApplicationId),
// has a schema version this program reads, and SQLite's integrity check finds
// nothing wrong. The value is the store's schema version; the failure says in
// Chinese what is wrong (the integrity check's first findings in its own words).
Result<int> checkStoreFile(const QString& path);

// The version of the SQLite library the program runs with ("3.40.1").
QString sqliteLibraryVersion();
