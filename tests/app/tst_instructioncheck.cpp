#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ApprovalSheet.h"
#include "app/CheckReport.h"
#include "common/GbkCodec.h"
#include "domain/InstructionCheck.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace InstructionCheck;

using Records = std::vector<Record>;
Q_DECLARE_METATYPE(Records)
Q_DECLARE_METATYPE(InstructionCheck::Severity)

namespace {
// A clean in-bank instruction: a card number with a right check digit.
Record clean(qint64 row, const QString& acc = u"6228480012345671"_s, const QString& amount = u"100"_s)
{
    Record r;
    r.row = row;
    r.serialNo = QString::number(row);
    r.texts
        = { { u"付款账户户名"_s, u"某某贸易有限公司"_s }, { u"收款账户户名"_s, u"张三"_s }, { u"备注"_s, u"货款"_s } };
    r.accNo = acc;
    r.amount = amount;
    r.accName = u"张三"_s;
    return r;
}

Rules paymentRules()
{
    Rules rules;
    rules.accountField = u"收款账号"_s;
    rules.nameField = u"收款账户户名"_s;
    rules.amountField = u"付款金额"_s;
    rules.accountLengthRule = u"16,19"_s;
    return rules;
}

struct Word {
    QRectF box;
    QString text;
};
// The words of each page of a PDF file with their boxes, as pdftotext -bbox gives them.
std::vector<std::vector<Word>> pdfWords(const QString& path)
{
    QProcess p;
    p.start(u"pdftotext"_s, { u"-bbox"_s, path, u"-"_s });
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return {};
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<std::vector<Word>> pages;
    static const QRegularExpression tag(
        uR"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(u"<page"_s)) {
            pages.emplace_back();
            continue;
        }
        if (pages.empty())
            continue;
        const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
        const double x1 = m.captured(3).toDouble(), y1 = m.captured(4).toDouble();
        pages.back().push_back({ QRectF(QPointF(x0, y0), QPointF(x1, y1)), m.captured(5) });
    }
    return pages;
}

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(u"pdftotext"_s, { u"-layout"_s, path, u"-"_s });
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

