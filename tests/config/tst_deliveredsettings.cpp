#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "app/frmMain.h"
#include "common/GbkCodec.h"
#include "config/SysConf.h"
#include "settings/frmSysConf.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {
// The settings file delivered with the program, as the build lays it out.
QByteArray delivered()
{
    return readAll(QStringLiteral(QELVORA_DELIVERED_SETTINGS));
}
} // namespace

// The configured sysConf.ini the program folder is laid out with.
class TestDeliveredSettings : public QObject {
    Q_OBJECT
private slots:
    // It is the default document, byte for byte, with the rule attributes
    // that the settings dialog adds, in the dialog's order, after obj_type.
    void isTheDefaultDocumentWithRules()
    {
        const QString text = GbkCodec::decode(delivered()).value_or(QString());
        QVERIFY(text.startsWith(u"<?xml version='1.0' encoding='gb2312'?>"_s));
        static const QRegularExpression rules(uR"re( can_edit="1" is_account="[01]" not_null="[01]" is_numric="[01]")re"
                                              uR"re( length="[0-9-]*" min_value="[0-9.]*" max_value="[0-9.]*")re"_s);
        QCOMPARE(text.count(rules), 23);
        const QByteArray stripped = GbkCodec::encode(QString(text).remove(rules)).value_or(QByteArray());
        QCOMPARE(stripped, readAll(QStringLiteral(QELVORA_TEST_DATA "/sysConf.default.ini")));
    }

    // It loads without a notice, and every entry box it rules is editable.
    void loadsWithEveryBoxEditable()
    {
        QTemporaryDir dir;
        writeBytes(dir.filePath(u"sysConf.ini"_s), delivered());
        AppConfig config;
        SysConf sysConf(config, dir.path());
        QVERIFY(sysConf.loadNotice().isEmpty());
        for (int id = 1; id <= frmSysConf::kRowCount; ++id) {
            QVERIFY2(config.fieldRules.ruleAt(id).canEdit, qPrintable(QString::number(id)));
            QVERIFY(!config.fieldRules.ruleAt(id).label.isEmpty());
        }
        QCOMPARE(config.fieldRules.ruleAt(6).label, u"批量支付文件:付款金额"_s);
        // The file was only read.
        QCOMPARE(readAll(dir.filePath(u"sysConf.ini"_s)), delivered());
    }

    // The build lays the file into a program folder that has none, and leaves
    // the user's own file alone.
    void buildLaysItOutOnlyWhereNoneIs()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"program/sysConf.ini"_s);
        const auto layOut = [&] {
            return QProcess::execute(QStringLiteral(QELVORA_CMAKE),
                { u"-DSOURCE="_s + QStringLiteral(QELVORA_DELIVERED_SETTINGS), u"-DTARGET="_s + target, u"-P"_s,
                    QStringLiteral(QELVORA_COPY_IF_MISSING) });
        };
        QCOMPARE(layOut(), 0);
        QCOMPARE(readAll(target), delivered());
        writeBytes(target, "the user's own settings");
        QCOMPARE(layOut(), 0);
        QCOMPARE(readAll(target), QByteArray("the user's own settings"));
        QVERIFY(!QFileInfo::exists(target + u".part"_s));
    }

    // The settings dialog shows the delivered rules as they are: saving them
    // unchanged writes the same file.
    void settingsDialogKeepsThem()
    {
        TestEnv env;
        writeBytes(env.path(u"sysConf.ini"_s), delivered());
        env.window();
        frmSysConf dialog(env.ctx(), env.prompt, &env.window());
        dialog.findChild<QPushButton*>(u"Command2_0"_s)->click();
        QCOMPARE(env.prompt.messages(), QStringList { u"系统设定保存成功。"_s });
        QCOMPARE(readAll(env.path(u"sysConf.ini"_s)), delivered());
    }
};

QELVORA_TEST(TestDeliveredSettings)
#include "tst_deliveredsettings.moc"
