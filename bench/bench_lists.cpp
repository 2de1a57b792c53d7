// The batch payment list with a large batch: the list refresh, one keystroke
// in the find box, a sort by a header, and the peak memory of the process;
// then a payroll of the same size and a paste of 10,000 amounts from a
// spreadsheet into it (two columns, then one column), with its undo.
//
//   bench_lists [N] [P]  (N instructions, default 100000; try 1000000 for the
//                         opening of a very large batch; P pasted amounts,
//                         default 10000, at most N)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "payment/PaymentB2B.h"
#include "payroll/Laborage.h"

#include <QApplication>
#include <QClipboard>
#include <QStatusBar>
#include <QTabWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// n roster entries with one payroll instruction each.
void fillPayroll(DBAccess& db, int n)
{
    db.BeginTrans();
    for (int i = 1; i <= n; ++i) {
        const QString acc = u"62170000%1"_s.arg(i, 11, 10, QChar(u'0'));
        db.Insert(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) "
                  u"values (?,'一组',?,?,?,'0','')"_s,
            { i, acc, bench::personName(i), u"E%1"_s.arg(i, 6, 10, QChar(u'0')) });
        db.Insert(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) "
                  u"values (?,?,?,'0','','')"_s,
            { i, acc, bench::amount(i) });
    }
    db.Commit();
}

// The fen of every stored payroll amount, summed: shows that a paste and its
// undo changed the store.
qint64 payrollFen(DBAccess& db)
{
    const auto rs = db.Query(u"select sum(cast(round(pay_amount*100) as integer)) from laborage"_s);
    return rs && !rs->isEmpty() ? rs->value(0, 0).toLongLong() : -1;
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const int n = bench::countArgument(argc, argv, 1, 100000);
    const int pasted = std::min({ n, 100000, bench::countArgument(argc, argv, 2, 10000) });

    bench::Program program;
    if (!program.createStore())
        return 1;
    AppContext& ctx = *program.ctx;
    QElapsedTimer t;
    t.start();
    bench::fillPayments(ctx.db(), n);
    std::printf("%-28s %d\n", "instructions", n);
    std::printf("%-28s %.3f s\n", "fill (one transaction)", bench::seconds(t));

    // Opening the tab: the program starts on the batch payment tab and lists it.
    const long before = bench::peakMemoryKb();
    const bench::Timing open = bench::measure([&] { program.start(); });
    if (!program.window)
        return 1;
    frmMain& window = *program.window;
    auto* page = static_cast<PaymentB2B*>(window.page(frmMain::TabPaymentB2B));
    ListGrid& grid = *page->grid();
    if (!bench::listShows(grid, n))
        return 1;
    bench::report("start with the list open", { open });
    std::printf("%-28s %.1f MB (before: %.1f MB)\n", "peak memory after opening",
        static_cast<double>(bench::peakMemoryKb()) / 1024.0, static_cast<double>(before) / 1024.0);

    bench::report("list refresh", bench::measureRuns(5, [&] { window.resetPaymentB2B(); }));

    // Find: the find box taking the focus (Ctrl+F) builds the search text;
    // every keystroke then filters with it.
    bench::report("find box focused (prepare)", { bench::measure([&] { grid.prepareFind(); }) });
    const QString typed = u"张三1"_s;
    std::vector<bench::Timing> keys;
    for (int i = 1; i <= typed.size(); ++i)
        keys.push_back(bench::measure([&] { grid.setFindText(typed.left(i)); }));
    bench::report("find, first keystroke", { keys.front() });
    bench::report("find, next keystrokes", { keys.begin() + 1, keys.end() });
    std::printf("%-28s %d rows\n", "  shown", grid.rows() - 1);
    bench::report("find, emptied", { bench::measure([&] { grid.setFindText(QString()); }) });
    if (!bench::listShows(grid, n))
        return 1;

    bench::report("sort by amount",
        bench::measureRuns(3,
            [&] {
                grid.sortByHeader(PaymentB2B::ColumnAmount);
                grid.sortByHeader(-1);
            }),
        " (sort and back to stored order)");
    bench::report("sort by payee name",
        bench::measureRuns(3,
            [&] {
                grid.sortByHeader(PaymentB2B::ColumnAmount - 2);
                grid.sortByHeader(-1);
            }),
        " (sort and back to stored order)");
    bench::reportPeakMemory();

    // The payroll: a paste of `pasted` amounts, from the spreadsheet's
    // clipboard text to the stored amounts and the refreshed list (the preview
    // is answered at once).
    const int employees = std::min(n, 100000);
    window.SSTabMain()->setCurrentIndex(frmMain::TabLaborage);
    fillPayroll(ctx.db(), employees);
    auto* payroll = static_cast<Laborage*>(window.page(frmMain::TabLaborage));
    ListGrid& payrollGrid = *payroll->grid();
    window.resetLaborageIn();
    if (!bench::listShows(payrollGrid, employees))
        return 1;
    int previewRows = 0;
    payroll->setPastePreviewOpener([&](const PastePreviewRequest& request) {
        previewRows = int(request.rows.size());
        return true;
    });
    QString twoColumns;
    QString oneColumn;
    const int stride = std::max(1, employees / pasted);
    for (int i = 1; i <= pasted; ++i) {
        // Employees spread over the whole payroll.
        const int employee = 1 + (i - 1) * stride;
        twoColumns += u"62170000%1\t%2\r\n"_s.arg(employee, 11, 10, QChar(u'0')).arg(bench::amount(i + 7, 2'000'000));
        oneColumn += bench::amount(i + 11) + u"\r\n"_s;
    }
    const qint64 fenBefore = payrollFen(ctx.db());
    QGuiApplication::clipboard()->setText(twoColumns);
    const bench::Timing pasteByAccount = bench::measure([&] { payroll->pasteAmounts(); });
    bench::report("paste account, amount", { pasteByAccount },
        qPrintable(u" (%1 lines, %2 changed)"_s.arg(pasted).arg(previewRows)));
    const qint64 afterPaste = payrollFen(ctx.db());
    bench::report("undo of the paste", { bench::measure([&] { payroll->undoPaste(); }) });
    if (afterPaste == fenBefore || payrollFen(ctx.db()) != fenBefore) {
        std::fprintf(stderr, "the paste or its undo did not change the amounts: %s\n",
            qPrintable(window.statusBar()->currentMessage()));
        return 1;
    }
    QGuiApplication::clipboard()->setText(oneColumn);
    payrollGrid.selectRows(1, 1, Laborage::ColumnAccName);
    const bench::Timing pasteOneColumn = bench::measure([&] { payroll->pasteAmounts(); });
    bench::report(
        "paste one column", { pasteOneColumn }, qPrintable(u" (%1 lines, %2 changed)"_s.arg(pasted).arg(previewRows)));
    if (payrollFen(ctx.db()) == fenBefore) {
        std::fprintf(stderr, "the one-column paste did not change the amounts\n");
        return 1;
    }
    bench::reportPeakMemory();
    return 0;
}
