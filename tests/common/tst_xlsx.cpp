#include "TestRegistry.h"

#include "common/SheetRows.h"
#include "common/XlsxReader.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(WorkbookFormat)

namespace {

QString dataPath(const QString& name)
{
    return QStringLiteral(QELVORA_TEST_DATA "/") + name;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using CellMap = QMap<QPair<int, int>, QPair<QString, QString>>; // (row, column) -> (kind, escaped text)

QString escaped(QString s)
{
    s.replace(u"\\"_s, u"\\\\"_s);
    s.replace(u"\t"_s, u"\\t"_s);
    s.replace(u"\n"_s, u"\\n"_s);
    s.replace(u"\r"_s, u"\\r"_s);
    return s;
}

// Everything a sheet gives: its cells, or the first failure.
struct SheetRead {
    QString error;
    int sheet = -1;
    WorkbookFormat format = WorkbookFormat::Other;
    CellMap cells;
    QString order; // what broke the row and column order, if anything
};

SheetRead readAll(Result<std::unique_ptr<SheetRows>> opened)
{
    SheetRead read;
    if (!opened) {
        read.error = opened.message();
        return read;
    }
    SheetRows& rows = *opened.value();
    read.sheet = rows.sheetIndex();
    read.format = rows.format();
    SheetRow row;
    int lastRow = 0;
    for (;;) {
        const Result<bool> more = rows.next(row);
        if (!more) {
            read.error = more.message();
            // A failure stays: the next call answers the same.
            const Result<bool> again = rows.next(row);
            if (again.ok() || again.message() != read.error)
                read.order = u"a second call after the failure answered differently"_s;
            return read;
        }
        if (!*more)
            return read;
        if (row.number <= lastRow || row.cells.empty())
            read.order = u"row %1 after row %2"_s.arg(row.number).arg(lastRow);
        lastRow = row.number;
        int lastColumn = 0;
        for (const SheetCell& cell : row.cells) {
            if (cell.column <= lastColumn || cell.text.isEmpty())
                read.order = u"row %1: column %2 after %3"_s.arg(row.number).arg(cell.column).arg(lastColumn);
            lastColumn = cell.column;
            const QString kind = cell.isError() ? u"error"_s : cell.isNumber() ? u"number"_s : u"text"_s;
            read.cells.insert({ row.number, cell.column }, { kind, escaped(cell.text) });
        }
    }
}

// An .expected.tsv: "# active-sheet: N", then row, column, kind and text.
bool readExpected(const QString& path, int& sheet, CellMap& cells)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    if (!lines.value(0).startsWith(u"# active-sheet: "_s))
        return false;
    sheet = lines[0].mid(16).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(u'\t');
        if (f.size() != 4)
            return false;
        cells.insert({ f[0].toInt(), f[1].toInt() }, { f[2], f[3] });
    }
    return true;
}

QString firstDifference(const CellMap& expected, const CellMap& actual)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        if (actual.value(it.key()) != it.value())
            return u"R%1C%2: expected %3 \"%4\", got %5 \"%6\""_s.arg(it.key().first)
                .arg(it.key().second)
                .arg(it.value().first, it.value().second, actual.value(it.key()).first, actual.value(it.key()).second);
    for (auto it = actual.cbegin(); it != actual.cend(); ++it)
        if (!expected.contains(it.key()))
            return u"R%1C%2: unexpected %3 \"%4\""_s.arg(it.key().first)
                .arg(it.key().second)
                .arg(it.value().first, it.value().second);
    return {};
}

} // namespace

class TestXlsx : public QObject {
    Q_OBJECT

private slots:
    void readsFixtures_data();
    void readsFixtures();
    void refuses_data();
    void refuses();
    void detectsFormat_data();
    void detectsFormat();
    void numberText_data();
    void numberText();
    void xlsErrorCellsAreErrors();
};

// ---- files other programs wrote, and files written by hand -------------------

