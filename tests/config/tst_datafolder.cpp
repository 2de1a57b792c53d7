#include "RecordingPrompt.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "config/DataFolder.h"
#include "store/DBAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// A machine in a temporary folder: an installed program (bin/ with the
// delivered files in share/qelvora, as under /usr), the user's data location
// (XDG_DATA_HOME, where the per-user folder goes), and room for other folders.
struct Machine {
    Machine()
    {
        QVERIFY(root.isValid());
        QVERIFY(QDir(root.path()).mkpath(u"usr/bin"_s));
        QVERIFY(QDir(root.path()).mkpath(u"usr/share/qelvora/help"_s));
        QVERIFY(DBAccess::createStore(templates() + u"/userdb.mdb"_s).ok());
        writeBytes(templates() + u"/sysConf.ini"_s, kDeliveredSettings);
        writeBytes(templates() + u"/help/index.html"_s, "<h1>guide</h1>");
        previousDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(u"data-home"_s)));
    }
    ~Machine() { qputenv("XDG_DATA_HOME", previousDataHome); }

    QString path(const QString& relative) const { return root.path() + u'/' + relative; }
    QString bin() const { return path(u"usr/bin"_s); }
    QString templates() const { return path(u"usr/share/qelvora"_s); }
    QString userFolder() const { return native(path(u"data-home/Qelvora"_s)); }

    static constexpr char kDeliveredSettings[]
        = "<?xml version=\"1.0\" encoding=\"GB2312\"?><sysConf delivered=\"1\"/>";
    QTemporaryDir root;
    QByteArray previousDataHome;
};
} // namespace

