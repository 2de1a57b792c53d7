#include "domain/ExcelExport.h"

#include "common/Money.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace ExcelExport {

namespace {

const QString kWriteFailed = u"文件读写错误，导出到Excel失败"_s;

// Columns never get narrower or wider than this, in digit widths.
constexpr int kMinWidth = 6;
constexpr int kMaxWidth = 80;
// A cell holds at most this many characters.
constexpr qsizetype kMaxCellText = 32767;
// The longest worksheet name.
constexpr qsizetype kMaxSheetName = 31;

// Closes a workbook that was not closed on purpose, leaving no handle behind.
struct WorkbookGuard {
    lxw_workbook* book = nullptr;
    ~WorkbookGuard()
    {
        if (book)
            workbook_close(book);
    }
};

QString sheetNameOf(const QString& name)
{
    QString out;
    for (const QChar c : name)
        if (!QStringView(u"[]:*?/\\").contains(c))
            out += c;
    out = out.left(kMaxSheetName);
    return out.isEmpty() ? u"Sheet1"_s : out;
}

std::optional<Money> amountOf(const QString& text)
{
    return Money::parse(text);
}

double numberOf(Money m)
{
    // fen / 100 rounds once, to the double nearest the decimal amount.
    return double(m.fen()) / 100.0;
}

class Writer {
public:
    Writer(lxw_workbook* book, lxw_worksheet* sheet)
        : m_book(book)
        , m_sheet(sheet)
    {
        m_text = workbook_add_format(book);
        format_set_num_format(m_text, "@");
        m_amount = workbook_add_format(book);
        format_set_num_format(m_amount, "#,##0.00");
        m_caption = workbook_add_format(book);
        format_set_bold(m_caption);
        format_set_num_format(m_caption, "@");
        m_totalText = workbook_add_format(book);
        format_set_bold(m_totalText);
        format_set_num_format(m_totalText, "@");
        m_totalAmount = workbook_add_format(book);
        format_set_bold(m_totalAmount);
        format_set_num_format(m_totalAmount, "#,##0.00");
    }

    bool text(int row, int column, const QString& value, lxw_format* format)
    {
        if (value.isEmpty())
            return true;
        const QByteArray utf8 = value.left(kMaxCellText).toUtf8();
        return worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), utf8.constData(), format)
            == LXW_NO_ERROR;
    }
    bool number(int row, int column, double value, lxw_format* format)
    {
        return worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, format) == LXW_NO_ERROR;
    }

    lxw_workbook* m_book;
    lxw_worksheet* m_sheet;
    lxw_format* m_text;
    lxw_format* m_amount;
    lxw_format* m_caption;
    lxw_format* m_totalText;
    lxw_format* m_totalAmount;
};

