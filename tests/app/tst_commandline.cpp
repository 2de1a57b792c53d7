#include "GuiTest.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "QelvoraVersion.h"
#include "app/HelpWindow.h"
#include "app/frmMain.h"
#include "config/DataFolder.h"
#include "domain/CommandLine.h"

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {
const QString kProgram = QStringLiteral(QELVORA_PROGRAM_DIR "/qelvora");

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The built program run as a user runs it from a text console: no display,
// no platform chosen.
struct Run {
    int status = -1;
    QString out;
    QString err;
};
Run runProgram(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s })
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(kProgram, arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The self-test on a folder given with --folder, its output gathered.
Run selfTest(const QString& programDir, const QString& folder)
{
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = runSelfTest(DataFolder::choose(programDir, folder), out, err);
    out.flush();
    err.flush();
    return run;
}

// Breaks the store at `path` the way its user may meet it.
void damage(const QString& path, const QString& how)
{
    if (how == u"zeroed page"_s) {
        // A page in the middle of the file overwritten, as by a failing disk.
        QByteArray bytes = readAll(path);
        QVERIFY(bytes.size() >= 8 * 4096);
        bytes.replace(4 * 4096, 4096, QByteArray(4096, '\0'));
        writeBytes(path, bytes);
    } else if (how == u"not a store"_s) {
        writeBytes(path, "payee list\r\n6230588526018159088,张三\r\n");
    } else {
        // Another program's database, or one of a newer Qelvora.
        RecordingPrompt prompt;
        DBAccess db(path, prompt);
        QVERIFY(db.Connect().ok());
        QVERIFY(db.Update(how).ok());
    }
}
} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("folder");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList() << int(A::Window) << QString();
        QTest::newRow("--folder") << QStringList { u"--folder"_s, u"/srv/pay"_s } << int(A::Window) << u"/srv/pay"_s;
        QTest::newRow("--folder=") << QStringList { u"--folder=/srv/pay"_s } << int(A::Window) << u"/srv/pay"_s;
        QTest::newRow("Qt's window options")
            << QStringList { u"-platform"_s, u"offscreen"_s, u"-style=fusion"_s } << int(A::Window) << QString();
        QTest::newRow("--version") << QStringList { u"--version"_s } << int(A::Version) << QString();
        QTest::newRow("-v") << QStringList { u"-v"_s } << int(A::Version) << QString();
        QTest::newRow("--help") << QStringList { u"--help"_s } << int(A::Help) << QString();
        QTest::newRow("-h before others") << QStringList { u"--self-test"_s, u"-h"_s } << int(A::Help) << QString();
        QTest::newRow("--self-test --folder")
            << QStringList { u"--self-test"_s, u"--folder"_s, u"/srv/pay"_s } << int(A::SelfTest) << u"/srv/pay"_s;
        QTest::newRow("unknown option") << QStringList { u"--selftest"_s } << int(A::Error) << QString();
        QTest::newRow("--folder without a folder") << QStringList { u"--folder"_s } << int(A::Error) << QString();
        QTest::newRow("--folder with an empty one") << QStringList { u"--folder"_s, u" "_s } << int(A::Error) << u" "_s;
        QTest::newRow("a folder without --folder") << QStringList { u"/srv/pay"_s } << int(A::Error) << QString();
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, folder);
        const CommandLine line = CommandLine::parse(QStringList { u"qelvora"_s } + arguments);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.error.isEmpty(), action != int(CommandLine::Action::Error));
        QCOMPARE(line.folder, folder);
    }

    // --version, --help, --self-test and a wrong option from a console without
    // a display: the program answers and ends.
    void programAnswersWithoutADisplay()
    {
        const Run version = runProgram({ u"--version"_s });
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, u"Qelvora "_s + QStringLiteral(QELVORA_VERSION) + u'\n');

        const Run help = runProgram({ u"--help"_s });
        QCOMPARE(help.status, 0);
        for (const QString& option : { u"--folder <文件夹>"_s, u"--self-test"_s, u"--version"_s, u"--help"_s })
            QVERIFY2(help.out.contains(option), qPrintable(help.out));

        const Run wrong = runProgram({ u"--folder"_s });
        QCOMPARE(wrong.status, 2);
        QVERIFY2(wrong.err.endsWith(u"用 qelvora --help 查看可用的选项。\n"_s), qPrintable(wrong.err));
        QCOMPARE(wrong.out, QString());

        // A new folder is laid out from the build's delivered files and checked.
        QTemporaryDir dir;
        const QString folder = native(dir.filePath(u"office"_s));
        const Run check = runProgram({ u"--self-test"_s, u"--folder"_s, folder });
        QVERIFY2(check.status == 0, qPrintable(check.out + check.err));
        QVERIFY2(check.out.contains(u"数据文件夹："_s + folder + u'\n'), qPrintable(check.out));
        QVERIFY(check.out.endsWith(u"自检通过：数据库完整，是本程序的数据库（版本 2）。\n"_s));
        QVERIFY(QFileInfo(folder + u"/userdb.mdb"_s).isFile());
        QVERIFY(QFileInfo(folder + u"/sysConf.ini"_s).isFile());

        // The build's program folder holds its store: it is the data folder.
        const Run portable = runProgram({ u"--self-test"_s });
        QVERIFY2(portable.status == 0, qPrintable(portable.out + portable.err));
        QVERIFY2(portable.out.contains(u"数据文件夹："_s + native(QStringLiteral(QELVORA_PROGRAM_DIR)) + u'\n'),
            qPrintable(portable.out));
    }

    void selfTestFindsABadStore_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("finding"); // after "自检未通过：" and the store's name
        QTest::newRow("zeroed page") << u"zeroed page"_s << u"已损坏："_s;
        QTest::newRow("not a store") << u"not a store"_s << u"无法读取数据库"_s;
        QTest::newRow("another program's database") << u"PRAGMA application_id = 0"_s << u"不是本程序的数据库"_s;
        QTest::newRow("newer store") << u"PRAGMA user_version = 7"_s << u"的版本 7 不是本程序支持的版本（1 至 2）"_s;
    }
    void selfTestFindsABadStore()
    {
        QFETCH(QString, damage);
        QFETCH(QString, finding);
        QTemporaryDir dir;
        const QString store = dir.filePath(u"userdb.mdb"_s);
        QVERIFY(DBAccess::createStore(store).ok());
        if (damage == u"zeroed page"_s) {
            // Enough rows for the tables and indexes to fill several pages.
            RecordingPrompt prompt;
            DBAccess db(store, prompt);
            for (int i = 0; i < 400; ++i)
                QVERIFY(db.Insert(u"insert into payee_acc (acc_no, acc_name) values (?, ?)"_s,
                              { u"62305885260181%1"_s.arg(i, 5, 10, QChar(u'0')), u"收款人%1"_s.arg(i) })
                            .ok());
        }
        ::damage(store, damage);
        const Run run = selfTest(dir.path(), dir.path());
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(u"自检未通过："_s), qPrintable(run.err));
        QVERIFY2(run.err.contains(finding), qPrintable(run.err));
        QVERIFY(run.err.contains(native(store)));
        QVERIFY(!run.out.contains(u"自检通过"_s));
    }

    void selfTestOfAGoodStore()
    {
        QTemporaryDir dir;
        QVERIFY(DBAccess::createStore(dir.filePath(u"userdb.mdb"_s)).ok());
        const Run run = selfTest(dir.path(), dir.path());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QString());
        QVERIFY(run.out.endsWith(u"数据库："_s + native(dir.filePath(u"userdb.mdb"_s))
            + u"\n自检通过：数据库完整，是本程序的数据库（版本 2）。\n"_s));
    }

    // 帮助 → 关于 names the version, the build, Qt, SQLite and the data folder.
    void aboutShowsVersionsAndTheDataFolder()
    {
        TestEnv env;
        frmMain& w = env.window();
        QVERIFY(env.find<QMenu>(u"menuHelp"_s)->actions().contains(env.find<QAction>(u"menuAbout"_s)));
        QCOMPARE(env.find<QAction>(u"menuAbout"_s)->text(), u"关于(&A)"_s);
        GuiTest gui(env.prompt);
        gui.show(w);
        gui.whenModal(u"AboutDialog"_s, [&](QWidget& dialog) {
            QCOMPARE(dialog.windowTitle(), u"关于 Qelvora"_s);
            const auto text = [&](const QString& name) { return gui.find<QLabel>(name)->text(); };
            QCOMPARE(text(u"AboutDialog_lblVersion"_s), QStringLiteral(QELVORA_VERSION));
            QVERIFY(
                QRegularExpression(u"^\\d{4}-\\d{2}-\\d{2}$"_s).match(text(u"AboutDialog_lblBuildDate"_s)).hasMatch());
            QCOMPARE(text(u"AboutDialog_lblQt"_s), QString::fromLatin1(qVersion()));
            QVERIFY(QRegularExpression(u"^3\\.\\d+\\.\\d+$"_s).match(text(u"AboutDialog_lblSqlite"_s)).hasMatch());
            QCOMPARE(text(u"AboutDialog_lblDataFolder"_s), native(env.dir()));
            // Every text shows whole.
            for (const QLabel* label : dialog.findChildren<QLabel*>()) {
                if (label->wordWrap() || label->text().isEmpty())
                    continue;
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
                QVERIFY(dialog.rect().contains(QRect(label->mapTo(&dialog, QPoint()), label->size())));
            }
            gui.click(u"AboutDialog_cmdOK"_s);
            QVERIFY(!dialog.isVisible());
        });
        env.click(u"menuAbout"_s);
        QVERIFY(gui.modalStepsRan());
        QVERIFY(env.prompt.calls().isEmpty());
    }

    // An installed program opens the guide delivered with it, not one in the data folder.
    void helpOpensTheDeliveredGuide()
    {
        TestEnv env;
        QTemporaryDir installed;
        QVERIFY(QDir().mkpath(installed.filePath(u"share/qelvora/help"_s)));
        const QString guide = installed.filePath(u"share/qelvora/help/index.html"_s);
        writeBytes(guide, "<h1 id=\"top\">Qelvora 使用说明</h1>");
        env.ctx().helpDir = DataFolder::choose(installed.filePath(u"bin"_s), env.dir()).guideFolder();
        frmMain& w = env.window();
        env.click(u"menuHelpFile"_s);
        QVERIFY(w.helpWindow());
        QCOMPARE(w.helpWindow()->browser()->source(), QUrl::fromLocalFile(guide));
        QVERIFY(env.prompt.calls().isEmpty());
    }
};

QELVORA_TEST(TestCommandLine)
#include "tst_commandline.moc"
