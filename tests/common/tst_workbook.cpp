#include "TestRegistry.h"

#include "common/Workbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString xlsDir()
{
    return QStringLiteral(QELVORA_TEST_DATA "/xls/");
}

// ---- building BIFF8 streams by hand -----------------------------------------

QByteArray le16(int v)
{
    QByteArray b(2, '\0');
    b[0] = char(v & 0xFF);
    b[1] = char((v >> 8) & 0xFF);
    return b;
}
QByteArray le32(quint32 v)
{
    return le16(int(v & 0xFFFF)) + le16(int(v >> 16));
}
QByteArray le64(double d)
{
    QByteArray b(8, '\0');
    quint64 bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i)
        b[i] = char((bits >> (8 * i)) & 0xFF);
    return b;
}
QByteArray rec(int id, const QByteArray& body)
{
    return le16(id) + le16(int(body.size())) + body;
}
QByteArray bof(int type, int version = 0x0600)
{
    return rec(0x0809, le16(version) + le16(type) + le16(0x0DBB) + le16(0x07CC) + le32(0) + le32(6));
}
QByteArray eof()
{
    return rec(0x000A, {});
}
QByteArray cellHead(int row, int col)
{
    return le16(row) + le16(col) + le16(15);
}
QByteArray utf16(const QString& s)
{
    QByteArray b;
    for (QChar c : s)
        b += le16(c.unicode());
    return b;
}
// An unformatted 16-bit BIFF8 string: count, option byte, characters.
QByteArray wideString(const QString& s)
{
    return le16(int(s.size())) + char(1) + utf16(s);
}
QByteArray window1(int currentTab)
{
    return rec(0x003D,
        le16(0) + le16(0) + le16(0x3A5C) + le16(0x23BE) + le16(0x38) + le16(currentTab) + le16(0) + le16(1)
            + le16(0x258));
}

// A workbook stream: globals (BOF, `globals`, one BOUNDSHEET per sheet, EOF), then
// each sheet's records between its own BOF and EOF.
QByteArray workbookStream(const QByteArray& globals, const QList<QByteArray>& sheets)
{
    QByteArray head = bof(0x0005) + globals;
    QList<int> offsetAt;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        offsetAt.append(int(head.size()) + 4);
        head += rec(0x0085, le32(0) + char(0) + char(0) + char(1) + char(0) + 'S');
    }
    head += eof();
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        const QByteArray offset = le32(quint32(head.size()));
        head.replace(offsetAt[i], 4, offset);
        head += bof(0x0010) + sheets[i] + eof();
    }
    return head;
}

// A compound file holding the given streams, built in memory with libgsf.
QByteArray compoundFile(const QList<QPair<const char*, QByteArray>>& streams)
{
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(memory);
    for (const auto& [name, data] : streams) {
        GsfOutput* child = gsf_outfile_new_child(ole, name, FALSE);
        gsf_output_write(child, size_t(data.size()), reinterpret_cast<const guint8*>(data.constData()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    const QByteArray bytes(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
        qsizetype(gsf_output_size(memory)));
    g_object_unref(memory);
    return bytes;
}
QByteArray xlsWith(const QByteArray& stream)
{
    return compoundFile({ { "Workbook", stream } });
}

// The Workbook stream of an .xls file, read with libgsf.
QByteArray workbookStreamOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    GsfInput* input = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()), bytes.size(), FALSE);
    GsfInfile* ole = gsf_infile_msole_new(input, nullptr);
    QByteArray result;
    if (ole) {
        if (GsfInput* child = gsf_infile_child_by_name(ole, "Workbook")) {
            result.resize(qsizetype(gsf_input_size(child)));
            gsf_input_read(child, size_t(result.size()), reinterpret_cast<guint8*>(result.data()));
            g_object_unref(child);
        }
        g_object_unref(ole);
    }
    g_object_unref(input);
    return result;
}

struct RawRecord {
    int id;
    qsizetype pos;
    QByteArray body;
};
QList<RawRecord> records(const QByteArray& stream, qsizetype from, bool toFirstEof)
{
    QList<RawRecord> out;
    qsizetype pos = from;
    while (pos + 4 <= stream.size()) {
        const auto* p = reinterpret_cast<const uchar*>(stream.constData() + pos);
        const int id = p[0] | (p[1] << 8);
        const int len = p[2] | (p[3] << 8);
        out.append({ id, pos, stream.mid(pos + 4, len) });
        pos += 4 + len;
        if (toFirstEof && id == 0x000A)
            break;
    }
    return out;
}
int u16At(const QByteArray& b, qsizetype at)
{
    return uchar(b[at]) | (uchar(b[at + 1]) << 8);
}
quint32 u32At(const QByteArray& b, qsizetype at)
{
    return quint32(u16At(b, at)) | (quint32(u16At(b, at + 2)) << 16);
}

// ---- reading results --------------------------------------------------------

using CellMap = QMap<QPair<int, int>, QPair<QString, QString>>; // (row, col) -> (kind, escaped value)

QString escaped(QString s)
{
    s.replace(u"\\"_s, u"\\\\"_s);
    s.replace(u"\t"_s, u"\\t"_s);
    s.replace(u"\n"_s, u"\\n"_s);
    s.replace(u"\r"_s, u"\\r"_s);
    return s;
}

