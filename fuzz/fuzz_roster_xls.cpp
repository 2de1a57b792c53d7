// Feeds arbitrary bytes to the .xls reader and the reader of the roster
// workbook import. What it accepts must hold the roster's rules (RosterChecks.h).
//   build-fuzz/fuzz/fuzz_roster_xls -max_total_time=600 CORPUS-DIR tests/data/xls

#include "RosterChecks.h"

#include "common/FieldRule.h"
#include "common/SheetRows.h"
#include "common/Workbook.h"

#include <glib.h>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {
// libgsf reports damaged compound files through GLib's log; the reader turns
// them into its own error text, so the messages are only noise here.
void dropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) { }

FieldRule defaultAccountRule()
{
    FieldRule rule;
    rule.length = u"10000"_s;
    return rule;
}
}

// libgsf's own small leak on some refused compound files (see fuzz_workbook.cpp).
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
    static const FieldRule rule = defaultAccountRule();

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<WorkbookReader> sheet = WorkbookReader::readBytes(bytes);
    if (!sheet)
        return 0;
    const Result<std::unique_ptr<SheetRows>> rows = openSheetBytes(bytes);
    rosterfuzz::require(bool(rows), "a workbook the reader takes opens as rows");
    const Result<EmployeeListFile::ReadResult> read = EmployeeListFile::readWorkbook(**rows, rule);
    rosterfuzz::require(bool(read), "rows of a workbook read in full");
    rosterfuzz::checkRead(*read, false);
    rosterfuzz::require(read->records.size() <= size_t(sheet->lastRow()), "at most one entry per row");
    return 0;
}
