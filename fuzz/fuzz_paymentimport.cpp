// Feeds arbitrary bytes to the readers of the batch payment import (the upload
// file and the XML instruction file) and to the CSV reader of the payroll
// import. Every record a reader accepts must satisfy the checks the import
// relies on, and a file whose reader accepts every line must agree with its
// header.
//   build-fuzz/fuzz/fuzz_paymentimport -max_total_time=300 CORPUS-DIR

#include "common/ImportText.h"
#include "domain/payment/PaymentImport.h"
#include "domain/payroll/LaborageImport.h"

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
bool clean(const QString& text)
{
    return !ImportText::hasControlCharacter(text);
}

// An upload file read in full: its header, where it reads, names the records read.
template <typename Records, typename AmountOf>
void checkHeader(const QByteArray& bytes, const Records& records, AmountOf amountOf)
{
    if (records.empty())
        return;
    const ImportText::Header header = ImportText::parseHeader(ImportText::decodeUploadFile(bytes).header);
    Money total;
    for (const auto& r : records)
        total += Money::parse(amountOf(r)).value_or(Money());
    if ((header.count && *header.count != qint64(records.size())) || (header.total && *header.total != total))
        std::abort();
}

void checkRecords(const PaymentImport::ReadResult& result, bool xml)
{
    for (const PaymentImport::Record& r : result.records) {
        const bool kindOk = r.recAccType == u"0"_s || r.recAccType == u"1"_s;
        // The upload file may carry an empty payee name; the XML file may not.
        if (!kindOk || r.payAccNo.isEmpty() || r.recAccNo.isEmpty() || r.payAccName.isEmpty()
            || (xml && r.recAccName.isEmpty()) || !ImportText::amountProblem(r.payAmt).isEmpty())
            std::abort();
        for (const QString* text : { &r.payAccNo, &r.payAccName, &r.recAccType, &r.recAccNo, &r.recAccName,
                 &r.recBankId, &r.recAreaNo, &r.recNetNo, &r.payAmt, &r.remark })
            if (!clean(*text))
                std::abort();
    }
    if (result.stopped() && result.stop.message().isEmpty())
        std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto csv = PaymentImport::readCsv(bytes);
    checkRecords(csv, false);
    if (!csv.stopped())
        checkHeader(bytes, csv.records, [](const PaymentImport::Record& r) { return r.payAmt; });
    const qsizetype count = PaymentImport::countXmlRecords(bytes);
    const auto xml = PaymentImport::readXml(bytes);
    checkRecords(xml, true);
    if (qsizetype(xml.records.size()) > std::max<qsizetype>(count, 0))
        std::abort();
    const auto payroll = LaborageImport::readCsv(bytes);
    for (const LaborageImport::Record& r : payroll.records) {
        QString stored;
        if (r.accNo.isEmpty() || r.accNo.contains(u',') || !clean(r.accNo)
            || !ImportText::amountProblem(r.payAmount, &stored).isEmpty() || stored != r.payAmount)
            std::abort();
    }
    if (payroll.stopped() && payroll.stop.message().isEmpty())
        std::abort();
    if (!payroll.stopped())
        checkHeader(bytes, payroll.records, [](const LaborageImport::Record& r) { return r.payAmount; });
    return 0;
}