CellMap cellsOf(const WorkbookReader& reader)
{
    CellMap cells;
    for (int r = 1; r <= reader.lastRow(); ++r)
        for (int c = 1; c <= reader.lastColumn(); ++c) {
            const WorkbookCell cell = reader.cell(r, c);
            if (!cell.isEmpty())
                cells.insert({ r, c }, { cell.isNumber ? u"number"_s : u"text"_s, escaped(cell.text) });
        }
    return cells;
}

// Texts the round trips carry: what payroll and roster files hold, and what tends
// to go wrong in a workbook writer.
QStringList awkwardTexts()
{
    return { u"张伟"_s, u"陈𫖮"_s, u"O'Brien"_s, u"1,234.50"_s, u"他说\"好\""_s, u"  两端空格  "_s, u"000123"_s,
        u"6222020200001234567"_s, u"12345678901234567890123"_s, u"=SUM(A1:A2)"_s, u"买买提·艾力"_s, u"第一行\n第二行"_s,
        u"tab\there"_s, u"ASCII only"_s, u"é latin-1 ÿ"_s };
}

QList<QStringList> bigSheet()
{
    const QStringList awkward = awkwardTexts();
    QList<QStringList> rows;
    rows.reserve(65535);
    for (int i = 0; i < 65535; ++i) {
        rows.append({ QString::number(i + 1), u"%1"_s.arg(i, 6, 10, QChar(u'0')),
            awkward[i % awkward.size()] + (i % 3 == 0 ? QString() : QString::number(i)),
            QString::number(6222020200000000000LL + i), u"%1.%2"_s.arg(i * 7).arg(i % 100, 2, 10, QChar(u'0')) });
    }
    // Long texts that cross record boundaries, one of them made of characters
    // outside the basic plane so that a pair falls on a boundary.
    rows[0][2] = u"a"_s + QString(u"𫖮"_s).repeated(5000);
    rows[1][2] = QString(u"𫖮"_s).repeated(5000);
    rows[2][2] = QString(u"工资"_s).repeated(6000);
    rows[3][2] = QString(u"x"_s).repeated(20000);
    return rows;
}

} // namespace

class TestWorkbook : public QObject {
    Q_OBJECT

private slots:
    void readsFixtures_data();
    void readsFixtures();
    void readsFromMemoryAsFromFile();
    void refusesFixtures_data();
    void refusesFixtures();
    void refusesMissingFile();
    void failedOpenForgetsEarlierWorkbook();
    void numberText_data();
    void numberText();
    void readsCraftedStreams_data();
    void readsCraftedStreams();
    void refusesCraftedStreams_data();
    void refusesCraftedStreams();
    void cellOutsideSheetIsEmpty();
    void roundTripsSmallSheet();
    void roundTripsLargeSheet();
    void writesExpectedRecords();
    void splitsLongStringsCleanly_data();
    void splitsLongStringsCleanly();
    void writerRefusesAndKeepsTarget_data();
    void writerRefusesAndKeepsTarget();
    void writerReplacesExistingFile();
    void writerReportsUnwritableTarget();
    void killedWriteLeavesNothingBehind_data();
    void killedWriteLeavesNothingBehind();
    void independentReaderAcceptsOutput();
};

// ---- fixtures made by other programs ----------------------------------------

void TestWorkbook::readsFixtures_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : { "lo_formulas", "lo_sst_continue", "payroll_numeric_accounts", "payroll_text_accounts",
             "ssconvert_dual_stream", "ssconvert_roster", "three_sheets_active2", "xlwt_rk_variants" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestWorkbook::readsFixtures()
{
    QFETCH(QString, name);
    QFile expectedFile(xlsDir() + name + u".xls.expected.tsv"_s);
    QVERIFY(expectedFile.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(expectedFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.value(0).startsWith(u"# active-sheet: "_s));
    const int expectedSheet = lines[0].mid(16).toInt();
    CellMap expected;
    int maxRow = 0, maxColumn = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(u'\t');
        QCOMPARE(f.size(), 4);
        expected.insert({ f[0].toInt(), f[1].toInt() }, { f[2], f[3] });
        maxRow = std::max(maxRow, f[0].toInt());
        maxColumn = std::max(maxColumn, f[1].toInt());
    }

    const Result<WorkbookReader> opened = WorkbookReader::read(xlsDir() + name + u".xls"_s);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.activeSheetIndex(), expectedSheet);
    QCOMPARE(reader.lastRow(), maxRow);
    QCOMPARE(reader.lastColumn(), maxColumn);
    const CellMap actual = cellsOf(reader);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const auto got = actual.value(it.key());
        if (got != it.value())
            QFAIL(qPrintable(u"R%1C%2: expected %3 \"%4\", got %5 \"%6\""_s.arg(it.key().first)
                                 .arg(it.key().second)
                                 .arg(it.value().first, it.value().second, got.first, got.second)));
    }
    QCOMPARE(actual.size(), expected.size());
}

