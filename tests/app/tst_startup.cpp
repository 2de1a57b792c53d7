#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QTranslator>

using namespace Qt::StringLiterals;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void oneInstancePerProgramFolder()
    {
        TestEnv env;
        std::unique_ptr<QLockFile> first = lockProgramFolder(env.ctx());
        QVERIFY(first);
        RecordingPrompt prompt;
        AppContext second(prompt, env.dir());
        QVERIFY(!lockProgramFolder(second));
        QCOMPARE(prompt.messages(),
            QStringList { u"程序已在运行（程序文件夹“%1”），同一文件夹中只能运行一个本程序。"_s.arg(
                QDir::toNativeSeparators(env.dir())) });
        first.reset();
        QVERIFY(lockProgramFolder(second));
    }

    void qtStandardTextsAreChinese()
    {
        QTranslator translator;
        QVERIFY(installQtTranslation(translator));
        const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
        const QString yes = QCoreApplication::translate("QPlatformTheme", "&Yes");
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(cancel, u"取消"_s);
        QVERIFY2(yes.startsWith(u"是"_s), qPrintable(yes));
    }
};

QELVORA_TEST(TestStartup)
#include "tst_startup.moc"
