#include "TestRegistry.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace qelvora::test {
namespace {
std::map<std::string, Factory>& registry()
{
    static std::map<std::string, Factory> tests;
    return tests;
}
}

bool registerTest(const char* name, Factory factory)
{
    registry().emplace(name, std::move(factory));
    return true;
}

int runRegisteredTests(int argc, char** argv)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Qelvora"));
    QCoreApplication::setApplicationName(QStringLiteral("Qelvora"));
    // What the program keeps in the user's settings (the folders of the file
    // dialogs) goes to a folder of this run, never to the tester's home.
    QTemporaryDir userSettings;
    if (!userSettings.isValid())
        qFatal("cannot create a folder for the user settings");
    for (const QSettings::Format format : { QSettings::NativeFormat, QSettings::IniFormat })
        QSettings::setPath(format, QSettings::UserScope, userSettings.path());
    std::string only;
    std::vector<char*> args { argv[0] };
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-class") == 0 && i + 1 < argc)
            only = argv[++i];
        else
            args.push_back(argv[i]);
    }
    int failures = 0;
    bool ran = false;
    for (auto& [name, factory] : registry()) {
        if (!only.empty() && name != only)
            continue;
        ran = true;
        auto object = factory();
        failures += QTest::qExec(object.get(), static_cast<int>(args.size()), args.data());
    }
    if (!ran) {
        fprintf(stderr, "no test class ran\n");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
}