void TestWorkbook::readsFromMemoryAsFromFile()
{
    QFile f(xlsDir() + u"three_sheets_active2.xls"_s);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const Result<WorkbookReader> bytesRead = WorkbookReader::readBytes(f.readAll());
    const Result<WorkbookReader> fileRead = WorkbookReader::read(f.fileName());
    QVERIFY(bytesRead.ok());
    QVERIFY(fileRead.ok());
    const WorkbookReader& fromBytes = bytesRead.value();
    const WorkbookReader& fromFile = fileRead.value();
    QCOMPARE(fromBytes.activeSheetIndex(), 1);
    QCOMPARE(cellsOf(fromBytes), cellsOf(fromFile));
    QCOMPARE(fromBytes.cell(15, 2).text, u"00123"_s);
    QVERIFY(!fromBytes.cell(15, 2).isNumber);
    QCOMPARE(fromBytes.cell(9, 2).text, u"100000000000000000000"_s);
    QVERIFY(fromBytes.cell(9, 2).isNumber);
}

void TestWorkbook::refusesFixtures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << u"bad_empty"_s << u"不是 Excel 工作簿：文件为空"_s;
    QTest::newRow("random bytes") << u"bad_random100"_s
                                  << u"不是 Excel 工作簿：无法识别的文件格式（不是 OLE2 复合文档）"_s;
    QTest::newRow("csv") << u"bad_csv_renamed"_s << u"不是 Excel 工作簿：无法识别的文件格式（不是 OLE2 复合文档）"_s;
    QTest::newRow("xlsx")
        << u"bad_xlsx_renamed"_s
        << u"不支持的文件格式：这是 .xlsx 等 Office Open XML 文件，请在 Excel 中另存为 Excel 97-2003 工作簿（.xls）"_s;
    QTest::newRow("biff5")
        << u"biff5_excel95"_s
        << u"不支持的文件格式：Excel 5.0/95 工作簿（BIFF5），只能读取 Excel 97-2003 工作簿（BIFF8）"_s;
    QTest::newRow("no workbook stream") << u"bad_ole_no_workbook"_s
                                        << u"不是 Excel 工作簿：复合文档中没有工作簿数据流"_s;
    QTest::newRow("garbage stream") << u"bad_ole_workbook_garbage"_s
                                    << u"工作簿已损坏：工作簿数据流不是以 BIFF8 起始记录开头"_s;
    QTest::newRow("truncated") << u"bad_truncated_half"_s << u"工作簿已损坏："_s;
}

void TestWorkbook::refusesFixtures()
{
    QFETCH(QString, name);
    QFETCH(QString, error);
    QVERIFY(QFile::exists(xlsDir() + name + u".xls.error"_s));
    const Result<WorkbookReader> reader = WorkbookReader::read(xlsDir() + name + u".xls"_s);
    QVERIFY(!reader.ok());
    QVERIFY2(reader.message().startsWith(error), qPrintable(reader.message()));
}

void TestWorkbook::refusesMissingFile()
{
    QTemporaryDir dir;
    const Result<WorkbookReader> reader = WorkbookReader::read(dir.filePath(u"nicht-da.xls"_s));
    QVERIFY(!reader.ok());
    QVERIFY2(reader.message().startsWith(u"无法打开文件 "_s), qPrintable(reader.message()));
}

void TestWorkbook::failedOpenForgetsEarlierWorkbook()
{
    // Each read stands alone: a failed one gives no sheet at all, and neither
    // it nor an earlier read changes what a later one gives.
    const Result<WorkbookReader> first = WorkbookReader::read(xlsDir() + u"three_sheets_active2.xls"_s);
    QVERIFY(first.ok());
    QCOMPARE(first->cell(1, 1).text, u"项目"_s);
    const Result<WorkbookReader> failed = WorkbookReader::readBytes("not a workbook");
    QVERIFY(!failed.ok());
    QVERIFY(!failed.message().isEmpty());
    QCOMPARE(first->cell(1, 1).text, u"项目"_s);
    const Result<WorkbookReader> later = WorkbookReader::read(xlsDir() + u"ssconvert_roster.xls"_s);
    QVERIFY(later.ok());
    QVERIFY(later.message().isEmpty());
    QVERIFY(later->cell(1, 1).text != u"项目"_s);
}

// ---- numbers -----------------------------------------------------------------

void TestWorkbook::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << u"0"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s;
    QTest::newRow("whole") << 3000.0 << u"3000"_s;
    QTest::newRow("negative whole") << -536870912.0 << u"-536870912"_s;
    QTest::newRow("16-digit account") << 6222021234567890.0 << u"6222021234567890"_s;
    QTest::newRow("19 digits as stored") << 6222020200001234567.0 << u"6222020200001234944"_s;
    QTest::newRow("above int64") << 1e20 << u"100000000000000000000"_s;
    QTest::newRow("1e23 exact digits") << 1e23 << u"99999999999999991611392"_s;
    QTest::newRow("two decimals") << 1234.56 << u"1234.56"_s;
    QTest::newRow("tenth") << 0.1 << u"0.1"_s;
    QTest::newRow("small") << 1e-7 << u"0.0000001"_s;
    QTest::newRow("third") << 1.0 / 3 << u"0.3333333333333333"_s;
    QTest::newRow("datetime") << 45366.395833333336 << u"45366.395833333336"_s;
    QTest::newRow("negative cents") << -0.07 << u"-0.07"_s;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << u"#NUM!"_s;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << u"#NUM!"_s;
}

