#include "common/TextFile.h"

#include "common/GbkCodec.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

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

qsizetype nextLineEnd(QStringView text, qsizetype from)
{
    const QChar* data = text.data();
    for (qsizetype i = from; i < text.size(); ++i)
        if (data[i] == u'\n' || data[i] == u'\r')
            return i;
    return -1;
}

qsizetype lineEndsBefore(const QByteArray& bytes, qsizetype end)
{
    end = std::min(end, bytes.size());
    qsizetype count = 0;
    for (qsizetype i = 0; i < end; ++i) {
        // A CR followed by an LF is one line end, counted at the LF.
        if (bytes.at(i) == '\n' || (bytes.at(i) == '\r' && (i + 1 >= bytes.size() || bytes.at(i + 1) != '\n')))
            ++count;
    }
    return count;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        const qsizetype end = nextLineEnd(text, start);
        if (end < 0) {
            lines.append(text.mid(start));
            break;
        }
        lines.append(text.mid(start, end - start));
        start = afterLineEnd(text, end);
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
        const qsizetype line = lineEndsBefore(bytes, decoded.at());
        return Failure { u"第%1行：%2"_s.arg(line + 1).arg(decoded.message()), decoded.at() };
    }
    return splitLines(decoded.value());
}

} // namespace TextFile
