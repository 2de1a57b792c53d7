#pragma once

#include <QDateTime>
#include <QString>

// Batch payment instruction numbers: 22 digits, the date and time to the second
// (yyyyMMddHHmmss) followed by 8 digits. Numbers never repeat and increase in the
// order they are made, also when many are made within one second or the clock
// goes back: the 8-digit counter runs on, and when it would overflow the time
// part moves one second ahead.
class SerialNoGenerator {
public:
    // The next number for the given moment.
    QString next(const QDateTime& now);
    QString next() { return next(QDateTime::currentDateTime()); }
    // Makes every later number larger than `existing` (a number already stored).
    void continueAfter(const QString& existing);

private:
    QDateTime m_lastSecond; // time part of the last number made
    qint64 m_counter = -1; // counter of the last number made
};

// makeSerialNo as the screens call it.
inline QString makeSerialNo(SerialNoGenerator& generator)
{
    return generator.next();
}
