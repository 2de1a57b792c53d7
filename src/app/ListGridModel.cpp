#include "app/ListGridModel.h"

#include <QColor>
#include <QStringMatcher>

#include <algorithm>
#include <numeric>

void ListGridRows::reserve(qsizetype rows, qsizetype charsPerRow)
{
    m_offsets.reserve(size_t(rows) * size_t(m_columns) + 1);
    m_text.reserve(m_used + rows * charsPerRow);
}

QChar* ListGridRows::room(qsizetype more)
{
    // The string's size marks how much of its buffer may be written; it is
    // set to the whole capacity at once, and the capacity grows by doubling.
    if (m_text.size() - m_used < more) {
        const qsizetype need = m_used + more;
        m_text.resize(need <= m_text.capacity() ? m_text.capacity() : std::max(2 * m_text.capacity(), need + 4096));
    }
    return m_text.data() + m_used;
}

void ListGridRows::squeeze()
{
    m_text.resize(m_used);
    // A buffer grown by doubling may be half empty; one read at about the
    // size it had is not worth a copy.
    if (m_text.capacity() - m_used > m_used / 4)
        m_text.squeeze();
}

void ListGridRows::addCell(QStringView text)
{
    std::copy(text.begin(), text.end(), room(text.size()));
    m_used += text.size();
    m_offsets.push_back(static_cast<std::uint32_t>(m_used));
}

namespace {
bool continuation(uchar c)
{
    return (c & 0xC0) == 0x80;
}

// Decodes well-formed UTF-8 at `out`, which has room for one unit a byte;
// returns the end of what was written, or none at the first byte that is not
// well-formed.
std::optional<char16_t*> decodeUtf8(QByteArrayView utf8, char16_t* out)
{
    const auto* p = reinterpret_cast<const uchar*>(utf8.data());
    const uchar* const end = p + utf8.size();
    while (p < end) {
        const uchar c = *p;
        if (c < 0x80) {
            *out++ = c;
            ++p;
        } else if (c >= 0xC2 && c < 0xE0 && end - p >= 2 && continuation(p[1])) {
            *out++ = char16_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (c >= 0xE0 && c < 0xF0 && end - p >= 3 && continuation(p[1]) && continuation(p[2])) {
            const char32_t u = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
            if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF))
                return std::nullopt;
            *out++ = char16_t(u);
            p += 3;
        } else if (c >= 0xF0 && c < 0xF5 && end - p >= 4 && continuation(p[1]) && continuation(p[2])
            && continuation(p[3])) {
            const char32_t u = ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            if (u < 0x10000 || u > 0x10FFFF)
                return std::nullopt;
            *out++ = char16_t(0xD800 + ((u - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((u - 0x10000) & 0x3FF));
            p += 4;
        } else {
            return std::nullopt;
        }
    }
    return out;
}
} // namespace

void ListGridRows::addCellUtf8(QByteArrayView utf8, bool trim)
{
    // Never more UTF-16 units than UTF-8 bytes.
    auto* const begin = reinterpret_cast<char16_t*>(room(utf8.size()));
    qsizetype size = 0;
    if (const auto end = decodeUtf8(utf8, begin)) {
        size = *end - begin;
    } else {
        // Not well-formed: decoded as a QString does it, with replacement
        // characters.
        const QString decoded = QString::fromUtf8(utf8);
        std::copy(decoded.begin(), decoded.end(), room(decoded.size()));
        size = decoded.size();
    }
    QChar* const cell = m_text.data() + m_used;
    if (trim && size > 0 && (cell[0].isSpace() || cell[size - 1].isSpace())) {
        const QStringView kept = QStringView(cell, size).trimmed();
        if (!kept.isEmpty() && kept.data() != cell)
            std::copy(kept.begin(), kept.end(), cell);
        size = kept.size();
    }
    m_used += size;
    m_offsets.push_back(static_cast<std::uint32_t>(m_used));
}

void ListGridRows::addRow(const QStringList& row)
{
    for (int c = 0; c < m_columns; ++c)
        addCell(c < row.size() ? QStringView(row.at(c)) : QStringView());
}

namespace {
// What a find compares: lower case, without the thousands separators of
// amounts and without the character that ends a cell in the search text.
// Writes the folded `text` at `out`; returns the end of what was written.
QChar* writeFolded(QChar* out, QStringView text)
{
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80) {
            if (u == u',' || u == 0x1)
                continue;
            *out++ = QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
        } else {
            *out++ = ch.toLower();
        }
    }
    return out;
}

