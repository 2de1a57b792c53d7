#include "app/ListGrid.h"

#include <QColor>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <climits>

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

    // The running number stays in view: a second view of column 0 alone, over
    // the left edge, sharing the model, the choice and the vertical scrolling.
    m_frozen = new QTableView(this);
    m_frozen->setObjectName(QStringLiteral("frozenColumn"));
    m_frozen->setModel(m_model);
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_frozen->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_frozen->setAlternatingRowColors(true);
    m_frozen->setWordWrap(false);
    m_frozen->verticalHeader()->hide();
    m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_frozen->horizontalHeader()->setHighlightSections(false);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_frozen->setContextMenuPolicy(Qt::CustomContextMenu);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    viewport()->stackUnder(m_frozen);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(), &QScrollBar::setValue);
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column == 0) {
            m_frozen->setColumnWidth(0, size);
            layoutFrozenColumn();
        }
    });
    connect(m_frozen, &QTableView::clicked, this, [this] { syncFromView(true); });
    connect(m_frozen, &QTableView::doubleClicked, this,
        [this](const QModelIndex& index) { emit cellDoubleClicked(index.row() + 1, 1); });
    connect(m_frozen, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { emit rightButtonPressed(m_frozen->viewport()->mapToGlobal(pos)); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &ListGrid::layoutFrozenColumn);
    m_frozen->viewport()->installEventFilter(this);
}

void ListGrid::layoutFrozenColumn()
{
    for (int c = 1; c < cols(); ++c)
        m_frozen->setColumnHidden(c, true);
    const bool shown = cols() > 0 && !isColumnHidden(0);
    m_frozen->setVisible(shown);
    if (!shown)
        return;
    m_frozen->setColumnWidth(0, columnWidth(0));
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), columnWidth(0) + 1,
        viewport()->height() + horizontalHeader()->height());
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void ListGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    layoutFrozenColumn();
}

void ListGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (index.column() > 0) {
        QTableView::scrollTo(index, hint);
        // A cell wider than the view is shown from its start, never with its
        // first characters behind the running-number column.
        const int covered = isColumnHidden(0) ? 0 : columnWidth(0);
        const int left = columnViewportPosition(index.column());
        if (left < covered)
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (covered - left));
        return;
    }
    // Column 0 is always in view: only its row is brought into view; scrolling
    // sideways would only move the other columns away.
    const int across = horizontalScrollBar()->value();
    QTableView::scrollTo(index.siblingAtColumn(std::min(1, cols() - 1)), hint);
    horizontalScrollBar()->setValue(across);
}

void ListGrid::measureColumns(qsizetype firstRow)
{
    // The advance of each character, summed: exact for this font and cheap
    // enough for 100,000 rows (each character measured once, then looked up).
    const QFontMetrics metrics(font());
    std::vector<int> advances(0x10000, -1);
    const auto advance = [&](QChar ch) {
        int& known = advances[ch.unicode()];
        if (known < 0)
            known = metrics.horizontalAdvance(ch);
        return known;
    };
    const int columns = cols();
    if (firstRow == 0)
        m_contentWidths.assign(static_cast<size_t>(columns), 0);
    else
        m_contentWidths.resize(static_cast<size_t>(columns), 0);
    // Room for the cell's margins and the focus frame.
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 10;
    const auto& rows = m_model->rows();
    std::vector<QString> previous(static_cast<size_t>(columns));
    for (auto r = static_cast<size_t>(firstRow); r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        for (int c = 0; c < std::min<int>(columns, row.size()); ++c) {
            const QString& text = row.at(c);
            // A text shared with the row above (a list repeats its payer) is measured once.
            QString& above = previous[static_cast<size_t>(c)];
            if (text.isEmpty() || text.isSharedWith(above))
                continue;
            above = text;
            int width = padding;
            for (const QChar ch : text)
                width += advance(ch);
            int& widest = m_contentWidths[static_cast<size_t>(c)];
            widest = std::max(widest, width);
        }
    }
    for (int c = 0; c < columns; ++c)
        applyWidth(c);
}

void ListGrid::applyWidth(int column)
{
    if (column < 0 || isColumnHidden(column))
        return;
    const auto c = static_cast<size_t>(column);
    const int minimum = c < m_minWidths.size() ? m_minWidths[c] : columnWidth(column);
    const int content = c < m_contentWidths.size() ? m_contentWidths[c] : 0;
    // The header never shows cut either, also over an empty list.
    const int header = horizontalHeader()->sectionSizeHint(column);
    setColumnWidth(column, std::max({ minimum, content, header }));
}

void ListGrid::setColumns(const QStringList& headers)
{
    m_model->setHeaders(headers);
    for (int c = 0; c < headers.size(); ++c)
        setColumnHidden(c, false);
    m_minWidths.assign(static_cast<size_t>(headers.size()), horizontalHeader()->defaultSectionSize());
    m_contentWidths.assign(static_cast<size_t>(headers.size()), 0);
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
    if (column >= 0 && static_cast<size_t>(column) < m_minWidths.size())
        m_minWidths[static_cast<size_t>(column)] = static_cast<int>(twips * dpi / 1440.0 + 0.5);
    else
        setColumnWidth(column, static_cast<int>(twips * dpi / 1440.0 + 0.5));
    applyWidth(column);
    layoutFrozenColumn();
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
    measureColumns();
    resetSelection();
}

void ListGrid::addRow(const QStringList& row)
{
    m_model->appendRow(row);
    measureColumns(static_cast<qsizetype>(m_model->rows().size()) - 1);
}

void ListGrid::clearRows()
{
    m_model->resetRows({});
    resetSelection();
}

bool ListGrid::hasData() const
{
    const auto& data = m_model->rows();
    if (data.empty())
        return false;
    if (data.size() > 1)
        return true;
    // One row: a record, unless every cell is blank (the row of an empty list;
    // a record always carries its running number).
    return std::any_of(
        data.front().cbegin(), data.front().cend(), [](const QString& text) { return !text.trimmed().isEmpty(); });
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
    if (event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid()) {
        clearChoiceByClick();
        return;
    }
    QTableView::mousePressEvent(event);
}

bool ListGrid::eventFilter(QObject* watched, QEvent* event)
{
    // The running-number column below the last row is the empty area too.
    if (watched == m_frozen->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && !m_frozen->indexAt(mouse->position().toPoint()).isValid()) {
            clearChoiceByClick();
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void ListGrid::clearChoiceByClick()
{
    // Below the last row: nothing is highlighted, so nothing is chosen.
    resetSelection();
    emit choiceCleared();
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
    // The choice is exactly the highlighted rows: when the current cell lies
    // inside them (select-all leaves it where it was) they run top to bottom.
    const int moving = current.row() + 1;
    const QItemSelection selection = selectionModel()->selection();
    int top = moving;
    int bottom = moving;
    if (!selection.isEmpty()) {
        top = INT_MAX;
        bottom = 0;
        for (const QItemSelectionRange& range : selection) {
            top = std::min(top, range.top() + 1);
            bottom = std::max(bottom, range.bottom() + 1);
        }
    }
    if (moving == top && top != bottom) { // a range made upwards
        m_row = bottom;
        m_rowSel = top;
    } else {
        m_row = top;
        m_rowSel = bottom;
    }
    m_col = current.column();
    if (announce)
        emit cellClicked(m_row, m_col);
}
