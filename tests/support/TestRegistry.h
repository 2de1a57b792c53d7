#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Registers a QtTest class with the folder's test executable.
//   class TestDBAccess : public QObject { Q_OBJECT ... };
//   QELVORA_TEST(TestDBAccess)
namespace qelvora::test {
using Factory = std::function<std::unique_ptr<QObject>()>;
bool registerTest(const char* name, Factory factory);
// Runs every registered class, or only the one named by "-class Name"; the other
// arguments go to QTest (test function names, -v2, ...). Needs the application
// object of the executable's main.
int runRegisteredTests(int argc, char** argv);
}

#define QELVORA_TEST(Class)                                                                                            \
    static const bool qelvoraTestRegistered_##Class                                                                    \
        = ::qelvora::test::registerTest(#Class, [] { return std::unique_ptr<QObject>(new Class); });
