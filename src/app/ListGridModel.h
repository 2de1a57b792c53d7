#pragma once

#include "common/Money.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The rows of a list held compactly: every cell's text in one character
// buffer, found through one offset per cell. A million rows of a dozen columns
// take a few hundred bytes each instead of a string object per cell.
class ListGridRows {
public:
    explicit ListGridRows(int columns = 0)
        : m_columns(columns)
    {
        m_offsets.push_back(0);
    }

    int columns() const { return m_columns; }
    qsizetype rowCount() const { return m_columns == 0 ? 0 : qsizetype(m_offsets.size() - 1) / m_columns; }
    void reserve(qsizetype rows, qsizetype charsPerRow);
    // The characters of all cells.
    qsizetype textSize() const { return m_used; }
    // Gives back the room beyond the cells when it is large (once they are all
    // added).
    void squeeze();

    // Adds the next cell of the row being built; a row is complete after
    // columns() cells.
    void addCell(QStringView text);
    // The same for a text in UTF-8, decoded straight into the buffer; with
    // `trim`, without the white space around it (as QString::trimmed()).
    void addCellUtf8(QByteArrayView utf8, bool trim);
    // Adds a whole row; missing cells are empty, extra cells are dropped.
    void addRow(const QStringList& row);

    QStringView cell(qsizetype row, int column) const
    {
        const size_t i = size_t(row) * size_t(m_columns) + size_t(column);
        return QStringView(m_text).mid(qsizetype(m_offsets[i]), qsizetype(m_offsets[i + 1] - m_offsets[i]));
    }

private:
    // Room for `more` characters after the cells; the buffer grows by doubling.
    QChar* room(qsizetype more);

    int m_columns;
    QString m_text; // the cells' characters, then room: only [0, m_used) is used
    qsizetype m_used = 0;
    std::vector<std::uint32_t> m_offsets; // cell i spans [m_offsets[i], m_offsets[i + 1])
};

// The rows behind a ListGrid: row 0 of the grid is the header (held apart),
// data rows count from 1. The rows are stored in the order they were read; the
// grid shows them through an index of shown rows, so that finding and sorting
// never copy a row: a find keeps the rows where a searched column contains the
// text, a sort orders the index by one column. Column 0 numbers the rows as
// they are shown.
class ListGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The column typed into in place (-1: none). `commit` stores the text typed
    // into a shown row's cell and gives the cell's new text, or none when it
    // refused the text (the cell keeps its text).
    using CellCommit = std::function<std::optional<QString>(int shownRow, const QString& typed)>;
    void setEditableColumn(int column, CellCommit commit);
    int editableColumn() const { return m_editableColumn; }

    void setHeaders(const QStringList& headers);
    const QStringList& headers() const { return m_headers; }
    void setAlignment(int column, Qt::Alignment alignment);
    // The column of amounts: sorted by value, found without its separators,
    // summed exactly over the shown rows.
    void setAmountColumn(int column);
    int amountColumn() const { return m_amountColumn; }
    // The columns a find searches (the shown ones, without the running number).
    void setSearchedColumns(std::vector<bool> searched);

    // Replaces every data row in one reset; the find text and sort stay.
    void resetRows(ListGridRows&& rows);
    void appendRow(const QStringList& row);

    // Stored rows, in stored order.
    const ListGridRows& storedRows() const { return m_rows; }
    qsizetype storedCount() const { return m_rows.rowCount(); }
    QString storedText(qsizetype storedRow, int column) const;
    // Shown rows (0-based) and their stored rows.
    int shownCount() const { return static_cast<int>(m_shown.size()); }
    qsizetype storedRow(int shownRow) const { return m_shown[size_t(shownRow)]; }
    // The shown row of a stored row; -1 when it is not shown.
    int shownRow(qsizetype storedRow) const;
    // The text of a shown row's cell, as the grid shows it.
    QString text(int shownRow, int column) const;
    void setText(int shownRow, int column, const QString& text);

    // Find: empty text shows every row.
    void setFindText(const QString& text);
    // Builds what a find searches now rather than at the first key typed.
    void prepareFind() const { ensureSearchText(); }
    const QString& findText() const { return m_find; }
    bool isFiltered() const { return !m_find.isEmpty(); }
    // Sort by `column`; -1 restores the stored order.
    void sortBy(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // The exact total of the amount column over the shown rows; none when a
    // shown amount is not an amount.
    std::optional<Money> shownTotal() const;

signals:
    // A cell typed into in place was stored and shows its new text.
    void cellEdited(int shownRow, int column);

private:
    void applySort(int column, Qt::SortOrder order);
    void rebuildShown();
    void ensureSearchText() const;
    void ensureAmounts() const;
    QStringView rawCell(qsizetype storedRow, int column, QString& holder) const;

    QStringList m_headers;
    std::vector<Qt::Alignment> m_alignments;
    ListGridRows m_rows;
    // Cells changed after the rows were read (an amount typed in the list).
    QHash<qint64, QString> m_changed;
    int m_amountColumn = -1;
    int m_editableColumn = -1;
    CellCommit m_commit;
    std::vector<bool> m_searched;

    std::vector<qsizetype> m_order; // stored rows in sort order; empty: stored order
    std::vector<qsizetype> m_shown; // the shown rows, in the order shown
    QString m_find;
    QString m_foldedFind;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    // Built when first needed, dropped when the rows change: the searched
    // cells of every row folded to lower case without separators, one row
    // after the other, and where each row starts.
    mutable QString m_searchText;
    mutable std::vector<qsizetype> m_searchStarts;
    mutable bool m_searchValid = false;
    // The amount column in fen; a cell that is no amount sorts first.
    mutable std::vector<std::int64_t> m_amounts;
    mutable std::vector<bool> m_amountValid;
    mutable bool m_amountsValid = false;
};
