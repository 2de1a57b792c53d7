#include "common/SerialNo.h"

namespace {
constexpr qint64 kCounterLimit = 100000000; // 8 digits
const QString kStampFormat = QStringLiteral("yyyyMMddHHmmss");
}

QString SerialNoGenerator::next(const QDateTime& now)
{
    // The stamp is the local wall-clock time. It is held as a UTC date-time so
    // that comparing and formatting it never consults the time zone (which reads
    // the zone file for every number of a long import).
    QDateTime second(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()), Qt::UTC);
    if (m_lastSecond.isValid() && second <= m_lastSecond) {
        second = m_lastSecond;
        ++m_counter;
    } else {
        m_counter = 0;
    }
    if (m_counter >= kCounterLimit) {
        second = second.addSecs(1);
        m_counter = 0;
    }
    m_lastSecond = second;
    return second.toString(kStampFormat) + QString::number(m_counter).rightJustified(8, u'0');
}

void SerialNoGenerator::continueAfter(const QString& existing)
{
    if (existing.size() != 22)
        return;
    QDateTime stamp = QDateTime::fromString(existing.left(14), kStampFormat);
    stamp.setTimeSpec(Qt::UTC); // wall-clock digits, as next() holds them
    bool ok = false;
    const qint64 counter = existing.mid(14).toLongLong(&ok);
    if (!stamp.isValid() || !ok)
        return;
    if (!m_lastSecond.isValid() || stamp > m_lastSecond || (stamp == m_lastSecond && counter > m_counter)) {
        m_lastSecond = stamp;
        m_counter = counter;
    }
}
