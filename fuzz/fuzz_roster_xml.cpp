// Feeds arbitrary bytes to the reader of the roster XML import (through the XML
// document the import loads). What it accepts must hold the roster's rules
// (RosterChecks.h), and the roster's XML export of it must read back the same.
//   build-fuzz/fuzz/fuzz_roster_xml -max_total_time=600 CORPUS-DIR tests/data/masterdata

#include "RosterChecks.h"

#include "common/XmlDoc.h"

#include <cstdint>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<XmlDoc> doc = XmlDoc::parse(bytes);
    if (!doc) {
        rosterfuzz::require(!doc.message().isEmpty(), "a refused document says why");
        return 0;
    }
    const EmployeeListFile::ReadResult read = EmployeeListFile::readXml(doc.value());
    rosterfuzz::checkRead(read, true);
    if (read.stopped())
        return 0;

    // The export's lines, declared as UTF-8 so that every value goes through.
    // The export writes the kind stored for the entry: in-bank for an entry
    // the file gave none.
    QList<EmployeeListFile::Entry> exported(read.records.begin(), read.records.end());
    for (EmployeeListFile::Entry& e : exported) {
        if (!(e.carried & EmployeeListFile::Entry::Kind))
            e.accType = u"0"_s;
    }
    QStringList lines = EmployeeListFile::xmlLines(exported);
    lines.first() = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"_s;
    const Result<XmlDoc> written = XmlDoc::parse(lines.join(u"\r\n"_s).toUtf8());
    rosterfuzz::require(written.ok(), "the export is a document");
    const EmployeeListFile::ReadResult again = EmployeeListFile::readXml(written.value());
    rosterfuzz::require(!again.stopped() && again.records.size() == read.records.size(), "export reads back");
    for (size_t i = 0; i < again.records.size(); ++i) {
        const EmployeeListFile::Entry& a = exported.at(qsizetype(i));
        const EmployeeListFile::Entry& b = again.records.at(i);
        rosterfuzz::require(b.carried == EmployeeListFile::Entry::All, "the export writes every field");
        rosterfuzz::require(a.group == b.group && a.accNo == b.accNo && a.accName == b.accName
                && a.employeeNo == b.employeeNo && a.accType == b.accType && a.netNo == b.netNo
                && a.mulNetNo == b.mulNetNo && a.certDesc == b.certDesc && a.certCode == b.certCode,
            "export reads back the same entries");
    }
    return 0;
}
