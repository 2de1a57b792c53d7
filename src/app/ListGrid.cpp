#include "ListGrid.h"

#include <QColor>
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
    if (role == Qt::BackgroundRole && index.column() == 0)
        return QColor(0xEE, 0xEE, 0xEE); // the running number is drawn like the header
    if (role == Qt::TextAlignmentRole) {
        const auto c = static_cast<size_t>(index.column());
        const Qt::Alignment a = c < m_alignments.size() ? m_alignments[c] : Qt::AlignLeft;
        return QVariant::fromValue(Qt::Alignment(a | Qt::AlignVCenter));
    }
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

    // Every way the user moves the choice (a click, a drag over rows, the arrow
    // keys, Shift with them, select-all) updates row, col and rowSel and
    // announces the chosen row, so that what the screens show never lags behind
    // the highlighted row.
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { syncFromView(true); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { syncFromView(true); });
    // A click on the cell that is already current changes nothing in the view;
    // it still chooses the row.
    connect(this, &QTableView::clicked, this, [this] { syncFromView(true); });
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
    // As after a drag: the current cell is where the drag ended.
    selectionModel()->setCurrentIndex(m_model->index(endRow - 1, std::max(0, column)), QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_updating = false;
    syncFromView(true);
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

void ListGrid::syncFromView(bool announce)
{
    if (m_updating)
        return;
    QModelIndex current = selectionModel()->currentIndex();
    if (!current.isValid())
        return;
    // Column 0 holds the running number: choosing a row there is choosing the
    // row, so the current cell moves to the first data column. Only a refresh
    // leaves column 0 current ("nothing chosen").
    if (current.column() == 0 && cols() > 1) {
        m_updating = true;
        current = current.siblingAtColumn(1);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        m_updating = false;
    }
    // The current cell is the moving end of a range (where a drag or Shift+arrow
    // has got to); the other end of the selected range is where it started.
    const int moving = current.row() + 1;
    int top = moving;
    int bottom = moving;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        top = std::min(top, range.top() + 1);
        bottom = std::max(bottom, range.bottom() + 1);
    }
    m_row = (moving == top) ? bottom : top;
    m_rowSel = moving;
    m_col = current.column();
    if (announce)
        emit cellClicked(m_row, m_col);
}
