// Batch payment import and entry dialog with large inputs: how long importing
// an upload file of N instructions takes (reading, checking, the one
// transaction and the list refresh), the peak memory, and how long the entry
// dialog takes to open with P payees of one kind.
//
//   bench_paymentimport [N] [P]      (default 100000 instructions, 10000 payees)
//   bench_paymentimport --keep DIR [N] [P]
//                                    (also leaves the upload file it imports in
//                                     DIR as batch-import.csv)
//
// Runs offscreen; the dialog is shown on the offscreen platform only.

#include "BenchSupport.h"
#include "KeepFiles.h"
#include "common/GbkCodec.h"
#include "common/Money.h"
#include "domain/payment/PaymentImport.h"
#include "payment/PaymentB2B.h"
#include "payment/frmPaymentB2B.h"

#include <QApplication>
#include <QComboBox>

using namespace Qt::StringLiterals;
using bench::measure;
using bench::report;
using bench::Timing;

namespace {
// An upload file as the tab writes it: header, then one line per instruction.
QByteArray uploadFile(int n)
{
    QString lines;
    lines.reserve(n * 96);
    Money total;
    for (int i = 1; i <= n; ++i) {
        const bool otherBank = i % 3 == 0;
        const QString amount = u"%1.%2"_s.arg(1 + (qint64(i) * 7919) % 250000).arg(i % 100, 2, 10, QChar(u'0'));
        total += *Money::parse(amount);
        lines += u"%1,#6228480012345678,某某贸易有限公司,%2,#62170000%3,收款人%4,%5,#%6,货款第%7期\r\n"_s.arg(i)
                     .arg(QChar(otherBank ? u'1' : u'0'))
                     .arg(i, 11, 10, QChar(u'0'))
                     .arg(i)
                     .arg(otherBank ? u"#313100000013"_s : QString())
                     .arg(amount)
                     .arg(i % 12 + 1);
    }
    return GbkCodec::encode(u"%1,%2\r\n"_s.arg(n).arg(total.toPlainText()) + lines).value();
}

void fillPayees(DBAccess& db, int n)
{
    db.BeginTrans();
    for (int i = 1; i <= n; ++i)
        db.Insert(
            u"insert into payee_acc (acc_no,acc_name,acc_type,branch_id,area_no,net_no) values (?,?,'0','0101','','')"_s,
            { u"6222%1"_s.arg(i, 12, 10, QChar(u'0')), u"收款人%1"_s.arg(i) });
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
    const int payees = bench::countArgument(argc, argv, 2, 10000);

    bench::Program program;
    if (!program.createStore() || !program.start())
        return 1;
    bench::SilentPrompt& prompt = program.prompt;
    AppContext& ctx = *program.ctx;
    frmMain* window = program.window.get();
    auto* page = static_cast<PaymentB2B*>(window->page(frmMain::TabPaymentB2B));

    prompt.openPath = program.dir.filePath(u"batch.csv"_s);
    if (!bench::writeFile(prompt.openPath, uploadFile(n)) || !kept.keep(prompt.openPath, u"batch-import.csv"_s))
        return 1;
    std::printf("%-32s %d\n", "instructions", n);

    const std::vector<Timing> imports = bench::commandRuns(
        prompt, 3, { u"导入批量付款文件完毕"_s }, "import failed", [](int) {},
        [&] { page->cmdLoadB2BFileBut_Click(); });
    if (imports.empty() || !bench::listShows(*page->grid(), n))
        return 1;
    report("import with list refresh", imports);

    // Its parts: reading and checking the file, and the list refresh alone.
    QFile file(prompt.openPath);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    report("  of which reading the file", bench::measureRuns(3, [&] {
        if (PaymentImport::readCsv(bytes).records.size() != size_t(n))
            std::abort();
    }));
    report("  of which the list refresh", bench::measureRuns(3, [&] { window->resetPaymentB2B(); }));
    bench::reportPeakMemory(32);

    fillPayees(ctx.db(), payees);
    std::printf("%-32s %d\n", "payees of one kind", payees);
    std::vector<Timing> opens;
    for (int i = 0; i < 5; ++i) {
        std::unique_ptr<frmPaymentB2B> dialog;
        opens.push_back(measure([&] {
            dialog = std::make_unique<frmPaymentB2B>(ctx, window);
            dialog->show();
            QApplication::processEvents();
        }));
        auto* payeeNumbers = dialog->findChild<QComboBox*>(u"comboRecAccNo"_s);
        if (!payeeNumbers || payeeNumbers->count() != payees)
            return 1;
    }
    report("entry dialog opens", opens);
    return 0;
}
