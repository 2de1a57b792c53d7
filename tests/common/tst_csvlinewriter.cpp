#include "TestFiles.h"
#include "TestRegistry.h"

#include "common/CsvLineWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

// A writer that names rows by a key of the caller's own (here "编号 K<line>").
CsvLineWriter roster()
{
    return CsvLineWriter({ u"户名"_s, u"证件号码"_s },
        { u"%1的“%2”中含有%3"_s, u"%1的“%2”中含有字符“%3”"_s, u"文件无法写入"_s },
        [](qsizetype line) { return u"编号K%1"_s.arg(line); });
}
} // namespace

class TestCsvLineWriter : public QObject {
    Q_OBJECT
private slots:
    void writesLinesAsGbkWithCrLf()
    {
        CsvLineWriter w = roster();
        w.addHeaderLine("head,er");
        // Text the caller made itself (field -1) is not checked.
        QVERIFY(w.addLine({ { nullptr, "1,2" }, { ",#", utf8(u"张三"_s), 0 }, { ", ", "110", 1 } }));
        QVERIFY(w.addLine({ { nullptr, "3" }, { ",#", "", 0 }, { ", ", "", 1 } }));
        QCOMPARE(w.lineCount(), 2);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_s);
        QVERIFY(w.write(path).ok());
        QCOMPARE(readAll(path), QByteArray("head,er\r\n1,2,#\xd5\xc5\xc8\xfd, 110\r\n3,#, \r\n"));
    }

    void refusalNamesRowAndField_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("message");
        QTest::newRow("comma") << QByteArray("11,0") << u"编号K1的“证件号码”中含有逗号“,”"_s;
        QTest::newRow("line break") << QByteArray("11\r") << u"编号K1的“证件号码”中含有换行符"_s;
        QTest::newRow("not in GBK") << QByteArray("1\xea\xb9\x80") << u"编号K1的“证件号码”中含有字符“김”"_s;
    }
    void refusalNamesRowAndField()
    {
        QFETCH(QByteArray, second);
        QFETCH(QString, message);
        CsvLineWriter w = roster();
        QVERIFY(w.addLine({ { nullptr, utf8(u"李四"_s), 0 }, { ",", "1", 1 } }));
        w.addLine({ { nullptr, utf8(u"王五"_s), 0 }, { ",", second, 1 } });
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_s);
        writeAll(path, "old");
        const Result<> result = w.write(path);
        QVERIFY(!result.ok());
        QCOMPARE(result.message(), message);
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({ u"out.csv"_s }));
    }
};

QELVORA_TEST(TestCsvLineWriter)
#include "tst_csvlinewriter.moc"