void appendFolded(QString& out, QStringView text)
{
    const qsizetype at = out.size();
    out.resize(at + text.size());
    out.truncate(writeFolded(out.data() + at, text) - out.constData());
}
} // namespace

int ListGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownCount();
}

int ListGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ListGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shownCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::EditRole)
        return text(index.row(), index.column());
    if (role == Qt::BackgroundRole && index.column() == 0)
        return QColor(0xEE, 0xEE, 0xEE); // the running number is drawn like the header
    if (role == Qt::TextAlignmentRole) {
        const auto c = static_cast<size_t>(index.column());
        const Qt::Alignment a = c < m_alignments.size() ? m_alignments[c] : Qt::AlignLeft;
        return QVariant::fromValue(Qt::Alignment(a | Qt::AlignVCenter));
    }
    return {};
}

Qt::ItemFlags ListGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    // Only a listed record takes a typed value, never the blank row of an empty list.
    if (index.isValid() && index.column() == m_editableColumn && m_commit && index.row() < shownCount()
        && !m_rows.cell(m_shown[size_t(index.row())], 0).isEmpty())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ListGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const std::optional<QString> shown = m_commit(index.row(), value.toString());
    if (!shown)
        return false;
    setText(index.row(), index.column(), *shown);
    emit cellEdited(index.row(), index.column());
    return true;
}

void ListGridModel::setEditableColumn(int column, CellCommit commit)
{
    m_editableColumn = column;
    m_commit = std::move(commit);
}

QVariant ListGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ListGridModel::setHeaders(const QStringList& headers)
{
    beginResetModel();
    const bool sameColumns = headers == m_headers;
    m_headers = headers;
    m_rows = ListGridRows(static_cast<int>(headers.size()));
    m_changed.clear();
    m_alignments.assign(static_cast<size_t>(headers.size()), Qt::AlignLeft);
    if (!sameColumns) {
        // Another list: its find and sort start afresh.
        m_find.clear();
        m_foldedFind.clear();
        m_sortColumn = -1;
        m_amountColumn = -1;
        m_searched.clear();
    }
    m_searchValid = false;
    m_amountsValid = false;
    m_order.clear();
    m_shown.clear();
    endResetModel();
}

void ListGridModel::setAlignment(int column, Qt::Alignment alignment)
{
    if (column >= 0 && static_cast<size_t>(column) < m_alignments.size())
        m_alignments[static_cast<size_t>(column)] = alignment;
}

void ListGridModel::setAmountColumn(int column)
{
    m_amountColumn = column;
    m_amountsValid = false;
}

void ListGridModel::setSearchedColumns(std::vector<bool> searched)
{
    if (searched == m_searched)
        return;
    m_searched = std::move(searched);
    m_searchValid = false;
}

void ListGridModel::resetRows(ListGridRows&& rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_rows.squeeze();
    m_changed.clear();
    m_searchValid = false;
    m_amountsValid = false;
    // Free the old index before the new one is built.
    m_searchText = QString();
    m_searchStarts = {};
    applySort(m_sortColumn, m_sortOrder);
    endResetModel();
}

