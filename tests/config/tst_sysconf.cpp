#include "FileSizeLimit.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "config/SysConf.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray defaultDocument()
{
    return readAll(QStringLiteral(QELVORA_TEST_DATA "/sysConf.default.ini"));
}

QByteArray replaced(QByteArray bytes, const QByteArray& from, const QByteArray& to)
{
    [&] { QCOMPARE(bytes.count(from), qsizetype(1)); }();
    return bytes.replace(from, to);
}

// A settings file with the given groups under a root carrying bank_name "Bank".
QByteArray settingsWith(const QByteArray& groups)
{
    return "<?xml version='1.0' encoding='gb2312'?>\r\n<SysConf bank_name=\"Bank\" sys_icon=\"\">\r\n" + groups
        + "\r\n</SysConf>\r\n";
}

// A program directory and the values the settings fill.
struct Program {
    QTemporaryDir dir;
    AppConfig config;
    QString settings() const { return dir.filePath(u"sysConf.ini"_s); }
};

const double kNoMaximum = 1E+308;

} // namespace

class TestSysConf : public QObject {
    Q_OBJECT

private slots:
    // ---- the default document -------------------------------------------------

    void defaultDocumentWhenFileMissing()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        QCOMPARE(readAll(p.settings()), defaultDocument());
        QCOMPARE(p.config.appDir, p.dir.path() + QDir::separator());
        QCOMPARE(sysConf.fileName(), p.settings());
        QCOMPARE(p.config.bankName, QString());
        QCOMPARE(p.config.sysIconPath, QString());
    }

    void appDirEndsWithOneSeparator()
    {
        Program p;
        SysConf withSeparator(p.config, p.dir.path() + u'/');
        QCOMPARE(p.config.appDir, p.dir.path() + QDir::separator());
    }

    // The default just written is loaded, so the checks have usable rules.
    void defaultRulesAreLoaded_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("label");
        QTest::newRow("1") << 1 << u"批量支付文件:收款帐号"_s;
        QTest::newRow("7") << 7 << u"批量支付文件:备注"_s;
        QTest::newRow("9") << 9 << u"代发工资文件:收款人帐号"_s;
        QTest::newRow("11") << 11 << u"代发工资文件:备注"_s;
        QTest::newRow("13") << 13 << u"付款账户维护:付款账户户名"_s;
        QTest::newRow("16") << 16 << u"收款帐户维护:收款帐户开户网点号"_s;
        QTest::newRow("22") << 22 << u"收款帐户维护:收款账户地区号"_s;
        QTest::newRow("23") << 23 << u"收款帐户维护:收款方联行号"_s;
        QTest::newRow("21") << 21 << u"代发工资名册维护:员工编号"_s;
        QTest::newRow("20") << 20 << u"备注维护:汇款备注名称"_s;
    }
    void defaultRulesAreLoaded()
    {
        QFETCH(int, id);
        QFETCH(QString, label);
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        const FieldRule& rule = p.config.fieldRules.ruleAt(id);
        QCOMPARE(rule.label, label);
        QVERIFY(!rule.canEdit && !rule.notNull && !rule.isAccount && !rule.isNumric);
        QCOMPARE(rule.length, u"10000"_s);
        QCOMPARE(rule.minValue, 0.0);
        QCOMPARE(rule.maxValue, kNoMaximum);
        QCOMPARE(rule.minValueText, u"0"_s);
        QCOMPARE(rule.maxValueText, u"1E+308"_s);
        // Slots no screen uses stay as they were.
        QCOMPARE(p.config.fieldRules.ruleAt(24).label, QString());
        QCOMPARE(p.config.fieldRules.ruleAt(50).length, QString());
    }

    void malformedFileIsReplacedByDefault_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not xml") << QByteArray("[settings]\r\nbank=x\r\n");
        QTest::newRow("cut off") << defaultDocument().left(300);
        QTest::newRow("invalid gbk") << replaced(defaultDocument(), "bank_name=\"\"", "bank_name=\"\xFF\"");
        QTest::newRow("two roots") << defaultDocument() + "<SysConf/>";
    }
    void malformedFileIsReplacedByDefault()
    {
        QFETCH(QByteArray, bytes);
        Program p;
        writeAll(p.settings(), bytes);
        SysConf sysConf(p.config, p.dir.path());
        QCOMPARE(readAll(p.settings()), defaultDocument());
        QCOMPARE(p.config.fieldRules.ruleAt(1).label, u"批量支付文件:收款帐号"_s);
    }

    void failedLoadChangesNothing()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        p.config.bankName = u"kept"_s;
        p.config.fieldRules.ruleAt(1).label = u"kept"_s;
        writeAll(p.settings(), "<SysConf><broken></SysConf>");
        QVERIFY(!sysConf.LoadValues());
        QCOMPARE(p.config.bankName, u"kept"_s);
        QCOMPARE(p.config.fieldRules.ruleAt(1).label, u"kept"_s);
        // Loading never writes.
        QCOMPARE(readAll(p.settings()), QByteArray("<SysConf><broken></SysConf>"));
        QFile::remove(p.settings());
        QVERIFY(!sysConf.LoadValues());
        QVERIFY(!QFile::exists(p.settings()));
    }

    // ---- loading rules ----------------------------------------------------------

    void fieldRuleFromAttributes_data()
    {
        QTest::addColumn<QByteArray>("attributes");
        QTest::addColumn<QList<bool>>("flags"); // canEdit, notNull, isAccount, isNumric
        QTest::addColumn<QString>("length");
        QTest::addColumn<double>("minValue");
        QTest::addColumn<QString>("minText");
        QTest::addColumn<double>("maxValue");
        QTest::addColumn<QString>("maxText");
        const QList<bool> none { false, false, false, false };
        QTest::newRow("absent") << QByteArray() << none << u"10000"_s << 0.0 << u"0"_s << kNoMaximum << u"1E+308"_s;
        QTest::newRow("empty") << QByteArray(
            "can_edit=\"\" is_account=\"\" not_null=\"\" is_numric=\"\" length=\"\" min_value=\"\" "
            "max_value=\"\"") << none
                               << u"10000"_s << 0.0 << u"0"_s << kNoMaximum << u"1E+308"_s;
        QTest::newRow("configured") << QByteArray(
            "can_edit=\"1\" is_account=\"1\" not_null=\"1\" is_numric=\"1\" length=\"18-22\" "
            "min_value=\"0.01\" max_value=\"99999.99\"")
                                    << QList<bool> { true, true, true, true } << u"18-22"_s << 0.01 << u"0.01"_s
                                    << 99999.99 << u"99999.99"_s;
        QTest::newRow("only 1 is true") << QByteArray(
            "can_edit=\"true\" not_null=\"yes\" is_account=\"0\" is_numric=\" 1\"")
                                        << none << u"10000"_s << 0.0 << u"0"_s << kNoMaximum << u"1E+308"_s;
        QTest::newRow("can_edit alone") << QByteArray("can_edit=\"1\"") << QList<bool> { true, false, false, false }
                                        << u"10000"_s << 0.0 << u"0"_s << kNoMaximum << u"1E+308"_s;
        QTest::newRow("not_null alone") << QByteArray("not_null=\"1\"") << QList<bool> { false, true, false, false }
                                        << u"10000"_s << 0.0 << u"0"_s << kNoMaximum << u"1E+308"_s;
        QTest::newRow("is_account alone") << QByteArray("is_account=\"1\"") << QList<bool> { false, false, true, false }
                                          << u"10000"_s << 0.0 << u"0"_s << kNoMaximum << u"1E+308"_s;
        QTest::newRow("is_numric alone") << QByteArray("is_numric=\"1\"") << QList<bool> { false, false, false, true }
                                         << u"10000"_s << 0.0 << u"0"_s << kNoMaximum << u"1E+308"_s;
        QTest::newRow("length list, signed bounds")
            << QByteArray("length=\"12,15,17\" min_value=\"-5\" max_value=\"1E+10\"") << none << u"12,15,17"_s << -5.0
            << u"-5"_s << 1E+10 << u"1E+10"_s;
    }
    void fieldRuleFromAttributes()
    {
        QFETCH(QByteArray, attributes);
        QFETCH(QList<bool>, flags);
        QFETCH(QString, length);
        QFETCH(double, minValue);
        QFETCH(QString, minText);
        QFETCH(double, maxValue);
        QFETCH(QString, maxText);
        Program p;
        writeAll(p.settings(),
            settingsWith("\t<G><FunctionName for=\"Fn\"/><F field_name=\"Name\" id=\"5\" obj_type=\"text\" "
                + attributes + "/></G>"));
        SysConf sysConf(p.config, p.dir.path());
        const FieldRule& rule = p.config.fieldRules.ruleAt(5);
        QCOMPARE(rule.label, u"Fn:Name"_s);
        QCOMPARE((QList<bool> { rule.canEdit, rule.notNull, rule.isAccount, rule.isNumric }), flags);
        QCOMPARE(rule.length, length);
        QCOMPARE(rule.minValue, minValue);
        QCOMPARE(rule.minValueText, minText);
        QCOMPARE(rule.maxValue, maxValue);
        QCOMPARE(rule.maxValueText, maxText);
        QCOMPARE(p.config.bankName, u"Bank"_s);
    }

    // The function name is taken from any element with a non-blank "for" and
    // is not reset between groups.
    void labels()
    {
        Program p;
        writeAll(p.settings(),
            settingsWith("<G1><A field_name=\"Early\" id=\"1\"/><FunctionName for=\"First\"/>"
                         "<B field_name=\"B\" id=\"2\"/></G1>\r\n"
                         "<G2><C field_name=\"C\" id=\"3\"/><FunctionName for=\"  \"/>"
                         "<D field_name=\"D\" id=\"4\"/></G2>\r\n"
                         "<G3><FunctionName for=\" Third \"/><E field_name=\"\" id=\"6\"/>"
                         "<N id=\"7\" length=\"1\"/><X field_name=\"blank id\" id=\" \"/></G3>"));
        SysConf sysConf(p.config, p.dir.path());
        const FieldRules& rules = p.config.fieldRules;
        QCOMPARE(rules.ruleAt(1).label, u":Early"_s);
        QCOMPARE(rules.ruleAt(2).label, u"First:B"_s);
        QCOMPARE(rules.ruleAt(3).label, u"First:C"_s);
        QCOMPARE(rules.ruleAt(4).label, u"First:D"_s);
        QCOMPARE(rules.ruleAt(6).label, u" Third :"_s);
        // Without field_name no rule; with a blank id the rule is dropped.
        QCOMPARE(rules.ruleAt(7).label, QString());
        QCOMPARE(rules.ruleAt(7).length, QString());
        for (int id = 1; id <= kFieldRuleCount; ++id)
            QVERIFY(!rules.ruleAt(id).label.contains(u"blank id"_s));
    }

    // The later of two elements with one id fills the rule; the first is the
    // one read and written by id.
    void duplicateIds()
    {
        Program p;
        const QByteArray file
            = settingsWith("<G><FunctionName for=\"F\"/><A field_name=\"first\" id=\"5\" length=\"1\"/>"
                           "<B field_name=\"second\" id=\"5\" length=\"2\"/></G>");
        writeAll(p.settings(), file);
        SysConf sysConf(p.config, p.dir.path());
        QCOMPARE(p.config.fieldRules.ruleAt(5).label, u"F:second"_s);
        QCOMPARE(p.config.fieldRules.ruleAt(5).length, u"2"_s);
        QCOMPARE(sysConf.getAttribOfElemt(5, u"field_name"_s), u"first"_s);
        QVERIFY(sysConf.setAttrib2Elemt(5, u"length"_s, u"9"_s));
        QCOMPARE(readAll(p.settings()), replaced(file, "id=\"5\" length=\"1\"", "id=\"5\" length=\"9\""));
    }

    // " 5" fills slot 5, but is not found for id 5.
    void idWithBlank()
    {
        Program p;
        const QByteArray file
            = settingsWith("<G><FunctionName for=\"F\"/><A field_name=\"padded\" id=\" 5\" length=\"3\"/></G>");
        writeAll(p.settings(), file);
        SysConf sysConf(p.config, p.dir.path());
        QCOMPARE(p.config.fieldRules.ruleAt(5).label, u"F:padded"_s);
        QCOMPARE(p.config.fieldRules.ruleAt(5).length, u"3"_s);
        QCOMPARE(sysConf.getAttribOfElemt(5, u"field_name"_s), QString());
        QVERIFY(sysConf.setAttrib2Elemt(5, u"length"_s, u"9"_s));
        QCOMPARE(readAll(p.settings()), file);
    }

    // Ids outside 1..50, ids that are no number and bounds that are no number
    // give no rule; the table is never written outside its slots.
    void unusableElementsAreSkipped()
    {
        Program p;
        writeAll(p.settings(),
            settingsWith(
                "<G><FunctionName for=\"F\"/>"
                "<A field_name=\"a\" id=\"0\"/><B field_name=\"b\" id=\"51\"/>"
                "<C field_name=\"c\" id=\"-1\"/><D field_name=\"d\" id=\"abc\"/>"
                "<E field_name=\"e\" id=\"5x\"/><H field_name=\"h\" id=\"4294967297\"/>"
                "<I field_name=\"i\" id=\"6\" min_value=\"abc\"/><J field_name=\"j\" id=\"7\" max_value=\"1e999\"/>"
                "<K field_name=\"last\" id=\"50\"/></G>"));
        SysConf sysConf(p.config, p.dir.path());
        for (int id = 1; id < kFieldRuleCount; ++id)
            QCOMPARE(p.config.fieldRules.ruleAt(id).label, QString());
        QCOMPARE(p.config.fieldRules.ruleAt(50).label, u"F:last"_s);
    }

    // A root without children: loading succeeds and changes nothing, not even
    // the bank name; the file is left alone.
    void rootWithoutChildren_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("empty element") << QByteArray(
            "<?xml version='1.0' encoding='gb2312'?>\r\n<SysConf bank_name=\"New\"/>\r\n");
        QTest::newRow("only whitespace") << QByteArray(
            "<?xml version='1.0' encoding='gb2312'?>\r\n<SysConf bank_name=\"New\">\r\n\t\r\n</SysConf>\r\n");
        // The root is the document's last node; a comment after it has no children.
        QTest::newRow("comment after root")
            << QByteArray("<SysConf bank_name=\"New\"><G><F field_name=\"x\" id=\"1\"/></G></SysConf><!-- end -->");
    }
    void rootWithoutChildren()
    {
        QFETCH(QByteArray, file);
        Program p;
        writeAll(p.settings(), file);
        p.config.bankName = u"Old"_s;
        p.config.sysIconPath = u"old.ico"_s;
        p.config.fieldRules.ruleAt(1).label = u"marker"_s;
        SysConf sysConf(p.config, p.dir.path());
        QVERIFY(sysConf.LoadValues());
        QCOMPARE(p.config.bankName, u"Old"_s);
        QCOMPARE(p.config.sysIconPath, u"old.ico"_s);
        QCOMPARE(p.config.fieldRules.ruleAt(1).label, u"marker"_s);
        QCOMPARE(readAll(p.settings()), file);
    }

    void iconPath_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("relative"); // below appDir; empty for no icon
        QTest::newRow("windows path") << u"C:\\x\\ico\\bank.ico"_s << u"ico/bank.ico"_s;
        QTest::newRow("slashes") << u"/opt/old/icons/a.ico"_s << u"icons/a.ico"_s;
        QTest::newRow("two components") << u"ico\\b.ico"_s << u"ico/b.ico"_s;
        QTest::newRow("one component") << u"bank.ico"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void iconPath()
    {
        QFETCH(QString, stored);
        QFETCH(QString, relative);
        Program p;
        {
            SysConf writer(p.config, p.dir.path());
            QVERIFY(writer.setSysIcon(stored));
        }
        AppConfig fresh;
        SysConf reader(fresh, p.dir.path());
        const QString expected
            = relative.isEmpty() ? QString() : p.dir.path() + QDir::separator() + QDir::toNativeSeparators(relative);
        QCOMPARE(fresh.sysIconPath, expected);
    }

    // ---- writing ----------------------------------------------------------------

    void setAttributeKeepsPlaceAndAppends()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        QVERIFY(sysConf.setAttrib2Elemt(1, u"can_edit"_s, u"1"_s));
        QVERIFY(sysConf.setAttrib2Elemt(1, u"obj_type"_s, u"text"_s));
        QVERIFY(sysConf.setAttrib2Elemt(23, u"length"_s, u"12"_s));
        QByteArray expected = replaced(
            defaultDocument(), " id=\"1\" obj_type=\"combox\"/>", " id=\"1\" obj_type=\"text\" can_edit=\"1\"/>");
        expected = replaced(expected, " id=\"23\" obj_type=\"text\"/>", " id=\"23\" obj_type=\"text\" length=\"12\"/>");
        QCOMPARE(readAll(p.settings()), expected);

        QCOMPARE(sysConf.getAttribOfElemt(1, u"can_edit"_s), u"1"_s);
        QCOMPARE(sysConf.getAttribOfElemt(1, u"field_name"_s), u"收款帐号"_s);
        QCOMPARE(sysConf.getAttribOfElemt(1, u"length"_s), QString());
        QCOMPARE(sysConf.getAttribOfElemt(24, u"field_name"_s), QString());
    }

    // The settings dialog writes the rule attributes in this order; they end
    // up after field_name, id and obj_type and are loaded at the next creation.
    void fullyConfiguredField()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        const QList<QPair<QString, QString>> values { { u"can_edit"_s, u"1"_s }, { u"is_account"_s, u"1"_s },
            { u"not_null"_s, u"1"_s }, { u"is_numric"_s, u"0"_s }, { u"length"_s, u"10-20"_s },
            { u"min_value"_s, QString() }, { u"max_value"_s, QString() } };
        for (const auto& [name, value] : values)
            QVERIFY(sysConf.setAttrib2Elemt(12, name, value));
        QCOMPARE(readAll(p.settings()),
            replaced(defaultDocument(), " id=\"12\" obj_type=\"text\"/>",
                " id=\"12\" obj_type=\"text\" can_edit=\"1\" is_account=\"1\" not_null=\"1\" is_numric=\"0\" "
                "length=\"10-20\" min_value=\"\" max_value=\"\"/>"));
        // The values written take effect at the next creation.
        QCOMPARE(p.config.fieldRules.ruleAt(12).length, u"10000"_s);
        SysConf again(p.config, p.dir.path());
        const FieldRule& rule = p.config.fieldRules.ruleAt(12);
        QCOMPARE(rule.label, u"付款账户维护:付款帐号"_s);
        QVERIFY(rule.canEdit && rule.isAccount && rule.notNull && !rule.isNumric);
        QCOMPARE(rule.length, u"10-20"_s);
    }

    void unknownIdLeavesFileUnchanged_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::newRow("24") << 24 << u"length"_s << u"5"_s;
        QTest::newRow("50") << 50 << u"can_edit"_s << u"1"_s;
        QTest::newRow("0") << 0 << u"length"_s << u"5"_s;
        QTest::newRow("-1") << -1 << u"length"_s << u"5"_s;
        // Known id, same value: the rewrite is byte for byte the same file.
        QTest::newRow("same value") << 1 << u"obj_type"_s << u"combox"_s;
        QTest::newRow("same field name") << 14 << u"field_name"_s << u"收款帐号"_s;
    }
    void unknownIdLeavesFileUnchanged()
    {
        QFETCH(int, id);
        QFETCH(QString, name);
        QFETCH(QString, value);
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        QVERIFY(sysConf.setAttrib2Elemt(static_cast<qint16>(id), name, value));
        QCOMPARE(readAll(p.settings()), defaultDocument());
    }

    void bankNameAndIcon()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        QVERIFY(sysConf.setBankName(u"测试银行"_s));
        QVERIFY(sysConf.setSysIcon(u"C:\\x\\ico\\bank.ico"_s));
        QCOMPARE(readAll(p.settings()),
            replaced(defaultDocument(), "<SysConf bank_name=\"\" sys_icon=\"\">",
                "<SysConf bank_name=\"\xB2\xE2\xCA\xD4\xD2\xF8\xD0\xD0\" sys_icon=\"C:\\x\\ico\\bank.ico\">"));
        // Read at the next creation.
        QCOMPARE(p.config.bankName, QString());
        AppConfig fresh;
        SysConf reader(fresh, p.dir.path());
        QCOMPARE(fresh.bankName, u"测试银行"_s);
        QCOMPARE(fresh.sysIconPath, p.dir.path() + QDir::separator() + u"ico"_s + QDir::separator() + u"bank.ico"_s);
    }

    // GBK characters beyond GB2312 are kept; characters GBK lacks survive as
    // character references.
    void bankNameBeyondGb2312()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        const QString name = u"朱镕基€银行😀 & <Co>"_s;
        QVERIFY(sysConf.setBankName(name));
        const QByteArray bytes = readAll(p.settings());
        QVERIFY(bytes.contains("bank_name=\"\xD6\xEC\xE9\x46\xBB\xF9\x80\xD2\xF8\xD0\xD0&#x1F600; &amp; &lt;Co&gt;\""));
        AppConfig fresh;
        SysConf reader(fresh, p.dir.path());
        QCOMPARE(fresh.bankName, name);
    }

    void setBankNameOnFileWithoutSysConf()
    {
        Program p;
        const QByteArray file = "<Other><G><F field_name=\"x\" id=\"1\"/></G></Other>";
        writeAll(p.settings(), file);
        SysConf sysConf(p.config, p.dir.path());
        QCOMPARE(p.config.fieldRules.ruleAt(1).label, u":x"_s);
        QVERIFY(!sysConf.setBankName(u"B"_s));
        QCOMPARE(readAll(p.settings()), file);
    }

    // Writes to a broken file do not touch it.
    void writesToMalformedFile()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        writeAll(p.settings(), "<SysConf");
        QVERIFY(!sysConf.setAttrib2Elemt(1, u"length"_s, u"5"_s));
        QVERIFY(!sysConf.setBankName(u"B"_s));
        QCOMPARE(sysConf.getAttribOfElemt(1, u"field_name"_s), QString());
        QCOMPARE(readAll(p.settings()), QByteArray("<SysConf"));
        QVERIFY(sysConf.setValues());
        QCOMPARE(readAll(p.settings()), defaultDocument());
    }

    // A save that fails half-way (here: a file size limit, as a full disk)
    // leaves the previous file whole, so the next start keeps the settings.
    void failedSaveKeepsPreviousFile()
    {
        Program p;
        SysConf sysConf(p.config, p.dir.path());
        QVERIFY(sysConf.setBankName(u"Bank"_s));
        const QByteArray before = readAll(p.settings());
        {
            FileSizeLimit limit(512);
            QVERIFY(limit.ok());
            QVERIFY(!sysConf.setBankName(u"Another bank"_s));
            QVERIFY(!sysConf.setAttrib2Elemt(3, u"length"_s, u"12"_s));
            QVERIFY(!sysConf.setValues());
        }
        QCOMPARE(readAll(p.settings()), before);
        QCOMPARE(QDir(p.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"sysConf.ini"_s });
        AppConfig fresh;
        SysConf reader(fresh, p.dir.path());
        QCOMPARE(fresh.bankName, u"Bank"_s);
    }
};

QELVORA_TEST(TestSysConf)
#include "tst_sysconf.moc"
