#pragma once

// What the benchmark programs share: a prompt that answers without showing
// anything, clock readings and the peak memory of the process.

#include "common/Prompt.h"
#include "store/DBAccess.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

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

// Creates a fresh store in the temporary program folder `dir`; false, after
// saying why, when it cannot.
inline bool createStore(const QTemporaryDir& dir)
{
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create the store: no temporary folder\n");
        return false;
    }
    const Result<> created = DBAccess::createStore(dir.filePath(QStringLiteral("userdb.mdb")));
    if (!created)
        std::fprintf(stderr, "cannot create the store: %s\n", qPrintable(created.message()));
    return created.ok();
}

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

// CPU time of the process so far: on a busy machine the clock time of a step
// includes waiting for a core, its CPU time does not.
inline double cpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Clock and CPU time of one step.
struct Timing {
    double wall = 0;
    double cpu = 0;
    bool operator<(const Timing& o) const { return wall < o.wall; }
};

template <class F> Timing measure(F&& step)
{
    QElapsedTimer t;
    const double cpu0 = cpuSeconds();
    t.start();
    step();
    return { seconds(t), cpuSeconds() - cpu0 };
}

inline void report(const char* what, std::vector<Timing> runs, const char* extra = "")
{
    std::sort(runs.begin(), runs.end());
    std::printf("%-28s %.3f s (cpu %.3f s)", what, runs.front().wall, runs.front().cpu);
    if (runs.size() > 1)
        std::printf(", best of %zu; worst %.3f s (cpu %.3f s)", runs.size(), runs.back().wall, runs.back().cpu);
    std::printf("%s\n", extra);
}

} // namespace bench