void TestXlsx::readsFixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<WorkbookFormat>("format");
    const auto xlsx = [](const char* tag, const QString& file, const QString& expected) {
        QTest::newRow(tag) << u"xlsx/"_s + file << u"xlsx/"_s + expected << WorkbookFormat::Xlsx;
    };
    xlsx("rich text, escapes, cached formulas", u"handmade_rich.xlsx"_s, u"handmade_rich.expected.tsv"_s);
    xlsx("strict namespaces", u"strict_ooxml.xlsx"_s, u"strict_ooxml.expected.tsv"_s);
    xlsx("ssconvert roster", u"ssconvert_roster.xlsx"_s, u"ssconvert_roster.expected.tsv"_s);
    xlsx("ssconvert payroll with formulas", u"ssconvert_payroll.xlsx"_s, u"ssconvert_payroll.expected.tsv"_s);
    xlsx("openpyxl types, second sheet active", u"openpyxl_types.xlsx"_s, u"openpyxl_types.expected.tsv"_s);
    xlsx("openpyxl hidden first sheet, no active tab", u"openpyxl_hidden_first.xlsx"_s,
        u"openpyxl_hidden_first.expected.tsv"_s);
    xlsx("xlsx named .xls", u"xlsx_named_as.xls"_s, u"ssconvert_roster.expected.tsv"_s);
    QTest::newRow("xls named .xlsx") << u"xlsx/xls_named_as.xlsx"_s << u"xls/ssconvert_roster.xls.expected.tsv"_s
                                     << WorkbookFormat::Xls;
    QTest::newRow("xls with formulas") << u"xls/lo_formulas.xls"_s << u"xls/lo_formulas.xls.expected.tsv"_s
                                       << WorkbookFormat::Xls;
    QTest::newRow("xls third sheet active")
        << u"xls/three_sheets_active2.xls"_s << u"xls/three_sheets_active2.xls.expected.tsv"_s << WorkbookFormat::Xls;
}

void TestXlsx::readsFixtures()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QFETCH(WorkbookFormat, format);
    int expectedSheet = -1;
    CellMap expectedCells;
    QVERIFY(readExpected(dataPath(expected), expectedSheet, expectedCells));

    const SheetRead fromFile = readAll(openSheet(dataPath(file)));
    QVERIFY2(fromFile.error.isEmpty(), qPrintable(fromFile.error));
    QVERIFY2(fromFile.order.isEmpty(), qPrintable(fromFile.order));
    QCOMPARE(fromFile.format, format);
    QCOMPARE(fromFile.sheet, expectedSheet);
    const QString difference = firstDifference(expectedCells, fromFile.cells);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    const SheetRead fromBytes = readAll(openSheetBytes(bytesOf(dataPath(file))));
    QVERIFY2(fromBytes.error.isEmpty(), qPrintable(fromBytes.error));
    QCOMPARE(fromBytes.sheet, expectedSheet);
    QCOMPARE(fromBytes.cells, fromFile.cells);
}

// ---- what cannot be read ---------------------------------------------------------

