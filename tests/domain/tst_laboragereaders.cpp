#include "TestRegistry.h"

#include "common/SheetRows.h"
#include "domain/payroll/LaborageImport.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The readers of payroll files, apart from the payroll tab.
class TestLaborageReaders : public QObject {
    Q_OBJECT
private slots:
    void numericAmountsAsSpreadsheetsShowThem_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("text");
        QTest::newRow("=100*1.1") << u"110.00000000000001"_s << u"110"_s;
        QTest::newRow("=0.1+0.2") << u"0.30000000000000004"_s << u"0.3"_s;
        QTest::newRow("one third") << u"33.333333333333336"_s << u"33.3333333333333"_s;
        QTest::newRow("1E11") << u"100000000000"_s << u"100000000000"_s;
        QTest::newRow("small") << u"0.07"_s << u"0.07"_s;
        QTest::newRow("negative") << u"-150.25"_s << u"-150.25"_s;
    }
    void numericAmountsAsSpreadsheetsShowThem()
    {
        QFETCH(QString, cell);
        QFETCH(QString, text);
        const SheetCell number { 3, SheetCell::Kind::Number, cell };
        QCOMPARE(LaborageImport::workbookAmountText(&number), text);
        // A text cell is taken as written.
        const SheetCell written { 3, SheetCell::Kind::Text, cell };
        QCOMPARE(LaborageImport::workbookAmountText(&written), cell);
    }

    void utf8WithByteOrderMark()
    {
        const auto read = LaborageImport::readCsv("\xef\xbb\xbf"
                                                  "1,1.00\r\n1,#7, \xe5\xbc\xa0,#6228480011112222,#1.00\r\n");
        QVERIFY(!read.stopped());
        QCOMPARE(read.records.size(), size_t(1));
        QCOMPARE(read.records[0].accNo, u"6228480011112222"_s);
    }
};

QELVORA_TEST(TestLaborageReaders)
#include "tst_laboragereaders.moc"
