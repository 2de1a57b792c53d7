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
}

#define QELVORA_TEST(Class)                                                                                            \
    static const bool qelvoraTestRegistered_##Class                                                                    \
        = ::qelvora::test::registerTest(#Class, [] { return std::unique_ptr<QObject>(new Class); });
