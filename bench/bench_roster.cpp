// Roster imports with large files: how long importing N roster entries takes
// from CSV, XML and an .xls workbook, first into an empty roster and then over
// the same entries (every record replaces one), through the tab as the user
// runs it (question, import, messages, list reload for CSV and XML, busy window
// for the workbook); then a workbook of 65,535 rows; and the peak memory.
//
//   bench_roster [N]      (N entries, default 10000)
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "common/TextFile.h"
#include "common/Workbook.h"
#include "domain/masterdata/EmployeeListFile.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>

using namespace Qt::StringLiterals;
using bench::peakMemoryKb;

namespace {

QList<EmployeeListFile::Entry> entries(int n)
{
    QList<EmployeeListFile::Entry> list;
    list.reserve(n);
    for (int i = 0; i < n; ++i) {
        EmployeeListFile::Entry e;
        e.group = u"第%1组"_s.arg(i / 500);
        e.accNo = u"6222%1"_s.arg(i, 15, 10, QChar(u'0'));
        e.accName = u"员工 & 姓名 %1"_s.arg(i);
        e.employeeNo = u"E%1"_s.arg(i, 7, 10, QChar(u'0'));
        e.accType = u"0"_s;
        e.certDesc = u"居民身份证"_s;
        e.certCode = u"11010119900307%1"_s.arg(i, 4, 10, QChar(u'0'));
        list << e;
    }
    return list;
}

QList<QStringList> sheetRows(const QList<EmployeeListFile::Entry>& list)
{
    QList<QStringList> rows;
    rows.reserve(list.size());
    for (const auto& e : list)
        rows << QStringList { e.group, e.accNo, e.accName, e.employeeNo };
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const int n = bench::countArgument(argc, argv, 1, 10000);
    constexpr int kLongSheet = 65535;

    bench::Program program;
    if (!program.createStore() || !program.start())
        return 1;
    bench::SilentPrompt& prompt = program.prompt;
    const QTemporaryDir& dir = program.dir;
    frmMain* window = program.window.get();
    DBAccess& db = program.ctx->db();

    const auto list = entries(n);
    const QString csv = dir.filePath(u"roster.csv"_s);
    const QString xml = dir.filePath(u"roster.xml"_s);
    const QString xls = dir.filePath(u"roster.xls"_s);
    const QString longXls = dir.filePath(u"long.xls"_s);
    for (const QString& failure : { EmployeeListFile::exportCsv(csv, QString::number(n), QString(), list).message(),
             EmployeeListFile::exportXml(xml, list).message(), writeWorkbook(xls, sheetRows(list)).message(),
             writeWorkbook(longXls, sheetRows(entries(kLongSheet))).message() }) {
        if (!failure.isEmpty()) {
            std::fprintf(stderr, "cannot write the files: %s\n", qPrintable(failure));
            return 1;
        }
    }

    window->SSTabMain()->setCurrentIndex(frmMain::TabEmployeeList);
    auto* button = window->findChild<QPushButton*>(u"employeeList_cmdImport"_s);
    std::printf("bench_roster: %d entries (targets: at most 0.5 s each, 0.15 s replacing every entry;"
                " 65,535-row workbook at most 2 s)\n",
        n);
    bool ok = true;
    auto timed = [&](const char* what, const QString& file, int expected, const QStringList& messages) {
        prompt.openPath = file;
        prompt.messages.clear();
        const double s = bench::measure([&] { button->click(); }).wall;
        const bool passed = prompt.messages == messages && bench::rowCount(db, u"person_payee_acc"_s) == expected;
        bench::reportChecked(48, what, s, passed);
        if (!passed)
            std::printf("    %s\n", qPrintable(prompt.messages.join(u" | "_s)));
        ok &= passed;
    };
    const QStringList listDone { u"导入收款人名册完毕"_s };
    const QStringList sheetDone { u"共导入%1条记录"_s.arg(n), u"导入数据成功"_s };
    const struct {
        const char* format;
        QString file;
        QStringList messages;
    } runs[] = { { "CSV", csv, listDone }, { "XML", xml, listDone }, { ".xls", xls, sheetDone } };
    for (const auto& run : runs) {
        db.Delete(u"delete from person_payee_acc"_s);
        timed(qPrintable(QString::fromLatin1(run.format) + u", into an empty roster"_s), run.file, n, run.messages);
        timed(qPrintable(QString::fromLatin1(run.format) + u", replacing every entry"_s), run.file, n, run.messages);
    }
    db.Delete(u"delete from person_payee_acc"_s);
    if (n >= 1000)
        timed(".xls of 65,535 rows, into an empty roster", longXls, kLongSheet,
            { u"共导入%1条记录"_s.arg(kLongSheet), u"导入数据成功"_s });

    std::printf("  peak memory %ld KiB\n", peakMemoryKb());
    std::fflush(stdout);
    return ok ? 0 : 1;
}
