// The checks before writing an upload file and the approval sheet:
//   - InstructionCheck::check over N plain records (default 100,000), a tenth
//     of them with a finding;
//   - the payment tab's "检查指令" over N stored instructions (reading included);
//   - the approval sheet of 10,000 instructions rendered to PDF.
//
//   bench_check [N]
//
// Runs offscreen; no window is shown.

#include "BenchSupport.h"
#include "app/ApprovalSheet.h"
#include "domain/InstructionCheck.h"
#include "payment/PaymentB2B.h"

#include <QApplication>

using namespace Qt::StringLiterals;
using bench::amount;
using bench::measureRuns;
using bench::report;

namespace {
// A card number with a right check digit (Luhn).
QString account(int i)
{
    QString digits = u"6228480%1"_s.arg(i, 8, 10, QChar(u'0'));
    int sum = 0;
    for (qsizetype k = digits.size() - 1, doubled = 1; k >= 0; --k, doubled ^= 1) {
        int d = digits.at(k).unicode() - u'0';
        if (doubled)
            d = d * 2 > 9 ? d * 2 - 9 : d * 2;
        sum += d;
    }
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}
} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;

    std::vector<InstructionCheck::Record> records;
    records.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
        InstructionCheck::Record r;
        r.row = i;
        r.serialNo = QString::number(i);
        r.texts = { { u"付款账号"_s, u"6228480012345671"_s }, { u"付款账户户名"_s, u"某某贸易有限公司"_s },
            { u"账号行别"_s, u"0"_s }, { u"收款账号"_s, account(i) }, { u"收款账户户名"_s, u"收款人%1"_s.arg(i) },
            { u"支付系统行号"_s, QString() }, { u"备注"_s, i % 10 == 0 ? u"货款,定金"_s : u"货款"_s } };
        r.accNo = account(i);
        r.accName = u"收款人%1"_s.arg(i);
        r.amount = amount(i);
        r.keptName = r.accName;
        records.push_back(std::move(r));
    }
    InstructionCheck::Rules rules;
    rules.accountField = u"收款账号"_s;
    rules.nameField = u"收款账户户名"_s;
    rules.amountField = u"付款金额"_s;
    rules.accountLengthRule = u"16,19"_s;
    size_t found = 0;
    const auto checks = measureRuns(5, [&] { found = InstructionCheck::check(records, rules).size(); });
    const QByteArray extra = " (" + QByteArray::number(qulonglong(found)) + " findings)";
    std::printf("%-28s %d\n", "instructions", n);
    report("check (records)", checks, extra.constData());

    // The same over the store, as "检查指令" runs it.
    bench::Program program;
    if (!program.createStore())
        return 1;
    AppContext& ctx = *program.ctx;
    ctx.db().BeginTrans();
    for (int i = 1; i <= n; ++i)
        ctx.db().Insert(u"insert into payment (serial_no,pay_acc_no,pay_acc_name,rec_acc_type,rec_acc_no,"
                        u"rec_acc_name,rec_bank_id,rec_area_no,rec_net_no,pay_amt,remark,user_remark)"
                        u" values (?,'6228480012345671','某某贸易有限公司','0',?,?,'','','',?,?,'')"_s,
            { u"%1"_s.arg(i, 20, 10, QChar(u'0')), account(i), u"收款人%1"_s.arg(i), amount(i),
                i % 10 == 0 ? u"货款,定金"_s : u"货款"_s });
    ctx.db().Commit();
    if (!program.start())
        return 1;
    auto* page = static_cast<PaymentB2B*>(program.window->page(frmMain::TabPaymentB2B));
    size_t storeFound = 0;
    page->setCheckReportOpener([&](const CheckReportRequest& r) {
        storeFound = r.findings.size();
        return false;
    });
    const auto tabChecks = measureRuns(3, [&] { page->menuCheckB2BRec_Click(); });
    const QByteArray extra2 = " (" + QByteArray::number(qulonglong(storeFound)) + " findings)";
    report("检查指令 (store and check)", tabChecks, extra2.constData());

    // The approval sheet of 10,000 instructions.
    ApprovalSheetData data;
    data.title = u"付款审批单"_s;
    data.bankName = u"某某银行"_s;
    data.payerAccNo = u"6228480012345671"_s;
    data.payerAccName = u"某某贸易有限公司"_s;
    data.madeAt = QDateTime::currentDateTime();
    for (int i = 1; i <= 10000; ++i) {
        const Money m = *Money::parse(amount(i));
        data.total += m;
        data.rows.push_back({ QString::number(i), account(i), u"收款人%1"_s.arg(i), m.toGroupedText(), u"货款"_s });
    }
    const ApprovalSheet sheet(std::move(data));
    const QString pdf = program.dir.filePath(u"sheet.pdf"_s);
    const auto sheets = measureRuns(3, [&] {
        if (!sheet.writePdf(pdf))
            std::fprintf(stderr, "sheet not written\n");
    });
    report("approval sheet 10,000 rows", sheets, bench::sizeNote(pdf).constData());
    return 0;
}
