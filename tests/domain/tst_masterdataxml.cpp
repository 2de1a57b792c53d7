#include "FileSizeLimit.h"
#include "StoreRows.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "common/XmlDoc.h"
#include "domain/masterdata/MasterDataXml.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace MasterDataXml;

namespace {
QByteArray payAccountFile(const QList<QPair<QByteArray, QByteArray>>& accounts)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<AccountSet>\r\n";
    for (const auto& [number, name] : accounts) {
        xml += "\t<Account>\r\n\t\t<AccountNO>" + number + "</AccountNO>\r\n\t\t<Currency>RMB</Currency>\r\n";
        if (!name.isNull())
            xml += "\t\t<AccountName>" + name + "</AccountName>\r\n";
        xml += "\t</Account>\r\n";
    }
    return xml + "</AccountSet>\r\n";
}

QByteArray remarkFile(const QList<QByteArray>& values)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<UserRemark>\r\n";
    for (const QByteArray& v : values)
        xml += "\t<Remark>\r\n\t\t<Value>" + v + "</Value>\r\n\t</Remark>\r\n";
    return xml + "</UserRemark>\r\n";
}

// How loading an import file ends: silently, with the caller's read error,
// naming what is wrong with the document, or with the document.
enum LoadStatus { NotLoaded, ReadError, Malformed, Loaded };

XmlDoc parsed(const QByteArray& bytes)
{
    XmlDoc doc = parsedXml(bytes);
    if (doc.isNull())
        QTest::qFail("test document does not parse", __FILE__, __LINE__);
    return doc;
}

// A store that refuses to insert the name or remark "BOOM", as a full disk or a
// broken constraint would refuse a row.
void refuseBoom(DomainEnv& env)
{
    env.exec(u"create trigger pay_acc_boom before insert on pay_acc when new.acc_name='BOOM'"
             u" begin select raise(abort,'refused'); end"_s);
    env.exec(u"create trigger remark_boom before insert on user_remark when new.remark='BOOM'"
             u" begin select raise(abort,'refused'); end"_s);
}
}

class TestMasterDataXml : public QObject {
    Q_OBJECT
private slots:
    void remarkFileLayout()
    {
        DomainEnv env;
        const QString file = env.path(u"r.xml"_s);
        const Result<int> outcome = exportRemarks(file, { u"工资"_s, u"a&b <c> \"d\" 'e'"_s });
        QVERIFY(outcome.ok());
        QCOMPARE(outcome.value(), 2);
        const QByteArray expected = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
                                    "<UserRemark>\r\n"
                                    "\t<Remark>\r\n"
                                    "\t\t<Value>\xB9\xA4\xD7\xCA</Value>\r\n"
                                    "\t</Remark>\r\n"
                                    "\t<Remark>\r\n"
                                    "\t\t<Value>a&amp;b &lt;c&gt; &quot;d&quot; 'e'</Value>\r\n"
                                    "\t</Remark>\r\n"
                                    "</UserRemark>\r\n";
        QCOMPARE(readBytes(file), expected);
    }

