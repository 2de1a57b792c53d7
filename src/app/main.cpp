#include "AppContext.h"
#include "QtPrompt.h"
#include "Startup.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QtPrompt prompt;
    AppContext ctx(prompt, QCoreApplication::applicationDirPath());
    std::unique_ptr<frmMain> window;
    if (const int status = startProgram(ctx, window))
        return status;
    window->show();
    return app.exec();
}
