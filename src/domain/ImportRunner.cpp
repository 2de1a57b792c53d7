#include "domain/ImportRunner.h"

#include "store/DBAccess.h"

void ImportRunner::setProgress(Progress progress, qint64 interval)
{
    m_progress = std::move(progress);
    m_interval = interval > 0 ? interval : 1;
}

Result<qint64> ImportRunner::run(qint64 count, const RecordStep& step)
{
    Transaction tx(m_db);
    if (!tx.begun())
        return tx.failure().failure();
    if (m_preparation) {
        const QString stop = m_preparation();
        if (!stop.isEmpty())
            return finish(tx, Failure { stop, 0 }, 0);
    }
    qint64 written = 0;
    for (qint64 i = 0; i < count; ++i) {
        const QString stop = step(i);
        if (!stop.isEmpty())
            return finish(tx, Failure { stop, i }, written);
        ++written;
        if (m_progress && written % m_interval == 0)
            m_progress(written, count);
    }
    if (m_progress && written % m_interval != 0)
        m_progress(written, count);
    return finish(tx, {}, written);
}

Result<qint64> ImportRunner::finish(Transaction& tx, const Result<>& stop, qint64 written)
{
    // All or nothing: the guard rolls the import back as it goes.
    if (!stop && m_mode == Mode::AllOrNothing)
        return stop.failure();
    // A refused commit rolls back: nothing of this import is in the store.
    if (const Result<> committed = tx.commit(); !committed)
        return committed.failure();
    if (!stop)
        return stop.failure();
    return written;
}
