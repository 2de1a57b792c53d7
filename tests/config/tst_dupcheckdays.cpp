#include "GuiTest.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "common/GbkCodec.h"
#include "config/SysConf.h"
#include "settings/frmSysAdvanceConf.h"

#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {
QString settingsFile(TestEnv& env)
{
    return env.path(u"sysConf.ini"_s);
}

// The settings file with dup_check_days on its root element (none: without it).
void writeDays(TestEnv& env, const std::optional<QString>& days)
{
    QString text = GbkCodec::decode(readAll(QStringLiteral(QELVORA_TEST_DATA "/sysConf.default.ini"))).value();
    if (days)
        text.replace(u"<SysConf bank_name=\"\""_s, u"<SysConf dup_check_days=\""_s + *days + u"\" bank_name=\"\""_s);
    writeBytes(settingsFile(env), GbkCodec::encode(text).value());
}
} // namespace

class TestDupCheckDays : public QObject {
    Q_OBJECT
private slots:
    // The days the check before writing looks back, as the settings file
    // gives them; what is not a number of days from 0 to 3650 gives 31.
    void loadedFromTheSettingsFile_data()
    {
        QTest::addColumn<std::optional<QString>>("attribute");
        QTest::addColumn<int>("days");
        QTest::newRow("absent (older settings files)") << std::optional<QString>() << 31;
        QTest::newRow("a week") << std::optional<QString>(u"7"_s) << 7;
        QTest::newRow("blanks around") << std::optional<QString>(u" 60 "_s) << 60;
        QTest::newRow("off") << std::optional<QString>(u"0"_s) << 0;
        QTest::newRow("negative") << std::optional<QString>(u"-1"_s) << 31;
        QTest::newRow("not a number") << std::optional<QString>(u"三十"_s) << 31;
        QTest::newRow("decimal") << std::optional<QString>(u"7.5"_s) << 31;
        QTest::newRow("too many") << std::optional<QString>(u"3651"_s) << 31;
        QTest::newRow("empty") << std::optional<QString>(QString()) << 31;
    }
    void loadedFromTheSettingsFile()
    {
        QFETCH(std::optional<QString>, attribute);
        QFETCH(int, days);
        TestEnv env;
        writeDays(env, attribute);
        env.ctx().duplicateCheckDays = -5;
        SysConf conf(env.ctx(), env.dir());
        QCOMPARE(env.ctx().duplicateCheckDays, days);
        QVERIFY(conf.loadNotice().isEmpty());
    }

    // Typed into the advanced dialog and saved with 确定: the file keeps
    // everything else and the program uses the new days at once; 取消 saves
    // nothing.
    void savedByTheAdvancedDialog()
    {
        TestEnv env;
        writeDays(env, std::nullopt);
        SysConf(env.ctx(), env.dir());
        const QByteArray before = readAll(settingsFile(env));
        frmSysAdvanceConf dialog(env.ctx(), env.prompt);
        GuiTest gui(env.prompt);
        gui.show(dialog);
        QCOMPARE(gui.find<QSpinBox>(u"txtDupCheckDays"_s)->value(), 31);
        gui.type(u"txtDupCheckDays"_s, u"14"_s);
        gui.click(u"Command1_1"_s);
        QCOMPARE(readAll(settingsFile(env)), before);
        QCOMPARE(env.ctx().duplicateCheckDays, 31);

        frmSysAdvanceConf again(env.ctx(), env.prompt);
        gui.show(again);
        gui.type(u"txtDupCheckDays"_s, u"14"_s);
        gui.click(u"Command1_0"_s);
        QVERIFY(env.prompt.calls().isEmpty());
        QCOMPARE(env.ctx().duplicateCheckDays, 14);
        QCOMPARE(readAll(settingsFile(env)),
            QByteArray(before).replace("<SysConf bank_name=\"\" sys_icon=\"\">",
                "<SysConf bank_name=\"\" sys_icon=\"\" dup_check_days=\"14\">"));
        env.ctx().duplicateCheckDays = 31;
        SysConf(env.ctx(), env.dir());
        QCOMPARE(env.ctx().duplicateCheckDays, 14);
    }
};

QELVORA_TEST(TestDupCheckDays)
#include "tst_dupcheckdays.moc"