void TestXlsx::refuses_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error"); // the message, or its beginning when it ends in "…"
    QTest::newRow("encrypted") << u"xlsx/bad_encrypted.xlsx"_s << u"工作簿已加密，请在 Excel 中取消密码后再试"_s;
    QTest::newRow("zip bomb, declared") << u"xlsx/bad_bomb_declared.xlsx"_s
                                        << u"不是 Excel 工作簿：解压后的内容过大（超过 …"_s;
    QTest::newRow("zip bomb, headers lie")
        << u"xlsx/bad_bomb_lying.xlsx"_s
        << u"工作簿已损坏：部件 xl/worksheets/sheet1.xml 解压后的长度与压缩包目录不符"_s;
    QTest::newRow("truncated zip") << u"xlsx/bad_truncated.xlsx"_s
                                   << u"工作簿已损坏：ZIP 压缩包不完整或已损坏（找不到压缩包目录）"_s;
    QTest::newRow("damaged compressed data")
        << u"xlsx/bad_damaged_data.xlsx"_s << u"工作簿已损坏：部件 xl/worksheets/工资.xml 的压缩数据已损坏（…"_s;
    QTest::newRow("no sheet part") << u"xlsx/bad_no_sheet_part.xlsx"_s
                                   << u"工作簿已损坏：压缩包中没有工作表“Sheet1”的部件 xl/worksheets/sheet1.xml"_s;
    QTest::newRow("no workbook part") << u"xlsx/bad_no_workbook_part.xlsx"_s
                                      << u"工作簿已损坏：压缩包中没有工作簿部件 xl/workbook.xml"_s;
    QTest::newRow("xlsb")
        << u"xlsx/bad_xlsb.xlsb"_s
        << u"不支持的文件格式：Excel 二进制工作簿（.xlsb），请在 Excel 中另存为 Excel 工作簿（.xlsx）后再试"_s;
    QTest::newRow("malformed xml") << u"xlsx/bad_malformed_xml.xlsx"_s
                                   << u"工作簿已损坏：部件 xl/worksheets/sheet1.xml 不是格式正确的 XML（第 …"_s;
    QTest::newRow("dtd with entities")
        << u"xlsx/bad_entities.xlsx"_s
        << u"工作簿已损坏：部件 xl/worksheets/sheet1.xml 含有文档类型声明（DTD），工作簿的 XML 部件不能含有"_s;
    QTest::newRow("formula without result")
        << u"xlsx/bad_formula_no_value.xlsx"_s << u"单元格C5的公式没有计算结果，请在 Excel 中打开并保存后再试"_s;
    QTest::newRow("rows out of order") << u"xlsx/bad_rows_out_of_order.xlsx"_s
                                       << u"工作簿已损坏：工作表的第 2 行出现在第 3 行之后"_s;
    QTest::newRow("shared string index") << u"xlsx/bad_shared_string_index.xlsx"_s
                                         << u"工作簿已损坏：单元格B1引用了不存在的共享字符串 5"_s;
    QTest::newRow("empty file") << u"xls/bad_empty.xls"_s << u"不是 Excel 工作簿：文件为空"_s;
    QTest::newRow("csv") << u"xls/bad_csv_renamed.xls"_s
                         << u"不是 Excel 工作簿：无法识别的文件格式（既不是 .xls 也不是 .xlsx 工作簿）"_s;
    QTest::newRow("biff5 through the .xls reader")
        << u"xls/biff5_excel95.xls"_s
        << u"不支持的文件格式：Excel 5.0/95 工作簿（BIFF5），只能读取 Excel 97-2003 工作簿（BIFF8）"_s;
    QTest::newRow("truncated xls") << u"xls/bad_truncated_half.xls"_s << u"工作簿已损坏：…"_s;
    QTest::newRow("missing file") << u"xlsx/nicht-da.xlsx"_s << u"无法打开文件 …"_s;
}

void TestXlsx::refuses()
{
    QFETCH(QString, file);
    QFETCH(QString, error);
    const bool prefix = error.endsWith(u'…');
    if (prefix)
        error.chop(1);
    const auto check = [&](const SheetRead& read) {
        QVERIFY2(read.order.isEmpty(), qPrintable(read.order));
        if (prefix)
            QVERIFY2(read.error.startsWith(error), qPrintable(read.error));
        else
            QCOMPARE(read.error, error);
    };
    check(readAll(openSheet(dataPath(file))));
    if (QFile::exists(dataPath(file)))
        check(readAll(openSheetBytes(bytesOf(dataPath(file)))));
}

// ---- telling formats by content --------------------------------------------------

