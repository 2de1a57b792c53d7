#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "common/Result.h"

// The rows of a workbook's active worksheet, read one after the other, whatever
// the file holds: an Excel 97-2003 workbook (.xls) or an Excel workbook (.xlsx).
// The format is told by the file's content, never by its name, so an .xlsx saved
// under the name .xls reads as well as the other way round.

// What a file's content says it is.
enum class WorkbookFormat : std::uint8_t {
    Other, // neither of the below (also an empty or unreadable file)
    Xls, // OLE2 compound file with a Workbook (BIFF8) or Book (BIFF5) stream
    EncryptedOoxml, // OLE2 compound file with an EncryptionInfo stream: a password-protected .xlsx
    Xlsx, // zip package with xl/workbook.xml
    Xlsb, // zip package with xl/workbook.bin (Excel binary workbook)
};

// The format of the file whose bytes are `bytes` (the whole file: an OLE2 or zip
// directory can lie anywhere in it).
WorkbookFormat detectWorkbookFormat(const QByteArray& bytes);
// The format of the file at `path`; Other when it cannot be read.
WorkbookFormat detectWorkbookFormatOfFile(const QString& path);

// One non-empty cell as a caller sees it: its column (from 1), what it held, and
// its text. Numbers read as the .xls reader gives them (workbookNumberText: whole
// numbers as plain digits, others as the shortest plain decimal); a boolean reads
// as the number 1 or 0; a formula reads as its last computed result; an error
// value ("#DIV/0!", "#N/A", ...) is an Error, its text the value's name.
struct SheetCell {
    enum class Kind : std::uint8_t { Text, Number, Error };
    int column = 0;
    Kind kind = Kind::Text;
    QString text;

    bool isNumber() const { return kind == Kind::Number; }
    bool isError() const { return kind == Kind::Error; }
};

// One row: its number (from 1) and its non-empty cells in column order.
struct SheetRow {
    int number = 0;
    std::vector<SheetCell> cells;

    // The cell in `column`, or nullptr when that cell is empty.
    const SheetCell* find(int column) const;
    // The text of the cell in `column`; empty for an empty cell.
    QString text(int column) const;
};

// Reads the rows of one worksheet in ascending row order. Rows without any
// non-empty cell are left out; a caller sees a gap in the row numbers instead.
class SheetRows {
public:
    virtual ~SheetRows() = default;

    // Reads the next row into `row`: true when there was one, false at the end
    // of the sheet; a failure when the rest of the sheet cannot be read (the
    // message says why). After the end or a failure, every later call answers
    // the same.
    virtual Result<bool> next(SheetRow& row) = 0;
    // 0-based position of the sheet being read among the workbook's sheets.
    virtual int sheetIndex() const = 0;
    virtual WorkbookFormat format() const = 0;
};

// Opens the active worksheet of the workbook at `path`, choosing the reader by
// the file's content. The failure (missing file, not a workbook, unsupported
// format, encrypted, damaged) says why, in the words of the Workbook readers.
Result<std::unique_ptr<SheetRows>> openSheet(const QString& path);
// The same, from the bytes of a file.
Result<std::unique_ptr<SheetRows>> openSheetBytes(const QByteArray& bytes);
