// Speed and memory of the .xlsx reader on payroll-shaped sheets (account and name
// as shared-string texts, amount as a number): 65,535 rows, the most an .xls holds,
// and 1,048,576 rows, the most an .xlsx holds. Each sheet is read through
// openSheet in a process of its own, so that its peak memory is the reader's
// alone; python3-openpyxl's read-only mode reads the same file as the anchor.
// Targets: 65,535 rows well under 1 s; 1,048,576 rows below 300 MB peak.
//   bench_xlsx [ROWS...]          (default: 65535 1048576)
//   bench_xlsx --read FILE ROWS   (one reading run; prints its figures)

#include "BenchSupport.h"
#include "common/SheetRows.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <zip.h>

#include <cstdio>
#include <string>

using namespace Qt::StringLiterals;

namespace {

std::string xmlEscaped(const QString& text)
{
    std::string out;
    for (char c : text.toStdString()) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

std::string accountOf(int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "62220202%011d", i);
    return buffer;
}

// An amount with two decimals, different for every `i` (computed in 64 bits:
// the products overflow an int on a million rows).
std::string amountOf(int i)
{
    const long long cents = 100 + (static_cast<long long>(i) * 7919) % 2500000;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld.%02lld", cents / 100, cents % 100);
    return buffer;
}

// The text the reader gives for amountOf(i): without trailing zeros.
QString amountText(int i)
{
    QString text = QString::fromStdString(amountOf(i));
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

// Writes a workbook of `rows` rows as a spreadsheet program would: texts in the
// shared string table, numbers in the cells.
bool writePayrollXlsx(const QString& path, int rows)
{
    const char* main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const char* rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string sheet
        = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"") + main
        + "\" xmlns:r=\"" + rel + "\"><dimension ref=\"A1:C" + std::to_string(rows) + "\"/><sheetData>";
    std::string strings;
    sheet.reserve(std::size_t(rows) * 130);
    strings.reserve(std::size_t(rows) * 2 * 34);
    int count = 0;
    const auto addString = [&](const std::string& text) {
        strings += "<si><t>" + text + "</t></si>";
        return count++;
    };
    for (int r = 1; r <= rows; ++r) {
        const std::string n = std::to_string(r);
        std::string account, name, amount;
        if (r == 1) {
            account = "账号";
            name = "户名";
        } else {
            account = accountOf(r);
            name = xmlEscaped(bench::personName(r));
            amount = amountOf(r);
        }
        sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>" + std::to_string(addString(account))
            + "</v></c><c r=\"B" + n + "\" t=\"s\"><v>" + std::to_string(addString(name)) + "</v></c>";
        if (r == 1)
            sheet += "<c r=\"C1\" t=\"s\"><v>" + std::to_string(addString("金额")) + "</v></c>";
        else
            sheet += "<c r=\"C" + n + "\"><v>" + amount + "</v></c>";
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    strings = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"") + main
        + "\" count=\"" + std::to_string(count) + "\" uniqueCount=\"" + std::to_string(count) + "\">" + strings
        + "</sst>";
    const std::string types
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
          "Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Override "
          "PartName=\"/xl/workbook.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/><Override "
          "PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/><Override "
          "PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/></Types>";
    const std::string relsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string rootRels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"" + relsNs
        + "\"><Relationship Id=\"rId1\" Type=\"" + rel
        + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    const std::string workbook = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"") + main
        + "\" xmlns:r=\"" + rel
        + "\"><bookViews><workbookView activeTab=\"0\"/></bookViews><sheets><sheet name=\"工资\" sheetId=\"1\" "
          "r:id=\"rId1\"/></sheets></workbook>";
    const std::string workbookRels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"" + relsNs
        + "\"><Relationship Id=\"rId1\" Type=\"" + rel
        + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + rel
        + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";

    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return false;
    const std::pair<const char*, const std::string*> parts[] = {
        { "[Content_Types].xml", &types },
        { "_rels/.rels", &rootRels },
        { "xl/workbook.xml", &workbook },
        { "xl/_rels/workbook.xml.rels", &workbookRels },
        { "xl/sharedStrings.xml", &strings },
        { "xl/worksheets/sheet1.xml", &sheet },
    };
    for (const auto& [name, data] : parts) {
        zip_source_t* source = zip_source_buffer(zip, data->data(), data->size(), 0);
        if (!source || zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(zip);
            return false;
        }
    }
    return zip_close(zip) == 0;
}

// Peak resident memory of this process image, in KB. Unlike getrusage's
// ru_maxrss it starts afresh at exec, so it does not count what the parent
// process held when it started this one.
long peakResidentKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return bench::peakMemoryKb();
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return bench::peakMemoryKb();
}

