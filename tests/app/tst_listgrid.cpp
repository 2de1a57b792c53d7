#include "TestRegistry.h"

#include "app/ListGrid.h"
#include "app/ListGridModel.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A shown grid of `n` rows: running number and two text columns.
struct ShownGrid {
    explicit ShownGrid(int n)
    {
        grid.setColumns({ u"序号"_s, u"账号"_s, u"户名"_s });
        std::vector<QStringList> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back({ QString::number(i), u"62220000%1"_s.arg(i), u"户名%1"_s.arg(i) });
        grid.setRows(std::move(rows));
        grid.resize(500, 400);
        grid.show();
    }
    QPoint cell(int row, int column) const
    {
        const QModelIndex index = grid.model()->index(row - 1, column);
        return grid.visualRect(index).center();
    }
    ListGrid grid;
};
}

// The grid as the user moves it: clicks, drags and keys must keep row(), col()
// and rowSel() on the highlighted rows and announce every change of choice.
class TestListGrid : public QObject {
    Q_OBJECT
private slots:
    void refreshMeansNothingChosen()
    {
        ShownGrid g(3);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QCOMPARE(g.grid.col(), 0);
        QCOMPARE(g.grid.rows(), 4);
        QCOMPARE(g.grid.textMatrix(0, 1), u"账号"_s);
        QCOMPARE(g.grid.textMatrix(3, 2), u"户名3"_s);
    }

