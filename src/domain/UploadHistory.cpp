#include "domain/UploadHistory.h"

#include "common/Sha256.h"
#include "store/DBAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

using namespace Qt::StringLiterals;

namespace UploadHistory {
namespace {

// The final 64-bit mix of a key.
quint64 mixed(quint64 h)
{
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBULL;
    h ^= h >> 31;
    return h;
}

// FNV-1a over the account's bytes and the amount's eight bytes, from two
// start values at once, each then fully mixed. Fixed here for good: the keys
// of the recorded sets are stored.
std::pair<quint64, quint64> accountHashes(QByteArrayView accNo, qint64 amountFen, quint64 basis1, quint64 basis2)
{
    constexpr quint64 kPrime = 0x100000001b3ULL;
    quint64 h1 = basis1;
    quint64 h2 = basis2;
    for (const char c : accNo) {
        const auto byte = static_cast<unsigned char>(c);
        h1 = (h1 ^ byte) * kPrime;
        h2 = (h2 ^ byte) * kPrime;
    }
    const auto fen = static_cast<quint64>(amountFen);
    for (int i = 0; i < 8; ++i) {
        const quint64 byte = (fen >> (8 * i)) & 0xFFu;
        h1 = (h1 ^ byte) * kPrime;
        h2 = (h2 ^ byte) * kPrime;
    }
    return { mixed(h1), mixed(h2) };
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
    const auto [key, second] = accountHashes(accNo, amountFen, kBasis1, kBasis2);
    m_sum1 += key;
    m_sum2 += second;
    return key;
}

QString BatchKey::text() const
{
    return u"%1-%2%3"_s.arg(m_count).arg(m_sum1, 16, 16, QChar(u'0')).arg(m_sum2, 16, 16, QChar(u'0'));
}

void Batch::reserve(qsizetype count)
{
    m_itemKeys.reserve(8 * count);
    // An account, a name, an amount and a short remark.
    m_items.reserve(64 * count);
}

void Batch::add(const QString& accNo, const QString& accName, const QString& amount, const QString& remark)
{
    addUtf8(QByteArrayView(accNo.toUtf8()), QByteArrayView(accName.toUtf8()), amount, QByteArrayView(remark.toUtf8()));
}

void Batch::addUtf8(QByteArrayView accNo, QByteArrayView accName, const QString& amount, QByteArrayView remark)
{
    // The check refuses a file with an amount that is not one; a file
    // written anyway records it as 0.
    addFen(accNo, accName, Money::parse(amount.trimmed()).value_or(Money()).fen(), remark);
}

void Batch::addFen(QByteArrayView accNo, QByteArrayView accName, qint64 fen, QByteArrayView remark)
{
    // Accounts rarely carry spaces: only then is the account trimmed as a text.
    QByteArray trimmed;
    const auto plain
        = [](char c) { return static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x80; };
    if (!accNo.isEmpty() && (!plain(accNo.front()) || !plain(accNo.back()))) {
        trimmed = QString::fromUtf8(accNo).trimmed().toUtf8();
        accNo = trimmed;
    }
    if (const auto sum = Money::checkedAdd(m_total, Money::fromFen(fen)))
        m_total = *sum;
    UploadHistoryTable::appendItem(m_items, accNo, accName, fen, remark);
    char bytes[8];
    qToLittleEndian(m_key.add(accNo, fen), bytes);
    m_itemKeys.append(bytes, sizeof bytes);
}

namespace {

// The amount of an upload file's line in fen: the writers put two decimals
// and no separators ("1234.50"), read without a detour through a text;
// anything else is read as an amount text.
qint64 lineAmountFen(QByteArrayView amount)
{
    if (const auto plain = Money::parsePlain(amount))
        return plain->fen();
    return Money::parse(QString::fromLatin1(amount)).value_or(Money()).fen();
}

} // namespace

Batch Batch::fromLines(QByteArrayView lines, const LineFields& fields)
{
    Batch batch;
    // About a hundred bytes a line.
    batch.reserve(lines.size() / 100 + 1);
    const int last = std::max({ fields.accNo, fields.accName, fields.amount, fields.remark });
    std::array<QByteArrayView, 16> all;
    const auto field = [&all, last](int index, qsizetype skip) {
        if (index < 0 || index > last)
            return QByteArrayView();
        const QByteArrayView f = all[size_t(index)];
        return f.sliced(qMin(skip, f.size()));
    };
    const char* at = lines.data();
    const char* const end = at + lines.size();
    while (at < end) {
        // Every line ends in CR LF, and no field holds a line break.
        const auto* lf = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        const char* lineEnd = lf ? lf : end;
        const char* fieldEnd = lineEnd > at && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        all.fill(QByteArrayView());
        const char* from = at;
        for (int f = 0; f <= last && f < int(all.size()) && from <= fieldEnd; ++f) {
            const auto* comma = static_cast<const char*>(std::memchr(from, ',', size_t(fieldEnd - from)));
            const char* to = comma ? comma : fieldEnd;
            all[size_t(f)] = QByteArrayView(from, to - from);
            from = to + 1;
        }
        batch.addFen(field(fields.accNo, 1), field(fields.accName, fields.nameSkip),
            lineAmountFen(field(fields.amount, 1)), field(fields.remark, 0));
        at = lineEnd + 1;
    }
    return batch;
}

Result<qint64> record(DBAccess& db, Kind kind, const QString& path, const Batch& batch, const QDateTime& madeAt)
{
    const Result<QString> sha = batch.sha256().isEmpty() ? Sha256::fileHex(path) : Result<QString>(batch.sha256());
    if (!sha)
        return sha.failure();
    UploadHistoryTable table(db);
    UploadFileRow file;
    file.madeAt = madeAt.toSecsSinceEpoch();
    file.kind = kindCode(kind);
    file.path = path;
    file.count = batch.size();
    file.totalFen = batch.total().fen();
    file.sha256 = *sha;
    file.batchKey = batch.key();
    file.itemKeys = batch.itemKeys();
    file.items = batch.items();
    return table.insertFile(file);
}

FileState compareWithDisk(const UploadFileRow& file)
{
    if (!QFileInfo(file.path).isFile())
        return FileState::Missing;
    const Result<QString> sha = Sha256::fileHex(file.path);
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