// One reading run: opens the sheet, reads every row, checks what it read and
// prints "rows cells seconds cpu-seconds peak-KB".
int readOnce(const QString& path, int rows)
{
    QElapsedTimer timer;
    const double cpu0 = bench::cpuSeconds();
    timer.start();
    Result<std::unique_ptr<SheetRows>> opened = openSheet(path);
    if (!opened) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(opened.message()));
        return 1;
    }
    SheetRows& sheet = *opened.value();
    const long peakOpened = peakResidentKb();
    SheetRow row;
    qint64 rowCount = 0, cells = 0;
    for (;;) {
        const Result<bool> more = sheet.next(row);
        if (!more) {
            std::fprintf(stderr, "read failed: %s\n", qPrintable(more.message()));
            return 1;
        }
        if (!*more)
            break;
        ++rowCount;
        cells += qint64(row.cells.size());
        if (row.cells.size() != 3) {
            std::fprintf(stderr, "row %d has %zu cells\n", row.number, row.cells.size());
            return 1;
        }
        // Every thousandth row is checked whole, so that the checks cost little.
        if (row.number > 1 && row.number % 1000 == 0
            && (row.cells.size() != 3 || row.text(1) != QString::fromStdString(accountOf(row.number))
                || row.text(2) != bench::personName(row.number) || !row.cells[2].isNumber()
                || row.text(3) != amountText(row.number))) {
            std::fprintf(stderr, "row %d differs: %s\n", row.number, qPrintable(row.text(1) + u' ' + row.text(3)));
            return 1;
        }
    }
    const double wall = bench::seconds(timer);
    const double cpu = bench::cpuSeconds() - cpu0;
    if (rowCount != rows) {
        std::fprintf(stderr, "read %lld rows, not %d\n", rowCount, rows);
        return 1;
    }
    std::printf("%lld %lld %.3f %.3f %ld %ld\n", rowCount, cells, wall, cpu, peakResidentKb(), peakOpened);
    return 0;
}

const char* kOpenpyxlRead = "import sys, time\n"
                            "from openpyxl import load_workbook\n"
                            "t = time.perf_counter()\n"
                            "wb = load_workbook(sys.argv[1], read_only=True)\n"
                            "rows = cells = 0\n"
                            "for row in wb.active.iter_rows(values_only=True):\n"
                            "    rows += 1\n"
                            "    cells += sum(1 for v in row if v is not None)\n"
                            "wb.close()\n"
                            "peak = [l.split()[1] for l in open('/proc/self/status') if l.startswith('VmHWM:')][0]\n"
                            "print(rows, cells, '%.3f' % (time.perf_counter() - t), peak)\n";

// Runs `program` and returns its one line of figures, or empty after saying why.
QStringList figures(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).simplified().split(u' ');
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == u"--read"_s)
        return readOnce(args[1], args[2].toInt());

    QList<int> sizes;
    for (const QString& a : args)
        sizes << std::max(2, a.toInt());
    if (sizes.isEmpty())
        sizes = { 65535, 1048576 };
    QTemporaryDir dir;
    const QString python = u"/usr/bin/python3"_s;
    const bool anchor = QProcess::execute(python, { u"-c"_s, u"import openpyxl"_s }) == 0;
    if (!anchor)
        std::printf("python3-openpyxl is not installed: no anchor figures\n");

    bool ok = true;
    for (int rows : sizes) {
        const QString path = dir.filePath(u"payroll_%1.xlsx"_s.arg(rows));
        QElapsedTimer timer;
        timer.start();
        if (!writePayrollXlsx(path, rows)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%d rows: file of %.1f MB written in %.1f s\n", rows, double(QFileInfo(path).size()) / 1e6,
            bench::seconds(timer));
        const QStringList ours = figures(app.applicationFilePath(), { u"--read"_s, path, QString::number(rows) });
        if (ours.size() != 6) {
            ok = false;
            continue;
        }
        std::printf("  %-22s %8s s (cpu %s s), peak %.1f MB (%.1f MB once open), %s cells\n", "openSheet + next()",
            qPrintable(ours[2]), qPrintable(ours[3]), ours[4].toDouble() / 1024.0, ours[5].toDouble() / 1024.0,
            qPrintable(ours[1]));
        if (anchor) {
            const QStringList theirs = figures(python, { u"-c"_s, QString::fromLatin1(kOpenpyxlRead), path });
            if (theirs.size() == 4)
                std::printf("  %-22s %8s s, peak %.1f MB, %s cells\n", "openpyxl read-only", qPrintable(theirs[2]),
                    theirs[3].toDouble() / 1024.0, qPrintable(theirs[1]));
        }
    }
    return ok ? 0 : 1;
}
