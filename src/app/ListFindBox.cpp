#include "app/ListFindBox.h"

#include "app/ListGrid.h"

#include <QKeyEvent>
#include <QShortcut>

using namespace Qt::StringLiterals;

ListFindBox::ListFindBox(ListGrid* grid, QWidget* page)
    : QLineEdit(page)
    , m_grid(grid)
{
    setPlaceholderText(u"查找（Ctrl+F）"_s);
    setClearButtonEnabled(true);
    setToolTip(u"只显示含有所输入文字的行；Esc 清空"_s);
    connect(this, &QLineEdit::textChanged, m_grid, &ListGrid::setFindText);
    auto* find = new QShortcut(QKeySequence::Find, page);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        setFocus(Qt::ShortcutFocusReason);
        selectAll();
    });
}

void ListFindBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // The user is about to type: the list's search text is built now, so that
    // the first key filters as fast as the next ones.
    m_grid->prepareFind();
}

void ListFindBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !text().isEmpty()) {
        clear();
        return;
    }
    // Down moves into the list, to the first row shown.
    if (event->key() == Qt::Key_Down && m_grid->rows() > 1) {
        m_grid->setFocus(Qt::TabFocusReason);
        // The first shown column, so that the arrow keys go on from there.
        int column = 1;
        while (column < m_grid->cols() - 1 && m_grid->isColumnHidden(column))
            ++column;
        m_grid->selectRows(1, 1, column);
        return;
    }
    QLineEdit::keyPressEvent(event);
}
