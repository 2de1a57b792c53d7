// Payroll list with a large payroll: list refresh, CSV upload file, range
// delete of every row, a 65,535-row workbook upload file, a group batch of
// 10,000 members, and the peak memory of the process.
//
//   bench_payroll [N]      (N instructions, default 100000)
//   bench_payroll --keep DIR [N]
//                          (also leaves the filled store and the first CSV
//                           upload file written in DIR as payroll-store.mdb
//                           and payroll-upload.csv)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "KeepFiles.h"
#include "payroll/Laborage.h"
#include "payroll/frmBatchLaborage.h"

#include <QApplication>
#include <QTabWidget>

#include <cstdio>

using namespace Qt::StringLiterals;
using bench::measure;
using bench::report;
using bench::Timing;

namespace {
// n roster entries of group `group` and, unless `rosterOnly`, one instruction each.
void fill(DBAccess& db, int n, const QString& group, bool rosterOnly)
{
    db.BeginTrans();
    for (int i = 1; i <= n; ++i) {
        const QString acc = u"62170000%1"_s.arg(i, 11, 10, QChar(u'0'));
        db.Insert(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) "
                  u"values (?,?,?,?,?,'0','')"_s,
            { i, group, acc, bench::personName(i), u"E%1"_s.arg(i, 6, 10, QChar(u'0')) });
        if (!rosterOnly)
            db.Insert(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) "
                      u"values (?,?,?,'0','','')"_s,
                { i, acc, bench::amount(i) });
    }
    db.Commit();
}
} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    const bench::KeepFiles kept(argc, argv);
    if (!kept.usable())
        return 2;
    QApplication app(argc, argv);
    const int n = bench::countArgument(argc, argv, 1, 100000);

    bench::Program program;
    if (!program.createStore())
        return 1;
    bench::SilentPrompt& prompt = program.prompt;
    AppContext& ctx = *program.ctx;
    fill(ctx.db(), n, u"一组"_s, false);
    std::printf("%-28s %d\n", "instructions", n);
    if (!kept.keep(program.dir.filePath(u"userdb.mdb"_s), u"payroll-store.mdb"_s))
        return 1;

    if (!program.start())
        return 1;
    frmMain& window = *program.window;
    window.SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    auto* page = static_cast<Laborage*>(window.page(frmMain::TabLaborage));
    bench::goOnAfterChecks(*page);
    ListGrid* grid = page->grid();
    const bool measured = bench::measureInstructionList(program, *grid, n,
        { .refreshName = "resetLaborageIn",
            .refresh = [&] { window.resetLaborageIn(); },
            .writeName = "CSV upload file",
            .fileStem = u"payroll"_s,
            .write = [&] { page->menuWriteLaborageFile_Click(); },
            .written = { u"代发工资*.csv文件生成完毕"_s },
            .writeFailure = "CSV upload file failed",
            .rangeDelete = [&] { page->Laborage_cmdDeleteBut_Click(); },
            .deleted = { u"删除账号成功."_s } });
    if (!measured || !kept.keep(program.dir.filePath(u"payroll0.csv"_s), u"payroll-upload.csv"_s))
        return 1;

    // The largest workbook: 65,535 rows.
    ctx.db().Delete(u"delete from person_payee_acc"_s);
    fill(ctx.db(), 65535, u"一组"_s, false);
    window.resetLaborageIn();
    const std::vector<Timing> books = bench::commandRuns(
        prompt, 3, { u"代发工资*.xls文件生成完毕"_s }, "workbook upload file failed",
        [&](int i) { prompt.savePath = program.dir.filePath(u"payroll%1.xls"_s.arg(i)); },
        [&] { page->menuWriteLaborageFile_Click(); });
    if (books.empty())
        return 1;
    report("workbook upload file", books, bench::sizeNote(prompt.savePath, "65535 rows, ").constData());

    // A group batch of 10,000 members into an empty payroll.
    ctx.db().Delete(u"delete from laborage"_s);
    ctx.db().Delete(u"delete from person_payee_acc"_s);
    fill(ctx.db(), 10000, u"大组"_s, true);
    window.resetLaborageIn();
    prompt.messages.clear();
    Timing batch;
    {
        frmBatchLaborage form(ctx, &window);
        batch = measure([&] { form.Command1_Click(); });
    }
    if (!prompt.expect({ u"批量新增指令成功，请逐笔维护工资金额。"_s }, "group batch failed") || grid->rows() != 10001)
        return 1;
    report("group batch of 10000", { batch }, " (with the refresh after it)");

    bench::reportPeakMemory();
    return 0;
}
