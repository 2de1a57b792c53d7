#include "domain/UploadHistory.h"

#include "store/DBAccess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <map>

using namespace Qt::StringLiterals;

namespace UploadHistory {
namespace {

// FNV-1a over the account's bytes and the amount's eight bytes, from a given
// start value, then a full 64-bit mix. Fixed here for good: the keys of the
// recorded sets are stored.
quint64 accountHash(QByteArrayView accNo, qint64 amountFen, quint64 basis)
{
    constexpr quint64 kPrime = 0x100000001b3ULL;
    quint64 h = basis;
    for (const char c : accNo) {
        h ^= static_cast<unsigned char>(c);
        h *= kPrime;
    }
    const auto fen = static_cast<quint64>(amountFen);
    for (int i = 0; i < 8; ++i) {
        h ^= (fen >> (8 * i)) & 0xFFu;
        h *= kPrime;
    }
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBULL;
    h ^= h >> 31;
    return h;
}

constexpr quint64 kBasis1 = 0xCBF29CE484222325ULL;
constexpr quint64 kBasis2 = 0x84222325CBF29CE4ULL;

} // namespace

QString kindCode(Kind kind)
{
    switch (kind) {
    case Kind::PaymentCsv:
        return u"payment-csv"_s;
    case Kind::PayrollCsv:
        return u"payroll-csv"_s;
    case Kind::PayrollXls:
        return u"payroll-xls"_s;
    }
    return {};
}

QString kindText(const QString& code)
{
    if (code == u"payment-csv"_s)
        return u"批量支付(CSV)"_s;
    if (code == u"payroll-csv"_s)
        return u"代发工资(CSV)"_s;
    if (code == u"payroll-xls"_s)
        return u"代发工资(XLS)"_s;
    return code;
}

QString madeAtText(qint64 madeAt)
{
    return QDateTime::fromSecsSinceEpoch(madeAt).toString(u"yyyy-MM-dd HH:mm"_s);
}

QString fileNameOf(const QString& path)
{
    return QFileInfo(QDir::fromNativeSeparators(path)).fileName();
}

quint64 BatchKey::add(QByteArrayView accNo, qint64 amountFen)
{
    ++m_count;
    const quint64 key = accountHash(accNo, amountFen, kBasis1);
    m_sum1 += key;
    m_sum2 += accountHash(accNo, amountFen, kBasis2);
    return key;
}

QString BatchKey::text() const
{
    return u"%1-%2%3"_s.arg(m_count).arg(m_sum1, 16, 16, QChar(u'0')).arg(m_sum2, 16, 16, QChar(u'0'));
}

void Batch::add(const QString& accNo, const QString& accName, const QString& amount, const QString& remark)
{
    UploadItemRow item;
    item.seq = size() + 1;
    item.accNo = accNo.trimmed();
    item.accName = accName;
    // The check refuses a file with an amount that is not one; a file
    // written anyway records it as 0.
    item.amountFen = Money::parse(amount.trimmed()).value_or(Money()).fen();
    item.remark = remark;
    if (const auto sum = Money::checkedAdd(m_total, Money::fromFen(item.amountFen)))
        m_total = *sum;
    const quint64 key = m_key.add(item.accNo.toUtf8(), item.amountFen);
    char bytes[8];
    qToLittleEndian(key, bytes);
    m_itemKeys.append(bytes, sizeof bytes);
    m_items.push_back(std::move(item));
}

Result<QString> fileSha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { file.errorString() };
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError)
        return Failure { file.errorString() };
    return QString::fromLatin1(hash.result().toHex());
}

Result<qint64> record(DBAccess& db, Kind kind, const QString& path, const Batch& batch, const QDateTime& madeAt)
{
    const Result<QString> sha = fileSha256(path);
    if (!sha)
        return sha.failure();
    UploadHistoryTable table(db);
    Transaction tx(db);
    if (!tx.begun())
        return tx.failure().failure();
    UploadFileRow file;
    file.madeAt = madeAt.toSecsSinceEpoch();
    file.kind = kindCode(kind);
    file.path = path;
    file.count = batch.size();
    file.totalFen = batch.total().fen();
    file.sha256 = *sha;
    file.batchKey = batch.key();
    file.itemKeys = batch.itemKeys();
    const Result<qint64> id = table.insertFile(file);
    if (!id)
        return id;
    if (const Result<> added = table.insertItems(*id, batch.items()); !added)
        return added.failure();
    if (const Result<> committed = tx.commit(); !committed)
        return committed.failure();
    return id;
}