    void arrowKeysMoveTheChoice()
    {
        ShownGrid g(5);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QSignalSpy chosen(&g.grid, &ListGrid::cellClicked);
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.cell(2, 2));
        QCOMPARE(g.grid.row(), 2);
        QCOMPARE(g.grid.col(), 2);
        QTest::keyClick(&g.grid, Qt::Key_Down);
        QTest::keyClick(&g.grid, Qt::Key_Down);
        QCOMPARE(g.grid.row(), 4);
        QCOMPARE(g.grid.rowSel(), 4);
        QVERIFY(!chosen.isEmpty());
        QCOMPARE(chosen.last().at(0).toInt(), 4);
    }

    void shiftArrowExtendsFromWhereItStarted()
    {
        ShownGrid g(5);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.cell(4, 1));
        QTest::keyClick(&g.grid, Qt::Key_Up, Qt::ShiftModifier);
        QTest::keyClick(&g.grid, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(g.grid.row(), 4);
        QCOMPARE(g.grid.rowSel(), 2);
    }

    void dragOverRowsChoosesTheRange()
    {
        ShownGrid g(6);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QSignalSpy chosen(&g.grid, &ListGrid::cellClicked);
        QTest::mousePress(g.grid.viewport(), Qt::LeftButton, {}, g.cell(5, 1));
        QMouseEvent move(QEvent::MouseMove, g.cell(3, 1), g.grid.viewport()->mapToGlobal(g.cell(3, 1)), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g.grid.viewport(), &move);
        QTest::mouseRelease(g.grid.viewport(), Qt::LeftButton, {}, g.cell(3, 1));
        QCOMPARE(g.grid.row(), 5);
        QCOMPARE(g.grid.rowSel(), 3);
        QVERIFY(g.grid.col() >= 1);
        QVERIFY(!chosen.isEmpty());
    }

    void runningNumberColumnChoosesTheRow()
    {
        ShownGrid g(4);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.cell(2, 0));
        QCOMPARE(g.grid.row(), 2);
        QCOMPARE(g.grid.col(), 1);
        QTest::keyClick(&g.grid, Qt::Key_Down);
        QCOMPARE(g.grid.row(), 3);
        QCOMPARE(g.grid.col(), 1);
    }

    // Select-all with the current row in the middle chooses rows 1..last.
    void selectAllChoosesEveryRow()
    {
        ShownGrid g(6);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.cell(3, 1));
        QTest::keyClick(&g.grid, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(g.grid.row(), 1);
        QCOMPARE(g.grid.rowSel(), 6);
        QCOMPARE(g.grid.col(), 1);
    }

    void clickBelowTheRowsClearsTheChoice()
    {
        ShownGrid g(2);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QSignalSpy cleared(&g.grid, &ListGrid::choiceCleared);
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.cell(2, 1));
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.cell(2, 1) + QPoint(0, 100));
        QCOMPARE(g.grid.col(), 0);
        QVERIFY(g.grid.selectionModel()->selectedRows().isEmpty());
        QCOMPARE(cleared.size(), 1);
    }

    // Long values widen their column instead of being cut; the running number
    // stays in view when the list is scrolled sideways.
    void wideListKeepsNumbersAndWholeValues()
    {
        ShownGrid g(3);
        const QString account = QString(40, u'6');
        g.grid.setRows({ { u"1"_s, account, u"户名"_s } });
        g.grid.setColumnWidthTwips(1, 300);
        QVERIFY(g.grid.columnWidth(1) > g.grid.fontMetrics().horizontalAdvance(account));
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        g.grid.resize(200, 200);
        g.grid.horizontalScrollBar()->setValue(g.grid.horizontalScrollBar()->maximum());
        QVERIFY(g.grid.horizontalScrollBar()->value() > 0);
        const QPoint left = g.grid.viewport()->mapTo(&g.grid, QPoint(3, g.grid.rowViewportPosition(0) + 3));
        QWidget* shown = g.grid.childAt(left);
        auto* view = shown ? qobject_cast<QTableView*>(shown->parentWidget()) : nullptr;
        QVERIFY(view);
        QCOMPARE(view->indexAt(shown->mapFrom(&g.grid, left)).column(), 0);
    }

    // A header wider than the width the screen gives its column widens the
    // column, also over an empty list.
    void headerWidensItsColumn()
    {
        ListGrid grid;
        grid.setColumns({ u"序号"_s, u"收款账户开户网点号"_s });
        grid.setRows({});
        grid.setColumnWidthTwips(1, 300);
        const int margin = 2 * grid.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &grid);
        QVERIFY(grid.columnWidth(1)
            >= grid.horizontalHeader()->fontMetrics().horizontalAdvance(u"收款账户开户网点号"_s) + margin);
    }

    // "Has records" counts rows; only the blank row of an empty list is none.
    void hasDataCountsRecords()
    {
        ListGrid grid;
        grid.setColumns({ u"序号"_s, u"账号"_s, u"户名"_s });
        grid.setRows({ { QString(), QString(), QString() } });
        QVERIFY(!grid.hasData());
        grid.setRows({ { u"1"_s, QString(), u"户名"_s } });
        QVERIFY(grid.hasData());
    }

    // The model's answers stay consistent (indexes, counts, parents, header and
    // reset signals) while the grid's columns and rows are replaced.
    // Texts come from the store in UTF-8 and are decoded straight into the
    // grid's buffer: each cell must read as QString::fromUtf8 (and trimmed())
    // reads it, also for bytes that are not well-formed, and every earlier
    // cell must stay as it was while the buffer grows.
    void utf8CellsReadAsQtReadsThem_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::newRow("ascii") << QByteArray("6222000011112222");
        QTest::newRow("chinese") << QByteArray("上海测试有限公司");
        QTest::newRow("two-byte letters") << QByteArray("Zoë Müller");
        QTest::newRow("outside the basic plane") << QByteArray("付款\xF0\x9F\x98\x80\xF0\xA0\x80\x80");
        QTest::newRow("ideographic spaces around") << QByteArray("\xE3\x80\x80张三\xE3\x80\x80");
        QTest::newRow("blanks, tab and line break around") << QByteArray(" \t 李四\r\n ");
        QTest::newRow("only blanks") << QByteArray(" \xE3\x80\x80 ");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("lone continuation byte") << QByteArray("ab\x80"
                                                              "cd");
        QTest::newRow("cut-off character") << QByteArray("王\xE4\xB8");
        QTest::newRow("overlong form") << QByteArray("\xC0\x80x");
        QTest::newRow("surrogate in UTF-8") << QByteArray("\xED\xA0\x80");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
        QTest::newRow("Latin-1 byte") << QByteArray("caf\xE9 ");
    }
    void utf8CellsReadAsQtReadsThem()
    {
        QFETCH(QByteArray, utf8);
        ListGridRows rows(3);
        // Many cells, so that the buffer grows several times around this one.
        for (int i = 0; i < 3000; ++i) {
            rows.addCell(u"第%1行"_s.arg(i));
            rows.addCellUtf8(utf8, true);
            rows.addCellUtf8(utf8, false);
        }
        rows.squeeze();
        QCOMPARE(rows.rowCount(), 3000);
        const QString whole = QString::fromUtf8(utf8);
        for (int i : { 0, 1, 1499, 2999 }) {
            QCOMPARE(rows.cell(i, 0).toString(), u"第%1行"_s.arg(i));
            QCOMPARE(rows.cell(i, 1).toString(), whole.trimmed());
            QCOMPARE(rows.cell(i, 2).toString(), whole);
        }
    }

    void modelPassesTheItemModelTester()
    {
        ListGrid grid;
        QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid.setColumns({ u"序号"_s, u"账号"_s, u"户名"_s });
        grid.setRows({ { u"1"_s, u"6222000011112222"_s, u"户名"_s }, { u"2"_s, u"6222000033334444"_s, u"户名2"_s } });
        grid.setColumns({ u"序号"_s, u"备注"_s });
        grid.setRows({ { u"1"_s, u"差旅费"_s } });
        grid.clearRows();
        grid.setRows({});
        grid.setRows({ { u"1"_s, u"工资"_s }, { u"2"_s, u"奖金"_s }, { u"3"_s, u"补贴"_s } });
        QCOMPARE(grid.model()->rowCount(), 3);
        QCOMPARE(grid.model()->columnCount(), 2);
        QCOMPARE(grid.model()->index(2, 1).data().toString(), u"补贴"_s);
    }

    void resetForgetsTheChoice()
    {
        ShownGrid g(4);
        g.grid.selectRows(2, 3, 1);
        QCOMPARE(g.grid.row(), 2);
        QCOMPARE(g.grid.rowSel(), 3);
        g.grid.resetSelection();
        QCOMPARE(g.grid.col(), 0);
        QCOMPARE(g.grid.row(), g.grid.rowSel());
    }
};

QELVORA_TEST(TestListGrid)
#include "tst_listgrid.moc"
