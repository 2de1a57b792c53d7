#pragma once

// What the master-data tests do as the user does it: show a tab, click a grid
// row, drag over rows; and what they read back: grid rows, status panels,
// file bytes.

#include "StoreRows.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "WindowTexts.h"

#include "app/ListGrid.h"
#include "app/TabPage.h"
#include "app/frmMain.h"

#include <QTabWidget>
#include <QTest>

namespace mdtest {

// The offscreen platform warns about size hints each time a window is shown;
// that line says nothing about the program, so it is kept out of the output.
inline void quietSizeHintWarning()
{
    static QtMessageHandler previous = nullptr;
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtWarningMsg && text.contains(QStringLiteral("does not support propagateSizeHints")))
            return;
        if (previous)
            previous(type, context, text);
    });
}

// Shows the main window and selects a tab, as the user does.
inline ListGrid* showTab(TestEnv& env, int tab)
{
    frmMain& w = env.window();
    if (!w.isVisible()) {
        quietSizeHintWarning();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            QTest::qFail("main window not exposed", __FILE__, __LINE__);
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            QTest::qFail("main window not active", __FILE__, __LINE__);
    }
    if (w.SSTabMain()->currentIndex() == tab)
        w.page(tab)->refresh();
    else
        w.SSTabMain()->setCurrentIndex(tab);
    return w.page(tab)->grid();
}

// A left click on a data row (grid rows count from 1), on its first data cell.
inline void clickRow(ListGrid* grid, int row, Qt::KeyboardModifiers modifiers = {})
{
    const QModelIndex index = grid->model()->index(row - 1, 1);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, grid->visualRect(index).center());
}

// A click on `from` followed by a drag to `to`: the range from..to with `from` current.
inline void dragRows(ListGrid* grid, int from, int to)
{
    clickRow(grid, from);
    grid->selectRows(from, to, 1);
}

inline QList<QStringList> gridRows(const ListGrid* grid)
{
    QList<QStringList> rows;
    for (int r = 1; r < grid->rows(); ++r) {
        QStringList row;
        for (int c = 0; c < grid->cols(); ++c)
            row << grid->textMatrix(r, c);
        rows << row;
    }
    return rows;
}

inline QStringList gridHeader(const ListGrid* grid)
{
    QStringList header;
    for (int c = 0; c < grid->cols(); ++c)
        header << grid->textMatrix(0, c);
    return header;
}

inline QStringList countPanels(const QString& count)
{
    return { QStringLiteral("总笔数"), count, QString(), QString(), QString(), QString() };
}

// The pixel width the grid gives a column of `twips` 1/1440 inch.
inline int pixelsFor(const ListGrid* grid, int twips)
{
    const double dpi = grid->logicalDpiX() > 0 ? grid->logicalDpiX() : 96.0;
    return static_cast<int>(twips * dpi / 1440.0 + 0.5);
}
} // namespace mdtest
