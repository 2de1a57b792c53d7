#pragma once

#include "app/ListGridModel.h"

#include <QStringList>
#include <QTableView>

#include <vector>

// The list grid of every tab. It keeps the behaviour the screens rely on:
// row 0 is the header and data rows count from 1; the running number sits in
// column 0 and stays in view when the list scrolls sideways; a column is never
// narrower than its header and its longest text; the current row and column and the end row
// of a range selection are readable and always span the highlighted rows;
// current column 0 after a refresh means "nothing chosen".
class ListGrid : public QTableView {
    Q_OBJECT
public:
    explicit ListGrid(QWidget* parent = nullptr);

    // Layout. Widths are given in 1/1440 inch; width 0 hides the column.
    void setColumns(const QStringList& headers);
    void setColumnWidthTwips(int column, int twips);
    void setColumnAlignment(int column, Qt::Alignment alignment);

    // Content. rows() counts the header row, as the screens count.
    // Data rows are the shown rows: a find hides rows, a sort orders them.
    int rows() const { return m_model->shownCount() + 1; }
    int cols() const { return static_cast<int>(m_model->headers().size()); }
    QString textMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString& text);
    // Fills the data rows in one reset and makes column 0 current (nothing chosen).
    void setRows(std::vector<QStringList>&& rows);
    void setCompactRows(ListGridRows&& rows);
    void addRow(const QStringList& row);
    // Removes every data row; the header stays.
    void clearRows();
    // True when the grid lists at least one record: a data row other than the
    // single blank row an empty list shows.
    bool hasData() const;

    // Selection, in grid rows (data rows from 1). col() is 0 when nothing is chosen.
    int row() const { return m_row; }
    int col() const { return m_col; }
    int rowSel() const { return m_rowSel; }
    // What a click (equal rows) or a drag from `anchorRow` to `endRow` in `column`
    // does: the rows selected, row() = anchorRow, rowSel() = endRow, the choice
    // announced. Column 0 counts as column 1, as a click there does.
    void selectRows(int anchorRow, int endRow, int column);
    // Back to "nothing chosen": column 0 current, no selection.
    void resetSelection();

    ListGridModel* gridModel() const { return m_model; }

    // Find: shows the rows where a shown column contains `text` (case and the
    // thousands separators of amounts ignored); empty shows every row.
    void setFindText(const QString& text);
    // Gets a find ready before its first key (the find box took the focus):
    // the search text of a long list is built once, here.
    void prepareFind();
    bool isFiltered() const { return m_model->isFiltered(); }
    // Sort as a click on the header of `column` does: ascending, then
    // descending, then the stored order again.
    void sortByHeader(int column);
    void setAmountColumn(int column) { m_model->setAmountColumn(column); }
    // The column whose cells take typed values: F2, a double click on the cell
    // or a digit typed on the row opens the cell's editor; Enter stores through
    // `commit` and moves down, Esc cancels.
    void setEditableColumn(int column, ListGridModel::CellCommit commit);

    // Column 0 is always in view: scrolling to a cell there scrolls to its row only.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    // A click on the empty area below the rows took the choice away (col() is 0).
    void choiceCleared();
    // The user chose a row (grid row from 1, column): by a click, a drag, the
    // keyboard or select-all. `row` is row(), where the choice started.
    void cellClicked(int row, int column);
    void cellDoubleClicked(int row, int column);
    void rightButtonPressed(const QPoint& globalPos);
    // A typed value was stored (grid row from 1).
    void cellEdited(int row, int column);
    // Other rows are shown: a find or a sort changed the list (nothing chosen).
    void shownRowsChanged();
    // Ctrl+V and Ctrl+Z on the list (not while a cell is typed into).
    void pasteRequested();
    void undoRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncFromView(bool announce);
    void clearChoiceByClick();
    // Column widths: the screen's width, widened to the header and the longest
    // text of the column.
    // Measures the rows from `firstRow` on (0: all, forgetting earlier widths).
    void measureColumns(qsizetype firstRow = 0);
    void applyWidth(int column);
    // The running-number column drawn over the left edge, so that it stays in
    // view when the list scrolls sideways.
    void layoutFrozenColumn();
    void showSortIndicator();
    // The columns a find searches: the shown ones after the running number.
    void setSearchedColumns();

    ListGridModel* m_model;
    QTableView* m_frozen;
    std::vector<int> m_minWidths; // pixels, as the screen set them
    std::vector<int> m_contentWidths; // pixels the longest text needs
    int m_row = 1;
    int m_col = 0;
    int m_rowSel = 1;
    bool m_updating = false;
    int m_editedRow = 0; // grid row of the last value stored by typing; 0: none
};
