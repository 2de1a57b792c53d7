#include "Startup.h"

#include "AppContext.h"
#include "common/Prompt.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLockFile>
#include <QTranslator>

using namespace Qt::StringLiterals;

std::unique_ptr<QLockFile> lockProgramFolder(AppContext& ctx)
{
    auto lock = std::make_unique<QLockFile>(ctx.appDir + u"qelvora.lock"_s);
    // A lock left by a killed instance names a process that no longer runs and
    // is taken over; an age alone never makes a running instance's lock stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    const QString folder = QDir::toNativeSeparators(QDir(ctx.appDir).absolutePath());
    if (lock->error() == QLockFile::LockFailedError)
        ctx.prompt.message(u"程序已在运行（程序文件夹“%1”），同一文件夹中只能运行一个本程序。"_s.arg(folder));
    else
        ctx.prompt.message(u"程序文件夹“%1”不可写入，程序无法运行。请确认该文件夹可以写入。"_s.arg(folder));
    return nullptr;
}

bool installQtTranslation(QTranslator& translator)
{
    if (!translator.load(u"qtbase_zh_CN"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

int startProgram(AppContext& ctx, std::unique_ptr<frmMain>& window)
{
    window = std::make_unique<frmMain>(ctx);
    if (!window->Form_Load()) {
        window.reset();
        return 1;
    }
    return 0;
}