void TestWorkbook::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(workbookNumberText(value), text);
}

// ---- hand-made streams -------------------------------------------------------

void TestWorkbook::readsCraftedStreams_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QStringList>("cells"); // "row,col,kind,text"

    // SST: "ab"; then "xy𫖮" whose 8-bit start ends the SST record, whose last two
    // characters go on 16-bit after a fresh option byte, and whose rich-text run
    // is itself split; then "中".
    const QByteArray sst
        = rec(0x00FC, le32(3) + le32(3) + le16(2) + char(0) + "ab" + le16(4) + char(0x0C) + le16(1) + le32(4) + "xy")
        + rec(0x003C, char(1) + utf16(u"𫖮"_s) + le16(0)) + rec(0x003C, le16(0) + "PHON" + wideString(u"中"_s));
    const QByteArray sstCells = rec(0x00FD, cellHead(0, 0) + le32(0)) + rec(0x00FD, cellHead(0, 1) + le32(1))
        + rec(0x00FD, cellHead(0, 2) + le32(2));
    QTest::newRow("sst continue") << xlsWith(workbookStream(sst, { sstCells })) << 0
                                  << QStringList { u"1,1,text,ab"_s, u"1,2,text,xy𫖮"_s, u"1,3,text,中"_s };

    // Formula results: number, boolean, error, empty text, and a text held in a
    // STRING record that comes after a shared formula and goes on in a CONTINUE.
    auto formula = [](int row, int col, const QByteArray& result) {
        return rec(0x0006, cellHead(row, col) + result + le16(0) + le32(0) + le16(0));
    };
    auto special = [](int type, int value) {
        return QByteArray(1, char(type)) + char(0) + char(value) + char(0) + char(0) + char(0) + le16(0xFFFF);
    };
    const QByteArray formulas = formula(0, 0, le64(4234.5)) + formula(1, 0, special(1, 1))
        + formula(2, 0, special(2, 0x07)) + formula(3, 0, special(3, 0)) + formula(4, 0, special(0, 0))
        + rec(0x04BC, QByteArray(10, '\0')) + rec(0x0207, le16(3) + char(0) + "ab")
        + rec(0x003C, char(1) + utf16(u"元"_s)) + rec(0x0207, le16(1) + char(0) + "z"); // no formula waits for it
    QTest::newRow("formula results") << xlsWith(workbookStream({}, { formulas })) << 0
                                     << QStringList { u"1,1,number,4234.5"_s, u"2,1,number,1"_s, u"3,1,text,#DIV/0!"_s,
                                            u"5,1,text,ab元"_s };

    // Inline and numeric cell records; an embedded chart's cells are not the sheet's.
    const QByteArray mixed = rec(0x0204, cellHead(0, 0) + wideString(u"户名"_s))
        + rec(0x0204, cellHead(0, 1) + le16(3) + char(0) + "abc")
        + rec(0x027E, cellHead(1, 0) + le32((123450u << 2) | 3))
        + rec(0x00BD,
            le16(2) + le16(1) + le16(15) + le32((7u << 2) | 2) + le16(15) + le32(0x3FC00000u /* 0.125 */) + le16(2))
        + rec(0x00D6, cellHead(2, 4) + le16(2) + char(0) + "hi" + le16(1) + le32(0))
        + rec(0x0203, cellHead(3, 3) + le64(-150.25)) + rec(0x0205, cellHead(4, 0) + char(0) + char(0))
        + rec(0x0201, cellHead(5, 0)) + rec(0x00BE, le16(5) + le16(1) + le16(15) + le16(15) + le16(2)) + bof(0x0020)
        + rec(0x0203, cellHead(9, 9) + le64(1)) + eof() + rec(0x0203, cellHead(6, 0) + le64(1))
        + rec(0x0203, cellHead(6, 0) + le64(2));
    QTest::newRow("cell records") << xlsWith(workbookStream({}, { mixed })) << 0
                                  << QStringList { u"1,1,text,户名"_s, u"1,2,text,abc"_s, u"2,1,number,1234.5"_s,
                                         u"3,2,number,7"_s, u"3,3,number,0.125"_s, u"3,5,text,hi"_s,
                                         u"4,4,number,-150.25"_s, u"5,1,number,0"_s, u"7,1,number,2"_s };

    // Cells out of order are found all the same.
    const QByteArray unordered = rec(0x0203, cellHead(4, 1) + le64(5)) + rec(0x0203, cellHead(0, 3) + le64(1))
        + rec(0x0203, cellHead(2, 0) + le64(3));
    QTest::newRow("unordered cells") << xlsWith(workbookStream({}, { unordered })) << 0
                                     << QStringList { u"1,4,number,1"_s, u"3,1,number,3"_s, u"5,2,number,5"_s };

    const QByteArray first = rec(0x0203, cellHead(0, 0) + le64(1));
    const QByteArray second = rec(0x0203, cellHead(0, 0) + le64(2));
    QTest::newRow("second tab active") << xlsWith(workbookStream(window1(1), { first, second })) << 1
                                       << QStringList { u"1,1,number,2"_s };
    QTest::newRow("tab out of range") << xlsWith(workbookStream(window1(7), { first, second })) << 0
                                      << QStringList { u"1,1,number,1"_s };
    QTest::newRow("no window") << xlsWith(workbookStream({}, { first, second })) << 0
                               << QStringList { u"1,1,number,1"_s };

    // The BIFF8 stream is read when an Excel 95 stream sits beside it, whichever comes first.
    QTest::newRow("Book before Workbook")
        << compoundFile({ { "Book", bof(0x0005, 0x0500) + eof() }, { "Workbook", workbookStream({}, { second }) } })
        << 0 << QStringList { u"1,1,number,2"_s };

    // A declared string count far beyond the data ends with the data.
    const QByteArray hugeCount = rec(0x00FC, le32(0xFFFFFFFF) + le32(0xFFFFFFFF) + le16(1) + char(0) + "q");
    QTest::newRow("sst count beyond data")
        << xlsWith(workbookStream(hugeCount, { rec(0x00FD, cellHead(0, 0) + le32(0)) })) << 0
        << QStringList { u"1,1,text,q"_s };
}

