// Payroll file import with large inputs: a CSV upload file of N lines whose
// accounts are all in the roster, and a workbook of W rows of which U accounts
// are not in the roster yet. Each import replaces the payroll through the
// tab's command (question, one transaction, list refresh); reading alone is
// timed apart.
//
//   bench_laborageimport [N] [W] [U]      (default 100000, 65535, 1000)
//   bench_laborageimport --xlsx [W] [U]   (only the .xlsx workbook, as the payroll
//                                          tab's 导出到Excel writes it: the peak is
//                                          that import's; python3-openpyxl's
//                                          read-only mode reads the same file)
//
//   bench_laborageimport --keep DIR [N] [W] [U]
//                                         (also leaves the CSV file and the
//                                          workbook it imports in DIR as
//                                          payroll-import.csv and .xls)
//
// Runs offscreen.

#include "BenchSupport.h"
#include "KeepFiles.h"
#include "common/GbkCodec.h"
#include "common/Money.h"
#include "common/SheetRows.h"
#include "common/Workbook.h"
#include "domain/ExcelExport.h"
#include "domain/payroll/LaborageImport.h"
#include "payroll/Laborage.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>

#include <sys/wait.h>
#include <unistd.h>

#include <string_view>

using namespace Qt::StringLiterals;
using bench::amount;
using bench::report;

namespace {
QString knownAccount(int i)
{
    return u"6228%1"_s.arg(i, 12, 10, QChar(u'0'));
}
QString unknownAccount(int i)
{
    return u"6217%1"_s.arg(i, 12, 10, QChar(u'0'));
}
void fillRoster(DBAccess& db, int n)
{
    db.BeginTrans();
    for (int i = 1; i <= n; ++i)
        db.Insert(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) "
                  u"values (?,'一组',?,?,?,'0','')"_s,
            { i, knownAccount(i), u"员工%1"_s.arg(i), u"E%1"_s.arg(i) });
    db.Commit();
}

// The rows of the workbooks: a header row, then w - 1 accounts, the last u unknown.
QList<QStringList> workbookRows(int w, int u)
{
    QList<QStringList> rows { { u"账号"_s, u"户名"_s, u"金额"_s } };
    for (int i = 1; i < w; ++i) {
        const bool unknown = i >= w - u;
        rows.append({ unknown ? unknownAccount(i) : knownAccount(i), u"员工%1"_s.arg(i), amount(i) });
    }
    return rows;
}

const char* kOpenpyxlRead = "import sys, time\n"
                            "from openpyxl import load_workbook\n"
                            "t = time.perf_counter()\n"
                            "wb = load_workbook(sys.argv[1], read_only=True)\n"
                            "rows = 0\n"
                            "for row in wb.active.iter_rows(values_only=True):\n"
                            "    rows += 1\n"
                            "wb.close()\n"
                            "peak = [l.split()[1] for l in open('/proc/self/status') if l.startswith('VmHWM:')][0]\n"
                            "print('%.3f' % (time.perf_counter() - t), peak)\n";

