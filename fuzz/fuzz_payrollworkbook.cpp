// Feeds arbitrary bytes to the .xls reader and the payroll workbook reader
// behind it. Every record the payroll reader accepts must satisfy the checks
// the import relies on: an account of digits, a name of 1 to 60 characters
// without control characters, an amount in its stored form.
//   build-fuzz/fuzz/fuzz_payrollworkbook -max_total_time=300 CORPUS-DIR tests/data/xls

#include "common/ImportText.h"
#include "common/SheetRows.h"
#include "common/Workbook.h"
#include "domain/payroll/LaborageImport.h"

#include <glib.h>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
// libgsf reports damaged compound files through GLib's log; the reader turns
// them into its own error text, so the messages are only noise here.
void dropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) { }

bool digitsOnly(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return !text.isEmpty();
}
}

// libgsf loses a few bytes when it gives up on some damaged compound files
// (inside gsf_infile_msole_new); leaks anywhere else are still reported.
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
    const Result<std::unique_ptr<SheetRows>> opened = openSheetBytes(bytes);
    if (!opened)
        return 0;
    const Result<LaborageImport::ReadResult> readRows = LaborageImport::readWorkbook(**opened);
    if (!readRows) {
        if (readRows.message().isEmpty())
            std::abort();
        return 0;
    }
    const LaborageImport::ReadResult& read = *readRows;
    for (const LaborageImport::Record& r : read.records) {
        QString stored;
        if (!digitsOnly(r.accNo) || r.accName.isEmpty() || r.accName.size() > 60
            || ImportText::hasControlCharacter(r.accName) || !ImportText::amountProblem(r.payAmount, &stored).isEmpty()
            || stored != r.payAmount)
            std::abort();
    }
    if (read.stopped() && read.stop.message().isEmpty())
        std::abort();
    return 0;
}
