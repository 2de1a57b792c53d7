#include "domain/tables/InstructionTable.h"

#include "common/TextFormat.h"
#include "store/DBAccess.h"

#include <charconv>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

int ListedInstruction::size() const
{
    return m_record.size();
}

QByteArray ListedInstruction::utf8(int column) const
{
    if (column == m_kindColumn)
        return QByteArray::fromRawData(m_kindText.data(), m_kindText.size());
    return m_record.utf8(column);
}

namespace {

// A stored amount in the plain form: the shortest text that reads back as the
// stored number (which is the store's text of it) read by Money::parsePlain.
std::optional<Money> plainAmount(const RecordView& record, int column)
{
    char text[64];
    std::to_chars_result written { text, std::errc() };
    if (const auto real = record.real(column)) {
        // Most amounts are decimals of at most two places: then the number is
        // the double nearest to fen / 100, which is exactly when that division
        // (correctly rounded) gives it back; the text would say the same.
        if (*real >= 0 && *real < 1e15) {
            const auto fen = static_cast<std::int64_t>(std::llround(*real * 100));
            if (static_cast<double>(fen) / 100 == *real)
                return Money::fromFen(fen);
        }
        written = std::to_chars(text, text + sizeof text, *real, std::chars_format::fixed);
    } else if (const auto integer = record.integer(column)) {
        written = std::to_chars(text, text + sizeof text, *integer);
    } else {
        return Money::parsePlain(record.utf8(column));
    }
    if (written.ec != std::errc())
        return std::nullopt;
    return Money::parsePlain(QByteArrayView(text, written.ptr - text));
}

} // namespace

ListedInstruction::ListedInstruction(
    const RecordView& record, int amountColumn, int kindColumn, QByteArrayView kindText)
    : m_record(record)
    , m_amountColumn(amountColumn)
    , m_kindColumn(kindColumn)
    , m_kindText(kindText)
    , m_amount(plainAmount(record, amountColumn))
{
}

QString ListedInstruction::amountText() const
{
    return m_record.text(m_amountColumn);
}

QString ListedInstruction::amountShown() const
{
    return m_amount ? m_amount->toGroupedText() : formatStoredAmount(amountText(), true);
}

Result<std::optional<InstructionTotals>> InstructionTable::readListed(
    const QString& sql, ListedColumns columns, const ListedRow& row)
{
    // The kinds are two rows: looked up here rather than joined per row.
    std::vector<std::pair<QByteArray, QByteArray>> kinds;
    const Result<> kindsRead
        = m_db.QueryEach(u"select tran_type,tran_desc from tran_acc_type"_s, {}, [&kinds](const RecordView& v) {
              const QByteArray code = v.utf8(0);
              const QByteArray desc = v.utf8(1);
              kinds.emplace_back(QByteArray(code.constData(), code.size()), QByteArray(desc.constData(), desc.size()));
          });
    if (!kindsRead)
        return kindsRead.failure();

    InstructionTotals totals;
    bool exact = true;
    const Result<> read = m_db.QueryEach(sql, {}, [&](const RecordView& v) {
        // A row without a kind has none the table knows: the join left it out.
        QByteArrayView desc;
        bool listed = false;
        if (!v.isNull(columns.kind)) {
            const QByteArray kind = v.utf8(columns.kind);
            for (const auto& [code, text] : kinds) {
                if (code == kind) {
                    desc = text;
                    listed = true;
                    break;
                }
            }
        }
        const ListedInstruction instruction(v, columns.amount, columns.kind, desc);
        if (!v.isNull(columns.counted))
            ++totals.count;
        if (exact && !v.isNull(columns.amount)) {
            const auto amount = instruction.amount();
            const auto sum = amount ? Money::checkedAdd(totals.total, *amount) : std::nullopt;
            exact = sum.has_value();
            if (sum)
                totals.total = *sum;
        }
        if (listed)
            row(instruction);
    });
    if (!read)
        return read.failure();
    if (!exact)
        return std::optional<InstructionTotals>();
    return std::optional<InstructionTotals>(totals);
}

Result<InstructionTotals> InstructionTable::readTotals(const QString& statement)
{
    auto rs = m_db.Query(statement);
    if (!rs)
        return rs.failure();
    if (rs->isEmpty())
        return Failure { u"合计查询没有结果"_s };
    InstructionTotals totals;
    totals.count = rs->value(0, u"totalNum"_s).toLongLong();
    totals.total = Money::fromFen(rs->value(0, u"totalAmt"_s).toLongLong());
    return totals;
}

Result<qint64> InstructionTable::insertEach(const QString& sql, qint64 count,
    const std::function<void(RowValues& values, qint64 index)>& bindRow, const Progress& progress)
{
    static constexpr qint64 kProgressInterval = 1000;
    std::optional<Transaction> own;
    if (!m_db.inTransaction()) {
        own.emplace(m_db);
        if (!own->begun())
            return own->failure().failure();
    }
    std::function<void(qint64)> afterRow;
    if (progress)
        afterRow = [&](qint64 i) {
            if ((i + 1) % kProgressInterval == 0)
                progress(i + 1, count);
        };
    if (const Result<qint64> inserted = m_db.InsertEach(sql, count, bindRow, afterRow); !inserted)
        return inserted;
    if (progress && count % kProgressInterval != 0)
        progress(count, count);
    if (own) {
        if (const Result<> committed = own->commit(); !committed)
            return committed.failure();
    }
    return count;
}

Result<> InstructionTable::updateAmounts(const QString& statement, const std::vector<AmountChange>& changes)
{
    std::optional<Transaction> own;
    if (!m_db.inTransaction()) {
        own.emplace(m_db);
        if (!own->begun())
            return own->failure();
    }
    for (const AmountChange& change : changes) {
        if (const Result<> updated = m_db.Update(
                statement, { change.amount.isEmpty() ? QVariant() : QVariant(change.amount), change.serialNo });
            !updated)
            return updated;
    }
    return own ? own->commit() : Result<>();
}

Result<QHash<QString, QString>> InstructionTable::readAmounts(const QString& statement, const QStringList& serialNos)
{
    QHash<QString, QString> amounts;
    amounts.reserve(serialNos.size());
    const Result<> read = m_db.QueryEach(statement, { DBAccess::listParameter(serialNos) },
        [&](const RecordView& v) { amounts.insert(v.text(0), v.text(1)); });
    if (!read)
        return read.failure();
    return amounts;
}
