#pragma once

// What the benchmark programs share: a prompt that answers without showing
// anything, the program on a fresh store, clock readings, the peak memory of
// the process and the test data the lists are filled with.

#include "app/InstructionListTab.h"
#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "store/DBAccess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace bench {

// Answers every question with OK / Yes and the file dialogs with fixed paths;
// keeps the messages so that a run can check what it was told.
class SilentPrompt : public Prompt {
public:
    using Prompt::askOkCancel;
    void message(const QString& text) override { messages << text; }
    bool askOkCancel(const QString&, DefaultButton) override { return true; }
    bool askYesNo(const QString&) override { return true; }
    OkSkipCancel askOkSkipCancel(const QString&) override { return OkSkipCancel::Ok; }
    void critical(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    FileChoice chooseSaveFile(const FileDialogRequest&) override { return { savePath, {} }; }
    FileChoice chooseOpenFile(const FileDialogRequest&) override { return { openPath, {} }; }

    // True when the messages are exactly `expected`; otherwise prints `failure`
    // and what was said. A message naming the file written names it on a second
    // line, which is not compared.
    bool expect(const QStringList& expected, const char* failure) const
    {
        QStringList said;
        for (const QString& message : messages)
            said << message.section(QLatin1Char('\n'), 0, 0);
        if (said == expected)
            return true;
        std::fprintf(stderr, "%s: %s\n", failure, qPrintable(messages.join(QStringLiteral(" / "))));
        return false;
    }

    QString savePath;
    QString openPath;
    QStringList messages;
};

// Runs on the offscreen platform unless another one is asked for.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The count given as argument `index`, at least 1; `fallback` without one.
inline int countArgument(int argc, char** argv, int index, int fallback)
{
    return argc > index ? std::max(1, std::atoi(argv[index])) : fallback;
}

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

// The program on a fresh store in a temporary program folder, with the silent
// prompt: first the store (to fill it), then the main window.
struct Program {
    QTemporaryDir dir;
    SilentPrompt prompt;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<frmMain> window;

    // False, after saying why, when the store cannot be created.
    bool createStore()
    {
        if (!bench::createStore(dir))
            return false;
        // The folders of the file dialogs stay in the run's folder, out of the user's settings.
        prompt.fileFolders().useSettingsFile(dir.filePath(QStringLiteral("user-settings.conf")));
        ctx = std::make_unique<AppContext>(prompt, dir.path() + u'/');
        return true;
    }
    // Starts the program as the user does; false when it does not start.
    bool start() { return startProgram(*ctx, window) == 0; }
};

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline int rowCount(DBAccess& db, const QString& table)
{
    const auto rs = db.Query(QStringLiteral("select count(*) from ") + table);
    return rs && !rs->isEmpty() ? rs->value(0, 0).toInt() : -1;
}

// True when the list shows `n` instructions; otherwise says how many it shows.
inline bool listShows(const ListGrid& grid, int n)
{
    if (grid.rows() == n + 1)
        return true;
    std::fprintf(stderr, "the list shows %d rows\n", grid.rows() - 1);
    return false;
}

// The check before writing runs in every write; its report (the generated
// numbers carry no card check digit) is answered with "go on".
inline void goOnAfterChecks(InstructionListTab& page)
{
    page.setCheckReportOpener([](const CheckReportRequest&) { return true; });
}

// ---- Test data

// A payee or employee name, different for every `i`.
inline QString personName(int i)
{
    static const QString names[]
        = { QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五"), QStringLiteral("赵六"),
              QStringLiteral("钱七"), QStringLiteral("孙八"), QStringLiteral("周九"), QStringLiteral("吴十") };
    return names[i % 8] + QString::number(i);
}

// An amount with two decimals, from 1.00 up to `spread` yuan.
inline QString amount(int i, int spread = 25000)
{
    return QStringLiteral("%1.%2").arg(1 + (qint64(i) * 7919) % spread).arg(i % 100, 2, 10, QChar(u'0'));
}

// A batch of n instructions, every third other-bank, in one transaction: the
// batch the payment benches measure.
inline void fillPayments(DBAccess& db, int n)
{
    using namespace Qt::StringLiterals;
    static const QString remarks[] = { u"货款"_s, u"工资"_s, u"差旅费"_s, u"服务费"_s, u"往来款"_s };
    const QString sql
        = u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
          u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,?,?,?,?,?,'')"_s;
    db.BeginTrans();
    for (int i = 1; i <= n; ++i) {
        const bool otherBank = i % 3 == 0;
        db.Insert(sql,
            { u"20240101120000%1"_s.arg(i, 8, 10, QChar(u'0')), u"6228480012345678"_s, u"某某贸易有限公司"_s,
                otherBank ? u"1"_s : u"0"_s, u"62170000%1"_s.arg(i, 11, 10, QChar(u'0')), personName(i),
                otherBank ? QString() : u"0101"_s, otherBank ? u"020"_s : QString(),
                otherBank ? u"313100000013"_s : QString(), amount(i, 250000),
                remarks[i % 5] + u"第"_s + QString::number(i % 12 + 1) + u"期"_s });
    }
    db.Commit();
}

