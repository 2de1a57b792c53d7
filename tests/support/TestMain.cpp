#include "TestRegistry.h"

#include <QApplication>

// The tests of the screens: a QApplication on the offscreen platform unless
// another one is asked for.
int main(int argc, char** argv)
{
    qputenv(
        "QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    return qelvora::test::runRegisteredTests(argc, argv);
}
