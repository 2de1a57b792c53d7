#include "app/ListGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <utility>

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
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ListGrid::sortByHeader);

    // Every way the user moves the choice (a click, a drag over rows, the arrow
    // keys, Shift with them, select-all) updates row, col and rowSel and
    // announces the chosen row, so that what the screens show never lags behind
    // the highlighted row.
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { syncFromView(true); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { syncFromView(true); });
    // A click on the cell that is already current changes nothing in the view;
    // it still chooses the row.
    connect(this, &QTableView::clicked, this, [this] { syncFromView(true); });
    // A double click on a cell that takes typed values opens its editor; on any
    // other cell it is the screen's double click.
    connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (m_model->flags(index) & Qt::ItemIsEditable)
            edit(index);
        else
            emit cellDoubleClicked(index.row() + 1, index.column());
    });
    connect(m_model, &ListGridModel::cellEdited, this, [this](int shownRow, int column) {
        m_editedRow = shownRow + 1;
        emit cellEdited(shownRow + 1, column);
    });

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
    const ListGridRows& rows = m_model->storedRows();
    const int stored = std::min(columns, rows.columns());
    std::vector<QStringView> previous(static_cast<size_t>(columns));
    for (qsizetype r = firstRow; r < rows.rowCount(); ++r) {
        for (int c = 1; c < stored; ++c) {
            const QStringView text = rows.cell(r, c);
            // A text equal to the row above (a list repeats its payer) is measured once.
            QStringView& above = previous[static_cast<size_t>(c)];
            if (text.isEmpty() || text == above)
                continue;
            above = text;
            int width = padding;
            for (const QChar ch : text)
                width += advance(ch);
            int& widest = m_contentWidths[static_cast<size_t>(c)];
            widest = std::max(widest, width);
        }
    }
    // The running number: as wide as the largest number.
    if (columns > 0 && rows.rowCount() > 0) {
        int width = padding;
        for (const QChar ch : QString::number(rows.rowCount()))
            width += advance(ch);
        m_contentWidths[0] = std::max(m_contentWidths[0], width);
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
    return m_model->text(row - 1, column);
}

void ListGrid::setTextMatrix(int row, int column, const QString& text)
{
    m_model->setText(row - 1, column, text);
}

void ListGrid::setRows(std::vector<QStringList>&& rows)
{
    ListGridRows compact(cols());
    for (const QStringList& row : rows)
        compact.addRow(row);
    rows = {};
    setCompactRows(std::move(compact));
}

void ListGrid::setCompactRows(ListGridRows&& rows)
{
    m_model->resetRows(std::move(rows));
    measureColumns();
    resetSelection();
    // A find stays on over a refresh: what it shows has changed.
    if (m_model->isFiltered())
        emit shownRowsChanged();
}

void ListGrid::addRow(const QStringList& row)
{
    m_model->appendRow(row);
    measureColumns(m_model->storedCount() - 1);
}

void ListGrid::clearRows()
{
    m_model->resetRows(ListGridRows(cols()));
    resetSelection();
}

bool ListGrid::hasData() const
{
    const ListGridRows& rows = m_model->storedRows();
    if (rows.rowCount() == 0)
        return false;
    if (rows.rowCount() > 1)
        return true;
    // One row: a record, unless every cell is blank (the row of an empty list;
    // a record always carries its running number).
    for (int c = 0; c < rows.columns(); ++c)
        if (!m_model->storedText(0, c).trimmed().isEmpty())
            return true;
    return false;
}

void ListGrid::setSearchedColumns()
{
    std::vector<bool> searched(static_cast<size_t>(cols()), false);
    for (int c = 1; c < cols(); ++c)
        searched[static_cast<size_t>(c)] = !isColumnHidden(c);
    m_model->setSearchedColumns(std::move(searched));
}

void ListGrid::prepareFind()
{
    setSearchedColumns();
    m_model->prepareFind();
}

void ListGrid::setFindText(const QString& text)
{
    setSearchedColumns();
    const bool was = m_model->isFiltered();
    const QString before = m_model->findText();
    m_model->setFindText(text);
    if (before == m_model->findText() && was == m_model->isFiltered())
        return;
    resetSelection();
    emit shownRowsChanged();
}

void ListGrid::sortByHeader(int column)
{
    // A click on the running number, or a third click, restores the stored order.
    if (column <= 0 || column >= cols())
        m_model->sortBy(-1, Qt::AscendingOrder);
    else if (m_model->sortColumn() != column)
        m_model->sortBy(column, Qt::AscendingOrder);
    else if (m_model->sortOrder() == Qt::AscendingOrder)
        m_model->sortBy(column, Qt::DescendingOrder);
    else
        m_model->sortBy(-1, Qt::AscendingOrder);
    showSortIndicator();
    resetSelection();
    emit shownRowsChanged();
}

void ListGrid::setEditableColumn(int column, ListGridModel::CellCommit commit)
{
    m_model->setEditableColumn(column, std::move(commit));
    setEditTriggers(column >= 0 ? QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                                : QAbstractItemView::NoEditTriggers);
}

void ListGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        emit pasteRequested();
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        emit undoRequested();
        return;
    }
    const int editable = m_model->editableColumn();
    const QModelIndex current = currentIndex();
    if (editable >= 0 && current.isValid() && state() != EditingState) {
        const QModelIndex cell = current.siblingAtColumn(editable);
        const QString typed = event->text();
        // F2, or a digit typed anywhere on the row, opens the row's amount.
        if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
            edit(cell);
            return;
        }
        if (typed.size() == 1 && (typed.front().isDigit() || typed.front() == u'.')
            && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (QAbstractItemView::edit(cell, AnyKeyPressed, event))
                return;
        } else if (!typed.isEmpty() && typed.front().isPrint()
            && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            // Other characters never start typing into a cell.
            event->ignore();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void ListGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    // Enter stored the value (the commit came before): the next row's cell is next.
    const int edited = std::exchange(m_editedRow, 0);
    if (hint == QAbstractItemDelegate::SubmitModelCache && edited > 0) {
        const int next = std::min(edited + 1, rows() - 1);
        selectRows(next, next, m_model->editableColumn());
        scrollTo(m_model->index(next - 1, m_model->editableColumn()));
        setFocus();
    }
}

void ListGrid::showSortIndicator()
{
    const int column = m_model->sortColumn();
    horizontalHeader()->setSortIndicatorShown(column > 0);
    if (column > 0)
        horizontalHeader()->setSortIndicator(column, m_model->sortOrder());
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
