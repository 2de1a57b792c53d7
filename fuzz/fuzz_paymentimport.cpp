// Feeds arbitrary bytes to the readers of the batch payment import (the upload
// file and the XML instruction file) and to the CSV reader of the payroll
// import. Every record a reader accepts must satisfy the checks the import
// relies on.
//   build-fuzz/fuzz/fuzz_paymentimport -max_total_time=300 CORPUS-DIR

#include "common/ImportText.h"
#include "payment/PaymentImport.h"
#include "payroll/LaborageImport.h"

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
void checkRecords(const PaymentImport::ReadResult& result)
{
    for (const PaymentImport::Record& r : result.records) {
        const bool kindOk = r.recAccType == u"0"_s || r.recAccType == u"1"_s;
        if (!kindOk || r.payAccNo.isEmpty() || r.recAccNo.isEmpty() || r.payAccName.isEmpty() || r.recAccName.isEmpty()
            || !ImportText::amountProblem(r.payAmt).isEmpty())
            std::abort();
    }
    if (result.stopped() && result.stop.message().isEmpty())
        std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkRecords(PaymentImport::readCsv(bytes));
    const qsizetype count = PaymentImport::countXmlRecords(bytes);
    const auto xml = PaymentImport::readXml(bytes);
    checkRecords(xml);
    if (qsizetype(xml.records.size()) > std::max<qsizetype>(count, 0))
        std::abort();
    const auto payroll = LaborageImport::readCsv(bytes);
    for (const LaborageImport::Record& r : payroll.records) {
        QString stored;
        if (r.accNo.isEmpty() || r.accNo.contains(u',') || !ImportText::amountProblem(r.payAmount, &stored).isEmpty()
            || stored != r.payAmount)
            std::abort();
    }
    if (payroll.stopped() && payroll.stop.message().isEmpty())
        std::abort();
    return 0;
}