class TestInstructionCheck : public QObject {
    Q_OBJECT
private slots:
    // Each kind of problem in an otherwise clean batch gives exactly its one finding.
    void findsEachProblem_data()
    {
        QTest::addColumn<Records>("records");
        QTest::addColumn<Severity>("severity");
        QTest::addColumn<qint64>("row");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("problem");

        const auto with = [](auto change) {
            Records rs = { clean(1, u"6228480099990001"_s), clean(2) };
            change(rs[1]);
            return rs;
        };
        QTest::newRow("comma") << with([](Record& r) { r.texts[2].text = u"货款,定金"_s; }) << Severity::Error
                               << qint64(2) << u"备注"_s << u"含有逗号，会使上传文件的各栏错位"_s;
        QTest::newRow("line break") << with([](Record& r) { r.texts[1].text = u"张\n三"_s; }) << Severity::Error
                                    << qint64(2) << u"收款账户户名"_s << u"含有换行符，会使上传文件的各栏错位"_s;
        QTest::newRow("not GBK") << with([](Record& r) { r.texts[2].text = u"货款😀"_s; }) << Severity::Error
                                 << qint64(2) << u"备注"_s << u"含有字符“😀”，无法用GBK编码写入上传文件"_s;
        QTest::newRow("zero amount") << with([](Record& r) { r.amount = u"0"_s; }) << Severity::Error << qint64(2)
                                     << u"付款金额"_s << u"金额必须大于零"_s;
        QTest::newRow("negative amount") << with([](Record& r) { r.amount = u"-5"_s; }) << Severity::Error << qint64(2)
                                         << u"付款金额"_s << u"金额必须大于零"_s;
        QTest::newRow("letter in account")
            << with([](Record& r) { r.accNo = u"62284800123A5671"_s; }) << Severity::Error << qint64(2) << u"收款账号"_s
            << u"账号“62284800123A5671”含有数字以外的字符"_s;
        QTest::newRow("dash in-bank") << with([](Record& r) { r.accNo = u"6228-4800123456"_s; }) << Severity::Error
                                      << qint64(2) << u"收款账号"_s << u"账号“6228-4800123456”含有数字以外的字符"_s;
        QTest::newRow("other bank slash") << with([](Record& r) {
            r.inBank = false;
            r.accNo = u"0101/2020"_s;
        }) << Severity::Error << qint64(2) << u"收款账号"_s
                                          << u"账号“0101/2020”含有数字和“-”以外的字符"_s;
        QTest::newRow("in-bank length") << with([](Record& r) { r.accNo = u"622848001234567"_s; }) << Severity::Error
                                        << qint64(2) << u"收款账号"_s << u"行内账号长度为15位，不符合账号规则“16,19”"_s;
        QTest::newRow("total above header")
            << Records { clean(1, u"6228480099990001"_s, u"9000000000000"_s),
                   clean(2, u"6228480012345671"_s, u"1000000000000"_s) }
            << Severity::Error << qint64(0) << u"总金额"_s << u"总金额超过上传文件表头可容纳的9999999999999.99元"_s;
        QTest::newRow("same account and amount")
            << with([](Record& r) { r.accNo = u"6228480099990001"_s; }) << Severity::Warning << qint64(2)
            << u"收款账号"_s << u"与第1条指令的账号和金额相同，可能重复"_s;
        QTest::newRow("Luhn") << with([](Record& r) { r.accNo = u"6228480012345678"_s; }) << Severity::Warning
                              << qint64(2) << u"收款账号"_s << u"账号“6228480012345678”校验位不符，可能输错，请核对"_s;
        QTest::newRow("resident ID") << with([](Record& r) { r.residentId = u"110105194912310021"_s; })
                                     << Severity::Warning << qint64(2) << u"身份证号码"_s
                                     << u"身份证号码“110105194912310021”校验位不符，可能输错，请核对"_s;
        QTest::newRow("left the roster") << with([](Record& r) {
            r.inRoster = false;
            r.row = 0;
            r.serialNo = u"7"_s;
        }) << Severity::Warning << qint64(0)
                                         << u"收款账号"_s
                                         << u"流水号7：账号已不在代发工资名册中，该指令不会写入上传文件"_s;
        QTest::newRow("empty name") << with([](Record& r) { r.accName = u" "_s; }) << Severity::Error << qint64(2)
                                    << u"收款账户户名"_s << u"户名为空"_s;
        QTest::newRow("other-bank in the roster")
            << with([](Record& r) { r.rosterOtherBank = true; }) << Severity::Error << qint64(2) << u"收款账号"_s
            << u"账号“6228480012345671”在代发工资名册中已是跨行账户，不能作为行内指令写入上传文件，请删除该指令"_s;
        QTest::newRow("name differs") << with([](Record& r) { r.keptName = u"张叁"_s; }) << Severity::Warning
                                      << qint64(2) << u"收款账户户名"_s
                                      << u"户名“张三”与该账号维护的户名“张叁”不一致"_s;
    }
    void findsEachProblem()
    {
        QFETCH(Records, records);
        QFETCH(Severity, severity);
        QFETCH(qint64, row);
        QFETCH(QString, field);
        QFETCH(QString, problem);
        const std::vector<Finding> findings = check(records, paymentRules());
        QCOMPARE(findings.size(), size_t(1));
        QCOMPARE(findings[0].severity, severity);
        QCOMPARE(findings[0].row, row);
        QCOMPARE(findings[0].field, field);
        QCOMPARE(findings[0].problem, problem);
        QCOMPARE(hasErrors(findings), severity == Severity::Error);
    }

    void cleanBatchHasNoFindings()
    {
        Record other = clean(3, u"0101-2020-3"_s, u"0.01"_s);
        other.inBank = false;
        Record id = clean(4, u"6217000011112220"_s);
        id.residentId = u"11010519491231002x"_s;
        id.keptName = u" 张三"_s;
        QVERIFY(check({ clean(1), clean(2, u"6228480099990001"_s), other, id }, paymentRules()).empty());
    }

