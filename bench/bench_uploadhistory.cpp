// Upload history with a long history: what recording a written upload file
// adds to writing it (the batch the builder keeps for the history, the
// SHA-256 of the bytes, and the row with its commit), and how long the check
// before writing takes to compare a batch with every instruction recorded in
// the window.
//
//   bench_uploadhistory [N] [FILES]   (N instructions a file, default 100000;
//                                      FILES files recorded, default 10)
//
// Every file is recorded within the window, so the check compares the batch
// with N x FILES recorded instructions.

#include "BenchSupport.h"
#include "common/Sha256.h"
#include "domain/UploadHistory.h"
#include "domain/payment/PaymentUploadFile.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Instruction i of file `file`: every file pays other accounts, so only the
// accounts the batch takes over from a file are found again.
PaymentUploadFile::Instruction instruction(int file, int i)
{
    return { u"6228480012345678"_s, u"某某贸易有限公司"_s, i % 3 == 0 ? u"1"_s : u"0"_s,
        u"62170%1%2"_s.arg(file, 3, 10, QChar(u'0')).arg(i, 11, 10, QChar(u'0')), bench::personName(i),
        i % 3 == 0 ? u"313100000013"_s : QString(), bench::amount(i, 250000), u"货款第%1期"_s.arg(i % 12 + 1) };
}

Money totalOf(const std::vector<PaymentUploadFile::Instruction>& rows)
{
    Money total;
    for (const auto& r : rows)
        total += *Money::parse(r.payAmt);
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = bench::countArgument(argc, argv, 1, 100000);
    const int files = bench::countArgument(argc, argv, 2, 10);

    QTemporaryDir dir;
    if (!bench::createStore(dir))
        return 1;
    bench::SilentPrompt prompt;
    AppContext ctx(prompt, dir.path() + u'/');
    const QDateTime now = QDateTime::currentDateTime();

    std::printf("%-34s %d x %d\n", "recorded files x instructions", files, n);
    // Per file: the lines built and the file written without the history,
    // then the same with the history's batch and SHA-256, and the record.
    std::vector<bench::Timing> plainWrites;
    std::vector<bench::Timing> writes;
    std::vector<bench::Timing> records;
    for (int f = 0; f < files; ++f) {
        std::vector<PaymentUploadFile::Instruction> rows;
        rows.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            rows.push_back(instruction(f, i));
        const Money total = totalOf(rows);
        const QString path = dir.filePath(u"batch%1.csv"_s.arg(f));
        UploadHistory::Batch batch;
        bool ok = true;
        const auto write = [&](UploadHistory::Batch* recorded) {
            PaymentUploadFile::Builder builder(qint64(n), total);
            for (const auto& r : rows)
                builder.add(r);
            ok = builder.write(path, recorded).ok();
        };
        plainWrites.push_back(bench::measure([&] { write(nullptr); }));
        writes.push_back(bench::measure([&] { write(&batch); }));
        QFile written(path);
        if (!ok || !written.open(QIODevice::ReadOnly) || Sha256::hex(written.readAll()) != batch.sha256()
            || batch.size() != n) {
            std::fprintf(stderr, "file %d not written, or not as its batch says\n", f);
            return 1;
        }
        Result<qint64> recorded = Failure {};
        records.push_back(bench::measure([&] {
            recorded = UploadHistory::record(
                ctx.db(), UploadHistory::Kind::PaymentCsv, path, batch, now.addSecs(-3600 * (files - f)));
        }));
        if (!recorded) {
            std::fprintf(stderr, "file %d not recorded: %s\n", f, qPrintable(recorded.message()));
            return 1;
        }
    }
    const auto median = [](std::vector<bench::Timing>& timings) {
        std::sort(timings.begin(), timings.end());
        return timings[timings.size() / 2];
    };
    const bench::Timing plain = median(plainWrites);
    const bench::Timing write = median(writes);
    const bench::Timing record = median(records);
    std::printf("%-34s %.3f s (cpu %.3f s), median of %zu\n", "write upload file, no history", plain.wall, plain.cpu,
        plainWrites.size());
    std::printf("%-34s %.3f s (cpu %.3f s)\n", "write it with the history's batch", write.wall, write.cpu);
    std::printf("%-34s %.3f s (cpu %.3f s)\n", "record it (one row, commit)", record.wall, record.cpu);
    // Everything the history costs, against the write without it.
    std::printf("%-34s %.0f %% (cpu %.0f %%)   target <= 20 %%\n", "recording adds",
        100.0 * (write.wall + record.wall - plain.wall) / plain.wall,
        100.0 * (write.cpu + record.cpu - plain.cpu) / plain.cpu);

    // The batch about to be written: new accounts, and 1,000 instructions
    // that a recorded file holds already.
    const auto check = [&](bool sameSet) {
        UploadHistory::DuplicateCheck duplicates(n);
        for (int i = 0; i < n; ++i) {
            const auto r = sameSet ? instruction(files - 1, i) : instruction(i % 100 == 0 ? i % files : 999, i);
            duplicates.add(i + 1, r.recAccNo, r.payAmt);
        }
        UploadHistoryTable table(ctx.db());
        return duplicates.findings(table, UploadHistory::windowStart(now, 31), u"收款账号"_s);
    };
    std::vector<bench::Timing> checks;
    size_t warned = 0;
    for (int run = 0; run < 3; ++run)
        checks.push_back(bench::measure([&] { warned = check(false).value_or({}).size(); }));
    std::sort(checks.begin(), checks.end());
    std::printf("%-34s %.3f s (cpu %.3f s), best of 3; %zu warnings   target <= 0.3 s\n",
        "duplicate check, single matches", checks.front().wall, checks.front().cpu, warned);
    std::vector<bench::Timing> whole;
    for (int run = 0; run < 3; ++run)
        whole.push_back(bench::measure([&] { warned = check(true).value_or({}).size(); }));
    std::sort(whole.begin(), whole.end());
    std::printf("%-34s %.3f s (cpu %.3f s), best of 3; %zu warnings\n", "duplicate check, same whole batch",
        whole.front().wall, whole.front().cpu, warned);
    std::printf("%-34s %.1f MB\n", "store size", QFileInfo(ctx.db().dbPath()).size() / 1048576.0);
    bench::reportPeakMemory(34);
    return 0;
}
