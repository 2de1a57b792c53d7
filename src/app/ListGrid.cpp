#include "ListGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>

int ListGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ListGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ListGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<size_t>(index.row()) >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const QStringList& row = m_rows[static_cast<size_t>(index.row())];
        return index.column() < row.size() ? row.at(index.column()) : QString();
    }
    if (role == Qt::TextAlignmentRole) {
        const auto c = static_cast<size_t>(index.column());
        const Qt::Alignment a = c < m_alignments.size() ? m_alignments[c] : Qt::AlignLeft;
        return QVariant::fromValue(Qt::Alignment(a | Qt::AlignVCenter));
    }
    if (role == Qt::BackgroundRole && index.column() == 0)
        return QVariant(); // the fixed column is drawn by the style sheet of the view
    return {};
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
    m_headers = headers;
    m_rows.clear();
    m_alignments.assign(static_cast<size_t>(headers.size()), Qt::AlignLeft);
    endResetModel();
}

void ListGridModel::setAlignment(int column, Qt::Alignment alignment)
{
    if (column >= 0 && static_cast<size_t>(column) < m_alignments.size())
        m_alignments[static_cast<size_t>(column)] = alignment;
}

void ListGridModel::resetRows(std::vector<QStringList>&& rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ListGridModel::appendRow(const QStringList& row)
{
    const int n = static_cast<int>(m_rows.size());
    beginInsertRows({}, n, n);
    m_rows.push_back(row);
    endInsertRows();
}

void ListGridModel::setText(int dataRow, int column, const QString& text)
{
    if (dataRow < 0 || static_cast<size_t>(dataRow) >= m_rows.size() || column < 0 || column >= m_headers.size())
        return;
    QStringList& row = m_rows[static_cast<size_t>(dataRow)];
    while (row.size() <= column)
        row.append(QString());
    row[column] = text;
    emit dataChanged(index(dataRow, column), index(dataRow, column));
}

ListGrid::ListGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new ListGridModel(this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    // Fixed row heights keep 100,000 rows cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { syncFromView(); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { syncFromView(); });
    connect(this, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == 0 && cols() > 1) {
            // A click on the running number chooses the row, as a click on its first data cell does.
            m_col = 1;
        }
        emit cellClicked(index.row() + 1, m_col);
    });
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit cellDoubleClicked(index.row() + 1, index.column()); });
}

void ListGrid::setColumns(const QStringList& headers)
{
    m_model->setHeaders(headers);
    for (int c = 0; c < headers.size(); ++c)
        setColumnHidden(c, false);
    resetSelection();
}

void ListGrid::setColumnWidthTwips(int column, int twips)
{
    if (twips <= 0) {
        setColumnHidden(column, true);
        return;
    }
    setColumnHidden(column, false);
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    setColumnWidth(column, static_cast<int>(twips * dpi / 1440.0 + 0.5));
}

void ListGrid::setColumnAlignment(int column, Qt::Alignment alignment)
{
    m_model->setAlignment(column, alignment);
}

QString ListGrid::textMatrix(int row, int column) const
{
    if (row == 0)
        return column >= 0 && column < m_model->headers().size() ? m_model->headers().at(column) : QString();
    const auto& rows = m_model->rows();
    if (row < 1 || static_cast<size_t>(row) > rows.size())
        return {};
    const QStringList& r = rows[static_cast<size_t>(row - 1)];
    return column >= 0 && column < r.size() ? r.at(column) : QString();
}

void ListGrid::setTextMatrix(int row, int column, const QString& text)
{
    m_model->setText(row - 1, column, text);
}

void ListGrid::setRows(std::vector<QStringList>&& rows)
{
    m_model->resetRows(std::move(rows));
    resetSelection();
}

void ListGrid::addRow(const QStringList& row)
{
    m_model->appendRow(row);
}

void ListGrid::clearRows()
{
    m_model->resetRows({});
    resetSelection();
}

bool ListGrid::hasData() const
{
    return rows() > 1 && !textMatrix(1, 1).trimmed().isEmpty();
}

void ListGrid::selectRows(int anchorRow, int endRow, int column)
{
    if (m_model->rowCount() == 0)
        return;
    const int last = m_model->rowCount();
    anchorRow = std::clamp(anchorRow, 1, last);
    endRow = std::clamp(endRow, 1, last);
    m_updating = true;
    const QModelIndex from = m_model->index(std::min(anchorRow, endRow) - 1, 0);
    const QModelIndex to = m_model->index(std::max(anchorRow, endRow) - 1, std::max(0, cols() - 1));
    selectionModel()->setCurrentIndex(m_model->index(anchorRow - 1, std::max(0, column)), QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_updating = false;
    m_row = anchorRow;
    m_rowSel = endRow;
    m_col = column;
}

void ListGrid::resetSelection()
{
    m_updating = true;
    selectionModel()->clearSelection();
    if (m_model->rowCount() > 0)
        selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    m_updating = false;
    m_row = 1;
    m_rowSel = 1;
    m_col = 0;
}

void ListGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        emit rightButtonPressed(event->globalPosition().toPoint());
        return;
    }
    QTableView::mousePressEvent(event);
}

void ListGrid::syncFromView()
{
    if (m_updating)
        return;
    const QModelIndex current = selectionModel()->currentIndex();
    if (!current.isValid())
        return;
    m_row = current.row() + 1;
    m_col = current.column();
    // The end of the selected range farthest from the current row.
    int top = m_row;
    int bottom = m_row;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        top = std::min(top, range.top() + 1);
        bottom = std::max(bottom, range.bottom() + 1);
    }
    m_rowSel = (m_row == top) ? bottom : top;
}
