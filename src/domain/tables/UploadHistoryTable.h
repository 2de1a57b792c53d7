#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class DBAccess;

// One upload file as table upload_file records it.
struct UploadFileRow {
    qint64 id = 0;
    qint64 madeAt = 0; // seconds since 1970-01-01 UTC
    QString kind; // UploadHistory's kind code ("payment-csv", ...)
    QString path;
    qint64 count = 0;
    qint64 totalFen = 0;
    QString sha256; // of the bytes written, 64 hex digits
    QString batchKey; // the key of the instruction set (UploadHistory::Batch)
    QByteArray itemKeys; // the keys of the instructions in file order, 8 bytes each
    // The instructions, as UploadHistoryTable::appendItem writes them; only
    // written (insertFile), never read with the file's row (eachItem reads them).
    QByteArray items;
};

// One instruction of a recorded file.
struct UploadItemRow {
    qint64 seq = 0; // 1 for the file's first instruction
    QString accNo;
    QString accName;
    qint64 amountFen = 0;
    QString remark;
};

// The instruction keys of a recorded file, as the duplicate check reads them.
struct UploadFileKeys {
    qint64 fileId = 0;
    qint64 madeAt = 0;
    QByteArray itemKeys; // 8 bytes an instruction, in file order
};

// Table upload_file: the upload files written, each with its instructions in
// one text (column items), so that recording a file writes one row whatever
// its size. Nothing changes a row once written; only removeBefore deletes.
class UploadHistoryTable {
public:
    explicit UploadHistoryTable(DBAccess& db)
        : m_db(db)
    {
    }

    // Appends an instruction to the text of a file's instructions: one line
    // each, account TAB name TAB amount in fen TAB remark LF, in UTF-8; a
    // backslash, TAB, LF or CR inside a field is written as \\, \t, \n or \r.
    static void appendItem(
        QByteArray& items, QByteArrayView accNo, QByteArrayView accName, qint64 amountFen, QByteArrayView remark);

    // Adds a file's row with its instructions; its number (file_id). Silent
    // on failure.
    Result<qint64> insertFile(const UploadFileRow& file);

    // Every recorded file, newest first.
    Result<> eachFile(const std::function<void(const UploadFileRow&)>& file);
    // The file with this number; none when there is no such file.
    Result<std::optional<UploadFileRow>> file(qint64 fileId);
    // The instructions of a file in file order.
    Result<> eachItem(qint64 fileId, const std::function<void(const UploadItemRow&)>& item);

    // The files made at `since` or later whose instruction set has this key,
    // newest first.
    Result<std::vector<UploadFileRow>> filesWithBatchKey(const QString& batchKey, qint64 since);
    // The instruction keys of every file made at `since` or later, in one pass.
    Result<> eachKeysSince(qint64 since, const std::function<void(const UploadFileKeys&)>& file);

    // How many files were made before `madeAt`.
    Result<qint64> countBefore(qint64 madeAt);
    // Deletes the files made before `madeAt` with their instructions; the
    // number of files deleted.
    Result<qint64> removeBefore(qint64 madeAt);

private:
    DBAccess& m_db;
};
