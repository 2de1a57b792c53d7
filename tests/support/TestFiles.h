#pragma once

#include "common/XmlDoc.h"

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

// The whole content of a file; empty when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Replaces a file's content; fails the running test when it cannot be opened.
// Usable outside test functions (no early return).
inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
    file.write(bytes);
}

// The document parsed from `bytes`; an empty document (isNull) when the bytes
// are not one.
inline XmlDoc parsedXml(const QByteArray& bytes)
{
    Result<XmlDoc> doc = XmlDoc::parse(bytes);
    return doc ? std::move(doc).value() : XmlDoc();
}

// Replaces a file's content; fails the running test when it cannot.
inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}