FileState compareWithDisk(const UploadFileRow& file)
{
    if (!QFileInfo(file.path).isFile())
        return FileState::Missing;
    const Result<QString> sha = fileSha256(file.path);
    if (!sha)
        return FileState::Unreadable;
    return *sha == file.sha256 ? FileState::Same : FileState::Changed;
}

qint64 windowStart(const QDateTime& now, int days)
{
    return now.toSecsSinceEpoch() - qint64(days) * 24 * 60 * 60;
}

DuplicateCheck::DuplicateCheck(qsizetype expected)
{
    m_entries.reserve(static_cast<size_t>(expected));
    m_matchOf.reserve(expected);
}

void DuplicateCheck::add(qint64 row, const QString& accNo, const QString& amount)
{
    const auto money = Money::parse(amount.trimmed());
    const QByteArray acc = accNo.trimmed().toUtf8();
    if (!money || money->fen() <= 0 || acc.isEmpty())
        return;
    const quint64 key = m_key.add(acc, money->fen());
    auto it = m_matchOf.constFind(key);
    if (it == m_matchOf.constEnd()) {
        it = m_matchOf.insert(key, static_cast<qint32>(m_matches.size()));
        m_matches.push_back({});
    }
    m_entries.push_back({ row, it.value() });
}

Result<std::vector<InstructionCheck::Finding>> DuplicateCheck::findings(
    UploadHistoryTable& table, qint64 since, const QString& accountField)
{
    std::vector<InstructionCheck::Finding> out;
    if (m_entries.empty())
        return out;

    // The whole set first: a batch written before says everything at once.
    const auto same = table.filesWithBatchKey(m_key.text(), since);
    if (!same)
        return same.failure();
    for (const UploadFileRow& f : *same)
        out.push_back({ InstructionCheck::Severity::Warning, 0, u"全部指令"_s,
            u"本批指令与 %1 生成的 %2 完全相同，可能重复上传"_s.arg(madeAtText(f.madeAt), fileNameOf(f.path)) });
    if (!out.empty())
        return out;

    // One pass over the instruction keys of the files of the window, each
    // looked up in the batch; the newest file holding it is kept.
    const Result<> scanned = table.eachKeysSince(since, [this](const UploadFileKeys& file) {
        const qsizetype count = file.itemKeys.size() / 8;
        const char* keys = file.itemKeys.constData();
        for (qsizetype k = 0; k < count; ++k) {
            const auto it = m_matchOf.constFind(qFromLittleEndian<quint64>(keys + 8 * k));
            if (it == m_matchOf.constEnd())
                continue;
            Match& m = m_matches[static_cast<size_t>(it.value())];
            if (m.fileId == 0 || file.madeAt > m.madeAt || (file.madeAt == m.madeAt && file.fileId > m.fileId))
                m = { file.fileId, k + 1, file.madeAt };
        }
    });
    if (!scanned)
        return scanned.failure();

    std::map<qint64, QString> names; // file number -> "time file name"
    for (const Entry& entry : m_entries) {
        const Match& e = m_matches[static_cast<size_t>(entry.match)];
        if (e.fileId == 0)
            continue;
        auto name = names.find(e.fileId);
        if (name == names.end()) {
            const auto file = table.file(e.fileId);
            if (!file)
                return file.failure();
            const QString text = *file ? madeAtText((*file)->madeAt) + u" 生成的 "_s + fileNameOf((*file)->path)
                                       : madeAtText(e.madeAt) + u" 生成的文件"_s;
            name = names.emplace(e.fileId, text).first;
        }
        out.push_back({ InstructionCheck::Severity::Warning, entry.row, accountField,
            u"可能重复付款：与 %1 第%2笔相同"_s.arg(name->second).arg(e.seq) });
    }
    return out;
}

} // namespace UploadHistory
