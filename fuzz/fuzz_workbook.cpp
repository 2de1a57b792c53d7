// Feeds arbitrary bytes to the .xls reader. It must refuse or read them without a
// crash, an endless loop or unbounded memory, and a refusal must say why.

#include "common/Workbook.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {
// libgsf reports damaged compound files through GLib's log; the reader turns
// them into its own error text, so the messages are only noise here.
void dropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) { }
}

// libgsf loses a few bytes when it gives up on some damaged compound files (inside
// gsf_infile_msole_new). That is its own small leak per refused file, not ours;
// leaks anywhere else are still reported. GLib is built without frame pointers, so
// allocation stacks need the slow unwinder to reach the libgsf frame.
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

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<WorkbookReader> opened = WorkbookReader::readBytes(bytes);
    if (!opened) {
        if (opened.message().isEmpty())
            std::abort();
        return 0;
    }
    const WorkbookReader& reader = opened.value();
    if (!opened.message().isEmpty() || reader.activeSheetIndex() < 0 || reader.lastRow() < 0 || reader.lastColumn() < 0
        || (reader.lastRow() == 0) != (reader.lastColumn() == 0))
        std::abort();
    // Look at a bounded window of cells, plus the edges of the extent.
    const int rows = std::min(reader.lastRow(), 64);
    const int columns = std::min(reader.lastColumn(), 32);
    qsizetype total = 0;
    for (int r = 0; r <= rows + 1; ++r)
        for (int c = 0; c <= columns + 1; ++c)
            total += reader.cell(r, c).text.size();
    if (!reader.cell(reader.lastRow() + 1, 1).isEmpty() || !reader.cell(1, reader.lastColumn() + 1).isEmpty())
        std::abort();
    return total < 0 ? 1 : 0;
}
