// The batch payment list with a large batch: the list refresh, one keystroke
// in the find box, a sort by a header, and the peak memory of the process.
//
//   bench_lists [N]      (N instructions, default 100000; try 1000000 for the
//                         opening of a very large batch)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "payment/PaymentB2B.h"

#include <QApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void fill(DBAccess& db, int n)
{
    static const QString remarks[] = { u"货款"_s, u"工资"_s, u"差旅费"_s, u"服务费"_s, u"往来款"_s };
    const QString sql
        = u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
          u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,?,?,?,?,?,'')"_s;
    db.BeginTrans();
    for (int i = 1; i <= n; ++i) {
        const bool otherBank = i % 3 == 0;
        db.Insert(sql,
            { u"20240101120000%1"_s.arg(i, 8, 10, QChar(u'0')), u"6228480012345678"_s, u"某某贸易有限公司"_s,
                otherBank ? u"1"_s : u"0"_s, u"62170000%1"_s.arg(i, 11, 10, QChar(u'0')), bench::personName(i),
                otherBank ? QString() : u"0101"_s, otherBank ? u"020"_s : QString(),
                otherBank ? u"313100000013"_s : QString(), bench::amount(i, 250000),
                remarks[i % 5] + u"第"_s + QString::number(i % 12 + 1) + u"期"_s });
    }
    db.Commit();
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const int n = bench::countArgument(argc, argv, 1, 100000);

    bench::Program program;
    if (!program.createStore())
        return 1;
    AppContext& ctx = *program.ctx;
    QElapsedTimer t;
    t.start();
    fill(ctx.db(), n);
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

    // Find: the first keystroke builds the search text, the next ones reuse it.
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
    return 0;
}
