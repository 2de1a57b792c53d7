#include "app/ApprovalSheet.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextLayout>

#include <array>

using namespace Qt::StringLiterals;

namespace {

const QString kFontFamily = u"WenQuanYi Zen Hei"_s;

// Column shares of the page width: 序号, account, name, amount, remark.
constexpr std::array<double, 5> kColumnShares = { 0.08, 0.28, 0.24, 0.17, 0.23 };

// Which rows a page holds and whether the summary follows them.
struct Page {
    size_t first = 0;
    size_t count = 0;
    bool header = false; // the title block (first page)
    bool table = true;
    bool summary = false;
};

struct Metrics {
    int width = 0;
    int height = 0;
    int line = 0; // a line of the text font
    int row = 0; // a table row of one line
    int rowLine = 0; // each further line of a row whose texts wrap
    int titleBlock = 0; // title and the three information lines
    int footer = 0;
    int summary = 0; // count, totals, signatures
};

// The columns whose texts wrap onto further lines instead of being cut: the
// account, the name and the remark. A sheet people sign shows every name whole.
constexpr std::array<bool, 5> kWrapped = { false, true, true, false, true };

// The lines of `text` in a cell `width` wide: broken between words where it
// can, anywhere in a word longer than the cell.
QStringList wrappedLines(const QString& text, const QFont& font, QPaintDevice* device, int width)
{
    if (text.isEmpty())
        return { text };
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << text;
    return lines;
}

// `heights`: the height of each row. Every page takes the rows that fit above
// its footer, at least one.
std::vector<Page> paginate(const std::vector<int>& heights, const Metrics& m)
{
    const size_t rows = heights.size();
    std::vector<Page> pages;
    size_t next = 0;
    bool first = true;
    for (;;) {
        Page p;
        p.header = first;
        int room = m.height - m.footer - m.row - (first ? m.titleBlock : 0);
        p.first = next;
        while (next < rows && (next == p.first || heights[next] <= room)) {
            room -= heights[next];
            ++next;
        }
        p.count = next - p.first;
        first = false;
        if (next == rows) {
            if (room >= m.summary) {
                p.summary = true;
                pages.push_back(p);
            } else {
                pages.push_back(p);
                Page s;
                s.first = rows;
                s.table = false;
                s.summary = true;
                pages.push_back(s);
            }
            return pages;
        }
        pages.push_back(p);
    }
}

} // namespace

ApprovalSheet::ApprovalSheet(ApprovalSheetData data)
    : m_data(std::move(data))
{
}

void ApprovalSheet::preparePrinter(QPrinter& printer) const
{
    printer.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    printer.setDocName(m_data.title);
}

