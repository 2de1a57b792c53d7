#include "TestRegistry.h"

#include "app/ApprovalSheet.h"
#include "common/Money.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace Qt::StringLiterals;

namespace {
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

// The approval sheet printed to PDF, read back with pdftotext: totals, pages,
// and every row whole and clear of the footer.
class TestApprovalSheet : public QObject {
    Q_OBJECT
private slots:
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
};

QELVORA_TEST(TestApprovalSheet)
#include "tst_approvalsheet.moc"
