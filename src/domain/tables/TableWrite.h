#pragma once

#include "common/Result.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <limits>
#include <vector>

class DBAccess;

// The write patterns the master-data tables share. The statements are the
// tables' own; these run them in the transaction shapes the tabs and imports need.
class TableWrite {
public:
    // The answer of adding a row unless one with its key exists.
    // CheckFailed: the store has shown its error, or the admission stopped the add.
    enum class AddOutcome { Added, Exists, Failed, CheckFailed };
    // Runs in the add's transaction after the key check and before the insert:
    // may complete the values, or stop the add (false).
    using Admit = std::function<bool(QVariantList& values)>;

    // The check and the insert run in one write transaction, so that no other
    // writer can add the same key in between.
    static AddOutcome addIfAbsent(DBAccess& db, const QString& existsSql, const QVariantList& key,
        const QString& insertSql, QVariantList values, const Admit& admit = {});

    // The running number after `largest`, the max() of a running-number column
    // (payroll serial_no, roster person_no): 1 for an empty table; a decimal
    // written by an older program is rounded down first, so the answer is still
    // above every stored number. Integers only: a value that is not a number,
    // or leaves no room for one more below `limit`, is a failure naming `what`,
    // never a restart from 1.
    static Result<qint64> nextRunningNumber(
        const QVariant& largest, const QString& what, qint64 limit = std::numeric_limits<qint64>::max());

    // How a bulk replacement ended. Rows before `row` are written and committed.
    struct BulkOutcome {
        enum class Stop {
            None, // every row written and committed
            Refused, // the store refused row `row` (a constraint): the rows before it stay
            StoreFailed, // the store itself failed: nothing is kept
        };
        Stop stop = Stop::None;
        qsizetype row = -1;
        // The store's text when it failed.
        QString storeError;
        qsizetype written = 0;
    };
    // One row of a replacement: its key and the values of its insert.
    struct KeyedRow {
        QString key;
        QVariantList values;
    };

    // Replaces, row after row in one transaction, the rows holding each key by
    // the row given: delete and insert run under a savepoint, so a row the store
    // refuses gives the old one back and ends the replacement, keeping the rows
    // before it. The delete and the insert are each prepared once and bound per
    // row. Runs silently: the caller says what happened.
    static BulkOutcome replaceEach(
        DBAccess& db, const QString& deleteSql, const QString& insertSql, const std::vector<KeyedRow>& rows);
};
