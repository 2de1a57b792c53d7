// Payroll list with a large payroll: list refresh, CSV upload file, range
// delete of every row, a 65,535-row workbook upload file, a group batch of
// 10,000 members, and the peak memory of the process.
//
//   bench_payroll [N]      (N instructions, default 100000)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "app/AppContext.h"
#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "payroll/Laborage.h"
#include "payroll/frmBatchLaborage.h"
#include "store/DBAccess.h"

#include <QApplication>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;
using bench::measure;
using bench::peakMemoryKb;
using bench::report;
using bench::SilentPrompt;
using bench::Timing;

namespace {
// n roster entries of group `group` and, unless `rosterOnly`, one instruction each.
void fill(DBAccess& db, int n, const QString& group, bool rosterOnly)
{
    static const QString names[]
        = { u"张三"_s, u"李四"_s, u"王五"_s, u"赵六"_s, u"钱七"_s, u"孙八"_s, u"周九"_s, u"吴十"_s };
    db.BeginTrans();
    for (int i = 1; i <= n; ++i) {
        const QString acc = u"62170000%1"_s.arg(i, 11, 10, QChar(u'0'));
        db.Insert(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) "
                  u"values (?,?,?,?,?,'0','')"_s,
            { i, group, acc, names[i % 8] + QString::number(i), u"E%1"_s.arg(i, 6, 10, QChar(u'0')) });
        if (!rosterOnly)
            db.Insert(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) "
                      u"values (?,?,?,'0','','')"_s,
                { i, acc, u"%1.%2"_s.arg(1 + (i * 7919) % 25000).arg(i % 100, 2, 10, QChar(u'0')) });
    }
    db.Commit();
}

bool expect(const SilentPrompt& prompt, const QString& message, const char* what)
{
    if (prompt.messages == QStringList { message })
        return true;
    std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(prompt.messages.join(u" / "_s)));
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;

    QTemporaryDir dir;
    if (!bench::createStore(dir))
        return 1;
    SilentPrompt prompt;
    AppContext ctx(prompt, dir.path() + u'/');
    fill(ctx.db(), n, u"一组"_s, false);
    std::printf("%-28s %d\n", "instructions", n);

    std::unique_ptr<frmMain> window;
    if (startProgram(ctx, window) != 0)
        return 1;
    window->SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    auto* page = static_cast<Laborage*>(window->page(frmMain::TabLaborage));
    // The check before writing runs in every write; its report (the generated
    // numbers carry no card check digit) is answered with "go on".
    page->setCheckReportOpener([](const CheckReportRequest&) { return true; });
    ListGrid* grid = page->grid();

    std::vector<Timing> refresh;
    for (int i = 0; i < 5; ++i)
        refresh.push_back(measure([&] { window->resetLaborageIn(); }));
    if (grid->rows() != n + 1) {
        std::fprintf(stderr, "the list shows %d rows\n", grid->rows() - 1);
        return 1;
    }
    report("resetLaborageIn", refresh);

    std::vector<Timing> writes;
    for (int i = 0; i < 5; ++i) {
        prompt.savePath = dir.filePath(u"payroll%1.csv"_s.arg(i));
        prompt.messages.clear();
        writes.push_back(measure([&] { page->menuWriteLaborageFile_Click(); }));
        if (!expect(prompt, u"代发工资*.csv文件生成完毕"_s, "CSV upload file"))
            return 1;
    }
    QByteArray size = " (" + QByteArray::number(QFileInfo(prompt.savePath).size()) + " bytes)";
    report("CSV upload file", writes, size.constData());

    prompt.messages.clear();
    grid->selectRows(1, grid->rows() - 1, 1);
    const Timing del = measure([&] { page->Laborage_cmdDeleteBut_Click(); });
    if (!expect(prompt, u"删除账号成功."_s, "range delete"))
        return 1;
    report("range delete of all rows", { del }, " (with the refresh after it)");

    // The largest workbook: 65,535 rows.
    ctx.db().Delete(u"delete from person_payee_acc"_s);
    fill(ctx.db(), 65535, u"一组"_s, false);
    window->resetLaborageIn();
    std::vector<Timing> books;
    for (int i = 0; i < 3; ++i) {
        prompt.savePath = dir.filePath(u"payroll%1.xls"_s.arg(i));
        prompt.messages.clear();
        books.push_back(measure([&] { page->menuWriteLaborageFile_Click(); }));
        if (!expect(prompt, u"代发工资*.xls文件生成完毕"_s, "workbook upload file"))
            return 1;
    }
    size = " (65535 rows, " + QByteArray::number(QFileInfo(prompt.savePath).size()) + " bytes)";
    report("workbook upload file", books, size.constData());

    // A group batch of 10,000 members into an empty payroll.
    ctx.db().Delete(u"delete from laborage"_s);
    ctx.db().Delete(u"delete from person_payee_acc"_s);
    fill(ctx.db(), 10000, u"大组"_s, true);
    window->resetLaborageIn();
    prompt.messages.clear();
    Timing batch;
    {
        frmBatchLaborage form(ctx, window.get());
        batch = measure([&] { form.Command1_Click(); });
    }
    if (!expect(prompt, u"批量新增指令成功，请逐笔维护工资金额。"_s, "group batch") || grid->rows() != 10001)
        return 1;
    report("group batch of 10000", { batch }, " (with the refresh after it)");

    std::printf("%-28s %.1f MB\n", "peak memory", static_cast<double>(peakMemoryKb()) / 1024.0);
    window.reset();
    return 0;
}