void TestWorkbook::readsCraftedStreams()
{
    QFETCH(QByteArray, file);
    QFETCH(int, sheet);
    QFETCH(QStringList, cells);
    const Result<WorkbookReader> opened = WorkbookReader::readBytes(file);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.activeSheetIndex(), sheet);
    CellMap expected;
    for (const QString& c : cells) {
        const QStringList f = c.split(u',');
        expected.insert({ f[0].toInt(), f[1].toInt() }, { f[2], escaped(f.mid(3).join(u',')) });
    }
    QCOMPARE(cellsOf(reader), expected);
}

void TestWorkbook::refusesCraftedStreams_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");
    const QByteArray cell = rec(0x00FD, cellHead(0, 0) + le32(0));
    const QByteArray oneString = rec(0x00FC, le32(1) + le32(1) + le16(1) + char(0) + "a");
    const QByteArray good = workbookStream(oneString, { cell });

    QTest::newRow("password") << xlsWith(workbookStream(rec(0x002F, QByteArray(54, '\x01')), { cell }))
                              << u"工作簿已加密，请在 Excel 中取消密码后再试"_s;
    QTest::newRow("encrypted package") << compoundFile({ { "EncryptionInfo", "x" }, { "EncryptedPackage", "y" } })
                                       << u"工作簿已加密，请在 Excel 中取消密码后再试"_s;
    QTest::newRow("biff5 in Workbook") << xlsWith(bof(0x0005, 0x0500)
        + eof()) << u"不支持的文件格式：Excel 5.0/95 工作簿（BIFF5），只能读取 Excel 97-2003 工作簿（BIFF8）"_s;
    QTest::newRow("bare biff4") << QByteArray("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00", 10)
                                << u"不支持的文件格式：Excel 2.x–4.0 工作表，只能读取 Excel 97-2003 工作簿（BIFF8）"_s;
    QTest::newRow("string index") << xlsWith(workbookStream(oneString, { rec(0x00FD, cellHead(0, 0) + le32(1)) }))
                                  << u"工作簿已损坏：单元格引用了不存在的共享字符串 1"_s;
    QTest::newRow("no sst") << xlsWith(workbookStream({}, { cell }))
                            << u"工作簿已损坏：单元格引用了不存在的共享字符串 0"_s;
    QTest::newRow("no sheet") << xlsWith(workbookStream(oneString, {})) << u"工作簿已损坏：工作簿中没有工作表"_s;
    QTest::newRow("cut in a record") << xlsWith(good.left(good.size() - 6)) << u"工作簿已损坏：记录超出数据流末尾"_s;
    QTest::newRow("no sheet end") << xlsWith(good.left(good.size() - 4)) << u"工作簿已损坏：数据流在结束记录之前中断"_s;
    QTest::newRow("no globals end") << xlsWith(bof(0x0005) + oneString) << u"工作簿已损坏：数据流在结束记录之前中断"_s;
    const qsizetype sheetOffsetAt = bof(0x0005).size() + oneString.size() + 4; // in the BOUNDSHEET record
    QByteArray farSheet = good;
    farSheet.replace(sheetOffsetAt, 4, le32(0x7FFFFFF0));
    QTest::newRow("sheet offset beyond") << xlsWith(farSheet) << u"工作簿已损坏：工作表位置超出数据流"_s;
    QByteArray wrongSheet = good;
    wrongSheet.replace(sheetOffsetAt, 4, le32(20));
    QTest::newRow("sheet offset wrong") << xlsWith(wrongSheet) << u"工作簿已损坏：工作表位置不指向工作表起始记录"_s;
    QTest::newRow("sst string cut") << xlsWith(
        workbookStream(rec(0x00FC, le32(1) + le32(1) + le16(9) + char(0) + "abc"), { cell }))
                                    << u"工作簿已损坏：共享字符串表第 1 项不完整"_s;
    QTest::newRow("short number") << xlsWith(workbookStream({}, { rec(0x0203, cellHead(0, 0)) }))
                                  << u"工作簿已损坏：NUMBER 记录过短"_s;
    QTest::newRow("label cut") << xlsWith(
        workbookStream({}, { rec(0x0204, cellHead(0, 0) + le16(50) + char(0) + "abc") }))
                               << u"工作簿已损坏：文本记录 0x0204 不完整"_s;
    QTest::newRow("stream starts with sheet")
        << xlsWith(bof(0x0010) + eof()) << u"工作簿已损坏：工作簿数据流不是以工作簿全局部分开头"_s;
}

