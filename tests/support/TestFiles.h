#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// The whole content of a file, or "<unreadable>" so that a comparison shows why it failed.
inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

// Replaces a file's content; fails the running test when it cannot.
inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}