// Writes the workbook to `path` (which libxlsxwriter creates or overwrites).
bool writeBook(const QString& path, const Sheet& sheet)
{
    WorkbookGuard guard { workbook_new(QFile::encodeName(path).constData()) };
    if (!guard.book)
        return false;
    lxw_worksheet* ws = workbook_add_worksheet(guard.book, sheetNameOf(sheet.name).toUtf8().constData());
    if (!ws)
        return false;
    Writer w(guard.book, ws);
    const int columns = int(sheet.columns.size());
    std::vector<int> widths(std::size_t(columns), kMinWidth);
    std::vector<Money> totals(static_cast<std::size_t>(columns));
    std::vector<bool> totalValid(std::size_t(columns), true);
    const auto widen = [&widths](int c, const QString& text) {
        widths[std::size_t(c)] = std::max(widths[std::size_t(c)], displayWidth(text) + 2);
    };

    int row = 0;
    if (sheet.header) {
        for (int c = 0; c < columns; ++c) {
            if (!w.text(row, c, sheet.columns.at(c).caption, w.m_caption))
                return false;
            widen(c, sheet.columns.at(c).caption);
        }
        worksheet_freeze_panes(ws, 1, 0);
        ++row;
    }
    for (const QStringList& values : sheet.rows) {
        for (int c = 0; c < columns; ++c) {
            const QString value = values.value(c).trimmed();
            bool written = false;
            if (sheet.columns.at(c).kind == Column::Kind::Amount && !value.isEmpty()) {
                if (const std::optional<Money> amount = amountOf(value)) {
                    written = w.number(row, c, numberOf(*amount), w.m_amount);
                    widen(c, amount->toGroupedText());
                    const std::optional<Money> sum = Money::checkedAdd(totals[std::size_t(c)], *amount);
                    totalValid[std::size_t(c)] = totalValid[std::size_t(c)] && sum.has_value();
                    if (sum)
                        totals[std::size_t(c)] = *sum;
                } else {
                    // What does not read as an amount is kept as it is shown.
                    written = w.text(row, c, value, w.m_text);
                    totalValid[std::size_t(c)] = false;
                    widen(c, value);
                }
            } else {
                written = w.text(row, c, value, w.m_text);
                widen(c, value);
            }
            if (!written)
                return false;
        }
        ++row;
    }
    if (sheet.totalRow) {
        ++row; // the empty row that ends the data
        if (!w.text(row, 0, totalCaption(), w.m_totalText))
            return false;
        widen(0, totalCaption());
        if (columns > 1) {
            if (!w.text(row, 1, countText(sheet.rows.size()), w.m_totalText))
                return false;
            widen(1, countText(sheet.rows.size()));
        }
        for (int c = 0; c < columns; ++c) {
            if (sheet.columns.at(c).kind != Column::Kind::Amount || !totalValid[std::size_t(c)] || c < 2)
                continue;
            if (!w.number(row, c, numberOf(totals[std::size_t(c)]), w.m_totalAmount))
                return false;
            widen(c, totals[std::size_t(c)].toGroupedText());
        }
    }
    for (int c = 0; c < columns; ++c) {
        lxw_format* format = sheet.columns.at(c).kind == Column::Kind::Amount ? w.m_amount : w.m_text;
        const double width = std::min(widths[std::size_t(c)], kMaxWidth);
        if (worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), width, format) != LXW_NO_ERROR)
            return false;
    }
    lxw_workbook* book = guard.book;
    guard.book = nullptr;
    return workbook_close(book) == LXW_NO_ERROR;
}

} // namespace

QString totalCaption()
{
    return u"合计"_s;
}

QString countText(qsizetype count)
{
    return u"共%1笔"_s.arg(count);
}

int displayWidth(const QString& text)
{
    int width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size()) {
            ++i;
            width += 2;
            continue;
        }
        // CJK, Hangul, full-width forms and the like take two digit widths.
        width += (c >= 0x1100
                     && (c <= 0x115F || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
                         || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
                         || (c >= 0xFFE0 && c <= 0xFFE6)))
            ? 2
            : 1;
    }
    return width;
}

Result<int> write(const QString& path, const Sheet& sheet)
{
    const QFileInfo target(path);
    // A name in the target's folder, so that the finished file is renamed into
    // place rather than copied.
    QTemporaryFile temporary(target.absoluteDir().filePath(u"."_s + target.fileName() + u".XXXXXX"_s));
    if (!temporary.open())
        return Failure { kWriteFailed };
    const QString temporaryPath = temporary.fileName();
    temporary.close();
    if (!writeBook(temporaryPath, sheet))
        return Failure { kWriteFailed };
    QFile::setPermissions(temporaryPath,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup
            | QFile::ReadOther);
    // rename() replaces an existing file in one step.
    if (std::rename(
            QFile::encodeName(temporaryPath).constData(), QFile::encodeName(target.absoluteFilePath()).constData())
        != 0)
        return Failure { kWriteFailed };
    temporary.setAutoRemove(false);
    return int(sheet.rows.size());
}

} // namespace ExcelExport
