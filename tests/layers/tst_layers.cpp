// A Core-only program over the lower libraries and the domain library: creates a
// store, opens it, loads a settings file and checks an account number, without
// Qt Gui or Widgets anywhere in the link.
#include "common/Prompt.h"
#include "config/SysConf.h"
#include "domain/InstructionCheck.h"
#include "store/DBAccess.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("userdb.mdb"));
    if (const Result<> created = DBAccess::createStore(db); !created) {
        std::fprintf(stderr, "createStore: %s\n", qUtf8Printable(created.message()));
        return 1;
    }
    AppConfig config;
    SysConf conf(config, dir.path());
    if (config.appDir.isEmpty()) {
        std::fprintf(stderr, "SysConf did not set the program directory\n");
        return 1;
    }
    if (!InstructionCheck::luhnValid(QStringLiteral("6228480012345671"))) {
        std::fprintf(stderr, "the card check digit was refused\n");
        return 1;
    }
    return 0;
}
