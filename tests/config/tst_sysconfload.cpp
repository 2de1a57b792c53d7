#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "config/SysConf.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {
QByteArray defaultWithBank(const QByteArray& bank)
{
    QByteArray bytes = readAll(QStringLiteral(QELVORA_TEST_DATA "/sysConf.default.ini"));
    bytes.replace("bank_name=\"\"", "bank_name=\"" + bank + "\"");
    return bytes;
}
} // namespace

class TestSysConfLoad : public QObject {
    Q_OBJECT
private slots:
    // Well-formed files are read and never replaced.
    void wellFormedFilesAreRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("bank");
        QTest::newRow("document type declaration")
            << defaultWithBank("Bank").replace("?>\r\n", "?>\r\n<!DOCTYPE SysConf>\r\n") << u"Bank"_s;
        QTest::newRow("user-defined area") << defaultWithBank("\xAA\xA1\xFE\xFE") << u"\uE000\uE4C5"_s;
    }
    void wellFormedFilesAreRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, bank);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sysConf.ini"_s);
        writeAll(path, bytes);
        AppConfig config;
        SysConf sysConf(config, dir.path());
        QCOMPARE(config.bankName, bank);
        QCOMPARE(sysConf.loadNotice(), QString());
        QCOMPARE(readAll(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { u"sysConf.ini"_s });
    }

    void boundsWithThousandsSeparators()
    {
        QTemporaryDir dir;
        writeAll(dir.filePath(u"sysConf.ini"_s),
            defaultWithBank("").replace("id=\"6\" obj_type=\"text\"",
                "id=\"6\" obj_type=\"text\" is_numric=\"1\" max_value=\"100,000,000,000\""));
        AppConfig config;
        SysConf sysConf(config, dir.path());
        const FieldRule& rule = config.fieldRules.ruleAt(6);
        QVERIFY(rule.isNumric);
        QCOMPARE(rule.maxValue, 1E11);
        QCOMPARE(rule.maxValueText, u"100,000,000,000"_s);
    }

    // A file that is not well-formed is kept beside, without losing an older
    // copy, replaced by the default, and the user is told once.
    void malformedFileIsKeptAndReported()
    {
        TestEnv env;
        const QString path = env.path(u"sysConf.ini"_s);
        writeAll(path, "<SysConf bank_name=\"Bank\">");
        writeAll(path + u".bak"_s, "older");
        env.window();
        const QString shown = QDir::toNativeSeparators(path);
        QCOMPARE(env.prompt.messages(),
            QStringList { u"设置文件 %1 格式错误（第1行：%2），已改为默认设置。原文件已保存为 %1.bak.1。"_s.arg(
                shown, u"Premature end of data in tag SysConf line 1"_s) });
        QCOMPARE(readAll(path + u".bak"_s), QByteArray("older"));
        QCOMPARE(readAll(path + u".bak.1"_s), QByteArray("<SysConf bank_name=\"Bank\">"));
        QCOMPARE(readAll(path), defaultWithBank(""));
        AppConfig again;
        QCOMPARE(SysConf(again, env.dir()).loadNotice(), QString());
    }
};

QELVORA_TEST(TestSysConfLoad)
#include "tst_sysconfload.moc"
