#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <vector>

// The text rows behind a ListGrid: row 0 of the grid is the header (held
// apart), data rows count from 1.
class ListGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setHeaders(const QStringList& headers);
    void setAlignment(int column, Qt::Alignment alignment);
    // Replaces every data row in one reset.
    void resetRows(std::vector<QStringList>&& rows);
    void appendRow(const QStringList& row);
    const std::vector<QStringList>& rows() const { return m_rows; }
    const QStringList& headers() const { return m_headers; }
    void setText(int dataRow, int column, const QString& text);

private:
    QStringList m_headers;
    std::vector<QStringList> m_rows;
    std::vector<Qt::Alignment> m_alignments;
};

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
    int rows() const { return static_cast<int>(m_model->rows().size()) + 1; }
    int cols() const { return static_cast<int>(m_model->headers().size()); }
    QString textMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString& text);
    // Fills the data rows in one reset and makes column 0 current (nothing chosen).
    void setRows(std::vector<QStringList>&& rows);
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

protected:
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

    ListGridModel* m_model;
    QTableView* m_frozen;
    std::vector<int> m_minWidths; // pixels, as the screen set them
    std::vector<int> m_contentWidths; // pixels the longest text needs
    int m_row = 1;
    int m_col = 0;
    int m_rowSel = 1;
    bool m_updating = false;
};
