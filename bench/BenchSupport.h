#pragma once

// What the benchmark programs share: a prompt that answers without showing
// anything, clock readings and the peak memory of the process.

#include "common/Prompt.h"

#include <QElapsedTimer>
#include <QStringList>

#include <sys/resource.h>

#include <cstdio>

namespace bench {

// Answers every question with OK / Yes and the file dialogs with fixed paths;
// keeps the messages so that a run can check what it was told.
class SilentPrompt : public Prompt {
public:
    void message(const QString& text) override { messages << text; }
    bool askOkCancel(const QString&) override { return true; }
    bool askYesNo(const QString&) override { return true; }
    void critical(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    QString chooseSaveFile(const QString&) override { return savePath; }
    QString chooseOpenFile(const QString&) override { return openPath; }

    QString savePath;
    QString openPath;
    QStringList messages;
};

inline double seconds(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// Peak resident memory of the process so far, in KB.
inline long peakMemoryKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace bench