    void reportSavesAsCsv()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"report.csv"_s);
        const std::vector<Finding> findings = { { Severity::Error, 2, u"备注"_s, u"含有字符“😀”，无法编码"_s },
            { Severity::Warning, 0, u"收款账号"_s, u"规则“16,19”"_s } };
        QVERIFY(saveReport(path, findings).ok());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(GbkCodec::decode(f.readAll()).value_or(QString()),
            u"类别,序号,字段,问题\r\n错误,2,备注,含有字符“U+1F600”，无法编码\r\n警告,,收款账号,规则“16，19”\r\n"_s);
    }

    void reportWindowSelectsRowAndBlocksOnErrors()
    {
        TestEnv env;
        std::vector<qint64> selected;
        CheckReportRequest request;
        request.writing = true;
        request.findings = { { Severity::Warning, 5, u"收款账号"_s, u"可能重复"_s } };
        request.selectRow = [&](qint64 row) { selected.push_back(row); };
        {
            CheckReportDialog dialog(env.prompt, request);
            QVERIFY(dialog.findChild<QPushButton*>(u"frmCheckReport_cmdContinue"_s));
            emit dialog.grid()->cellDoubleClicked(0, 2);
            QCOMPARE(selected, std::vector<qint64> { 5 });
        }
        request.findings.push_back({ Severity::Error, 6, u"付款金额"_s, u"金额必须大于零"_s });
        CheckReportDialog dialog(env.prompt, request);
        QVERIFY(!dialog.findChild<QPushButton*>(u"frmCheckReport_cmdContinue"_s));
    }

    void sheetTotalInWords_data()
    {
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<QString>("words");
        QTest::newRow("whole") << qint64(150000) << u"壹仟伍佰元整"_s;
        QTest::newRow("jiao") << qint64(10050) << u"壹佰元伍角"_s;
        QTest::newRow("fen") << qint64(10005) << u"壹佰元零伍分"_s;
        QTest::newRow("zero") << qint64(0) << u"零元整"_s;
    }
    void sheetTotalInWords()
    {
        QFETCH(qint64, fen);
        QFETCH(QString, words);
        ApprovalSheetData data;
        data.total = Money::fromFen(fen);
        QCOMPARE(data.totalInWords(), words);
    }

    // The sheet rendered to PDF: totals, page count and every row exactly once.
    void sheetToPdf_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("figures");
        QTest::addColumn<QString>("words");
        QTest::newRow("3 rows") << 3 << u"1,500.00"_s << u"壹仟伍佰元整"_s;
        QTest::newRow("10000 rows") << 10000 << u"1,500,050.00"_s << u"壹佰伍拾万零伍拾元整"_s;
    }
    void sheetToPdf()
    {
        QFETCH(int, rows);
        QFETCH(QString, figures);
        QFETCH(QString, words);
        ApprovalSheetData data;
        data.title = u"付款审批单"_s;
        data.bankName = u"某某银行"_s;
        data.payerAccNo = u"6228480012345671"_s;
        data.payerAccName = u"某某贸易有限公司"_s;
        data.madeAt = QDateTime(QDate(2026, 3, 4), QTime(9, 5, 6));
        Money total;
        for (int i = 1; i <= rows; ++i) {
            // 3 rows: 1234.50 + 200.00 + 65.50; more: 100 yuan and i fen each.
            const Money amount = rows == 3 ? Money::fromFen(std::array<qint64, 3> { 123450, 20000, 6550 }[i - 1])
                                           : Money::fromFen(10000 + i);
            total += amount;
            data.rows.push_back({ QString::number(i), u"95%1"_s.arg(i, 14, 10, QChar(u'0')), u"收款人%1"_s.arg(i),
                amount.toGroupedText(), u"货款"_s });
        }
        data.total = total;
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sheet.pdf"_s);
        QVERIFY(ApprovalSheet(data).writePdf(path));

        const QString text = pdfText(path);
        QVERIFY2(!text.isEmpty(), "pdftotext (poppler-utils) gave no text");
        QVERIFY(text.contains(u"合计金额（小写）：%1"_s.arg(figures)));
        QVERIFY(text.contains(u"合计金额（大写）：%1"_s.arg(words)));
        QVERIFY(text.contains(u"笔数：%1"_s.arg(rows)));
        QVERIFY(text.contains(u"开户银行：某某银行"_s));
        QVERIFY(text.contains(u"制单时间：2026-03-04 09:05:06"_s));

        QStringList pages = text.split(u'\f');
        if (pages.last().trimmed().isEmpty())
            pages.removeLast();
        const int pageCount = static_cast<int>(pages.size());
        const QRegularExpression account(u"95(\\d{14})"_s);
        int next = 1;
        int perFullPage = 0;
        for (int n = 0; n < pageCount; ++n) {
            const QString& page = pages.at(n);
            // pdftotext drops the blanks around the page numbers.
            QVERIFY2(QString(page).remove(u' ').contains(u"第%1页/共%2页"_s.arg(n + 1).arg(pageCount)),
                qPrintable(QString::number(n)));
            int onPage = 0;
            for (auto it = account.globalMatch(page); it.hasNext();) {
                QCOMPARE(it.next().captured(1).toInt(), next);
                ++next;
                ++onPage;
            }
            if (onPage > 0)
                QVERIFY(page.contains(u"收款账号"_s) && page.contains(u"金额"_s));
            if (n > 0 && n + 1 < pageCount && onPage > 0) {
                // Every page between the first and the last is full.
                if (perFullPage == 0)
                    perFullPage = onPage;
                QCOMPARE(onPage, perFullPage);
            }
            QCOMPARE(page.contains(u"审批："_s), n + 1 == pageCount);
        }
        QCOMPARE(next, rows + 1);
        if (rows == 3)
            QCOMPARE(pageCount, 1);
        else
            QVERIFY(pageCount >= rows / perFullPage && pageCount <= rows / perFullPage + 2);
    }

    // Card numbers of 16 to 19 digits carry a Luhn check digit; a wrong one is
    // a warning, right at both ends of that range and nowhere outside it.
    void cardCheckDigitBoundaries_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("warned");
        QTest::newRow("15 digits, wrong") << u"622848007777882"_s << false;
        QTest::newRow("16 digits, right") << u"6228480077778881"_s << false;
        QTest::newRow("16 digits, wrong") << u"6228480077778882"_s << true;
        QTest::newRow("19 digits, right") << u"6228480077778888998"_s << false;
        QTest::newRow("19 digits, wrong") << u"6228480077778888997"_s << true;
        QTest::newRow("20 digits, wrong") << u"62284800777788889997"_s << false;
    }
    void cardCheckDigitBoundaries()
    {
        QFETCH(QString, account);
        QFETCH(bool, warned);
        Rules rules = paymentRules();
        rules.accountLengthRule = u"15-20"_s;
        for (const bool inBank : { true, false }) {
            Record r = clean(1, account);
            r.inBank = inBank;
            const std::vector<Finding> findings = check({ r }, rules);
            QCOMPARE(findings.size(), size_t(warned ? 1 : 0));
            if (warned) {
                QCOMPARE(findings[0].severity, Severity::Warning);
                QCOMPARE(findings[0].problem, u"账号“%1”校验位不符，可能输错，请核对"_s.arg(account));
            }
        }
    }

    // A sheet people sign shows every payee name and remark whole: 60
    // characters go on over further lines of their row, and the next row starts
    // below the last of them.
    void sheetShowsLongNamesWhole()
    {
        const QString name
            = u"华东示例科技有限公司上海浦东新区张江高科技园区第一分公司研发中心与江南示例商贸有限公司联合项目部临时专用账户名称ABCD"_s;
        const QString remark
            = u"二零二四年五月货款及设备款尾款结算含运输费服务费和安装调试费用按合同第十二条约定一次付清请核对后签字确认无误谢谢合作两次"_s;
        QCOMPARE(name.size(), 60);
        QCOMPARE(remark.size(), 60);
        ApprovalSheetData data;
        data.title = u"付款审批单"_s;
        data.bankName = u"某某银行"_s;
        data.madeAt = QDateTime(QDate(2026, 3, 4), QTime(9, 5, 6));
        data.rows.push_back({ u"1"_s, u"9500000000000001"_s, name, u"1,000.00"_s, remark });
        data.rows.push_back({ u"2"_s, u"9500000000000002"_s, u"张三"_s, u"2,000.00"_s, u"货款"_s });
        data.total = Money::fromFen(300000);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sheet.pdf"_s);
        QVERIFY(ApprovalSheet(data).writePdf(path));

        const auto pages = pdfWords(path);
        QVERIFY2(!pages.empty(), "pdftotext (poppler-utils) gave no words");
        const std::vector<Word>& words = pages.front();
        const auto find = [&](const QString& text) {
            for (const Word& w : words)
                if (w.text == text)
                    return w.box;
            return QRectF();
        };
        const QRectF nameHeader = find(u"户名"_s), amountHeader = find(u"金额"_s), remarkHeader = find(u"备注"_s);
        const QRectF second = find(u"9500000000000002"_s);
        QVERIFY(!nameHeader.isNull() && !amountHeader.isNull() && !remarkHeader.isNull() && !second.isNull());
        // The words of a column between the header and the second row, top to bottom.
        const auto column = [&](double from, double to) {
            std::vector<Word> in;
            for (const Word& w : words)
                if (w.box.left() >= from - 1 && w.box.left() < to && w.box.top() > nameHeader.bottom()
                    && w.box.bottom() <= second.top() + 1)
                    in.push_back(w);
            std::sort(in.begin(), in.end(), [](const Word& a, const Word& b) {
                return a.box.top() < b.box.top() - 1
                    || (std::abs(a.box.top() - b.box.top()) <= 1 && a.box.left() < b.box.left());
            });
            QString text;
            for (const Word& w : in)
                text += w.text;
            return std::pair { text, in.size() };
        };
        const auto [nameText, nameWords] = column(nameHeader.left() - 60, amountHeader.left() - 60);
        QCOMPARE(nameText, name);
        QVERIFY2(nameWords >= 2, "the name is on one line: it was cut, not wrapped");
        QCOMPARE(column(remarkHeader.left() - 20, 1e9).first, remark);
    }

    // Rows of several lines fill the pages as well: each row whole on one page,
    // clear of the page footer, nothing of a name lost at a page break.
    void wrappedRowsClearOfFooter()
    {
        const QString name = u"华东示例科技有限公司上海浦东新区张江高科技园区第一分公司研发中心"_s;
        ApprovalSheetData data;
        data.title = u"代发工资审批单"_s;
        data.payroll = true;
        data.madeAt = QDateTime(QDate(2026, 3, 4), QTime(9, 5, 6));
        const int rows = 60;
        for (int i = 1; i <= rows; ++i)
            data.rows.push_back(
                { QString::number(i), u"95%1"_s.arg(i, 14, 10, QChar(u'0')), name, u"1,000.00"_s, u"工资"_s });
        data.total = Money::fromFen(rows * 100000LL);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sheet.pdf"_s);
        QVERIFY(ApprovalSheet(data).writePdf(path));
        const auto pages = pdfWords(path);
        QVERIFY2(pages.size() >= 2, "pdftotext (poppler-utils) gave no words, or the rows fit one page");
        const QRegularExpression account(u"^95(\\d{14})$"_s);
        int next = 1;
        QString names;
        for (size_t n = 0; n < pages.size(); ++n) {
            QRectF footer, header;
            for (const Word& w : pages[n]) {
                if (w.text.startsWith(u"第"_s) && (footer.isNull() || w.box.top() > footer.top()))
                    footer = w.box;
                if (w.text == u"户名"_s)
                    header = w.box;
            }
            QVERIFY(!footer.isNull());
            std::vector<Word> nameWords;
            for (const Word& w : pages[n]) {
                if (const auto m = account.match(w.text); m.hasMatch())
                    QCOMPARE(m.captured(1).toInt(), next++);
                if (w.box.top() >= footer.top() - 1)
                    continue;
                if (!header.isNull() && w.box.top() > header.bottom() && std::abs(w.box.left() - header.left()) < 2)
                    nameWords.push_back(w);
            }
            for (const Word& w : pages[n])
                if (w.box.bottom() > footer.top() && w.box.top() < footer.top() - 1)
                    QFAIL(qPrintable(u"page %1: \"%2\" reaches into the footer"_s.arg(n + 1).arg(w.text)));
            std::sort(nameWords.begin(), nameWords.end(),
                [](const Word& a, const Word& b) { return a.box.top() < b.box.top(); });
            for (const Word& w : nameWords)
                names += w.text;
        }
        QCOMPARE(next, rows + 1);
        QCOMPARE(names, name.repeated(rows));
    }

    // Printed through a printer set up as the print preview sets it up: on every
    // page the rows stay clear of the page footer, also on full pages, and each
    // row is printed exactly once.
    void sheetRowsClearOfFooter()
    {
        ApprovalSheetData data;
        data.title = u"代发工资审批单"_s;
        data.payroll = true;
        data.bankName = u"某某银行"_s;
        data.madeAt = QDateTime(QDate(2026, 3, 4), QTime(9, 5, 6));
        const int rows = 150;
        for (int i = 1; i <= rows; ++i)
            data.rows.push_back({ QString::number(i), u"95%1"_s.arg(i, 14, 10, QChar(u'0')), u"收款人%1"_s.arg(i),
                u"1,000.00"_s, u"工资"_s });
        data.total = Money::fromFen(rows * 100000LL);
        const ApprovalSheet sheet(data);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sheet.pdf"_s);
        int pageCount = 0;
        {
            QPrinter printer(QPrinter::HighResolution);
            sheet.preparePrinter(printer);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            pageCount = sheet.render(printer);
        }
        QVERIFY(pageCount >= 3);

        const auto pages = pdfWords(path);
        QVERIFY2(!pages.empty(), "pdftotext (poppler-utils) gave no words");
        QCOMPARE(int(pages.size()), pageCount);
        const QRegularExpression account(u"^95(\\d{14})$"_s);
        struct Line {
            int row;
            QRectF box; // every word on the row's line
        };
        std::vector<QRectF> footers;
        std::vector<std::vector<Line>> lines;
        std::vector<int> seen(rows + 1, 0);
        for (size_t n = 0; n < pages.size(); ++n) {
            const std::vector<Word>& words = pages[n];
            const auto lineOf = [&](const QRectF& box) {
                QRectF line = box;
                for (const Word& w : words)
                    if (w.box.center().y() >= box.top() && w.box.center().y() <= box.bottom())
                        line |= w.box;
                return line;
            };
            // The footer: the line of "第 n 页 / 共 m 页", the lowest on the page.
            QRectF footer;
            for (const Word& w : words)
                if (w.text.startsWith(u"第"_s) && (footer.isNull() || w.box.top() > footer.top()))
                    footer = w.box;
            QVERIFY2(!footer.isNull(), qPrintable(u"page %1 has no footer"_s.arg(n + 1)));
            footers.push_back(lineOf(footer));
            lines.emplace_back();
            for (const Word& w : words) {
                if (const auto m = account.match(w.text); m.hasMatch()) {
                    const int row = m.captured(1).toInt();
                    QVERIFY(row >= 1 && row <= rows);
                    ++seen[static_cast<size_t>(row)];
                    lines.back().push_back({ row, lineOf(w.box) });
                }
            }
        }
        for (int row = 1; row <= rows; ++row)
            QVERIFY2(seen[static_cast<size_t>(row)] == 1,
                qPrintable(u"row %1 printed %2 times"_s.arg(row).arg(seen[static_cast<size_t>(row)])));

        // A row's box is its band of the table: its line widened by half the
        // space between two rows, above and below.
        double pitch = 0;
        for (const auto& page : lines)
            for (size_t i = 1; i < page.size(); ++i) {
                const double d = page[i].box.top() - page[i - 1].box.top();
                QVERIFY(d > 0);
                pitch = pitch == 0 ? d : std::min(pitch, d);
            }
        QVERIFY(pitch > 0);
        int fullPages = 0;
        for (size_t n = 0; n < lines.size(); ++n) {
            for (const Line& line : lines[n]) {
                const double margin = std::max(0.0, (pitch - line.box.height()) / 2);
                const QRectF band = line.box.adjusted(0, -margin, 0, margin);
                QVERIFY2(!band.intersects(footers[n]) && band.bottom() < footers[n].top(),
                    qPrintable(u"page %1: row %2 reaches %3, the footer starts at %4"_s.arg(n + 1)
                                   .arg(line.row)
                                   .arg(band.bottom())
                                   .arg(footers[n].top())));
            }
            // A page between the first and the last is full.
            if (n > 0 && n + 1 < lines.size() && !lines[n].empty())
                ++fullPages;
        }
        QVERIFY(fullPages >= 1);
    }

    void luhnAndResidentId_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("luhn");
        QTest::addColumn<bool>("residentId");
        QTest::newRow("card") << u"6228480012345671"_s << true << false;
        QTest::newRow("card mistyped") << u"6228480012345617"_s << false << false;
        QTest::newRow("id X") << u"11010519491231002X"_s << false << true;
        QTest::newRow("id wrong") << u"110105194912310023"_s << false << false;
    }
    void luhnAndResidentId()
    {
        QFETCH(QString, text);
        QFETCH(bool, luhn);
        QFETCH(bool, residentId);
        QCOMPARE(luhnValid(text), luhn);
        QCOMPARE(residentIdValid(text), residentId);
    }
};

QELVORA_TEST(TestInstructionCheck)
#include "tst_instructioncheck.moc"