void ListGridModel::appendRow(const QStringList& row)
{
    m_rows.addRow(row);
    m_searchValid = false;
    m_amountsValid = false;
    if (m_find.isEmpty() && m_sortColumn < 0) {
        const int n = shownCount();
        beginInsertRows({}, n, n);
        m_shown.push_back(m_rows.rowCount() - 1);
        endInsertRows();
        return;
    }
    beginResetModel();
    applySort(m_sortColumn, m_sortOrder);
    endResetModel();
}

QStringView ListGridModel::rawCell(qsizetype storedRow, int column, QString& holder) const
{
    if (!m_changed.isEmpty()) {
        const auto it = m_changed.constFind(qint64(storedRow) * m_rows.columns() + column);
        if (it != m_changed.cend()) {
            holder = *it;
            return holder;
        }
    }
    return m_rows.cell(storedRow, column);
}

QString ListGridModel::storedText(qsizetype storedRow, int column) const
{
    if (storedRow < 0 || storedRow >= storedCount() || column < 0 || column >= m_rows.columns())
        return {};
    QString holder;
    return rawCell(storedRow, column, holder).toString();
}

int ListGridModel::shownRow(qsizetype storedRow) const
{
    const auto it = std::find(m_shown.cbegin(), m_shown.cend(), storedRow);
    return it == m_shown.cend() ? -1 : static_cast<int>(it - m_shown.cbegin());
}

QString ListGridModel::text(int shownRow, int column) const
{
    if (shownRow < 0 || shownRow >= shownCount() || column < 0 || column >= m_rows.columns())
        return {};
    QString holder;
    const QStringView cell = rawCell(m_shown[size_t(shownRow)], column, holder);
    // The running number counts the rows as shown; the blank row of an empty
    // list stays blank.
    if (column == 0 && !cell.isEmpty())
        return QString::number(shownRow + 1);
    return cell.toString();
}

void ListGridModel::setText(int shownRow, int column, const QString& text)
{
    if (shownRow < 0 || shownRow >= shownCount() || column < 0 || column >= m_rows.columns())
        return;
    const qsizetype stored = m_shown[size_t(shownRow)];
    m_changed.insert(qint64(stored) * m_rows.columns() + column, text);
    m_searchValid = false;
    if (column == m_amountColumn && m_amountsValid) {
        const auto money = Money::parse(text);
        m_amounts[size_t(stored)] = money ? money->fen() : 0;
        m_amountValid[size_t(stored)] = money.has_value() || text.trimmed().isEmpty();
    }
    emit dataChanged(index(shownRow, column), index(shownRow, column));
}

void ListGridModel::setFindText(const QString& text)
{
    QString folded;
    appendFolded(folded, text);
    if (text == m_find && folded == m_foldedFind)
        return;
    beginResetModel();
    m_find = text;
    m_foldedFind = folded;
    rebuildShown();
    endResetModel();
}

void ListGridModel::sortBy(int column, Qt::SortOrder order)
{
    beginResetModel();
    applySort(column, order);
    endResetModel();
}

void ListGridModel::applySort(int column, Qt::SortOrder order)
{
    m_sortColumn = column >= 0 && column < m_rows.columns() ? column : -1;
    m_sortOrder = order;
    m_order.clear();
    if (m_sortColumn >= 0) {
        m_order.resize(size_t(storedCount()));
        std::iota(m_order.begin(), m_order.end(), qsizetype(0));
        const bool descending = order == Qt::DescendingOrder;
        if (m_sortColumn == m_amountColumn) {
            ensureAmounts();
            // Amounts by value; a cell that is no amount before every amount.
            const auto key = [this](qsizetype r) {
                return std::pair<bool, std::int64_t>(m_amountValid[size_t(r)], m_amounts[size_t(r)]);
            };
            std::stable_sort(m_order.begin(), m_order.end(),
                [&](qsizetype a, qsizetype b) { return descending ? key(b) < key(a) : key(a) < key(b); });
        } else {
            const int c = m_sortColumn;
            std::stable_sort(m_order.begin(), m_order.end(), [&](qsizetype a, qsizetype b) {
                QString ha;
                QString hb;
                const QStringView ta = rawCell(a, c, ha);
                const QStringView tb = rawCell(b, c, hb);
                return descending ? tb.compare(ta) < 0 : ta.compare(tb) < 0;
            });
        }
    }
    rebuildShown();
}

