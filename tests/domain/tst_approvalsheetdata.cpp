#include "TestRegistry.h"

#include "common/Money.h"
#include "domain/ApprovalSheetData.h"

#include <QTest>

using namespace Qt::StringLiterals;

// What the approval sheet of a batch says, before it is laid out on paper.
class TestApprovalSheetData : public QObject {
    Q_OBJECT
private slots:
    void sheetTotalInWords_data()
    {
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<QString>("words");
        QTest::newRow("whole") << qint64(150000) << u"壹仟伍佰元整"_s;
        QTest::newRow("jiao") << qint64(10050) << u"壹佰元伍角"_s;
        QTest::newRow("fen") << qint64(10005) << u"壹佰元零伍分"_s;
        QTest::newRow("zero") << qint64(0) << u"零元整"_s;
    }
    void sheetTotalInWords()
    {
        QFETCH(qint64, fen);
        QFETCH(QString, words);
        ApprovalSheetData data;
        data.total = Money::fromFen(fen);
        QCOMPARE(data.totalInWords(), words);
    }
};

QELVORA_TEST(TestApprovalSheetData)
#include "tst_approvalsheetdata.moc"
