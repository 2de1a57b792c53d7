#include "domain/tables/UploadHistoryTable.h"

#include "store/DBAccess.h"

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

Result<qint64> UploadHistoryTable::insertFile(const UploadFileRow& f)
{
    const Result<> inserted
        = m_db.Insert(u"insert into upload_file (made_at,kind,file_path,item_count,total_fen,sha256,batch_key,"
                      u"item_keys) values (?,?,?,?,?,?,?,?)"_s,
            { f.madeAt, f.kind, f.path, f.count, f.totalFen, f.sha256, f.batchKey,
                QString::fromLatin1(f.itemKeys.toBase64()) });
    if (!inserted)
        return inserted.failure();
    qint64 id = 0;
    const Result<> read = m_db.QueryEach(
        u"select last_insert_rowid()"_s, {}, [&id](const RecordView& v) { id = v.value(0).toLongLong(); });
    if (!read)
        return read.failure();
    return id;
}

Result<> UploadHistoryTable::insertItems(qint64 fileId, const std::vector<UploadItemRow>& items)
{
    const Result<qint64> inserted
        = m_db.InsertEach(u"insert into upload_item (file_id,seq,acc_no,acc_name,amount_fen,remark)"
                          u" values (?,?,?,?,?,?)"_s,
            qint64(items.size()), [&](RowValues& v, qint64 i) {
                const UploadItemRow& item = items[size_t(i)];
                v.integer(1, fileId);
                v.integer(2, item.seq);
                v.text(3, item.accNo);
                v.text(4, item.accName);
                v.integer(5, item.amountFen);
                v.text(6, item.remark);
            });
    return inserted ? Result<>() : inserted.failure();
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
    UploadItemRow r;
    return m_db.QueryEach(
        u"select seq,acc_no,acc_name,amount_fen,remark from upload_item where file_id=? order by seq"_s, { fileId },
        [&](const RecordView& v) {
            r.seq = v.value(0).toLongLong();
            r.accNo = v.text(1);
            r.accName = v.text(2);
            r.amountFen = v.value(3).toLongLong();
            r.remark = v.text(4);
            item(r);
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
    if (const Result<> items = m_db.Delete(u"delete from upload_item where file_id in"
                                           u" (select file_id from upload_file where made_at<?)"_s,
            { madeAt });
        !items)
        return items.failure();
    if (const Result<> files = m_db.Delete(u"delete from upload_file where made_at<?"_s, { madeAt }); !files)
        return files.failure();
    if (const Result<> committed = tx.commit(); !committed)
        return committed.failure();
    return count;
}