void ListGridModel::rebuildShown()
{
    const qsizetype n = storedCount();
    m_shown.clear();
    const auto base = [&](auto&& keep) {
        if (m_order.empty()) {
            for (qsizetype r = 0; r < n; ++r)
                if (keep(r))
                    m_shown.push_back(r);
        } else {
            for (const qsizetype r : m_order)
                if (keep(r))
                    m_shown.push_back(r);
        }
    };
    if (m_foldedFind.isEmpty()) {
        m_shown.reserve(size_t(n));
        base([](qsizetype) { return true; });
        return;
    }
    ensureSearchText();
    // One pass of the matcher over all rows; a row found once is done.
    std::vector<bool> found(size_t(n), false);
    const QStringMatcher matcher(m_foldedFind, Qt::CaseSensitive);
    const QStringView all(m_searchText);
    qsizetype from = 0;
    while (true) {
        const qsizetype at = matcher.indexIn(all, from);
        if (at < 0)
            break;
        const auto next = std::upper_bound(m_searchStarts.cbegin(), m_searchStarts.cend(), at);
        const auto row = static_cast<size_t>(next - m_searchStarts.cbegin() - 1);
        found[row] = true;
        if (next == m_searchStarts.cend())
            break;
        from = *next;
    }
    base([&](qsizetype r) { return bool(found[size_t(r)]); });
}

void ListGridModel::ensureSearchText() const
{
    if (m_searchValid)
        return;
    const qsizetype n = storedCount();
    const int columns = m_rows.columns();
    m_searchStarts.clear();
    m_searchStarts.reserve(size_t(n));
    // At most every stored character and one end mark per cell: written in
    // place, without growing the text on the way.
    qsizetype bound = m_rows.textSize() + n * columns;
    for (const QString& changed : m_changed)
        bound += changed.size();
    m_searchText = QString();
    m_searchText.resize(bound);
    QChar* const begin = m_searchText.data();
    QChar* out = begin;
    QString holder;
    for (qsizetype r = 0; r < n; ++r) {
        m_searchStarts.push_back(out - begin);
        for (int c = 1; c < columns; ++c) {
            if (size_t(c) < m_searched.size() && !m_searched[size_t(c)])
                continue;
            out = writeFolded(out, rawCell(r, c, holder));
            *out++ = QChar(u'\x1');
        }
    }
    m_searchText.truncate(out - begin);
    m_searchValid = true;
}

void ListGridModel::ensureAmounts() const
{
    if (m_amountsValid)
        return;
    const qsizetype n = storedCount();
    m_amounts.assign(size_t(n), 0);
    m_amountValid.assign(size_t(n), true);
    if (m_amountColumn >= 0 && m_amountColumn < m_rows.columns()) {
        QString holder;
        for (qsizetype r = 0; r < n; ++r) {
            const QStringView cell = rawCell(r, m_amountColumn, holder);
            if (cell.trimmed().isEmpty())
                continue;
            const auto money = Money::parse(cell.toString());
            m_amounts[size_t(r)] = money ? money->fen() : 0;
            m_amountValid[size_t(r)] = money.has_value();
        }
    }
    m_amountsValid = true;
}

std::optional<Money> ListGridModel::shownTotal() const
{
    ensureAmounts();
    Money total;
    for (const qsizetype r : m_shown) {
        if (!m_amountValid[size_t(r)])
            return std::nullopt;
        const auto sum = Money::checkedAdd(total, Money::fromFen(m_amounts[size_t(r)]));
        if (!sum)
            return std::nullopt;
        total = *sum;
    }
    return total;
}
