#include "domain/tables/UploadHistoryTable.h"

#include "store/DBAccess.h"

#include <algorithm>
#include <charconv>

using namespace Qt::StringLiterals;

namespace {
const QString kFileColumns = u"file_id,made_at,kind,file_path,item_count,total_fen,sha256,batch_key"_s;

UploadFileRow fileRow(const RecordView& v)
{
    UploadFileRow f;
    f.id = v.value(0).toLongLong();
    f.madeAt = v.value(1).toLongLong();
    f.kind = v.text(2);
    f.path = v.text(3);
    f.count = v.value(4).toLongLong();
    f.totalFen = v.value(5).toLongLong();
    f.sha256 = v.text(6);
    f.batchKey = v.text(7);
    return f;
}
} // namespace

namespace {

// Appends a field, escaping the characters that separate fields and lines.
void appendField(QByteArray& items, QByteArrayView field)
{
    const auto special = [](char c) { return c == '\\' || c == '\t' || c == '\n' || c == '\r'; };
    if (std::none_of(field.begin(), field.end(), special)) {
        items.append(field);
        return;
    }
    qsizetype from = 0;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        const char* escaped = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
        if (!escaped)
            continue;
        items.append(field.sliced(from, i - from));
        items.append(escaped, 2);
        from = i + 1;
    }
    items.append(field.sliced(from));
}

// A field as appendField wrote it.
QString fieldText(QByteArrayView field)
{
    if (!field.contains('\\'))
        return QString::fromUtf8(field);
    QByteArray plain;
    plain.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\\' && i + 1 < field.size()) {
            const char next = field[++i];
            c = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        }
        plain.append(c);
    }
    return QString::fromUtf8(plain);
}

} // namespace

void UploadHistoryTable::appendItem(
    QByteArray& items, QByteArrayView accNo, QByteArrayView accName, qint64 amountFen, QByteArrayView remark)
{
    appendField(items, accNo);
    items.append('\t');
    appendField(items, accName);
    items.append('\t');
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, amountFen).ptr;
    items.append(digits, end - digits);
    items.append('\t');
    appendField(items, remark);
    items.append('\n');
}

Result<qint64> UploadHistoryTable::insertFile(const UploadFileRow& f)
{
    // One prepared run binds the (often megabytes of) instruction text as it is.
    const QByteArray keys = f.itemKeys.toBase64();
    const Result<qint64> inserted
        = m_db.InsertEach(u"insert into upload_file (made_at,kind,file_path,item_count,total_fen,sha256,batch_key,"
                          u"item_keys,items) values (?,?,?,?,?,?,?,?,?)"_s,
            1, [&](RowValues& v, qint64) {
                v.integer(1, f.madeAt);
                v.text(2, f.kind);
                v.text(3, f.path);
                v.integer(4, f.count);
                v.integer(5, f.totalFen);
                v.text(6, f.sha256);
                v.text(7, f.batchKey);
                v.utf8(8, keys);
                v.utf8(9, f.items);
            });
    if (!inserted)
        return inserted.failure();
    qint64 id = 0;
    const Result<> read = m_db.QueryEach(
        u"select last_insert_rowid()"_s, {}, [&id](const RecordView& v) { id = v.value(0).toLongLong(); });
    if (!read)
        return read.failure();
    return id;
}

Result<> UploadHistoryTable::eachFile(const std::function<void(const UploadFileRow&)>& file)
{
    return m_db.QueryEach(u"select "_s + kFileColumns + u" from upload_file order by made_at desc,file_id desc"_s, {},
        [&](const RecordView& v) { file(fileRow(v)); });
}

Result<std::optional<UploadFileRow>> UploadHistoryTable::file(qint64 fileId)
{
    std::optional<UploadFileRow> found;
    const Result<> read = m_db.QueryEach(u"select "_s + kFileColumns + u" from upload_file where file_id=?"_s,
        { fileId }, [&](const RecordView& v) { found = fileRow(v); });
    if (!read)
        return read.failure();
    return found;
}

Result<> UploadHistoryTable::eachItem(qint64 fileId, const std::function<void(const UploadItemRow&)>& item)
{
    return m_db.QueryEach(u"select items from upload_file where file_id=?"_s, { fileId }, [&](const RecordView& v) {
        const QByteArray items = v.utf8(0);
        UploadItemRow r;
        qsizetype begin = 0;
        while (begin < items.size()) {
            qsizetype end = items.indexOf('\n', begin);
            if (end < 0)
                end = items.size();
            const QByteArrayView line = QByteArrayView(items).sliced(begin, end - begin);
            QByteArrayView fields[4];
            qsizetype from = 0;
            for (int f = 0; f < 4; ++f) {
                const qsizetype tab = f < 3 ? line.indexOf('\t', from) : -1;
                fields[f] = tab < 0 ? line.sliced(qMin(from, line.size())) : line.sliced(from, tab - from);
                from = tab < 0 ? line.size() : tab + 1;
            }
            ++r.seq;
            r.accNo = fieldText(fields[0]);
            r.accName = fieldText(fields[1]);
            r.amountFen = fields[2].toLongLong();
            r.remark = fieldText(fields[3]);
            item(r);
            begin = end + 1;
        }
    });
}

Result<std::vector<UploadFileRow>> UploadHistoryTable::filesWithBatchKey(const QString& batchKey, qint64 since)
{
    std::vector<UploadFileRow> files;
    const Result<> read = m_db.QueryEach(u"select "_s + kFileColumns
            + u" from upload_file where batch_key=? and made_at>=? order by made_at desc,file_id desc"_s,
        { batchKey, since }, [&](const RecordView& v) { files.push_back(fileRow(v)); });
    if (!read)
        return read.failure();
    return files;
}

Result<> UploadHistoryTable::eachKeysSince(qint64 since, const std::function<void(const UploadFileKeys&)>& file)
{
    UploadFileKeys r;
    return m_db.QueryEach(
        u"select file_id,made_at,item_keys from upload_file where made_at>=?"_s, { since }, [&](const RecordView& v) {
            r.fileId = v.value(0).toLongLong();
            r.madeAt = v.value(1).toLongLong();
            r.itemKeys = QByteArray::fromBase64(v.utf8(2));
            file(r);
        });
}

Result<qint64> UploadHistoryTable::countBefore(qint64 madeAt)
{
    qint64 count = 0;
    const Result<> read = m_db.QueryEach(u"select count(*) from upload_file where made_at<?"_s, { madeAt },
        [&count](const RecordView& v) { count = v.value(0).toLongLong(); });
    if (!read)
        return read.failure();
    return count;
}

Result<qint64> UploadHistoryTable::removeBefore(qint64 madeAt)
{
    Transaction tx(m_db);
    if (!tx.begun())
        return tx.failure().failure();
    const Result<qint64> count = countBefore(madeAt);
    if (!count)
        return count;
    if (const Result<> files = m_db.Delete(u"delete from upload_file where made_at<?"_s, { madeAt }); !files)
        return files.failure();
    if (const Result<> committed = tx.commit(); !committed)
        return committed.failure();
    return count;
}
