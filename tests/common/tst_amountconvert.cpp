#include "TestRegistry.h"

#include "common/AmountConvert.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAmountConvert : public QObject {
    Q_OBJECT

private slots:
    void amountToWords_data();
    void amountToWords();
    void collapseZeros_data();
    void collapseZeros();
    void stripLeadingZeros_data();
    void stripLeadingZeros();
};

void TestAmountConvert::amountToWords_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("words");

    // The documented conversions.
    QTest::newRow("1005.30") << u"1005.30"_s << u"壹仟零伍元叁角"_s;
    QTest::newRow("1234.56") << u"1234.56"_s << u"壹仟贰佰叁拾肆元伍角陆分"_s;
    QTest::newRow("10 leading one spoken") << u"10"_s << u"壹拾元"_s;
    QTest::newRow("1000.05") << u"1000.05"_s << u"壹仟元零伍分"_s;
    QTest::newRow("100.01") << u"100.01"_s << u"壹佰元零壹分"_s;
    QTest::newRow("12.3") << u"12.3"_s << u"壹拾贰元叁角"_s;
    QTest::newRow("20000") << u"20000"_s << u"贰万元"_s;
    QTest::newRow("120000.00") << u"120000.00"_s << u"壹拾贰万元"_s;
    QTest::newRow("10000001.10") << u"10000001.10"_s << u"壹仟万零壹元壹角"_s;
    QTest::newRow("100000000") << u"100000000"_s << u"壹亿元"_s;
    QTest::newRow("100010000") << u"100010000"_s << u"壹亿零壹万元"_s;
    QTest::newRow("1002003004.05") << u"1002003004.05"_s << u"壹拾亿零贰佰万叁仟零肆元零伍分"_s;
    QTest::newRow("1234. trailing point") << u"1234."_s << u"壹仟贰佰叁拾肆元"_s;
    QTest::newRow("0.50") << u"0.50"_s << u"伍角"_s;
    QTest::newRow("0.05") << u"0.05"_s << u"伍分"_s;
    QTest::newRow("0.00") << u"0.00"_s << QString();
    QTest::newRow("0") << u"0"_s << QString();
    QTest::newRow("empty") << QString() << QString();

    // Three or more decimals: no jiao/fen part at all.
    QTest::newRow("three decimals") << u"12.345"_s << u"壹拾贰元"_s;
    QTest::newRow("three decimals, no integer") << u"0.125"_s << QString();
    // Never a "整" suffix.
    QTest::newRow("5 without zheng") << u"5"_s << u"伍元"_s;
    QTest::newRow("whole with .00") << u"300.00"_s << u"叁佰元"_s;
    // A leading zero of the integer part is spoken.
    QTest::newRow("012") << u"012"_s << u"零壹拾贰元"_s;

    // 16 integer digits use all three section characters.
    QTest::newRow("16 digits") << u"1234567890123456.78"_s
                               << u"壹仟贰佰叁拾肆兆伍仟陆佰柒拾捌亿玖仟零壹拾贰万叁仟肆佰伍拾陆元柒角捌分"_s;
    QTest::newRow("16 digits, empty middle groups") << u"1000000000000001"_s << u"壹仟兆零壹元"_s;

    // Zeros inside and between groups.
    QTest::newRow("one zero jiao, fen") << u"0.10"_s << u"壹角"_s;
    QTest::newRow("fen only, integer part") << u"7.09"_s << u"柒元零玖分"_s;
    QTest::newRow("single decimal zero") << u"7.0"_s << u"柒元"_s;
    QTest::newRow("zero inside group") << u"101"_s << u"壹佰零壹元"_s;
    QTest::newRow("group ends in zeros") << u"1010"_s << u"壹仟零壹拾元"_s;
    QTest::newRow("zero group between") << u"100000001"_s << u"壹亿零壹元"_s;
    QTest::newRow("wan group after zeros") << u"10100000"_s << u"壹仟零壹拾万元"_s;
    QTest::newRow("short leading group") << u"12345"_s << u"壹万贰仟叁佰肆拾伍元"_s;
}

void TestAmountConvert::amountToWords()
{
    QFETCH(QString, amount);
    QFETCH(QString, words);
    QCOMPARE(::amountToWords(amount), words);
}

void TestAmountConvert::collapseZeros_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("run of zeros") << u"壹仟零零零伍"_s << u"壹仟零伍"_s;
    QTest::newRow("one trailing zero removed") << u"壹仟零零"_s << u"壹仟"_s;
    QTest::newRow("leading zero kept") << u"零壹"_s << u"零壹"_s;
    QTest::newRow("only zeros") << u"零零零"_s << QString();
}

void TestAmountConvert::collapseZeros()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(amount_convert::collapseZeros(input), output);
}

void TestAmountConvert::stripLeadingZeros_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("zero jiao") << u"零伍分"_s << u"伍分"_s;
    QTest::newRow("no zero") << u"伍角"_s << u"伍角"_s;
    QTest::newRow("only zeros") << u"零零"_s << QString();
    QTest::newRow("first non-zero is last") << u"零伍"_s << QString();
}

void TestAmountConvert::stripLeadingZeros()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(amount_convert::stripLeadingZeros(input), output);
}

QELVORA_TEST(TestAmountConvert)
#include "tst_amountconvert.moc"