void TestWorkbook::refusesCraftedStreams()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    const Result<WorkbookReader> reader = WorkbookReader::readBytes(file);
    QVERIFY(!reader.ok());
    QCOMPARE(reader.message(), error);
}

void TestWorkbook::cellOutsideSheetIsEmpty()
{
    const Result<WorkbookReader> opened = WorkbookReader::read(xlsDir() + u"three_sheets_active2.xls"_s);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.cell(30, 100).text, u"远列 CV30"_s);
    QCOMPARE(reader.cell(2000, 2).text, u"2000"_s);
    const std::initializer_list<std::pair<int, int>> outside { { 0, 1 }, { 1, 0 }, { -1, 1 }, { 1, -1 }, { 2001, 2 },
        { 65537, 1 }, { 1, 65537 }, { std::numeric_limits<int>::max(), 1 }, { 22, 2 }, { 1, 3 } };
    for (auto [row, col] : outside)
        QVERIFY2(reader.cell(row, col).isEmpty() && !reader.cell(row, col).isNumber,
            qPrintable(u"%1,%2"_s.arg(row).arg(col)));
}

// ---- writing -----------------------------------------------------------------

void TestWorkbook::roundTripsSmallSheet()
{
    const QStringList awkward = awkwardTexts();
    QList<QStringList> rows { awkward.mid(0, 5), awkward.mid(5, 5), awkward.mid(10, 5) };
    rows.append(QStringList { QString(), u"B4"_s }); // an empty text leaves its cell empty
    rows.append(QStringList()); // an empty row
    rows.append(QStringList { u"F6"_s, {}, {}, {}, {}, u"F6"_s }); // a longer row
    QTemporaryDir dir;
    const QString path = dir.filePath(u"工资.xls"_s);
    const Result<> written = writeWorkbook(path, rows);
    QVERIFY2(written.ok(), qPrintable(written.message()));
    const Result<WorkbookReader> opened = WorkbookReader::read(path);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.activeSheetIndex(), 0);
    QCOMPARE(reader.lastRow(), 6);
    QCOMPARE(reader.lastColumn(), 6);
    for (int r = 1; r <= 7; ++r)
        for (int c = 1; c <= 7; ++c) {
            const WorkbookCell cell = reader.cell(r, c);
            QCOMPARE(cell.text, rows.value(r - 1).value(c - 1));
            QVERIFY(!cell.isNumber);
        }
}

void TestWorkbook::roundTripsLargeSheet()
{
    const QList<QStringList> rows = bigSheet();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"big.xls"_s);
    const Result<> written = writeWorkbook(path, rows);
    QVERIFY2(written.ok(), qPrintable(written.message()));
    const Result<WorkbookReader> opened = WorkbookReader::read(path);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.lastRow(), 65535);
    QCOMPARE(reader.lastColumn(), 5);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 5; ++c) {
            const WorkbookCell cell = reader.cell(r + 1, c + 1);
            if (cell.text != rows[r][c] || cell.isNumber)
                QFAIL(qPrintable(u"R%1C%2: \"%3\""_s.arg(r + 1).arg(c + 1).arg(cell.text.left(40))));
        }
}