class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    // Which folder a start works in, by how the program lies and what the command line names.
    void choosesTheFolder_data()
    {
        QTest::addColumn<QString>("program"); // the program's folder, below the machine
        QTest::addColumn<bool>("storeBesideProgram");
        QTest::addColumn<QString>("chosen"); // --folder, below the machine
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected"); // below the machine; empty: the per-user folder
        QTest::newRow("installed") << u"usr/bin"_s << false << QString() << int(DataFolder::Kind::PerUser) << QString();
        QTest::newRow("portable program folder")
            << u"portable"_s << true << QString() << int(DataFolder::Kind::Portable) << u"portable"_s;
        QTest::newRow("program folder without a store")
            << u"portable"_s << false << QString() << int(DataFolder::Kind::PerUser) << QString();
        QTest::newRow("--folder on an installed program")
            << u"usr/bin"_s << false << u"office/2026"_s << int(DataFolder::Kind::Chosen) << u"office/2026"_s;
        QTest::newRow("--folder beats a portable folder")
            << u"portable"_s << true << u"office/../other"_s << int(DataFolder::Kind::Chosen) << u"other"_s;
    }
    void choosesTheFolder()
    {
        QFETCH(QString, program);
        QFETCH(bool, storeBesideProgram);
        QFETCH(QString, chosen);
        QFETCH(int, kind);
        QFETCH(QString, expected);
        Machine m;
        QVERIFY(QDir().mkpath(m.path(program)));
        if (storeBesideProgram)
            QVERIFY(DBAccess::createStore(m.path(program) + u"/userdb.mdb"_s).ok());
        const DataFolder folder = DataFolder::choose(m.path(program), chosen.isEmpty() ? QString() : m.path(chosen));
        QCOMPARE(int(folder.kind()), kind);
        QCOMPARE(folder.path(), expected.isEmpty() ? m.userFolder() : native(QDir::cleanPath(m.path(expected))));
    }

    void readOnlyProgramFolderUsesThePerUserFolder()
    {
        if (geteuid() == 0)
            QSKIP("root writes into any folder");
        Machine m;
        QVERIFY(QDir().mkpath(m.path(u"cdrom"_s)));
        QVERIFY(DBAccess::createStore(m.path(u"cdrom/userdb.mdb"_s)).ok());
        QFile::setPermissions(m.path(u"cdrom"_s), QFile::ReadOwner | QFile::ExeOwner);
        const DataFolder folder = DataFolder::choose(m.path(u"cdrom"_s));
        QFile::setPermissions(m.path(u"cdrom"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(folder.kind(), DataFolder::Kind::PerUser);
        QCOMPARE(folder.path(), m.userFolder());
    }

    void firstStartLaysOutThePerUserFolderFromTheTemplates()
    {
        Machine m;
        const DataFolder folder = DataFolder::choose(m.bin());
        QVERIFY(!QFileInfo::exists(folder.path()));
        QVERIFY2(folder.prepare().ok(), qPrintable(folder.prepare().message()));
        QCOMPARE(readAll(m.userFolder() + u"/userdb.mdb"_s), readAll(m.templates() + u"/userdb.mdb"_s));
        QCOMPARE(readAll(m.userFolder() + u"/sysConf.ini"_s), QByteArray(Machine::kDeliveredSettings));
        QVERIFY(QFileInfo(m.userFolder() + u"/ico"_s).isDir());
        // No temporary file is left behind.
        QCOMPARE(QDir(m.userFolder()).entryList(QDir::Files | QDir::Hidden),
            QStringList({ u"sysConf.ini"_s, u"userdb.mdb"_s }));
        // The store copied is one the program opens.
        RecordingPrompt prompt;
        DBAccess db(m.userFolder() + u"/userdb.mdb"_s, prompt);
        QVERIFY(db.Query(u"select count(*) from pay_acc"_s).ok());
        QVERIFY(prompt.calls().isEmpty());
    }

    // A later start keeps what the user has; only what is missing comes from the templates.
    void laterStartsNeverReplaceTheUsersFiles_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::newRow("per-user folder") << false;
        QTest::newRow("--folder") << true;
    }
    void laterStartsNeverReplaceTheUsersFiles()
    {
        QFETCH(bool, chosen);
        Machine m;
        const QString dir = chosen ? native(m.path(u"office"_s)) : m.userFolder();
        QVERIFY(QDir().mkpath(dir));
        writeBytes(dir + u"/userdb.mdb"_s, "the user's store");
        const DataFolder folder = DataFolder::choose(m.bin(), chosen ? dir : QString());
        QCOMPARE(folder.path(), dir);
        QVERIFY(folder.prepare().ok());
        QCOMPARE(readAll(dir + u"/userdb.mdb"_s), QByteArray("the user's store"));
        // The settings were missing: the delivered ones are laid in.
        QCOMPARE(readAll(dir + u"/sysConf.ini"_s), QByteArray(Machine::kDeliveredSettings));
        writeBytes(dir + u"/sysConf.ini"_s, "the user's settings");
        QVERIFY(folder.prepare().ok());
        QCOMPARE(readAll(dir + u"/sysConf.ini"_s), QByteArray("the user's settings"));
        QCOMPARE(readAll(dir + u"/userdb.mdb"_s), QByteArray("the user's store"));
    }

    // --folder on a new or empty folder lays it out; on a folder of other files it is refused.
    void chosenFolder_data()
    {
        QTest::addColumn<QStringList>("present"); // files in the folder before the start; "-": no folder
        QTest::addColumn<bool>("laidOut");
        QTest::newRow("new folder") << QStringList { u"-"_s } << true;
        QTest::newRow("empty folder") << QStringList() << true;
        QTest::newRow("folder of other files") << QStringList { u"Q4 report.xls"_s } << false;
        QTest::newRow("only a hidden file") << QStringList { u".directory"_s } << false;
    }
    void chosenFolder()
    {
        QFETCH(QStringList, present);
        QFETCH(bool, laidOut);
        Machine m;
        const QString dir = native(m.path(u"office/2026"_s));
        if (present != QStringList { u"-"_s }) {
            QVERIFY(QDir().mkpath(dir));
            for (const QString& name : present)
                writeBytes(dir + u'/' + name, "someone's file");
        }
        const Result<> ready = DataFolder::choose(m.bin(), dir).prepare();
        if (laidOut) {
            QVERIFY2(ready.ok(), qPrintable(ready.message()));
            QCOMPARE(readAll(dir + u"/userdb.mdb"_s), readAll(m.templates() + u"/userdb.mdb"_s));
            QCOMPARE(readAll(dir + u"/sysConf.ini"_s), QByteArray(Machine::kDeliveredSettings));
        } else {
            QCOMPARE(ready.message(),
                u"文件夹“%1”中没有数据库文件 userdb.mdb，又不是空文件夹，不能用作数据文件夹。"
                u"请指定一个已有的数据文件夹，或一个空的或新的文件夹。"_s.arg(dir));
            QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), present);
        }
    }

    void missingTemplateStoreIsReportedAndNothingIsMade()
    {
        Machine m;
        QVERIFY(QFile::remove(m.templates() + u"/userdb.mdb"_s));
        const Result<> ready = DataFolder::choose(m.bin()).prepare();
        QCOMPARE(ready.message(),
            u"找不到建立数据文件夹所需的空数据库“%1”。请重新安装本程序。"_s.arg(
                native(m.templates() + u"/userdb.mdb"_s)));
        QVERIFY(!QFileInfo::exists(m.userFolder()));
    }

    void portableFolderIsUsedAsItIs()
    {
        Machine m;
        const QString program = m.path(u"portable"_s);
        QVERIFY(QDir().mkpath(program));
        writeBytes(program + u"/userdb.mdb"_s, "the user's store");
        const DataFolder folder = DataFolder::choose(program);
        QVERIFY(folder.prepare().ok());
        // The settings file stays missing: the program writes its default one, as it always has.
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { u"userdb.mdb"_s });
        QVERIFY(!QFileInfo::exists(m.userFolder()));
    }

    // The guide comes from beside the program when it is there, else from the delivered files.
    void findsTheGuide()
    {
        Machine m;
        QCOMPARE(DataFolder::choose(m.bin()).guideFolder(), native(m.templates() + u"/help/"_s));
        QCOMPARE(DataFolder::choose(m.bin(), m.path(u"office"_s)).guideFolder(), native(m.templates() + u"/help/"_s));
        const QString program = m.path(u"portable"_s);
        QVERIFY(QDir().mkpath(program + u"/help"_s));
        writeBytes(program + u"/help/index.html"_s, "<h1>guide</h1>");
        QCOMPARE(DataFolder::choose(program).guideFolder(), native(program + u"/help/"_s));
    }
};

QELVORA_TEST(TestDataFolder)
#include "tst_datafolder.moc"
