#include "QtPrompt.h"
#include "Startup.h"
#include "app/AboutDialog.h"
#include "config/DataFolder.h"
#include "domain/AppContext.h"
#include "domain/CommandLine.h"
#include "frmMain.h"

#include <QApplication>
#include <QLockFile>
#include <QTranslator>

int main(int argc, char** argv)
{
    // Read before any window system is touched: --help, --version, --self-test
    // and a wrong command line are answered without a display.
    const CommandLine line = CommandLine::parse(CommandLine::fromArgv(argc, argv));
    if (line.action != CommandLine::Action::Window)
        return runWithoutWindow(line, argc, argv);
    QApplication app(argc, argv);
    setApplicationNames();
    setProgramIcon();
    QTranslator qtChinese;
    installQtTranslation(qtChinese);
    QtPrompt prompt;
    const DataFolder folder = DataFolder::choose(QCoreApplication::applicationDirPath(), line.folder);
    if (const Result<> ready = folder.prepare(); !ready) {
        prompt.message(ready.message());
        return 1;
    }
    AppContext ctx(prompt, folder.path());
    ctx.helpDir = folder.guideFolder();
    const std::unique_ptr<QLockFile> folderLock = lockProgramFolder(ctx);
    if (!folderLock)
        return 1;
    std::unique_ptr<frmMain> window;
    if (const int status = startProgram(ctx, window))
        return status;
    window->show();
    const int status = app.exec();
    // The store is closed before the folder is given up to another instance.
    window.reset();
    ctx.db().Disconnect();
    return status;
}
