// Payroll file import with large inputs: a CSV upload file of N lines whose
// accounts are all in the roster, and a workbook of W rows of which U accounts
// are not in the roster yet. Each import replaces the payroll through the
// tab's command (question, one transaction, list refresh); reading alone is
// timed apart.
//
//   bench_laborageimport [N] [W] [U]      (default 100000, 65535, 1000)
//
// Runs offscreen.

#include "BenchSupport.h"
#include "common/GbkCodec.h"
#include "common/Money.h"
#include "common/SheetRows.h"
#include "common/Workbook.h"
#include "domain/payroll/LaborageImport.h"
#include "payroll/Laborage.h"

#include <QApplication>

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
    QApplication app(argc, argv);
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
    if (!bench::writeFile(csvPath, csv))
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

    // Workbook: a header row, then w - 1 accounts, the last u unknown.
    QList<QStringList> rows { { u"账号"_s, u"户名"_s, u"金额"_s } };
    for (int i = 1; i < w; ++i) {
        const bool unknown = i >= w - u;
        rows.append({ unknown ? unknownAccount(i) : knownAccount(i), u"员工%1"_s.arg(i), amount(i) });
    }
    const QString xlsPath = dir.filePath(u"payroll.xls"_s);
    if (const Result<> written = writeWorkbook(xlsPath, rows); !written) {
        std::fprintf(stderr, "cannot write the workbook: %s\n", qPrintable(written.message()));
        return 1;
    }
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
