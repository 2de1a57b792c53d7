// Batch payment list with a large batch: how long the list refresh, the upload
// file and the deletion of every row take, and the peak memory of the process.
//
//   bench_payment [N]      (N instructions, default 100000)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "app/AppContext.h"
#include "app/ListGrid.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/Prompt.h"
#include "payment/PaymentB2B.h"
#include "store/DBAccess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using bench::measure;
using bench::peakMemoryKb;
using bench::report;
using bench::seconds;
using bench::SilentPrompt;
using bench::Timing;

namespace {

void fill(DBAccess& db, int n)
{
    static const QString names[]
        = { u"张三"_s, u"李四"_s, u"王五"_s, u"赵六"_s, u"钱七"_s, u"孙八"_s, u"周九"_s, u"吴十"_s };
    static const QString remarks[] = { u"货款"_s, u"工资"_s, u"差旅费"_s, u"服务费"_s, u"往来款"_s };
    const QString sql
        = u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,rec_acc_name,"
          u"rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark) values (?,?,?,?,?,?,?,?,?,?,?,'')"_s;
    db.BeginTrans();
    for (int i = 1; i <= n; ++i) {
        const bool otherBank = i % 3 == 0;
        const QString amount = u"%1.%2"_s.arg(1 + (i * 7919) % 250000).arg(i % 100, 2, 10, QChar(u'0'));
        db.Insert(sql,
            { u"20240101120000%1"_s.arg(i, 8, 10, QChar(u'0')), u"6228480012345678"_s, u"某某贸易有限公司"_s,
                otherBank ? u"1"_s : u"0"_s, u"62170000%1"_s.arg(i, 11, 10, QChar(u'0')),
                names[i % 8] + QString::number(i), otherBank ? QString() : u"0101"_s, otherBank ? u"020"_s : QString(),
                otherBank ? u"313100000013"_s : QString(), amount,
                remarks[i % 5] + u"第"_s + QString::number(i % 12 + 1) + u"期"_s });
    }
    db.Commit();
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

    QElapsedTimer t;
    t.start();
    fill(ctx.db(), n);
    std::printf("%-28s %d\n", "instructions", n);
    std::printf("%-28s %.3f s\n", "fill (one transaction)", seconds(t));

    std::unique_ptr<frmMain> window;
    if (startProgram(ctx, window) != 0)
        return 1;
    auto* page = static_cast<PaymentB2B*>(window->page(frmMain::TabPaymentB2B));
    // The check before writing runs in every write; its report (the generated
    // numbers carry no card check digit) is answered with "go on".
    page->setCheckReportOpener([](const CheckReportRequest&) { return true; });
    ListGrid* grid = page->grid();

    std::vector<Timing> refresh;
    for (int i = 0; i < 5; ++i)
        refresh.push_back(measure([&] { window->resetPaymentB2B(); }));
    if (grid->rows() != n + 1) {
        std::fprintf(stderr, "the list shows %d rows\n", grid->rows() - 1);
        return 1;
    }
    report("resetPaymentB2B", refresh);

    std::vector<Timing> writes;
    for (int i = 0; i < 5; ++i) {
        prompt.savePath = dir.filePath(u"batch%1.csv"_s.arg(i));
        prompt.messages.clear();
        writes.push_back(measure([&] { page->menuWriteB2BFile_Click(); }));
        if (prompt.messages != QStringList { u"批量支付文件*.csv生成完毕"_s }) {
            std::fprintf(stderr, "upload file not written: %s\n", qPrintable(prompt.messages.join(u" / "_s)));
            return 1;
        }
    }
    const QByteArray size = " (" + QByteArray::number(QFileInfo(prompt.savePath).size()) + " bytes)";
    report("upload file", writes, size.constData());

    prompt.messages.clear();
    grid->selectRows(1, grid->rows() - 1, 1);
    const Timing del = measure([&] { page->cmdDeleteBut_Click(); });
    auto left = ctx.db().Query(u"select count(*) as n from payment"_s);
    if (!left || left->value(0, 0).toLongLong() != 0 || prompt.messages != QStringList { u"删除批量支付文件成功."_s }) {
        std::fprintf(stderr, "range delete failed: %s\n", qPrintable(prompt.messages.join(u" / "_s)));
        return 1;
    }
    report("range delete of all rows", { del }, " (with the refresh after it)");
    std::printf("%-28s %.1f MB\n", "peak memory", static_cast<double>(peakMemoryKb()) / 1024.0);

    window.reset();
    return 0;
}
