#include "AppContext.h"

#include <QDir>

AppContext::AppContext(Prompt& p, const QString& appDirectory)
    : prompt(p)
{
    appDir = QDir::toNativeSeparators(QDir(appDirectory).absolutePath());
    if (!appDir.endsWith(QDir::separator()))
        appDir += QDir::separator();
    dbAccess = std::make_unique<DBAccess>(appDir + QStringLiteral("userdb.mdb"), prompt);
}
