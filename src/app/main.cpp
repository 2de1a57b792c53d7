#include "QtPrompt.h"
#include "Startup.h"
#include "domain/AppContext.h"
#include "frmMain.h"

#include <QApplication>
#include <QLockFile>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(applicationTitle());
    QApplication::setApplicationName(applicationTitle());
    QTranslator qtChinese;
    installQtTranslation(qtChinese);
    QtPrompt prompt;
    AppContext ctx(prompt, QCoreApplication::applicationDirPath());
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
