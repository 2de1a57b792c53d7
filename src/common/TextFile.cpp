#include "TextFile.h"

#include "GbkCodec.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace TextFile {

Result<> writeBytesAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Never fall back to writing the target in place: that is exactly the
    // half-written file the temporary file is there to prevent.
    file.setDirectWriteFallback(false);
    // Unbuffered, so that a short write (full disk, size limit) shows in the
    // result of write(): a buffered QSaveFile flushes in commit() and can
    // report success for a truncated file.
    // Without commit() the destructor removes the temporary file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() || !file.commit())
        return Failure { u"无法写入文件 %1：%2"_s.arg(path, file.errorString()) };
    return {};
}

Result<> writeLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() * 2 + 2;
    bytes.reserve(size);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Result<QByteArray> encoded = GbkCodec::encode(lines.at(i));
        if (!encoded) {
            return Failure { u"第%1行第%2个字符“%3”不能用GBK编码"_s.arg(i + 1)
                                 .arg(encoded.at() + 1)
                                 .arg(GbkCodec::characterText(lines.at(i), encoded.at())),
                i };
        }
        bytes += encoded.value();
        bytes += "\r\n";
    }
    return writeBytesAtomically(path, bytes);
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = n;
        qsizetype lineEnd = end;
        if (end < n && lineEnd > start && text.at(lineEnd - 1) == u'\r')
            --lineEnd;
        lines.append(text.mid(start, lineEnd - start));
        start = end + 1;
    }
    return lines;
}

Result<QStringList> readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { u"无法读取文件 %1：%2"_s.arg(path, file.errorString()) };
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failure { u"无法读取文件 %1：%2"_s.arg(path, file.errorString()) };
    const Result<QString> decoded = GbkCodec::decodeFile(bytes);
    if (!decoded) {
        // LF (0x0A) never occurs inside a GBK or UTF-8 multi-byte sequence, so
        // counting it gives the line of the offending byte.
        const qsizetype line = bytes.left(decoded.at()).count('\n');
        return Failure { u"第%1行：%2"_s.arg(line + 1).arg(decoded.message()), decoded.at() };
    }
    return splitLines(decoded.value());
}

} // namespace TextFile
