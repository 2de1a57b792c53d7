#include "TestRegistry.h"

#include "common/SerialNo.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSerialNo : public QObject {
    Q_OBJECT
private slots:
    void manyInOneSecondAreDistinctAndIncreasing()
    {
        SerialNoGenerator gen;
        const QDateTime now(QDate(2026, 12, 7), QTime(9, 30, 15, 120));
        QString previous;
        QSet<QString> seen;
        for (int i = 0; i < 100000; ++i) {
            const QString s = gen.next(now);
            QCOMPARE(s.size(), 22);
            QVERIFY2(s > previous, qPrintable(s));
            QVERIFY(!seen.contains(s));
            seen.insert(s);
            previous = s;
        }
        QVERIFY(previous.startsWith(u"20261207093015"_s));
        QCOMPARE(previous.mid(14), u"00099999"_s);
    }

    void clockGoingBackKeepsOrder()
    {
        SerialNoGenerator gen;
        const QString a = gen.next(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)));
        const QString b = gen.next(QDateTime(QDate(2026, 12, 7), QTime(9, 59, 0)));
        QVERIFY(b > a);
        const QString c = gen.next(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 1)));
        QCOMPARE(c, u"2026120710000100000000"_s);
    }

    void continuesAfterAStoredNumber()
    {
        SerialNoGenerator gen;
        gen.continueAfter(u"2026120710000000000041"_s);
        QCOMPARE(gen.next(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0))), u"2026120710000000000042"_s);
    }

    void counterOverflowMovesToTheNextSecond()
    {
        SerialNoGenerator gen;
        gen.continueAfter(u"2026120710000000099999"_s + QString());
        gen.continueAfter(u"2026120710000099999999"_s);
        QCOMPARE(gen.next(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0))), u"2026120710000100000000"_s);
    }
};

QELVORA_TEST(TestSerialNo)
#include "tst_serialno.moc"
