// Speed of the .xls workbook writer and reader on the largest sheet the format
// holds: 65,535 rows of 5 text columns, as a payroll upload file or import would.
// Targets: writing within 0.5 s, reading every cell back within 0.2 s.
//   bench_workbook [RUNS] [DIRECTORY]

#include "BenchSupport.h"
#include "common/Workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QList<QStringList> payrollSheet()
{
    const QStringList names { u"张伟"_s, u"王芳"_s, u"李娜"_s, u"陈𫖮"_s, u"买买提·艾力"_s, u"O'Brien, \"Jr\""_s };
    QList<QStringList> rows;
    rows.reserve(65535);
    for (int i = 0; i < 65535; ++i)
        rows.append({ QString::number(i + 1), u"%1"_s.arg(i, 6, 10, QChar(u'0')),
            names[i % names.size()] + QString::number(i), QString::number(6222020200000000000LL + i),
            u"%1.%2"_s.arg(1000 + i % 90000).arg(i % 100, 2, 10, QChar(u'0')) });
    return rows;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir tmp;
    const QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : tmp.path();
    const QString path = QDir(dir).filePath(u"bench_workbook.xls"_s);

    const QList<QStringList> rows = payrollSheet();
    std::vector<double> writeMs, openMs, readMs;
    qint64 cells = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (const Result<> written = writeWorkbook(path, rows); !written) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(written.message()));
            return 1;
        }
        writeMs.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        const Result<WorkbookReader> opened = WorkbookReader::read(path);
        if (!opened) {
            std::fprintf(stderr, "read failed: %s\n", qPrintable(opened.message()));
            return 1;
        }
        const WorkbookReader& reader = opened.value();
        openMs.push_back(timer.nsecsElapsed() / 1e6);
        cells = 0;
        for (int r = 1; r <= reader.lastRow(); ++r)
            for (int c = 1; c <= reader.lastColumn(); ++c) {
                const WorkbookCell cell = reader.cell(r, c);
                if (cell.text != rows[r - 1][c - 1]) {
                    std::fprintf(stderr, "cell R%dC%d differs\n", r, c);
                    return 1;
                }
                ++cells;
            }
        readMs.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::printf("workbook: %lld rows x 5 columns, %lld cells, file %lld bytes, %d runs\n",
        static_cast<long long>(rows.size()), static_cast<long long>(cells),
        static_cast<long long>(QFileInfo(path).size()), runs);
    std::printf("write               median %7.1f ms  best %7.1f ms  (target <= 500 ms)\n", median(writeMs),
        *std::min_element(writeMs.begin(), writeMs.end()));
    std::printf("open (parse)        median %7.1f ms  best %7.1f ms\n", median(openMs),
        *std::min_element(openMs.begin(), openMs.end()));
    std::printf("open + every cell   median %7.1f ms  best %7.1f ms  (target <= 200 ms)\n", median(readMs),
        *std::min_element(readMs.begin(), readMs.end()));
    std::printf("peak resident memory %ld KB\n", bench::peakMemoryKb());
    return median(writeMs) <= 500 && median(readMs) <= 200 ? 0 : 2;
}
