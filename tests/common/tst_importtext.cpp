#include "TestRegistry.h"

#include "common/ImportText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestImportText : public QObject {
    Q_OBJECT
private slots:
    // An upload file splits into its header and its instruction lines at CR
    // LF, LF and lone CR alike; a line that does not decode is named.
    void uploadLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("badLine");
        const QStringList ab = { u"a"_s, u"b"_s };
        QTest::newRow("crlf") << QByteArray("2,1.00\r\na\r\nb\r\n") << u"2,1.00"_s << ab << 0;
        QTest::newRow("lf") << QByteArray("2,1.00\na\nb") << u"2,1.00"_s << ab << 0;
        QTest::newRow("lone cr") << QByteArray("2,1.00\ra\rb\r") << u"2,1.00"_s << ab << 0;
        QTest::newRow("mixed") << QByteArray("h\r\na\rb\nc\r\n") << u"h"_s << QStringList { u"a"_s, u"b"_s, u"c"_s }
                               << 0;
        QTest::newRow("empty line kept") << QByteArray("h\r\ra") << u"h"_s << QStringList { QString(), u"a"_s } << 0;
        QTest::newRow("empty") << QByteArray() << QString() << QStringList() << 0;
        QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF") << QString() << QStringList() << 0;
        QTest::newRow("header only, lone cr") << QByteArray("1,2.00\r") << u"1,2.00"_s << QStringList() << 0;
        QTest::newRow("utf-8, lone cr") << QByteArray("\xEF\xBB\xBFh\r\xE4\xB8\xAD\r") << u"h"_s
                                        << QStringList { u"中"_s } << 0;
        QTest::newRow("bad byte after lone cr")
            << QByteArray("h\ra\rb\xFF\rc") << u"h"_s << QStringList { u"a"_s } << 2;
    }
    void uploadLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, header);
        QFETCH(QStringList, lines);
        QFETCH(int, badLine);
        const ImportText::UploadLines read = ImportText::decodeUploadFile(bytes);
        QCOMPARE(read.header, header);
        QCOMPARE(read.badLine, qsizetype(badLine));
        QStringList got;
        ImportText::LineCursor cursor(read.text);
        QStringView line;
        while (cursor.next(line))
            got << line.toString();
        QCOMPARE(got, lines);
    }

    void headerAgainstLines_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("message");
        const QStringList two = { u"100.00"_s, u"50.00"_s };
        QTest::newRow("agrees") << u"2,150.00"_s << two << QString();
        QTest::newRow("blanks and one decimal") << u" 2 , 150.0 "_s << two << QString();
        QTest::newRow("count") << u"3,150.00"_s << two << u"文件头记录数（3）与明细记录数（2）不符，文件导入被中止"_s;
        QTest::newRow("a fen off") << u"2,150.01"_s << two
                                   << u"文件头合计金额（150.01）与明细合计金额（150.00）不符，文件导入被中止"_s;
        QTest::newRow("count only") << u"2"_s << two << QString();
        QTest::newRow("total does not read") << u"2,abc"_s << two << QString();
        QTest::newRow("nothing reads") << u"批量,付款"_s << two << QString();
    }
    void headerAgainstLines()
    {
        QFETCH(QString, header);
        QFETCH(QStringList, amounts);
        QFETCH(QString, message);
        ImportText::LineTotals totals;
        for (const QString& amount : amounts)
            totals.add(amount);
        QCOMPARE(totals.headerProblem(ImportText::parseHeader(header)), message);
    }
};

QELVORA_TEST(TestImportText)
#include "tst_importtext.moc"
