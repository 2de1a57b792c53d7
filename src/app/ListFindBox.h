#pragma once

#include <QLineEdit>

class ListGrid;

// The find box above a list: the list shows, as one types, only the rows
// where a shown column contains the text. Esc empties it (every row shown
// again); Ctrl+F anywhere on the box's page puts the cursor in it.
class ListFindBox : public QLineEdit {
    Q_OBJECT
public:
    // `page` is where Ctrl+F is heard.
    ListFindBox(ListGrid* grid, QWidget* page);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    ListGrid* m_grid;
};
