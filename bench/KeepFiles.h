#pragma once

// `--keep DIR` on the command line of a benchmark that generates its input:
// the generated files (upload files, workbooks, a store filled with the
// measured rows) are copied into DIR under fixed names, so that other programs
// can be timed on the very same files. Without the option nothing is copied.

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>

namespace bench {

class KeepFiles {
public:
    // Takes `--keep DIR` out of the arguments, so that the counts after it
    // keep their positions.
    KeepFiles(int& argc, char** argv)
    {
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--keep") != 0)
                continue;
            if (i + 1 >= argc) {
                std::fprintf(stderr, "--keep needs a folder\n");
                m_usable = false;
                argc = i;
                argv[i] = nullptr;
                return;
            }
            m_dir = QString::fromLocal8Bit(argv[i + 1]);
            // Moves the rest, the closing null pointer included, two places down.
            for (int j = i; j + 2 <= argc; ++j)
                argv[j] = argv[j + 2];
            argc -= 2;
            return;
        }
    }

    // False when `--keep` came without a folder.
    bool usable() const { return m_usable; }

    // Copies `source` into the folder as `name`, replacing an older copy; the
    // copy is written beside it first and renamed when complete. True when it
    // was kept or nothing is to be kept; false, after saying why, otherwise.
    bool keep(const QString& source, const QString& name) const
    {
        if (m_dir.isEmpty())
            return true;
        const QDir dir(m_dir);
        const QString target = dir.filePath(name);
        const QString part = target + QStringLiteral(".part");
        QFile::remove(part);
        const bool kept = dir.mkpath(QStringLiteral(".")) && QFile::copy(source, part)
            && (!QFile::exists(target) || QFile::remove(target)) && QFile::rename(part, target);
        if (!kept) {
            QFile::remove(part);
            std::fprintf(stderr, "cannot keep %s as %s\n", qPrintable(source), qPrintable(target));
        }
        return kept;
    }

private:
    QString m_dir;
    bool m_usable = true;
};

} // namespace bench
