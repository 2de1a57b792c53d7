// Creates a new, empty store file from the schema, with the lookup rows the store
// is delivered with. An existing file holds a user's data and is never replaced.
//
//   qelvora-makedb [--if-missing] PATH

#include "store/DBAccess.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: qelvora-makedb [--if-missing] PATH\n");
        return 2;
    }
    const QString path = args.first();
    if (QFileInfo::exists(path)) {
        if (ifMissing)
            return 0;
        std::fprintf(stderr, "%s exists; it is left as it is\n", qPrintable(path));
        return 1;
    }
    const Result<> created = DBAccess::createStore(path);
    if (!created) {
        std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path), qPrintable(created.message()));
        return 1;
    }
    return 0;
}
