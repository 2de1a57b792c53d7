#pragma once

#include <QString>

#include "common/Result.h"

#include <functional>

class DBAccess;
class Transaction;

// Runs a record-by-record import inside one transaction of the store.
//
// The preparation (e.g. emptying a table) and every record run inside the same
// transaction. A record step answers with an empty text when the record was
// written, or with the message that stops the import; the import stops at the
// first such message. What happens to the records written before a stop depends
// on the mode:
//   AllOrNothing  the transaction is rolled back: the store is left as it was;
//   KeepWritten   the transaction is committed: the records before the stop stay.
// A store that refuses to begin or to commit the transaction ends the import
// with the store's own error text; a refused commit leaves nothing written.
class ImportRunner {
public:
    enum class Mode { AllOrNothing, KeepWritten };

    // Writes one record (0-based index); an empty text when written, else the stop message.
    using RecordStep = std::function<QString(qint64 index)>;
    // Runs before the first record; the same answer as a record step.
    using Preparation = std::function<QString()>;
    // Called with the number of records done and the total, every `interval`
    // records and once at the end.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    ImportRunner(DBAccess& db, Mode mode)
        : m_db(db)
        , m_mode(mode)
    {
    }

    void setPreparation(Preparation preparation) { m_preparation = std::move(preparation); }
    void setProgress(Progress progress, qint64 interval = 1000);

    // The number of records written and committed; or the stop, lying at the
    // index of the record that stopped the import (0 for the preparation), or
    // the store's refusal, lying nowhere (-1).
    Result<qint64> run(qint64 count, const RecordStep& step);
    // True when the store refused the transaction, rather than a record (or the
    // preparation) stopping the import.
    static bool storeRefused(const Result<qint64>& result) { return !result && result.at() < 0; }

private:
    Result<qint64> finish(Transaction& tx, const Result<>& stop, qint64 written);

    DBAccess& m_db;
    Mode m_mode;
    Preparation m_preparation;
    Progress m_progress;
    qint64 m_interval = 1000;
};