void TestWorkbook::writesExpectedRecords()
{
    QList<QStringList> rows;
    for (int i = 0; i < 3000; ++i) // enough strings for several CONTINUE records and EXTSST buckets
        rows.append({ u"编号%1"_s.arg(i), u"name %1"_s.arg(i), u"编号%1"_s.arg(i) });
    rows.append(QStringList { {}, {}, {}, u"D3001"_s });
    QTemporaryDir dir;
    const QString path = dir.filePath(u"records.xls"_s);
    QVERIFY(writeWorkbook(path, rows).ok());
    const QByteArray stream = workbookStreamOf(path);
    QVERIFY(!stream.isEmpty());

    const QList<RawRecord> globals = records(stream, 0, true);
    QStringList ids;
    for (const RawRecord& r : globals) {
        QVERIFY2(r.body.size() <= 8224, qPrintable(u"record 0x%1 has %2 bytes"_s.arg(r.id, 0, 16).arg(r.body.size())));
        const QString id = u"%1"_s.arg(r.id, 4, 16, QChar(u'0'));
        if (ids.isEmpty() || ids.last() != id)
            ids.append(id);
    }
    // BOF, CODEPAGE, WINDOW1, FONTs, XFs, STYLE, BOUNDSHEET, SST, CONTINUEs, EXTSST, EOF.
    QCOMPARE(ids,
        (QStringList { u"0809"_s, u"0042"_s, u"003d"_s, u"0031"_s, u"00e0"_s, u"0293"_s, u"0085"_s, u"00fc"_s,
            u"003c"_s, u"00ff"_s, u"000a"_s }));
    QCOMPARE(u16At(globals[0].body, 0), 0x0600);
    QCOMPARE(u16At(globals[0].body, 2), 0x0005);
    QCOMPARE(u16At(globals[1].body, 0), 1200);
    QCOMPARE(int(std::count_if(globals.begin(), globals.end(), [](const RawRecord& r) { return r.id == 0x00E0; })), 16);

    const RawRecord& sst
        = *std::find_if(globals.begin(), globals.end(), [](const RawRecord& r) { return r.id == 0x00FC; });
    QCOMPARE(u32At(sst.body, 0), quint32(3000 * 3 + 1)); // cells
    QCOMPARE(u32At(sst.body, 4), quint32(3000 * 2 + 1)); // unique texts

    // Every EXTSST bucket points at the header of the string that starts it.
    const RawRecord& ext
        = *std::find_if(globals.begin(), globals.end(), [](const RawRecord& r) { return r.id == 0x00FF; });
    const int perBucket = u16At(ext.body, 0);
    QCOMPARE((ext.body.size() - 2) / 8, (6001 + perBucket - 1) / perBucket);
    for (int b = 0; b < (ext.body.size() - 2) / 8; ++b) {
        const quint32 pos = u32At(ext.body, 2 + 8 * b);
        const int inRecord = u16At(ext.body, 2 + 8 * b + 4);
        const int recordId = u16At(stream, pos - inRecord);
        QVERIFY(recordId == 0x00FC || recordId == 0x003C);
        const int k = b * perBucket; // strings come in order of first use: 编号i, name i, ...
        const QString expected = k % 2 == 0 ? u"编号%1"_s.arg(k / 2) : u"name %1"_s.arg(k / 2);
        QCOMPARE(u16At(stream, pos), int(expected.size()));
        QCOMPARE(int(uchar(stream[pos + 2])), k % 2 == 0 ? 1 : 0);
    }

    const QList<RawRecord> sheet = records(stream, globals.last().pos + 4, false);
    const RawRecord& boundSheet
        = *std::find_if(globals.begin(), globals.end(), [](const RawRecord& r) { return r.id == 0x0085; });
    QCOMPARE(qsizetype(u32At(boundSheet.body, 0)), sheet.first().pos);
    QCOMPARE(sheet[0].id, 0x0809);
    QCOMPARE(u16At(sheet[0].body, 2), 0x0010);
    QCOMPARE(sheet[1].id, 0x0200);
    QCOMPARE(sheet[1].body, le32(0) + le32(3001) + le16(0) + le16(4) + le16(0));
    QCOMPARE(sheet[sheet.size() - 2].id, 0x023E);
    QCOMPARE(sheet.last().id, 0x000A);
    QCOMPARE(sheet.size(), 2 + 3000 * 3 + 1 + 2); // BOF, DIMENSIONS, cells, WINDOW2, EOF
    for (qsizetype i = 2; i < sheet.size() - 2; ++i)
        QCOMPARE(sheet[i].id, 0x00FD);
}

void TestWorkbook::splitsLongStringsCleanly_data()
{
    QTest::addColumn<int>("prefix");
    for (int p = 0; p < 4; ++p)
        QTest::newRow(qPrintable(u"prefix %1"_s.arg(p))) << p;
}

void TestWorkbook::splitsLongStringsCleanly()
{
    // One long string per workbook: depending on the prefix length the record end
    // falls between two surrogate pairs or inside one.
    QFETCH(int, prefix);
    const QString text = QString(prefix, u'a') + QString(u"𫖮"_s).repeated(9000);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"long.xls"_s);
    QVERIFY(writeWorkbook(path, { QStringList { text } }).ok());
    const Result<WorkbookReader> opened = WorkbookReader::read(path);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.cell(1, 1).text, text);

    const QByteArray stream = workbookStreamOf(path);
    int continues = 0;
    for (const RawRecord& r : records(stream, 0, true)) {
        if (r.id != 0x003C)
            continue;
        ++continues;
        QCOMPARE(int(uchar(r.body[0])), 1); // fresh option byte: 16-bit characters
        QVERIFY(!QChar(char16_t(u16At(r.body, 1))).isLowSurrogate());
    }
    QCOMPARE(continues, 4);
}

void TestWorkbook::writerRefusesAndKeepsTarget_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("error");
    QTest::newRow("rows") << QList<QStringList>(65537, QStringList { u"x"_s }) << u"行数超过 .xls 工作表的上限 65536"_s;
    QStringList wide(257, u"x"_s);
    QTest::newRow("columns") << QList<QStringList> { QStringList { u"a"_s }, wide }
                             << u"第 2 行的列数超过 .xls 工作表的上限 256"_s;
    QTest::newRow("text") << QList<QStringList> { QStringList { u"a"_s, QString(32768, u'长') } }
                          << u"第 1 行第 2 列的文本超过 32767 个字符"_s;
}

void TestWorkbook::writerRefusesAndKeepsTarget()
{
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"upload.xls"_s);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("previous content");
    }
    const Result<> refused = writeWorkbook(path, rows);
    QVERIFY(!refused.ok());
    QCOMPARE(refused.message(), error);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("previous content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"upload.xls"_s });

    // The limits themselves are fine.
    QVERIFY(writeWorkbook(path, { QStringList(256, u"x"_s), QStringList { QString(32767, u'长') } }).ok());
    const Result<WorkbookReader> opened = WorkbookReader::read(path);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.lastColumn(), 256);
    QCOMPARE(reader.cell(2, 1).text.size(), 32767);
}

