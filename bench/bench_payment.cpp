// Batch payment list with a large batch: how long the list refresh, the upload
// file and the deletion of every row take, and the peak memory of the process.
//
//   bench_payment [N]      (N instructions, default 100000)
//   bench_payment --keep DIR [N]
//                          (also leaves the filled store and the first upload
//                           file written in DIR as batch-store.mdb and
//                           batch-upload.csv)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "KeepFiles.h"
#include "payment/PaymentB2B.h"

#include <QApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

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
    AppContext& ctx = *program.ctx;

    QElapsedTimer t;
    t.start();
    bench::fillPayments(ctx.db(), n);
    std::printf("%-28s %d\n", "instructions", n);
    std::printf("%-28s %.3f s\n", "fill (one transaction)", bench::seconds(t));
    if (!kept.keep(program.dir.filePath(u"userdb.mdb"_s), u"batch-store.mdb"_s))
        return 1;

    if (!program.start())
        return 1;
    frmMain& window = *program.window;
    auto* page = static_cast<PaymentB2B*>(window.page(frmMain::TabPaymentB2B));
    bench::goOnAfterChecks(*page);
    const bool measured = bench::measureInstructionList(program, *page->grid(), n,
        { .refreshName = "resetPaymentB2B",
            .refresh = [&] { window.resetPaymentB2B(); },
            .writeName = "upload file",
            .fileStem = u"batch"_s,
            .write = [&] { page->menuWriteB2BFile_Click(); },
            .written = { u"批量支付文件*.csv生成完毕"_s },
            .writeFailure = "upload file not written",
            .rangeDelete = [&] { page->cmdDeleteBut_Click(); },
            .deleted = { u"删除批量支付文件成功."_s } });
    if (!measured || !kept.keep(program.dir.filePath(u"batch0.csv"_s), u"batch-upload.csv"_s))
        return 1;
    if (bench::rowCount(ctx.db(), u"payment"_s) != 0) {
        std::fprintf(stderr, "range delete failed: rows left\n");
        return 1;
    }
    bench::reportPeakMemory();
    return 0;
}
