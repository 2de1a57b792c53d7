// Feeds arbitrary bytes to the workbook readers through openSheetBytes. They must
// refuse or read them without a crash, an endless loop or unbounded memory; a
// refusal must say why, and the rows that are read must come in order.
//
// An input that starts like a zip (or a compound file) is read as it is. Any other
// input is taken as the XML parts of a package, separated by NUL bytes: the sheet,
// then the shared strings, the workbook and the workbook's relationships; parts it
// leaves out get plain defaults. They are stored in a zip built here, so the
// mutations reach the XML instead of breaking the zip's checksums. Seeds of that
// kind come from the fixtures, e.g.
//   cd tests/data/xlsx && /usr/bin/python3 -c 'import zipfile,sys
//   for n in sys.argv[1:]:
//       z=zipfile.ZipFile(n); p=[x for x in z.namelist() if x.startswith("xl/worksheets/")][0]
//       s=z.read("xl/sharedStrings.xml") if "xl/sharedStrings.xml" in z.namelist() else b""
//       open(CORPUS+"/"+n+".parts","wb").write(z.read(p)+b"\0"+s)' *.xlsx

#include "common/SheetRows.h"

#include <glib.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

void dropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) { }

void put16(std::string& out, unsigned v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A zip that stores `parts` uncompressed.
std::string storedZip(const std::vector<std::pair<std::string, std::string_view>>& parts)
{
    std::string out;
    std::string directory;
    for (const auto& [name, data] : parts) {
        const std::uint32_t crc = std::uint32_t(
            crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
        const std::uint32_t offset = std::uint32_t(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0x21);
        put32(out, crc);
        put32(out, std::uint32_t(data.size()));
        put32(out, std::uint32_t(data.size()));
        put16(out, unsigned(name.size()));
        put16(out, 0);
        out += name;
        out += data;

        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0x21);
        put32(directory, crc);
        put32(directory, std::uint32_t(data.size()));
        put32(directory, std::uint32_t(data.size()));
        put16(directory, unsigned(name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, 0);
        put32(directory, offset);
        directory += name;
    }
    const std::uint32_t directoryAt = std::uint32_t(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, unsigned(parts.size()));
    put16(out, unsigned(parts.size()));
    put32(out, std::uint32_t(directory.size()));
    put32(out, directoryAt);
    put16(out, 0);
    return out;
}

constexpr std::string_view kWorkbook
    = "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
      "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
constexpr std::string_view kWorkbookRels
    = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
      "Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
      "Target=\"sharedStrings.xml\"/></Relationships>";
constexpr std::string_view kRootRels
    = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
      "Target=\"xl/workbook.xml\"/></Relationships>";

std::string packageOf(std::string_view input)
{
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t nul = input.find('\0');
        pieces.push_back(input.substr(0, nul));
        if (nul == std::string_view::npos || pieces.size() == 4)
            break;
        input.remove_prefix(nul + 1);
    }
    std::vector<std::pair<std::string, std::string_view>> parts {
        { "_rels/.rels", kRootRels },
        { "xl/workbook.xml", pieces.size() > 2 ? pieces[2] : kWorkbook },
        { "xl/_rels/workbook.xml.rels", pieces.size() > 3 ? pieces[3] : kWorkbookRels },
        { "xl/worksheets/sheet1.xml", pieces[0] },
    };
    if (pieces.size() > 1)
        parts.emplace_back("xl/sharedStrings.xml", pieces[1]);
    return storedZip(parts);
}

} // namespace

// Compound files reach libgsf, which loses a few bytes on some damaged ones (see
// fuzz_workbook); leaks anywhere else are still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:gsf_infile_msole_new\n";
}
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        g_log_set_default_handler(dropLogMessage, nullptr);
        return true;
    }();
    (void)quiet;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool asIs = input.starts_with("PK") || input.starts_with("\xD0\xCF\x11\xE0");
    const std::string package = asIs ? std::string(input) : packageOf(input);
    Result<std::unique_ptr<SheetRows>> opened
        = openSheetBytes(QByteArray::fromRawData(package.data(), qsizetype(package.size())));
    if (!opened) {
        if (opened.message().isEmpty())
            std::abort();
        return 0;
    }
    SheetRows& rows = *opened.value();
    if (rows.sheetIndex() < 0)
        std::abort();
    // An .xlsx sheet has 16,384 columns; the .xls reader takes up to 65,536.
    const int maxColumn = rows.format() == WorkbookFormat::Xls ? 65536 : 16384;
    SheetRow row;
    int lastRow = 0;
    for (;;) {
        const Result<bool> more = rows.next(row);
        if (!more) {
            if (more.message().isEmpty() || rows.next(row).message() != more.message())
                std::abort();
            return 0;
        }
        if (!*more)
            break;
        if (row.number <= lastRow || row.number > 1048576 || row.cells.empty())
            std::abort();
        lastRow = row.number;
        int lastColumn = 0;
        for (const SheetCell& cell : row.cells) {
            if (cell.column <= lastColumn || cell.column > maxColumn || cell.text.isEmpty())
                std::abort();
            lastColumn = cell.column;
        }
    }
    // The end stays the end.
    const Result<bool> after = rows.next(row);
    if (!after || *after)
        std::abort();
    return 0;
}
