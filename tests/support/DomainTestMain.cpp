#include "TestRegistry.h"

#include <QCoreApplication>

// The tests of the domain library: no display, no platform plugin.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return qelvora::test::runRegisteredTests(argc, argv);
}
