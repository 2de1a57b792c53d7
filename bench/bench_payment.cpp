// Batch payment list with a large batch: how long the list refresh, the upload
// file and the deletion of every row take, and the peak memory of the process.
//
//   bench_payment [N]      (N instructions, default 100000)
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
    if (!measured)
        return 1;
    if (bench::rowCount(ctx.db(), u"payment"_s) != 0) {
        std::fprintf(stderr, "range delete failed: rows left\n");
        return 1;
    }
    bench::reportPeakMemory();
    return 0;
}
