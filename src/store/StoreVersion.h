#pragma once

#include "common/Result.h"

struct sqlite3;

// The versions of the store file. A store carries its version in
// PRAGMA user_version and our mark in PRAGMA application_id. Stores made by
// earlier versions of the program carry neither (version 0). Every change to
// the tables is one step from version n to n + 1; an older store goes through
// the steps it lacks, all in one transaction, so it is either upgraded whole or
// left as it was.
namespace StoreVersion {

struct Mark {
    int applicationId = 0;
    int version = 0;
};

// The marks of an open store; fails with the store's text when the file is not
// a database at all.
Result<Mark> read(sqlite3* db);

// True when the store holds the tables every version of ours has.
bool hasOurTables(sqlite3* db);

// Why the program cannot use a store with these marks (empty when it can):
// another program's database, a newer version, an invalid version.
// `hasOurTables` decides about a store without a mark.
QString refusal(const Mark& mark, bool ourTables, int currentVersion);

// Brings an open store of an older version to `currentVersion` in one
// transaction. Nothing is done for a store of the current version.
Result<> upgrade(sqlite3* db, int fromVersion, int currentVersion);

} // namespace StoreVersion
