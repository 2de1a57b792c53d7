#pragma once

#include <QByteArray>
#include <QString>

#include "Result.h"

#include <vector>

// What the file imports share: the amount rule of an imported record and the
// decoding of an upload file's instruction lines.
namespace ImportText {

// The amount rule: empty, not a plain non-negative amount with at most two
// decimals (thousands separators allowed), or above 1E11 yuan (compared
// exactly) gives the message's own text after "第N"; an empty text when the
// amount passes. Zero passes. When it passes and `plain` is given, it receives
// the amount in its stored form ("1,234.5" -> "1234.50").
QString amountProblem(const QString& amount, QString* plain = nullptr);

// The instruction lines of an upload file: everything after line 0 (the
// header, skipped unread). A file that starts with the UTF-8 byte-order mark
// is read as UTF-8, else as GBK. When the bytes do not decode, `text` holds
// the lines before the failing one and `badLine` is the failing line's number
// (the first instruction line is 1); else `badLine` is 0.
struct Lines {
    QString text;
    qsizetype badLine = 0;
};
Lines decodeInstructionLines(const QByteArray& bytes);

// Walks decoded lines one at a time without copying them; a line ends at LF or
// CR LF, and the end is not part of the line.
class LineCursor {
public:
    explicit LineCursor(const QString& text)
        : m_text(text)
    {
    }
    // The next line; false after the last one.
    bool next(QStringView& line);

private:
    const QString& m_text;
    qsizetype m_pos = 0;
};

// What the reader of an import file gives: the records in file order up to the
// first refused one. `stop` fails when the file holds a refused record; its
// message is the whole message of the stop and it lies at the refused record's
// index, records.size(). The records before it are all valid.
template <typename Record> struct RecordsRead {
    std::vector<Record> records;
    Result<> stop;
    bool stopped() const { return !stop.ok(); }
    // Ends the reading at the record after the last one read.
    RecordsRead& stopWith(const QString& message)
    {
        stop = Failure { message, qsizetype(records.size()) };
        return *this;
    }
};

// "第N" followed by the message's own text, as every record message starts.
QString recordMessage(qsizetype number, const QString& text);

// The second line of the message of an import that stopped: the store was
// left as it was.
extern const QString kNothingImported;

} // namespace ImportText
