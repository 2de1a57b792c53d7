#include "TestRegistry.h"

#include "common/Money.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {
QString removeCommasForDouble(QString text)
{
    return text.remove(u',');
}
}

class TestMoney : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseRefuses_data();
    void parseRefuses();
    void parsePlain_data();
    void parsePlain();
    void format_data();
    void format();
    void smallSumsAreExact();
    void floatTruncationCasesAreExact_data();
    void floatTruncationCasesAreExact();
    void randomSumIsExact();
    void addRefusesOverflow();
    void ordering();
};

void TestMoney::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("fen");
    QTest::newRow("grouped, one decimal") << u"1,234.5"_s << qint64(123450);
    QTest::newRow("cents") << u"0.07"_s << qint64(7);
    QTest::newRow("leading point") << u".5"_s << qint64(50);
    QTest::newRow("trailing point") << u"1234."_s << qint64(123400);
    QTest::newRow("whole") << u"1234"_s << qint64(123400);
    QTest::newRow("grouped millions") << u"1,234,567.89"_s << qint64(123456789);
    QTest::newRow("blanks around") << u"  12.30 "_s << qint64(1230);
    QTest::newRow("leading zeros") << u"0012.5"_s << qint64(1250);
    QTest::newRow("zero") << u"0"_s << qint64(0);
    QTest::newRow("negative zero") << u"-0.00"_s << qint64(0);
    QTest::newRow("negative") << u"-1,000.01"_s << qint64(-100001);
    QTest::newRow("largest") << u"92233720368547758.07"_s << std::numeric_limits<qint64>::max();
    QTest::newRow("smallest") << u"-92,233,720,368,547,758.08"_s << std::numeric_limits<qint64>::min();
}

void TestMoney::parse()
{
    QFETCH(QString, text);
    QFETCH(qint64, fen);
    const auto m = Money::parse(text);
    QVERIFY(m.has_value());
    QCOMPARE(m->fen(), fen);
}

void TestMoney::parseRefuses_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << u"   "_s;
    QTest::newRow("point only") << u"."_s;
    QTest::newRow("sign only") << u"-"_s;
    QTest::newRow("three decimals") << u"1.234"_s;
    QTest::newRow("three zero decimals") << u"1.000"_s;
    QTest::newRow("letters") << u"12a"_s;
    QTest::newRow("exponent") << u"1E5"_s;
    QTest::newRow("two points") << u"1.2.3"_s;
    QTest::newRow("inner blank") << u"1 234"_s;
    QTest::newRow("leading comma") << u",123"_s;
    QTest::newRow("trailing comma") << u"123,"_s;
    QTest::newRow("double comma") << u"1,,234"_s;
    QTest::newRow("comma in decimals") << u"1.2,3"_s;
    QTest::newRow("plus sign") << u"+5"_s;
    QTest::newRow("double sign") << u"--5"_s;
    QTest::newRow("fullwidth digit") << u"１２"_s;
    QTest::newRow("one fen too large") << u"92233720368547758.08"_s;
    QTest::newRow("one fen too small") << u"-92233720368547758.09"_s;
    QTest::newRow("far too large") << u"123456789012345678901234567890"_s;
}

void TestMoney::parseRefuses()
{
    QFETCH(QString, text);
    QVERIFY(!Money::parse(text).has_value());
}

// The quick reading of stored and written amounts: what it reads, it reads
// as parse() does; what it leaves (none), parse() still decides.
void TestMoney::parsePlain_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("plain");
    QTest::newRow("whole") << QByteArray("1234") << true;
    QTest::newRow("one decimal") << QByteArray("1234.5") << true;
    QTest::newRow("two decimals") << QByteArray("1234.50") << true;
    QTest::newRow("cents") << QByteArray("0.07") << true;
    QTest::newRow("zero") << QByteArray("0") << true;
    QTest::newRow("leading zeros") << QByteArray("0012.5") << true;
    QTest::newRow("fifteen digits") << QByteArray("999999999999999.99") << true;
    QTest::newRow("sixteen digits") << QByteArray("1000000000000000") << false;
    QTest::newRow("three decimals") << QByteArray("1.234") << false;
    QTest::newRow("trailing point") << QByteArray("1234.") << false;
    QTest::newRow("leading point") << QByteArray(".5") << false;
    QTest::newRow("negative") << QByteArray("-5") << false;
    QTest::newRow("blank around") << QByteArray(" 5") << false;
    QTest::newRow("grouped") << QByteArray("1,234.50") << false;
    QTest::newRow("exponent") << QByteArray("1e5") << false;
    QTest::newRow("letters after") << QByteArray("12a") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestMoney::parsePlain()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, plain);
    const auto quick = Money::parsePlain(text);
    QCOMPARE(quick.has_value(), plain);
    if (plain)
        QCOMPARE(quick->fen(), Money::parse(QString::fromLatin1(text))->fen());
}

