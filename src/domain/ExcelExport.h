#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "common/Result.h"

// "导出到Excel": a list as shown on its tab, written as an Excel workbook (.xlsx)
// of one sheet.
//
// Texts are written as text, so an account or an employee number never turns
// into a number, and their columns carry the text format "@", so that what a
// clerk types into them later stays text as well. Amounts are numbers shown
// with two decimals and thousands separators (#,##0.00). The header row, when
// there is one, is frozen; each column is as wide as its widest content.
namespace ExcelExport {

struct Column {
    enum class Kind : std::uint8_t {
        Text, // written as it is, as text
        Amount, // a stored amount ("1234.50"): a number with the format #,##0.00
    };
    QString caption;
    Kind kind = Kind::Text;
};

struct Sheet {
    QString name; // the worksheet's tab
    QList<Column> columns;
    // Row 1 holds the captions; without it the rows start in row 1.
    bool header = true;
    // Each row holds one text per column (missing ones are empty cells).
    QList<QStringList> rows;
    // After the rows, one empty row and then a row with "合计" in column A, the
    // number of rows ("共N笔") in column B and the exact sum of each amount
    // column from C on under it. The empty row ends the data for a reader that stops at
    // the first row whose column A is empty.
    bool totalRow = false;
};

// The caption of the total row's first cell and the text of its count.
QString totalCaption();
QString countText(qsizetype count);

// Writes `sheet` to `path`: into a temporary file in the same folder, renamed
// over `path` when complete; a failure leaves an existing file as it was. An
// amount that does not read as an amount is written as text. Gives the number
// of rows written (without header and total row).
Result<int> write(const QString& path, const Sheet& sheet);

// The width of a column holding `text`, in the widths of a digit of the
// default font: a CJK or other wide character counts twice.
int displayWidth(const QString& text);

} // namespace ExcelExport