void TestWorkbook::writerReplacesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"upload.xls"_s);
    QVERIFY(writeWorkbook(path, { QStringList { u"first"_s, u"第一"_s } }).ok());
    QVERIFY(writeWorkbook(path, { QStringList { u"second"_s } }).ok());
    const Result<WorkbookReader> opened = WorkbookReader::read(path);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    const WorkbookReader& reader = opened.value();
    QCOMPARE(reader.cell(1, 1).text, u"second"_s);
    QVERIFY(reader.cell(1, 2).isEmpty());
    QCOMPARE(reader.lastColumn(), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"upload.xls"_s });

    // An empty sheet is a valid workbook too.
    QVERIFY(writeWorkbook(path, {}).ok());
    const Result<WorkbookReader> empty = WorkbookReader::read(path);
    QVERIFY(empty.ok());
    QCOMPARE(empty->lastRow(), 0);
}

void TestWorkbook::writerReportsUnwritableTarget()
{
    QTemporaryDir dir;
    const Result<> missing = writeWorkbook(dir.filePath(u"missing/upload.xls"_s), { QStringList { u"a"_s } });
    QVERIFY(!missing.ok());
    QVERIFY2(missing.message().startsWith(u"无法写入文件 "_s), qPrintable(missing.message()));
    QVERIFY(QDir(dir.path()).mkdir(u"folder.xls"_s));
    const Result<> folder = writeWorkbook(dir.filePath(u"folder.xls"_s), { QStringList { u"a"_s } });
    QVERIFY(!folder.ok());
    QVERIFY2(folder.message().startsWith(u"无法写入文件 "_s), qPrintable(folder.message()));
    QVERIFY(QFileInfo(dir.filePath(u"folder.xls"_s)).isDir());
}

void TestWorkbook::killedWriteLeavesNothingBehind_data()
{
    QTest::addColumn<bool>("replacing");
    QTest::newRow("new file") << false;
    QTest::newRow("replacing a file") << true;
}

// A process killed while it writes the workbook leaves the folder as it was:
// the previous file whole (or none), and no temporary file beside it.
void TestWorkbook::killedWriteLeavesNothingBehind()
{
    QFETCH(bool, replacing);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"upload.xls"_s);
    QByteArray before;
    if (replacing) {
        QVERIFY(writeWorkbook(path, { QStringList { u"old"_s, u"旧"_s } }).ok());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        before = f.readAll();
    }
    QList<QStringList> rows;
    for (int i = 0; i < 4000; ++i)
        rows.append({ QString::number(i + 1), u"员工%1"_s.arg(i), QString::number(6222020200000000000LL + i) });

    const pid_t child = fork();
    if (child == 0) {
        // The system kills a process that writes beyond its file size limit
        // (SIGXFSZ), in the middle of the write.
        rlimit limit {};
        setrlimit(RLIMIT_CORE, &limit);
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 32 * 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        writeWorkbook(path, rows);
        _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ, "the write was not killed");

    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(left, replacing ? QStringList { u"upload.xls"_s } : QStringList());
    if (replacing) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
    // Without the kill the same write completes.
    QVERIFY(writeWorkbook(path, rows).ok());
    QCOMPARE(WorkbookReader::read(path)->lastRow(), 4000);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList { u"upload.xls"_s });
}

void TestWorkbook::independentReaderAcceptsOutput()
{
    const QString python = u"/usr/bin/python3"_s;
    if (!QFileInfo(python).isExecutable())
        QSKIP("/usr/bin/python3 is not installed (the python3-xlrd package brings it)");
    if (QProcess::execute(python, { u"-c"_s, u"import xlrd"_s }) != 0)
        QSKIP("python3-xlrd is not installed: apt-get install python3-xlrd");

    const QList<QStringList> rows = bigSheet();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"big.xls"_s);
    QVERIFY(writeWorkbook(path, rows).ok());

    QProcess xlrd;
    xlrd.start(python, { xlsDir() + u"xlrd_dump.py"_s, path });
    QVERIFY(xlrd.waitForFinished(300000));
    QVERIFY2(
        xlrd.exitStatus() == QProcess::NormalExit && xlrd.exitCode() == 0, xlrd.readAllStandardError().constData());
    const QJsonObject result = QJsonDocument::fromJson(xlrd.readAllStandardOutput()).object();
    QCOMPARE(result.value(u"sheets").toInt(), 1);
    QCOMPARE(result.value(u"nrows").toInt(), 65535);
    QCOMPARE(result.value(u"ncols").toInt(), 5);
    const QJsonArray cells = result.value(u"cells").toArray();
    QCOMPARE(cells.size(), 65535 * 5);
    for (const QJsonValue& v : cells) {
        const QJsonArray c = v.toArray();
        const int row = c[0].toInt(), col = c[1].toInt();
        if (c[2].toInt() != 1 || c[3].toString() != rows[row][col])
            QFAIL(qPrintable(
                u"R%1C%2: type %3 \"%4\""_s.arg(row + 1).arg(col + 1).arg(c[2].toInt()).arg(c[3].toString().left(40))));
    }
}

QELVORA_TEST(TestWorkbook)
#include "tst_workbook.moc"
