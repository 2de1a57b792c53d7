#pragma once

#include <QByteArray>
#include <QString>

#include "common/Money.h"
#include "common/Result.h"

#include <optional>
#include <vector>

// What the file imports share: the amount rule of an imported record, the
// decoding of an upload file's header and instruction lines, and the checks of
// the header and of the characters a field may hold.
namespace ImportText {

// The amount rule: empty, not a plain non-negative amount with at most two
// decimals (thousands separators allowed), or above 1E11 yuan (compared
// exactly) gives the message's own text after "第N"; an empty text when the
// amount passes. Zero passes. When it passes and `plain` is given, it receives
// the amount in its stored form ("1,234.5" -> "1234.50").
QString amountProblem(const QString& amount, QString* plain = nullptr);

// The instruction lines of an upload file: everything after line 0 (the
// header). A line ends at CR LF, at LF or at a lone CR. A file that starts with
// the UTF-8 byte-order mark is read as UTF-8, else as GBK. When the bytes do
// not decode, `text` holds the lines before the failing one and `badLine` is
// the failing line's number (the first instruction line is 1); else `badLine`
// is 0.
struct Lines {
    QString text;
    qsizetype badLine = 0;
};
Lines decodeInstructionLines(const QByteArray& bytes);

// The whole upload file: the header line (line 0, without its end; empty when
// the file has no byte beyond a byte-order mark, or when the header does not
// decode) and the instruction lines as decodeInstructionLines gives them.
struct UploadLines : Lines {
    QString header;
};
UploadLines decodeUploadFile(const QByteArray& bytes);

// Walks decoded lines one at a time without copying them; a line ends at CR
// LF, at LF or at a lone CR, and the end is not part of the line.
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

// An upload file's header "count,total" as written by the upload-file writers
// ("3,150.00"). Each part is none when it does not read as a whole number or
// an amount.
struct Header {
    std::optional<qint64> count;
    std::optional<Money> total;
};
Header parseHeader(const QString& line);

// Adds up the instruction lines read, to be compared with the header.
class LineTotals {
public:
    // One more line with the amount in its stored form ("1234.50").
    void add(const QString& amount);
    qint64 count() const { return m_count; }
    // The refusal when the header's count or total, where it reads, differs
    // from the lines read (the count first); empty when they agree.
    QString headerProblem(const Header& header) const;

private:
    qint64 m_count = 0;
    Money m_total;
    bool m_overflow = false;
};

// The refusal of a file that holds no instruction at all (empty, only a
// byte-order mark, only a header, an empty worksheet).
extern const QString kNoInstructions;

// True when the text holds a control character, U+0000 to U+001F, other than
// the tab: no name, account, amount or remark may carry one into the store.
bool hasControlCharacter(QStringView text);
// The text after "第N" that refuses a field holding a control character.
QString controlCharacterProblem(const QString& field);

// A "#"-marked field of an upload file (account, bank number, amount, employee
// number), trimmed and without its leading "#" when it has one; a field
// without the mark is taken as it is.
QString withoutMark(QStringView field);

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
