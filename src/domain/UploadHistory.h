#pragma once

#include "common/Money.h"
#include "common/Result.h"
#include "domain/InstructionCheck.h"
#include "domain/tables/UploadHistoryTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <vector>

class DBAccess;

// The upload history: every upload file the program writes is recorded with
// its time, kind, path, count, exact total, the SHA-256 of its bytes and its
// instructions, so that paying twice is noticed before the next file is
// written (the same payee and amount, or the same whole batch, in a file of
// the last days) and a file on disk can be compared with what was written.
namespace UploadHistory {

enum class Kind { PaymentCsv, PayrollCsv, PayrollXls };

// The code a kind is stored as, and the kind in the user's words (the code
// itself for a code this program does not know).
QString kindCode(Kind kind);
QString kindText(const QString& code);

// A recorded time ("yyyy-MM-dd HH:mm", local time) and a file's name without
// its folder, as the warnings and the history window show them.
QString madeAtText(qint64 madeAt);
QString fileNameOf(const QString& path);

// The key of an instruction set: the same for the same payee accounts and
// amounts in any order, different (but for a chance of 2^-128) otherwise.
class BatchKey {
public:
    // An instruction: the payee account (UTF-8, trimmed) and the amount in
    // fen. Answers the instruction's own key (the same for the same account
    // and amount).
    quint64 add(QByteArrayView accNo, qint64 amountFen);
    QString text() const;
    qint64 count() const { return m_count; }

private:
    qint64 m_count = 0;
    quint64 m_sum1 = 0;
    quint64 m_sum2 = 0;
};

// The instructions of one upload file, in file order, as they are written,
// and the SHA-256 of the file's bytes once the writer knows it.
class Batch {
public:
    // About how many instructions will be added.
    void reserve(qsizetype count);
    // The next instruction: payee account, name, the stored amount text
    // ("1234.5") and remark. The account is recorded trimmed.
    void add(const QString& accNo, const QString& accName, const QString& amount, const QString& remark);
    // The same with the texts in UTF-8, as the store hands them over.
    void addUtf8(QByteArrayView accNo, QByteArrayView accName, const QString& amount, QByteArrayView remark);

    qint64 size() const { return m_key.count(); }
    Money total() const { return m_total; }
    QString key() const { return m_key.text(); }
    // The keys of the instructions in file order, 8 bytes each (little-endian).
    const QByteArray& itemKeys() const { return m_itemKeys; }
    // The instructions as table upload_file keeps them (UploadHistoryTable::appendItem).
    const QByteArray& items() const { return m_items; }

    // Where a data line of an upload file (fields split by ",", no quoting)
    // holds what a batch records: field numbers from 0, -1 for none; the
    // account and amount fields begin with "#", the name field with
    // `nameSkip` characters the writer put before it.
    struct LineFields {
        int accNo;
        int accName;
        int amount;
        int remark;
        qsizetype nameSkip;
    };
    // The batch of the data lines of an upload file's text (UTF-8, each line
    // ending in CR LF), in file order.
    static Batch fromLines(QByteArrayView lines, const LineFields& fields);

    // The SHA-256 (hex) of the bytes the writer wrote; empty until it is set,
    // and then record() reads the file back for it.
    const QString& sha256() const { return m_sha256; }
    void setSha256(const QString& sha256) { m_sha256 = sha256; }

private:
    void addFen(QByteArrayView accNo, QByteArrayView accName, qint64 fen, QByteArrayView remark);

    QByteArray m_items;
    QByteArray m_itemKeys;
    QString m_sha256;
    Money m_total;
    BatchKey m_key;
};

// Records the upload file just written at `path` with its instructions, in
// one row, so the history holds either the whole file or nothing of it. The
// SHA-256 is the batch's, or read back from the file when the writer did not
// set it. Call only after the file was written completely. Silent: the
// failure says why.
Result<qint64> record(DBAccess& db, Kind kind, const QString& path, const Batch& batch, const QDateTime& madeAt);

// Whether a recorded file is still the one written.
enum class FileState { Same, Changed, Missing, Unreadable };
FileState compareWithDisk(const UploadFileRow& file);

// Compares a batch about to be written with the files made since a time:
// the same payee account and amount as an instruction of such a file, or the
// same whole instruction set (same accounts and amounts in any order, which
// includes a file of the same bytes). Warnings only.
class DuplicateCheck {
public:
    explicit DuplicateCheck(qsizetype expected = 0);

    // An instruction of the batch: its 序号 in the list, payee account and
    // stored amount text. One whose amount is not a valid amount above zero is
    // left out (the check reports it as an error).
    void add(qint64 row, const QString& accNo, const QString& amount);
    qint64 size() const { return static_cast<qint64>(m_entries.size()); }

    // The warnings against the files made at `since` (seconds since 1970 UTC)
    // or later: one for each such file with the same instruction set; when
    // there is none, one for each instruction found in such a file, naming the
    // newest. `accountField` is the field the instruction warnings name.
    // Instructions are compared by their 64-bit keys (one chance in 2^64 that
    // two different ones share a key), so the recorded rows are not read.
    Result<std::vector<InstructionCheck::Finding>> findings(
        UploadHistoryTable& table, qint64 since, const QString& accountField);

private:
    // The instructions of the batch with one key, and the newest recorded
    // file holding that key.
    struct Match {
        qint64 fileId = 0;
        qint64 seq = 0;
        qint64 madeAt = 0;
    };
    struct Entry {
        qint64 row = 0;
        qint32 match = 0; // index into m_matches
    };
    std::vector<Entry> m_entries;
    std::vector<Match> m_matches;
    QHash<quint64, qint32> m_matchOf; // key of account and amount -> index into m_matches
    BatchKey m_key;
};

// The start of the window the check looks at: `days` days before `now`.
qint64 windowStart(const QDateTime& now, int days);

} // namespace UploadHistory