void TestMoney::format_data()
{
    QTest::addColumn<qint64>("fen");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("zero") << qint64(0) << u"0.00"_s << u"0.00"_s;
    QTest::newRow("cents") << qint64(7) << u"0.07"_s << u"0.07"_s;
    QTest::newRow("three digits") << qint64(99999) << u"999.99"_s << u"999.99"_s;
    QTest::newRow("four digits") << qint64(123450) << u"1234.50"_s << u"1,234.50"_s;
    QTest::newRow("six digits") << qint64(12345600) << u"123456.00"_s << u"123,456.00"_s;
    QTest::newRow("seven digits") << qint64(123456789) << u"1234567.89"_s << u"1,234,567.89"_s;
    QTest::newRow("negative") << qint64(-123456789) << u"-1234567.89"_s << u"-1,234,567.89"_s;
    QTest::newRow("negative small") << qint64(-5) << u"-0.05"_s << u"-0.05"_s;
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << u"-92233720368547758.08"_s
                              << u"-92,233,720,368,547,758.08"_s;
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << u"92233720368547758.07"_s
                             << u"92,233,720,368,547,758.07"_s;
    QTest::newRow("a thousand") << qint64(100000) << u"1000.00"_s << u"1,000.00"_s;
}

void TestMoney::format()
{
    QFETCH(qint64, fen);
    QFETCH(QString, plain);
    QFETCH(QString, grouped);
    const Money m = Money::fromFen(fen);
    QCOMPARE(m.toPlainText(), plain);
    QCOMPARE(m.toGroupedText(), grouped);
    // Both forms read back to the same amount.
    QCOMPARE(Money::parse(plain)->fen(), fen);
    QCOMPARE(Money::parse(grouped)->fen(), fen);
}

void TestMoney::smallSumsAreExact()
{
    QCOMPARE((*Money::parse(u"0.07"_s) + *Money::parse(u"0.01"_s)).toPlainText(), u"0.08"_s);
    QCOMPARE((*Money::parse(u"0.1"_s) + *Money::parse(u"0.2"_s)).toPlainText(), u"0.30"_s);
    Money total;
    for (int i = 0; i < 10; ++i)
        total += *Money::parse(u"0.10"_s);
    QCOMPARE(total.toPlainText(), u"1.00"_s);
}

void TestMoney::floatTruncationCasesAreExact_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<qint64>("fen");
    QTest::addColumn<QString>("total");
    QTest::newRow("19.99") << QStringList { u"19.99"_s } << qint64(1999) << u"19.99"_s;
    QTest::newRow("526.80") << QStringList { u"526.80"_s } << qint64(52680) << u"526.80"_s;
    QTest::newRow("total 497983347.84") << QStringList { u"201,398,514.89"_s, u"142,058,286.54"_s, u"154,526,546.41"_s }
                                        << qint64(49798334784) << u"497,983,347.84"_s;
}

void TestMoney::floatTruncationCasesAreExact()
{
    QFETCH(QStringList, parts);
    QFETCH(qint64, fen);
    QFETCH(QString, total);

    double doubleSum = 0;
    Money sum;
    for (const QString& part : parts) {
        doubleSum += removeCommasForDouble(part).toDouble();
        sum += *Money::parse(part);
    }
    // The case is real: the floating-point sum, truncated to fen, loses one.
    QCOMPARE(static_cast<qint64>(doubleSum * 100), fen - 1);
    QCOMPARE(sum.fen(), fen);
    QCOMPARE(sum.toGroupedText(), total);
}

void TestMoney::randomSumIsExact()
{
    QRandomGenerator rng(20240601);
    Money total;
    qint64 expectedFen = 0;
    double doubleTotal = 0;
    for (int i = 0; i < 10000; ++i) {
        const qint64 fen = rng.bounded(qint64(1), qint64(100000000)); // up to 999,999.99
        expectedFen += fen;
        // Written the way users type it: sometimes grouped, one decimal when it ends in 0.
        QString text = QString::number(fen / 100);
        if (rng.bounded(2) && text.size() > 3)
            text.insert(text.size() - 3, u',');
        const qint64 cents = fen % 100;
        if (cents % 10 == 0 && rng.bounded(2))
            text += u'.' + QString::number(cents / 10);
        else
            text += u'.' + QString::number(cents).rightJustified(2, u'0');
        const auto m = Money::parse(text);
        QVERIFY2(m.has_value(), qPrintable(text));
        QCOMPARE(m->fen(), fen);
        total += *m;
        doubleTotal += text.remove(u',').toDouble();
    }
    QCOMPARE(total.fen(), expectedFen);
    const QString expectedText
        = QString::number(expectedFen / 100) + u'.' + QString::number(expectedFen % 100).rightJustified(2, u'0');
    QCOMPARE(total.toPlainText(), expectedText);
    // The floating-point total of the same amounts is not exact to the fen.
    QVERIFY(doubleTotal * 100 != static_cast<double>(expectedFen));
}

void TestMoney::addRefusesOverflow()
{
    const Money max = Money::fromFen(std::numeric_limits<qint64>::max());
    const Money min = Money::fromFen(std::numeric_limits<qint64>::min());
    QVERIFY(!Money::checkedAdd(max, Money::fromFen(1)).has_value());
    QVERIFY(!Money::checkedAdd(min, Money::fromFen(-1)).has_value());
    QCOMPARE(Money::checkedAdd(max, Money::fromFen(-1))->fen(), std::numeric_limits<qint64>::max() - 1);
    QCOMPARE(Money::checkedAdd(min, max)->fen(), qint64(-1));
}

void TestMoney::ordering()
{
    QVERIFY(*Money::parse(u"100000000000.01"_s) > *Money::parse(u"100000000000"_s));
    QVERIFY(*Money::parse(u"-0.01"_s) < Money());
    QVERIFY(*Money::parse(u"1,234.5"_s) == *Money::parse(u"1234.50"_s));
    QVERIFY(Money().isZero());
}

QELVORA_TEST(TestMoney)
#include "tst_money.moc"