void TestXlsx::detectsFormat_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<WorkbookFormat>("format");
    QTest::newRow("xlsx") << u"xlsx/ssconvert_payroll.xlsx"_s << WorkbookFormat::Xlsx;
    QTest::newRow("xlsx named .xls") << u"xlsx/xlsx_named_as.xls"_s << WorkbookFormat::Xlsx;
    QTest::newRow("xls named .xlsx") << u"xlsx/xls_named_as.xlsx"_s << WorkbookFormat::Xls;
    QTest::newRow("biff5 book stream") << u"xls/biff5_excel95.xls"_s << WorkbookFormat::Xls;
    QTest::newRow("encrypted xlsx") << u"xlsx/bad_encrypted.xlsx"_s << WorkbookFormat::EncryptedOoxml;
    QTest::newRow("xlsb") << u"xlsx/bad_xlsb.xlsb"_s << WorkbookFormat::Xlsb;
    QTest::newRow("zip without workbook") << u"xlsx/bad_no_workbook_part.xlsx"_s << WorkbookFormat::Other;
    QTest::newRow("compound file without workbook") << u"xls/bad_ole_no_workbook.xls"_s << WorkbookFormat::Other;
    QTest::newRow("csv") << u"xls/bad_csv_renamed.xls"_s << WorkbookFormat::Other;
    QTest::newRow("empty") << u"xls/bad_empty.xls"_s << WorkbookFormat::Other;
}

void TestXlsx::detectsFormat()
{
    QFETCH(QString, file);
    QFETCH(WorkbookFormat, format);
    QCOMPARE(detectWorkbookFormat(bytesOf(dataPath(file))), format);
    QCOMPARE(detectWorkbookFormatOfFile(dataPath(file)), format);
}

// ---- numbers as spreadsheet programs show them -------------------------------------

void TestXlsx::numberText_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << QByteArray("3000") << u"3000"_s;
    QTest::newRow("sum of tenths") << QByteArray("0.30000000000000004") << u"0.3"_s;
    QTest::newRow("17 digits of a time") << QByteArray("45366.395833333336") << u"45366.3958333333"_s;
    QTest::newRow("exponent") << QByteArray("1.5E+3") << u"1500"_s;
    QTest::newRow("small, no exponent") << QByteArray("1E-7") << u"0.0000001"_s;
    QTest::newRow("negative zero") << QByteArray("-0") << u"0"_s;
    QTest::newRow("negative cents") << QByteArray("-0.07") << u"-0.07"_s;
    QTest::newRow("16-digit account") << QByteArray("6222021234567890") << u"6222021234567890"_s;
    QTest::newRow("19 digits keep 15") << QByteArray("6.222020200001235e+18") << u"6222020200001230000"_s;
    QTest::newRow("rounds up a place") << QByteArray("999999999999999.95") << u"1000000000000000"_s;
    QTest::newRow("1e20") << QByteArray("1E+20") << u"100000000000000000000"_s;
    QTest::newRow("blanks and plus") << QByteArray(" +12.50 ") << u"12.5"_s;
    QTest::newRow("not a number") << QByteArray("12a") << QString();
    QTest::newRow("infinity text") << QByteArray("inf") << QString();
    QTest::newRow("empty") << QByteArray("") << QString();
}

void TestXlsx::numberText()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, text);
    QCOMPARE(xlsxNumberText(value), text);
}

// The .xls side of the row interface keeps an error value an error, as the
// .xlsx side does, so the imports refuse it whichever format the clerk saved.
void TestXlsx::xlsErrorCellsAreErrors()
{
    auto sheet = openSheet(dataPath(u"payroll_import/error_name.xls"_s));
    QVERIFY2(sheet.ok(), qPrintable(sheet.message()));
    SheetRow row;
    QList<SheetCell> errors;
    while (true) {
        const Result<bool> more = (*sheet)->next(row);
        QVERIFY(more.ok());
        if (!*more)
            break;
        for (const SheetCell& cell : row.cells)
            if (cell.isError())
                errors.append(cell);
    }
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0].text, u"#N/A"_s);
    QCOMPARE(errors[0].column, 2);
}

QELVORA_TEST(TestXlsx)
#include "tst_xlsx.moc"