    void remarkFilesOfTen_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("1") << u"r.xml"_s << 1 << QStringList { u"r.xml"_s };
        QTest::newRow("10") << u"r.xml"_s << 10 << QStringList { u"r.xml"_s };
        QTest::newRow("11") << u"r.xml"_s << 11 << QStringList { u"r-1.xml"_s, u"r-2.xml"_s };
        QTest::newRow("25") << u"r.xml"_s << 25 << QStringList { u"r-1.xml"_s, u"r-2.xml"_s, u"r-3.xml"_s };
        QTest::newRow("upper-case extension") << u"r.XML"_s << 12 << QStringList { u"r-1.xml"_s, u"r-2.xml"_s };
        QTest::newRow("no extension") << u"remarks"_s << 12 << QStringList { u"remarks-1.xml"_s, u"remarks-2.xml"_s };
    }
    void remarkFilesOfTen()
    {
        QFETCH(QString, chosen);
        QFETCH(int, count);
        QFETCH(QStringList, files);
        QCOMPARE(remarkFileNames(u"/d/"_s + chosen, count), [&] {
            QStringList paths;
            for (const QString& f : files)
                paths << u"/d/"_s + f;
            return paths;
        }());
    }

    void exportRefusesWhatGbkCannotCarry_data()
    {
        QTest::addColumn<int>("position");
        // The refused value in the first, and in the last of three files.
        QTest::newRow("first file") << 0;
        QTest::newRow("last file") << 24;
    }
    void exportRefusesWhatGbkCannotCarry()
    {
        QFETCH(int, position);
        DomainEnv env;
        QStringList remarks;
        for (int i = 0; i < 25; ++i)
            remarks << u"备注%1"_s.arg(i, 2, 10, QChar(u'0'));
        remarks[position] = u"生日🎂"_s;
        const Result<int> outcome = exportRemarks(env.path(u"r.xml"_s), remarks);
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.message(), u"备注[生日🎂]中的字符“🎂”不能用GBK编码，导出备注失败"_s);
        // Nothing written at all.
        QCOMPARE(QDir(env.dir()).entryList({ u"*.xml"_s }), QStringList());
    }

    void payAccountExportRefusesEachField_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("number") << u"62٢2"_s << u"人民币"_s << u"甲"_s
                                << u"付款账号[62٢2]中的字符“٢”不能用GBK编码，导出付款账号失败"_s;
        QTest::newRow("currency") << u"6222"_s << u"₿"_s << u"甲"_s
                                  << u"币种[₿]中的字符“₿”不能用GBK编码，导出付款账号失败"_s;
        QTest::newRow("name") << u"6222"_s << u"人民币"_s << u"𠀀公司"_s
                              << u"户名[𠀀公司]中的字符“𠀀”不能用GBK编码，导出付款账号失败"_s;
    }
    void payAccountExportRefusesEachField()
    {
        QFETCH(QString, number);
        QFETCH(QString, currency);
        QFETCH(QString, name);
        QFETCH(QString, message);
        DomainEnv env;
        const QString file = env.path(u"a.xml"_s);
        const Result<int> outcome
            = exportPayAccounts(file, { { u"6222000000000001"_s, u"人民币"_s, u"甲"_s }, { number, currency, name } });
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.message(), message);
        QVERIFY(!QFile::exists(file));
    }

    void exportIntoADirectoryThatCannotTakeTheFile()
    {
        DomainEnv env;
        const QString file = env.path(u"missing/a.xml"_s);
        Result<int> outcome = exportPayAccounts(file, { { u"6222000000000001"_s, u"人民币"_s, u"甲"_s } });
        QCOMPARE(outcome.message(), u"文件读写错误，导出付款账号失败"_s);
        outcome = exportRemarks(file, { u"甲"_s });
        QCOMPARE(outcome.message(), u"文件读写错误，导出备注失败"_s);
    }

    void payAccountImportChecks_data()
    {
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("15 digits") << QByteArray("622200000000001") << QByteArray("B")
                                   << u"付款账号长度错误[622200000000001]，文件导入中止"_s;
        QTest::newRow("16 digits") << QByteArray("6222000000000001") << QByteArray("B") << QString();
        QTest::newRow("20 digits") << QByteArray("62220000000000000001") << QByteArray("B") << QString();
        QTest::newRow("21 digits") << QByteArray("622200000000000000001") << QByteArray("B")
                                   << u"付款账号长度错误[622200000000000000001]，文件导入中止"_s;
        QTest::newRow("blanks around") << QByteArray("  6222000000000001\t") << QByteArray(" B ") << QString();
        QTest::newRow("hyphen") << QByteArray("6222-00000000001") << QByteArray("B")
                                << u"付款账号格式错误[6222-00000000001]，文件导入中止"_s;
        QTest::newRow("letter") << QByteArray("622200000000000X") << QByteArray("B")
                                << u"付款账号格式错误[622200000000000X]，文件导入中止"_s;
        QTest::newRow("no AccountName") << QByteArray("6222000000000009") << QByteArray()
                                        << u"付款账号户名为空[6222000000000009]，文件导入中止"_s;
        QTest::newRow("blank AccountName") << QByteArray("6222000000000009") << QByteArray("  ")
                                           << u"付款账号户名为空[6222000000000009]，文件导入中止"_s;
        QTest::newRow("huge number, quoted short") << QByteArray(
            10'000'000, '6') << QByteArray("B") << u"付款账号长度错误["_s + QString(40, u'6') + u"…]，文件导入中止"_s;
    }
    void payAccountImportChecks()
    {
        QFETCH(QByteArray, number);
        QFETCH(QByteArray, name);
        QFETCH(QString, message);
        DomainEnv env;
        // A good account before the one under test, and one after it.
        const XmlDoc doc
            = parsed(payAccountFile({ { "6222000000000100", "A" }, { number, name }, { "6222000000000200", "C" } }));
        const Result<int> outcome = importPayAccounts(env.db(), doc);
        QCOMPARE(outcome.message(), message);
        QCOMPARE(outcome.ok(), message.isEmpty());
        QList<QStringList> expected = { { u"6222000000000100"_s, u"A"_s } };
        if (message.isEmpty())
            expected << QStringList { QString::fromLatin1(number).trimmed(), u"B"_s }
                     << QStringList { u"6222000000000200"_s, u"C"_s };
        QCOMPARE(storeRows(env, u"select acc_no,acc_name from pay_acc order by rowid"_s), expected);
        QCOMPARE(outcome ? outcome.value() : int(outcome.at()), static_cast<int>(expected.size()));
        QVERIFY(!env.db().inTransaction());
    }

    void payAccountImportReadsAccountsAtAnyDepth()
    {
        DomainEnv env;
        const XmlDoc doc
            = parsed("<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<Root><Group><Account>"
                     "<AccountName>\xBC\xD7</AccountName><Extra><AccountNO>6222000000000001</AccountNO></Extra>"
                     "</Account></Group></Root>");
        QVERIFY(importPayAccounts(env.db(), doc).ok());
        QCOMPARE(storeRows(env, u"select acc_no,acc_name from pay_acc"_s),
            (QList<QStringList> { { u"6222000000000001"_s, u"甲"_s } }));
    }

    void aFailedInsertKeepsTheRowItWouldReplace()
    {
        DomainEnv env;
        refuseBoom(env);
        env.exec(u"insert into pay_acc (acc_no,acc_name,currency) values ('6222000000000002','old','14')"_s);
        const XmlDoc doc = parsed(payAccountFile(
            { { "6222000000000001", "A" }, { "6222000000000002", "BOOM" }, { "6222000000000003", "C" } }));
        const Result<int> outcome = importPayAccounts(env.db(), doc);
        QCOMPARE(outcome.message(), u"导入付款账号发生错误[6222000000000002]"_s);
        QCOMPARE(storeRows(env, u"select acc_no,acc_name,currency from pay_acc order by acc_no"_s),
            (QList<QStringList> {
                { u"6222000000000001"_s, u"A"_s, u"01"_s }, { u"6222000000000002"_s, u"old"_s, u"14"_s } }));
        QVERIFY(!env.db().inTransaction());
        // No error box: an insert fails silently, the import names the account.
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void remarkImport()
    {
        DomainEnv env;
        env.exec(u"insert into user_remark (remark) values ('工资')"_s);
        const XmlDoc doc = parsed(remarkFile({ "\xB9\xA4\xD7\xCA", " a&amp;b ", "O'Neil" }));
        const Result<int> outcome = importRemarks(env.db(), doc);
        QVERIFY(outcome.ok());
        QCOMPARE(outcome.value(), 3);
        // An existing remark is kept once.
        QCOMPARE(storeRows(env, u"select remark from user_remark order by remark"_s),
            (QList<QStringList> { { u"O'Neil"_s }, { u"a&b"_s }, { u"工资"_s } }));
    }

    void remarkImportStops_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty Value") << QByteArray("") << u"备注文件中有空白的备注，导入文件中止"_s;
        QTest::newRow("blank Value") << QByteArray(" \t ") << u"备注文件中有空白的备注，导入文件中止"_s;
        QTest::newRow("refused by the store") << QByteArray("BOOM") << u"导入备注发生错误[BOOM]"_s;
    }
    void remarkImportStops()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, message);
        DomainEnv env;
        refuseBoom(env);
        env.exec(u"insert into user_remark (remark) values ('before')"_s);
        const Result<int> outcome = importRemarks(env.db(), parsed(remarkFile({ "first", "second", value, "after" })));
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.message(), message);
        QCOMPARE(storeRows(env, u"select remark from user_remark order by remark"_s),
            (QList<QStringList> { { u"before"_s }, { u"first"_s }, { u"second"_s } }));
        QVERIFY(!env.db().inTransaction());
    }

    // A full disk in the middle of an import: the store's own text, nothing of
    // the file kept, no other box.
    void fullDiskDuringImportKeepsNothing()
    {
        DomainEnv env;
        env.exec(u"insert into user_remark (remark) values ('before')"_s);
        env.exec(u"PRAGMA cache_size=8"_s); // pages reach the file long before the commit
        QList<QByteArray> values;
        for (int i = 0; i < 20000; ++i)
            values << QByteArray::number(i).rightJustified(60, 'r');
        const XmlDoc doc = parsed(remarkFile(values));
        Result<int> outcome = 0;
        {
            FileSizeLimit limit(QFileInfo(env.db().dbPath()).size() + 50'000);
            QVERIFY(limit.ok());
            outcome = importRemarks(env.db(), doc);
        }
        // The store's text: a full disk, or a write beyond the size limit.
        QVERIFY2(QStringList({ u"导入备注失败，数据库错误：database or disk is full。文件中的记录均未导入。"_s,
                                 u"导入备注失败，数据库错误：disk I/O error。文件中的记录均未导入。"_s })
                     .contains(outcome.message()),
            qPrintable(outcome.message()));
        QCOMPARE(outcome.at(), qsizetype(-1));
        QVERIFY(!env.db().inTransaction());
        QVERIFY(env.prompt.calls().isEmpty());
        QCOMPARE(storeRows(env, u"select remark from user_remark"_s), QList<QStringList> { { u"before"_s } });
    }

    void loadingTheImportFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("status");
        QTest::newRow("no file chosen") << QString() << QByteArray() << int(NotLoaded);
        QTest::newRow("missing file") << u"missing.xml"_s << QByteArray() << int(NotLoaded);
        QTest::newRow("not XML") << u"a.xml"_s << QByteArray("plain text") << int(Malformed);
        QTest::newRow("not GBK") << u"a.xml"_s
                                 << QByteArray("<?xml version=\"1.0\" encoding=\"GB2312\"?><a>\xFF\xFF</a>")
                                 << int(Malformed);
        QTest::newRow("a directory") << u"dir.xml"_s << QByteArray() << int(ReadError);
        QTest::newRow("GBK document") << u"a.xml"_s << remarkFile({ "\xB9\xA4\xD7\xCA" }) << int(Loaded);
    }
    void loadingTheImportFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(int, status);
        DomainEnv env;
        QString path;
        if (!name.isEmpty()) {
            path = env.path(name);
            if (name == u"dir.xml"_s)
                QVERIFY(QDir(env.dir()).mkdir(name));
            else if (!contents.isEmpty())
                writeBytes(path, contents);
        }
        const Result<XmlDoc> doc = loadDocument(path, u"读取失败"_s);
        QCOMPARE(doc.ok(), status == Loaded);
        if (status == NotLoaded)
            QCOMPARE(doc.message(), QString());
        else if (status == ReadError)
            QCOMPARE(doc.message(), u"读取失败"_s);
        else if (status == Malformed)
            QVERIFY2(doc.message().startsWith(u"文件“a.xml”无法读取："_s), qPrintable(doc.message()));
        else
            QVERIFY(!doc->rootElement().isNull());
    }
};

QELVORA_TEST(TestMasterDataXml)
#include "tst_masterdataxml.moc"
