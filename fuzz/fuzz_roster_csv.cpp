// Feeds arbitrary bytes to the reader of the roster CSV import. What it accepts
// must hold the roster's rules (RosterChecks.h), and written back in the layout
// of the roster's CSV export it must read back the same.
//   build-fuzz/fuzz/fuzz_roster_csv -max_total_time=600 CORPUS-DIR tests/data/masterdata

#include "RosterChecks.h"

#include "common/FieldRule.h"

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {
// Rule 17 as the default settings give it: no account format, no practical length limit.
FieldRule defaultAccountRule()
{
    FieldRule rule;
    rule.length = u"10000"_s;
    return rule;
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FieldRule rule = defaultAccountRule();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const EmployeeListFile::ReadResult read = EmployeeListFile::readCsv(bytes, rule);
    rosterfuzz::checkRead(read, false);
    if (read.stopped())
        return 0;

    // The export's layout, as UTF-8 with a byte-order mark (values GBK lacks
    // included); a comma in a value is refused by the export, not written.
    QString text = u"\uFEFF"_s + QString::number(read.records.size()) + u",0.00\r\n"_s;
    for (const EmployeeListFile::Entry& e : read.records) {
        const QString line = e.group + u",#"_s + e.accNo + u", "_s + e.accName + u",#"_s + e.employeeNo;
        if (line.count(u',') != 3)
            return 0;
        text += line + u"\r\n"_s;
    }
    const EmployeeListFile::ReadResult again = EmployeeListFile::readCsv(text.toUtf8(), rule);
    rosterfuzz::require(!again.stopped() && again.records.size() == read.records.size(), "export reads back");
    for (size_t i = 0; i < read.records.size(); ++i) {
        const EmployeeListFile::Entry& a = read.records.at(i);
        const EmployeeListFile::Entry& b = again.records.at(i);
        rosterfuzz::require(
            a.group == b.group && a.accNo == b.accNo && a.accName == b.accName && a.employeeNo == b.employeeNo,
            "export reads back the same entries");
    }
    return 0;
}
