#include "FileSizeLimit.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "common/GbkCodec.h"
#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

} // namespace

class TestGbkCodec : public QObject {
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << u"Abc 123,.;"_s << QByteArray("Abc 123,.;");
        QTest::newRow("chinese") << u"测试银行"_s << QByteArray("\xB2\xE2\xCA\xD4\xD2\xF8\xD0\xD0");
        // 0x80 is the euro sign of code page 936; GB2312 has none.
        QTest::newRow("euro") << u"€5"_s
                              << QByteArray("\x80"
                                            "5");
        // 镕 is a GBK character outside GB2312.
        QTest::newRow("gbk only") << u"朱镕基"_s << QByteArray("\xD6\xEC\xE9\x46\xBB\xF9");
        QTest::newRow("ideographic space") << u"a\u3000b"_s
                                           << QByteArray("a\xA1\xA1"
                                                         "b");
        QTest::newRow("line ends kept") << u"a\r\nb"_s << QByteArray("a\r\nb");
    }
    void encode()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const Result<QByteArray> result = GbkCodec::encode(text);
        QVERIFY2(result.ok(), qPrintable(result.message()));
        QCOMPARE(result.value(), bytes);
        QCOMPARE(GbkCodec::encodeUtf8(text.toUtf8()).value_or("<refused>"), bytes);
        QVERIFY(GbkCodec::canEncode(text));
        // And back.
        const Result<QString> decoded = GbkCodec::decode(bytes);
        QVERIFY2(decoded.ok(), qPrintable(decoded.message()));
        QCOMPARE(decoded.value(), text);
    }

    void encodeRefuses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("position");
        QTest::addColumn<uint>("character");
        QTest::newRow("hangul") << u"户名한"_s << qsizetype(2) << 0xD55Cu;
        QTest::newRow("emoji") << u"ab\U0001F600c"_s << qsizetype(2) << 0x1F600u;
        QTest::newRow("private use outside the user-defined areas") << u"x\uE766"_s << qsizetype(1) << 0xE766u;
        QTest::newRow("private use of byte FF") << u"\uF8F5"_s << qsizetype(0) << 0xF8F5u;
        QTest::newRow("first of two") << u"中ā한😀"_s << qsizetype(2) << 0xD55Cu;
        QString lone = u"ab"_s;
        lone.append(QChar(0xD800));
        lone.append(u"c"_s);
        QTest::newRow("lone surrogate") << lone << qsizetype(2) << 0xD800u;
    }
    void encodeRefuses()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, position);
        QFETCH(uint, character);
        const Result<QByteArray> result = GbkCodec::encode(text);
        QVERIFY(!result.ok());
        QCOMPARE(result.at(), position);
        const QString refused = GbkCodec::characterText(text, result.at());
        const uint code = refused.size() == 2 ? QChar::surrogateToUcs4(refused.at(0), refused.at(1))
                                              : uint(refused.isEmpty() ? 0 : refused.at(0).unicode());
        QCOMPARE(code, character);
        QVERIFY(result.message().contains(refused));
        QVERIFY(!GbkCodec::canEncode(text));
        // The same character refused from UTF-8, at its byte offset (a lone
        // surrogate has no UTF-8 form).
        if (!refused.front().isSurrogate() || refused.size() == 2) {
            const Result<QByteArray> fromUtf8 = GbkCodec::encodeUtf8(text.toUtf8());
            QVERIFY(!fromUtf8.ok());
            QCOMPARE(fromUtf8.at(), text.left(position).toUtf8().size());
        }
    }

    // The quick test of a whole text agrees with the encoder on every single
    // character of the BMP and on characters beyond it.
    void canEncodeAgreesWithEncode()
    {
        for (char32_t c = 0; c < 0x10000; ++c) {
            const QString text = QChar(char16_t(c));
            const bool encodes = GbkCodec::encode(text).ok();
            // A lone surrogate has no UTF-8 form of its own.
            if (GbkCodec::canEncode(text) != encodes
                || (!QChar::isSurrogate(c) && GbkCodec::firstUnencodableUtf8(text.toUtf8()) != (encodes ? -1 : 0)))
                QFAIL(qPrintable(u"U+%1"_s.arg(uint(c), 4, 16, QChar(u'0'))));
        }
        // The byte offset of the first refused character, and bytes that are not UTF-8.
        QCOMPARE(GbkCodec::firstUnencodableUtf8(u"ab中한c"_s.toUtf8()), qsizetype(5));
        QCOMPARE(GbkCodec::firstUnencodableUtf8(u"中\U0001F600"_s.toUtf8()), qsizetype(3));
        QCOMPARE(GbkCodec::firstUnencodableUtf8("a\xC0\x80"), qsizetype(1)); // overlong
        QCOMPARE(GbkCodec::firstUnencodableUtf8("ab\xE4\xB8"), qsizetype(2)); // cut short
        QCOMPARE(GbkCodec::firstUnencodableUtf8("a\xFF"), qsizetype(1));
        QCOMPARE(GbkCodec::firstUnencodableUtf8(u"张三,€"_s.toUtf8()), qsizetype(-1));
        QVERIFY(!GbkCodec::canEncode(u"中\U0001F600"_s));
        QVERIFY(!GbkCodec::canEncode(u"\U00020000"_s)); // CJK extension B: not in GBK
        QVERIFY(GbkCodec::canEncode(u"中文€\uE000"_s));
    }

    void characterReferences()
    {
        QCOMPARE(GbkCodec::encodeWithCharacterReferences(u"a😀中한\uE766"_s),
            QByteArray("a&#x1F600;\xD6\xD0&#xD55C;&#xE766;"));
    }

    void decodeRefuses_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("offset");
        QTest::newRow("byte FF") << QByteArray("ab\xFF"
                                               "c")
                                 << qsizetype(2);
        QTest::newRow("bad trail byte") << QByteArray("ab\x81\x30"
                                                      "c")
                                        << qsizetype(2);
        QTest::newRow("truncated at end") << QByteArray("abc\xD6") << qsizetype(3);
        QTest::newRow("after chinese") << QByteArray("\xD6\xD0\xCE\xC4\xFF") << qsizetype(4);
        // An unassigned cell, which code page 936 maps to a private-use character.
        QTest::newRow("unassigned cell") << QByteArray("a\xA2\xAB") << qsizetype(1);
    }
    void decodeRefuses()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, offset);
        const Result<QString> result = GbkCodec::decode(bytes);
        QVERIFY(!result.ok());
        QCOMPARE(result.at(), offset);
        QVERIFY(!result.message().isEmpty());
    }

    // Every cell of the three user-defined areas, in code page 936's order:
    // AAA1-AFFE from U+E000, F8A1-FEFE from U+E234, A140-A7A0 from U+E4C6.
    void userDefinedAreasRoundTrip()
    {
        struct Area {
            int firstLead, lastLead;
            bool lowTrail; // trail bytes 40-7E and 80-A0 instead of A1-FE
        };
        char16_t code = 0xE000;
        for (const Area& area : { Area { 0xAA, 0xAF, false }, Area { 0xF8, 0xFE, false }, Area { 0xA1, 0xA7, true } }) {
            for (int lead = area.firstLead; lead <= area.lastLead; ++lead) {
                for (int trail = area.lowTrail ? 0x40 : 0xA1; trail <= (area.lowTrail ? 0xA0 : 0xFE); ++trail) {
                    if (trail == 0x7F)
                        continue;
                    const QByteArray bytes = QByteArray(1, char(lead)) + char(trail);
                    const QString text(QChar(code++));
                    QCOMPARE(GbkCodec::decode(bytes).value_or(QString()), text);
                    QCOMPARE(GbkCodec::encode(text).value_or(QByteArray()), bytes);
                }
            }
        }
        QCOMPARE(code, char16_t(0xE766));
    }

    void decodeFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("offset");
        QTest::newRow("gbk") << QByteArray("\xD6\xD0\xCE\xC4") << true << u"中文"_s << qsizetype(-1);
        QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87") << true << u"中文"_s
                                        << qsizetype(-1);
        QTest::newRow("bom only") << QByteArray("\xEF\xBB\xBF") << true << QString() << qsizetype(-1);
        // Offsets count the byte-order mark.
        QTest::newRow("bad utf-8 after bom") << QByteArray("\xEF\xBB\xBF"
                                                           "ab\xC3")
                                             << false << QString() << qsizetype(5);
        QTest::newRow("utf-8 without bom is gbk") << QByteArray("\xE4\xB8\xAD") << false << QString() << qsizetype(2);
    }
    void decodeFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QFETCH(qsizetype, offset);
        const Result<QString> result = GbkCodec::decodeFile(bytes);
        QCOMPARE(result.ok(), ok);
        QCOMPARE(result.value_or(QString()), text);
        QCOMPARE(result.at(), offset);
    }

    // ---- TextFile ------------------------------------------------------------

    void writeLinesEndsEveryLineWithCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.txt"_s);
        const Result<> result = TextFile::writeLines(path, { u"序号,金额"_s, QString(), u"1,€"_s });
        QVERIFY2(result.ok(), qPrintable(result.message()));
        QCOMPARE(readAll(path), QByteArray("\xD0\xF2\xBA\xC5,\xBD\xF0\xB6\xEE\r\n\r\n1,\x80\r\n"));

        QVERIFY(TextFile::writeLines(path, {}).ok());
        QCOMPARE(readAll(path), QByteArray());
    }

    void writeLinesRefusesAndKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.txt"_s);
        writeAll(path, "old\r\n");
        const Result<> result = TextFile::writeLines(path, { u"a"_s, u"b"_s, u"户名:김"_s });
        QVERIFY(!result.ok());
        QCOMPARE(result.at(), qsizetype(2));
        QCOMPARE(result.message(), u"第3行第4个字符“김”不能用GBK编码"_s);
        QCOMPARE(readAll(path), QByteArray("old\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"out.txt"_s });
    }

    // A write that fails half-way (here: the file size limit, as a full disk
    // would) leaves the previous file whole and no temporary file behind.
    // Both a file that fits in one write buffer and one that does not.
    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<int>("lineCount");
        QTest::newRow("small") << 100;
        QTest::newRow("large") << 5000;
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(int, lineCount);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.txt"_s);
        writeAll(path, "previous contents\r\n");
        QStringList lines;
        for (int i = 0; i < lineCount; ++i)
            lines.append(u"line %1 of a long file"_s.arg(i));
        Result<> result;
        {
            FileSizeLimit limit(1024);
            QVERIFY(limit.ok());
            result = TextFile::writeLines(path, lines);
        }
        QVERIFY(!result.ok());
        QVERIFY(!result.message().isEmpty());
        QCOMPARE(readAll(path), QByteArray("previous contents\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"out.txt"_s });
    }

    void writeIntoMissingDirectoryFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"no/such/dir/out.txt"_s);
        QVERIFY(!TextFile::writeLines(path, { u"x"_s }).ok());
        QVERIFY(!QFile::exists(path));
    }

    void readLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList { u"a"_s, u"b"_s };
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList { u"a"_s, u"b"_s };
        QTest::newRow("mixed, last without end") << QByteArray("a\r\nb\nc") << QStringList { u"a"_s, u"b"_s, u"c"_s };
        QTest::newRow("empty lines") << QByteArray("\r\n\r\nx\r\n\r\n")
                                     << QStringList { QString(), QString(), u"x"_s, QString() };
        QTest::newRow("lone cr") << QByteArray("a\rb\r\n") << QStringList { u"a"_s, u"b"_s };
        QTest::newRow("lone cr only, last with end")
            << QByteArray("a\rb\rc\r") << QStringList { u"a"_s, u"b"_s, u"c"_s };
        QTest::newRow("cr before crlf") << QByteArray("a\r\r\nb") << QStringList { u"a"_s, QString(), u"b"_s };
        QTest::newRow("lf cr") << QByteArray("a\n\rb") << QStringList { u"a"_s, QString(), u"b"_s };
        QTest::newRow("gbk") << QByteArray("\xD6\xD0,\x80\r\n") << QStringList { u"中,€"_s };
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD\r\nx") << QStringList { u"中"_s, u"x"_s };
    }
    void readLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"in.txt"_s);
        writeAll(path, bytes);
        const Result<QStringList> result = TextFile::readLines(path);
        QVERIFY2(result.ok(), qPrintable(result.message()));
        QCOMPARE(result.value(), lines);
    }

    void readLinesReportsBadByte()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"in.txt"_s);
        writeAll(path, "ok\r\nstill ok\r\nbad \xFF here\r\n");
        const Result<QStringList> result = TextFile::readLines(path);
        QVERIFY(!result.ok());
        QVERIFY2(result.message().startsWith(u"第3行："_s), qPrintable(result.message()));
        QCOMPARE(result.at(), qsizetype(18));

        // Lone CR line ends count as lines too.
        writeAll(path, "ok\rstill ok\r\n\rbad \xFF here\r");
        const Result<QStringList> lone = TextFile::readLines(path);
        QVERIFY2(lone.message().startsWith(u"第4行："_s), qPrintable(lone.message()));

        QVERIFY(!TextFile::readLines(dir.filePath(u"missing.txt"_s)).ok());
    }

    void writeThenReadRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"round.txt"_s);
        const QStringList lines { u"1,#6222021234567890,张三,\"备注\""_s, QString(), u"€ 100.00"_s };
        QVERIFY(TextFile::writeLines(path, lines).ok());
        const Result<QStringList> result = TextFile::readLines(path);
        QVERIFY(result.ok());
        QCOMPARE(result.value(), lines);
    }
};

QELVORA_TEST(TestGbkCodec)
#include "tst_gbkcodec.moc"
