#include "domain/CommandLine.h"

#include "QelvoraVersion.h"
#include "common/Prompt.h"
#include "config/DataFolder.h"
#include "store/StoreCheck.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {
// Qt's own options of a windowed program, taken by QApplication itself: with a value, and without.
const char* const kQtValueOptions[] = { "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "style", "stylesheet", "session", "display", "name" };
const char* const kQtFlagOptions[] = { "reverse", "widgetcount", "nograb", "dograb", "sync", "testability" };
} // namespace

QStringList CommandLine::fromArgv(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

CommandLine CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    // "-platform offscreen", as Qt's options are written.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList { u"h"_s, u"help"_s, u"?"_s });
    const QCommandLineOption version(QStringList { u"v"_s, u"version"_s });
    const QCommandLineOption folder(u"folder"_s, QString(), u"folder"_s);
    const QCommandLineOption selfTest(u"self-test"_s);
    parser.addOptions({ help, version, folder, selfTest });
    for (const char* name : kQtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), u"value"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kQtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.action = Action::Error;
        line.error = parser.errorText();
        return line;
    }
    if (!parser.positionalArguments().isEmpty()) {
        line.action = Action::Error;
        line.error = u"多余的参数：%1"_s.arg(parser.positionalArguments().join(u' '));
        return line;
    }
    line.folder = parser.value(folder);
    if (parser.isSet(folder) && line.folder.trimmed().isEmpty()) {
        line.action = Action::Error;
        line.error = u"--folder 后面应当是一个文件夹。"_s;
        return line;
    }
    if (parser.isSet(help))
        line.action = Action::Help;
    else if (parser.isSet(version))
        line.action = Action::Version;
    else if (parser.isSet(selfTest))
        line.action = Action::SelfTest;
    return line;
}

QString commandLineHelp()
{
    return u"用法 (usage)：qelvora [选项]\n"
           u"\n"
           u"Qelvora：离线编制批量支付和代发工资指令，生成网上银行的上传文件。\n"
           u"\n"
           u"选项 (options)：\n"
           u"  --folder <文件夹>  使用这个数据文件夹；空的或新的文件夹按安装时附带的模板建立。\n"
           u"  --self-test        检查数据文件夹中的数据库（完整性、是否为本程序的数据库），\n"
           u"                     输出结果后退出，不显示窗口。通过时退出码为 0，否则为 1。\n"
           u"  -v, --version      显示版本后退出。\n"
           u"  -h, --help         显示本说明后退出。\n"
           u"\n"
           u"数据文件夹：程序文件夹中有数据库 userdb.mdb 且可以写入时，数据就保存在程序文件夹中；\n"
           u"否则保存在用户自己的数据文件夹 %1 中，第一次启动时自动建立。\n"
           u"同一个数据文件夹同时只能运行一个程序。\n"_s.arg(DataFolder::userFolder());
}

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(applicationTitle());
    QCoreApplication::setApplicationName(applicationTitle());
    QCoreApplication::setApplicationVersion(QStringLiteral(QELVORA_VERSION));
}

int runSelfTest(const DataFolder& folder, QTextStream& out, QTextStream& err)
{
    out << u"Qelvora %1 自检（SQLite %2）"_s.arg(QStringLiteral(QELVORA_VERSION), sqliteLibraryVersion()) << '\n';
    out << u"数据文件夹："_s << folder.path() << '\n';
    out.flush();
    if (const Result<> ready = folder.prepare(); !ready) {
        err << u"自检未通过："_s << ready.message() << '\n';
        return 1;
    }
    const QString store = QDir::toNativeSeparators(QDir(folder.path()).filePath(u"userdb.mdb"_s));
    out << u"数据库："_s << store << '\n';
    out.flush();
    const Result<int> checked = checkStoreFile(store);
    if (!checked) {
        err << u"自检未通过："_s << checked.message() << '\n';
        return 1;
    }
    out << u"自检通过：数据库完整，是本程序的数据库（版本 %1）。"_s.arg(*checked) << '\n';
    return 0;
}

int runWithoutWindow(const CommandLine& line, const QString& programDir, QTextStream& out, QTextStream& err)
{
    switch (line.action) {
    case CommandLine::Action::Help:
        out << commandLineHelp();
        return 0;
    case CommandLine::Action::Version:
        out << u"Qelvora "_s << QStringLiteral(QELVORA_VERSION) << '\n';
        return 0;
    case CommandLine::Action::SelfTest:
        return runSelfTest(DataFolder::choose(programDir, line.folder), out, err);
    case CommandLine::Action::Error:
        err << u"qelvora: "_s << line.error << '\n' << u"用 qelvora --help 查看可用的选项。"_s << '\n';
        return 2;
    case CommandLine::Action::Window:
        break;
    }
    err << u"qelvora: 这个操作需要窗口。"_s << '\n';
    return 2;
}

int runWithoutWindow(const CommandLine& line, int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    setApplicationNames();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runWithoutWindow(line, QCoreApplication::applicationDirPath(), out, err);
}