// The payroll import of an .xlsx workbook through the tab's command, alone in
// this process, so that the peak memory is that of the import.
int xlsxOnly(int w, int u)
{
    bench::Program program;
    if (!program.createStore() || !program.start())
        return 1;
    bench::SilentPrompt& prompt = program.prompt;
    AppContext& ctx = *program.ctx;
    auto* page = static_cast<Laborage*>(program.window->page(frmMain::TabLaborage));
    fillRoster(ctx.db(), w);
    // The workbook is written by a child process, so that the peak memory
    // reported below is the import's and not the writer's.
    const QString path = program.dir.filePath(u"payroll.xlsx"_s);
    const pid_t writer = fork();
    if (writer == 0) {
        ExcelExport::Sheet sheet;
        sheet.name = u"代发工资"_s;
        sheet.columns = { { u"账号"_s }, { u"户名"_s }, { u"金额"_s, ExcelExport::Column::Kind::Amount } };
        sheet.rows = workbookRows(w, u).mid(1);
        sheet.totalRow = true;
        const Result<int> written = ExcelExport::write(path, sheet);
        if (!written)
            std::fprintf(stderr, "cannot write the workbook: %s\n", qPrintable(written.message()));
        _exit(written ? 0 : 1);
    }
    int status = 0;
    if (writer < 0 || waitpid(writer, &status, 0) != writer || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    std::printf(
        "%-28s %d rows, %d unknown accounts, %.1f MB\n", "xlsx workbook", w, u, double(QFileInfo(path).size()) / 1e6);
    prompt.openPath = path;
    std::printf("%-28s %.1f MB\n", "peak before the imports", double(bench::peakMemoryKb()) / 1024.0);
    const auto imports = bench::commandRuns(
        prompt, 3, { u"共导入%1条记录"_s.arg(w - 1), u"导入数据成功"_s }, "xlsx import failed",
        [&](int) { ctx.db().Delete(u"delete from person_payee_acc where group_no='未分组'"_s); },
        [&] { page->Laborage_cmdLoadB2BFileBut_Click(); });
    if (imports.empty())
        return 1;
    report("xlsx import with refresh", imports);
    // The peak of the imports, before reading is timed alone beside the list.
    bench::reportPeakMemory();
    report("  of which reading", bench::measureRuns(3, [&] {
        const Result<std::unique_ptr<SheetRows>> opened = openSheet(path);
        if (!opened)
            std::abort();
        const Result<LaborageImport::ReadResult> read = LaborageImport::readWorkbook(**opened);
        if (!read || read->records.size() != size_t(w - 1))
            std::abort();
    }));
    const QString python = u"/usr/bin/python3"_s;
    QProcess anchor;
    anchor.start(python, { u"-c"_s, QString::fromLatin1(kOpenpyxlRead), path });
    if (anchor.waitForFinished(-1) && anchor.exitCode() == 0) {
        const QStringList f = QString::fromUtf8(anchor.readAllStandardOutput()).simplified().split(u' ');
        std::printf("%-28s %s s, peak %.1f MB\n", "openpyxl read-only (anchor)", qPrintable(f.value(0)),
            f.value(1).toDouble() / 1024.0);
    } else {
        std::printf("python3-openpyxl is not installed: no anchor figures\n");
    }
    return 0;
}

QByteArray uploadFile(int n)
{
    QString lines;
    lines.reserve(n * 48);
    Money total;
    for (int i = 1; i <= n; ++i) {
        total += *Money::parse(amount(i));
        lines += u"%1,#E%1, 员工%1,#%2,#%3\r\n"_s.arg(i).arg(knownAccount(i), amount(i));
    }
    return GbkCodec::encode(u"%1,%2\r\n"_s.arg(n).arg(total.toPlainText()) + lines).value();
}
} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    const bench::KeepFiles kept(argc, argv);
    if (!kept.usable())
        return 2;
    QApplication app(argc, argv);
    if (argc > 1 && std::string_view(argv[1]) == "--xlsx")
        return xlsxOnly(argc > 2 ? std::clamp(atoi(argv[2]), 2, 1048576) : 65535,
            argc > 3 ? std::clamp(atoi(argv[3]), 0, 65535) : 1000);
    const int n = bench::countArgument(argc, argv, 1, 100000);
    const int w = argc > 2 ? std::clamp(atoi(argv[2]), 1, 65535) : 65535;
    const int u = argc > 3 ? std::clamp(atoi(argv[3]), 0, w) : 1000;

    bench::Program program;
    if (!program.createStore() || !program.start())
        return 1;
    bench::SilentPrompt& prompt = program.prompt;
    AppContext& ctx = *program.ctx;
    const QTemporaryDir& dir = program.dir;
    frmMain* window = program.window.get();
    auto* page = static_cast<Laborage*>(window->page(frmMain::TabLaborage));
    fillRoster(ctx.db(), std::max(n, w));

    // CSV upload file.
    const QString csvPath = dir.filePath(u"payroll.csv"_s);
    const QByteArray csv = uploadFile(n);
    if (!bench::writeFile(csvPath, csv) || !kept.keep(csvPath, u"payroll-import.csv"_s))
        return 1;
    std::printf("%-28s %d\n", "CSV lines", n);
    prompt.openPath = csvPath;
    const auto csvImports = bench::commandRuns(
        prompt, 3, { u"导入代发工资文件完毕"_s }, "CSV import failed", [](int) {},
        [&] { page->Laborage_cmdLoadB2BFileBut_Click(); });
    if (csvImports.empty())
        return 1;
    report("CSV import with refresh", csvImports);
    report("  of which reading", bench::measureRuns(3, [&] {
        if (LaborageImport::readCsv(csv).records.size() != size_t(n))
            std::abort();
    }));
    report("  of which the list refresh", bench::measureRuns(3, [&] { window->resetLaborageIn(); }));

    const QList<QStringList> rows = workbookRows(w, u);
    const QString xlsPath = dir.filePath(u"payroll.xls"_s);
    if (const Result<> written = writeWorkbook(xlsPath, rows); !written) {
        std::fprintf(stderr, "cannot write the workbook: %s\n", qPrintable(written.message()));
        return 1;
    }
    if (!kept.keep(xlsPath, u"payroll-import.xls"_s))
        return 1;
    std::printf("%-28s %d rows, %d unknown accounts\n", "workbook", w, u);
    prompt.openPath = xlsPath;
    const auto bookImports = bench::commandRuns(
        prompt, 3, { u"共导入%1条记录"_s.arg(w - 1), u"导入数据成功"_s }, "workbook import failed",
        [&](int) { ctx.db().Delete(u"delete from person_payee_acc where group_no='未分组'"_s); },
        [&] { page->Laborage_cmdLoadB2BFileBut_Click(); });
    if (bookImports.empty())
        return 1;
    report("workbook import with refresh", bookImports);
    report("  of which reading", bench::measureRuns(3, [&] {
        const Result<std::unique_ptr<SheetRows>> sheet = openSheet(xlsPath);
        if (!sheet)
            std::abort();
        const Result<LaborageImport::ReadResult> read = LaborageImport::readWorkbook(**sheet);
        if (!read || read->records.size() != size_t(w - 1))
            std::abort();
    }));
    bench::reportPeakMemory();
    return 0;
}