int ApprovalSheet::render(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    QFont textFont(kFontFamily);
    textFont.setPointSizeF(10);
    QFont tableFont(kFontFamily);
    tableFont.setPointSizeF(9);
    QFont titleFont(kFontFamily);
    titleFont.setPointSizeF(16);
    titleFont.setBold(true);
    QFont boldTable = tableFont;
    boldTable.setBold(true);

    painter.setFont(textFont);
    const QFontMetrics textMetrics(textFont, &device);
    const QFontMetrics tableMetrics(tableFont, &device);
    const QFontMetrics titleMetrics(titleFont, &device);

    Metrics m;
    const QRect page = painter.viewport();
    m.width = page.width();
    m.height = page.height();
    m.line = textMetrics.height() * 3 / 2;
    m.row = tableMetrics.height() * 8 / 5;
    m.rowLine = tableMetrics.lineSpacing();
    m.titleBlock = titleMetrics.height() * 2 + m.line * 3 + m.line / 2;
    m.footer = m.line * 2;
    m.summary = m.line * 6;

    std::array<int, 6> x {};
    for (size_t c = 0; c < kColumnShares.size(); ++c)
        x[c + 1] = x[c] + static_cast<int>(m.width * kColumnShares[c]);
    x[5] = m.width;
    const int pad = tableMetrics.averageCharWidth() / 2;

    // The text room of a column: the remark keeps a wider gap from the
    // right-aligned amount.
    const auto textLeft = [&](int column) { return x[column] + (column == 4 ? pad * 4 : pad); };
    const auto textWidth = [&](int column) { return x[column + 1] - textLeft(column) - pad; };
    // The lines of a cell: a wrapped column's text on as many lines as it
    // needs, any other on one line, cut only where a column cannot wrap.
    const auto cellLines = [&](int column, const QString& text, const QFontMetrics& metrics) {
        if (kWrapped[static_cast<size_t>(column)])
            return wrappedLines(text, tableFont, &device, textWidth(column));
        return QStringList { metrics.elidedText(text, Qt::ElideRight, textWidth(column)) };
    };
    const auto cell = [&](int column, int y, const QStringList& lines, Qt::Alignment align) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QRect r(textLeft(column), y + static_cast<int>(i) * m.rowLine, textWidth(column), m.row);
            painter.drawText(r, align | Qt::AlignVCenter, lines.at(i));
        }
    };
    const QStringList headers = { u"序号"_s, u"收款账号"_s, u"户名"_s, u"金额"_s, u"备注"_s };
    const std::array<Qt::Alignment, 5> align
        = { Qt::AlignCenter, Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight, Qt::AlignLeft };

    // Every row's lines, and from them its height.
    std::vector<std::array<QStringList, 5>> rowLines;
    std::vector<int> heights;
    rowLines.reserve(m_data.rows.size());
    heights.reserve(m_data.rows.size());
    for (const ApprovalSheetRow& r : m_data.rows) {
        const std::array<const QString*, 5> texts = { &r.no, &r.account, &r.name, &r.amount, &r.remark };
        std::array<QStringList, 5> lines;
        qsizetype most = 1;
        for (int c = 0; c < 5; ++c) {
            lines[static_cast<size_t>(c)] = cellLines(c, *texts[static_cast<size_t>(c)], tableMetrics);
            most = std::max(most, lines[static_cast<size_t>(c)].size());
        }
        rowLines.push_back(std::move(lines));
        heights.push_back(m.row + static_cast<int>(most - 1) * m.rowLine);
    }

    const std::vector<Page> pages = paginate(heights, m);
    const int pageCount = static_cast<int>(pages.size());
    for (int n = 0; n < pageCount; ++n) {
        const Page& p = pages[static_cast<size_t>(n)];
        if (n > 0)
            device.newPage();
        int y = 0;
        if (p.header) {
            painter.setFont(titleFont);
            painter.drawText(QRect(0, 0, m.width, titleMetrics.height() * 2), Qt::AlignCenter, m_data.title);
            y = titleMetrics.height() * 2;
            painter.setFont(textFont);
            const QString payer = m_data.payroll
                ? u"付款方：代发工资"_s
                : u"付款账号：%1    付款户名：%2"_s.arg(m_data.payerAccNo, m_data.payerAccName);
            for (const QString& line : { u"开户银行：%1"_s.arg(m_data.bankName), payer,
                     u"制单时间：%1"_s.arg(m_data.madeAt.toString(u"yyyy-MM-dd HH:mm:ss"_s)) }) {
                painter.drawText(QRect(0, y, m.width, m.line), Qt::AlignLeft | Qt::AlignVCenter, line);
                y += m.line;
            }
            y += m.line / 2;
        }
        if (p.table) {
            painter.setFont(boldTable);
            painter.drawLine(0, y, m.width, y);
            for (int c = 0; c < 5; ++c)
                cell(c, y, { headers.at(c) }, align[static_cast<size_t>(c)]);
            y += m.row;
            painter.drawLine(0, y, m.width, y);
            painter.setFont(tableFont);
            for (size_t i = p.first; i < p.first + p.count; ++i) {
                for (int c = 0; c < 5; ++c)
                    cell(c, y, rowLines[i][static_cast<size_t>(c)], align[static_cast<size_t>(c)]);
                y += heights[i];
            }
            painter.drawLine(0, y, m.width, y);
        }
        if (p.summary) {
            painter.setFont(textFont);
            y += m.line / 2;
            const QStringList lines
                = { u"笔数：%1"_s.arg(m_data.rows.size()), u"合计金额（小写）：%1"_s.arg(m_data.total.toGroupedText()),
                      u"合计金额（大写）：%1"_s.arg(m_data.totalInWords()) };
            for (const QString& line : lines) {
                painter.drawText(QRect(0, y, m.width, m.line), Qt::AlignLeft | Qt::AlignVCenter, line);
                y += m.line;
            }
            y += m.line;
            const int third = m.width / 3;
            const QStringList signatures = { u"制单："_s, u"复核："_s, u"审批："_s };
            for (int i = 0; i < 3; ++i) {
                const QRect r(third * i, y, third, m.line);
                painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, signatures.at(i));
                const int lineX = r.left() + textMetrics.horizontalAdvance(signatures.at(i));
                painter.drawLine(lineX, r.bottom(), r.right() - pad * 4, r.bottom());
            }
        }
        painter.setFont(textFont);
        painter.drawText(QRect(0, m.height - m.line, m.width, m.line), Qt::AlignCenter,
            u"第 %1 页 / 共 %2 页"_s.arg(n + 1).arg(pageCount));
    }
    painter.end();
    return pageCount;
}

bool ApprovalSheet::writePdf(const QString& path) const
{
    // Written beside the target and renamed over it only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QPdfWriter writer(&file);
    writer.setResolution(300);
    writer.setTitle(m_data.title);
    writer.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    if (render(writer) == 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
