#include "ImportRunner.h"

#include "store/DBAccess.h"

void ImportRunner::setProgress(Progress progress, qint64 interval)
{
    m_progress = std::move(progress);
    m_interval = interval > 0 ? interval : 1;
}

ImportRunner::Result ImportRunner::run(qint64 count, const RecordStep& step)
{
    Result result;
    if (!m_db.BeginTrans()) {
        result.status = Result::StoreFailed;
        result.message = m_db.lastError();
        return result;
    }
    if (m_preparation) {
        const QString stop = m_preparation();
        if (!stop.isEmpty()) {
            result.status = Result::Stopped;
            result.message = stop;
            return finish(result);
        }
    }
    for (qint64 i = 0; i < count; ++i) {
        const QString stop = step(i);
        if (!stop.isEmpty()) {
            result.status = Result::Stopped;
            result.message = stop;
            return finish(result);
        }
        ++result.written;
        if (m_progress && result.written % m_interval == 0)
            m_progress(result.written, count);
    }
    if (m_progress && result.written % m_interval != 0)
        m_progress(result.written, count);
    return finish(result);
}

ImportRunner::Result ImportRunner::finish(Result result)
{
    const bool keep = result.status == Result::Completed || m_mode == Mode::KeepWritten;
    if (!keep) {
        m_db.Rollback();
        return result;
    }
    if (!m_db.Commit()) {
        // A refused commit rolls back: nothing of this import is in the store.
        result.status = Result::StoreFailed;
        result.message = m_db.lastError();
        return result;
    }
    result.committed = true;
    return result;
}
