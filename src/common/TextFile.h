#pragma once

#include <QString>
#include <QStringList>

#include "common/Result.h"

// Text files as lists of lines: written in GBK with CR LF after every line (the
// last one included), read from GBK or from UTF-8 with a byte-order mark,
// accepting CR LF, LF and a lone CR as line ends.
//
// A file is written to a temporary file beside the target and renamed over it
// only when complete: a failure (a character GBK cannot carry, a full disk, a
// directory that refuses the file) leaves the previous file as it was and
// never a half-written one.
namespace TextFile {

// Writes the lines to `path` as GBK, each followed by CR LF. Nothing is written
// when a line holds a character GBK cannot carry; the result names the line,
// the position and the character, and lies at the line's index.
Result<> writeLines(const QString& path, const QStringList& lines);

// Writes raw bytes to `path` through a temporary file that replaces the target
// when complete.
Result<> writeBytesAtomically(const QString& path, const QByteArray& bytes);

// Reads the file's lines. A line ends at CR LF, at LF or at a lone CR (files
// saved by old Mac programs), and the end is not part of the line; a final
// line without a line end is kept, and a line end at the very end of the file
// does not start another (empty) line. A file that does not decode is refused
// naming the line; the failure lies at the offset of the first bad byte.
Result<QStringList> readLines(const QString& path);

// The same splitting applied to text already in memory.
QStringList splitLines(const QString& text);

// The number of line ends (CR LF, LF or a lone CR, each counted once) in the
// first `end` bytes of a GBK or UTF-8 text: the 0-based line of byte `end`.
// Neither CR nor LF occurs inside a multi-byte character of either encoding.
qsizetype lineEndsBefore(const QByteArray& bytes, qsizetype end);

// Where the line end at `pos` (a CR or an LF) is over: after CR LF, else after
// the one character.
inline qsizetype afterLineEnd(QStringView text, qsizetype pos)
{
    return text.at(pos) == u'\r' && pos + 1 < text.size() && text.at(pos + 1) == u'\n' ? pos + 2 : pos + 1;
}
// The first CR or LF at or after `from`; -1 when there is none.
qsizetype nextLineEnd(QStringView text, qsizetype from);

} // namespace TextFile