// ---- Time and memory

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

template <class F> std::vector<Timing> measureRuns(int count, F&& step)
{
    std::vector<Timing> runs;
    for (int i = 0; i < count; ++i)
        runs.push_back(measure(step));
    return runs;
}

// Times `count` runs of a command that ends with messages: before each run
// `prepare(run)`, untimed, and the messages are cleared; after it they must be
// `expected`. Empty, after printing `failure` and what was said, when a run
// ends otherwise.
template <class Prepare, class Command>
std::vector<Timing> commandRuns(SilentPrompt& prompt, int count, const QStringList& expected, const char* failure,
    Prepare&& prepare, Command&& command)
{
    std::vector<Timing> runs;
    for (int i = 0; i < count; ++i) {
        prepare(i);
        prompt.messages.clear();
        runs.push_back(measure(command));
        if (!prompt.expect(expected, failure))
            return {};
    }
    return runs;
}

inline void report(const char* what, std::vector<Timing> runs, const char* extra = "")
{
    std::sort(runs.begin(), runs.end());
    std::printf("%-28s %.3f s (cpu %.3f s)", what, runs.front().wall, runs.front().cpu);
    if (runs.size() > 1)
        std::printf(", best of %zu; worst %.3f s (cpu %.3f s)", runs.size(), runs.back().wall, runs.back().cpu);
    std::printf("%s\n", extra);
}

// " (N bytes)": the size of a written file, after `what`.
inline QByteArray sizeNote(const QString& path, const QByteArray& what = {})
{
    return " (" + what + QByteArray::number(QFileInfo(path).size()) + " bytes)";
}

inline void reportPeakMemory(int width = 28)
{
    std::printf("%-*s %.1f MB\n", width, "peak memory", static_cast<double>(peakMemoryKb()) / 1024.0);
}

// What an instruction tab is measured on: its list reload, its CSV upload
// file and its range delete, with the names they are reported under and the
// messages they end with.
struct InstructionListSteps {
    const char* refreshName;
    std::function<void()> refresh;
    const char* writeName;
    QString fileStem; // the files written: stem0.csv, stem1.csv, ...
    std::function<void()> write;
    QStringList written;
    const char* writeFailure;
    std::function<void()> rangeDelete;
    QStringList deleted;
};

// Reloads the list five times (it must then show `n` instructions), writes the
// upload file five times and deletes every row with the range delete, and
// reports each. False, after saying what went wrong, when a step fails.
inline bool measureInstructionList(Program& program, ListGrid& grid, int n, const InstructionListSteps& steps)
{
    const std::vector<Timing> refresh = measureRuns(5, steps.refresh);
    if (!listShows(grid, n))
        return false;
    report(steps.refreshName, refresh);

    SilentPrompt& prompt = program.prompt;
    const std::vector<Timing> writes = commandRuns(
        prompt, 5, steps.written, steps.writeFailure,
        [&](int i) {
            prompt.savePath = program.dir.filePath(steps.fileStem + QString::number(i) + QStringLiteral(".csv"));
        },
        steps.write);
    if (writes.empty())
        return false;
    report(steps.writeName, writes, sizeNote(prompt.savePath).constData());

    const std::vector<Timing> del = commandRuns(
        prompt, 1, steps.deleted, "range delete failed", [&](int) { grid.selectRows(1, grid.rows() - 1, 1); },
        steps.rangeDelete);
    if (del.empty())
        return false;
    report("range delete of all rows", del, " (with the refresh after it)");
    return true;
}

// One timed step with its check: "  what   1.234 s", FAILED behind it when the check failed.
inline void reportChecked(int width, const char* what, double s, bool passed)
{
    std::printf("  %-*s %8.3f s%s\n", width, what, s, passed ? "" : "   FAILED");
}

} // namespace bench
