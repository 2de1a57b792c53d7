#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/Result.h"

// Excel 97-2003 workbooks (.xls, BIFF8 inside an OLE2 compound file).
//
// The reader takes the active worksheet of a workbook and answers cells by row and
// column, both counted from 1, as the roster and payroll imports read them. The
// writer saves one sheet of text cells, as the payroll upload file needs.

// One cell as a caller sees it: its text, and whether the workbook held a number
// (whole numbers come as plain digits, others as the shortest plain decimal; a
// boolean reads as 1 or 0). An error value reads as its text ("#DIV/0!", "#N/A",
// ...), is not a number and sets isError, so that it is never taken for text a
// user typed. A formula reads as its last computed result. An empty cell has an
// empty text.
struct WorkbookCell {
    QString text;
    bool isNumber = false;
    bool isError = false;
    bool isEmpty() const { return text.isEmpty(); }
};

class WorkbookReader {
public:
    // Reads the active worksheet of the workbook at `path`. The failure (missing
    // file, not a workbook, unsupported format, encrypted, damaged) says why.
    static Result<WorkbookReader> read(const QString& path);
    // The same, from the bytes of a file.
    static Result<WorkbookReader> readBytes(const QByteArray& bytes);

    // 0-based index of the sheet that was read (WINDOW1's current tab, else the
    // first sheet).
    int activeSheetIndex() const { return m_activeSheet; }
    // Rows and columns count from 1; anything outside the sheet is an empty cell.
    WorkbookCell cell(int row, int column) const;
    // Last row and column (1-based) holding a non-empty cell; 0 for an empty sheet.
    int lastRow() const { return m_lastRow; }
    int lastColumn() const { return m_lastColumn; }
    // The first column after `column` in which `row` stores a cell (which may
    // still read as empty), or 0 when there is none: walks a row without probing
    // every column up to lastColumn().
    int nextStoredColumn(int row, int column) const
    {
        if (row < 1 || std::size_t(row) >= m_rowStart.size() || column >= 0x10000)
            return 0;
        const std::uint32_t k = (std::uint32_t(row - 1) << 16) | std::uint32_t(std::max(column, 0));
        const auto end = m_cells.begin() + m_rowStart[row];
        const auto it = std::lower_bound(m_cells.begin() + m_rowStart[row - 1], end, k,
            [](const Entry& e, std::uint32_t key) { return e.key < key; });
        return it == end ? 0 : int(it->key & 0xFFFF) + 1;
    }

private:
    enum class Kind : std::uint8_t { Text, Number, Error };
    // Cells are kept sorted by key = (row << 16) | column, both 0-based. Texts live
    // in one shared character pool; a cell refers to a span of it.
    struct Entry {
        std::uint32_t key;
        Kind kind;
        std::uint8_t code; // Error: the BIFF error code
        union {
            std::uint32_t span; // Text: index into m_spans
            double number; // Number
        };
    };
    struct Span {
        std::uint32_t start;
        std::uint32_t length;
    };
    friend class WorkbookParser;

    bool open(const QString& path);
    bool openBytes(const QByteArray& bytes);
    void clear();
    bool fail(const QString& text);

    QString m_error;
    int m_activeSheet = 0;
    int m_lastRow = 0;
    int m_lastColumn = 0;
    std::vector<char16_t> m_pool;
    std::vector<Span> m_spans;
    std::vector<Entry> m_cells;
    std::vector<std::uint32_t> m_rowStart; // first entry of each 0-based row, one past the end last
};

// The text a numeric cell reads as: whole numbers as their plain digits, others in
// the shortest plain decimal form that reads back as the same number, never with
// an exponent or thousands separators. "-0" reads as "0".
QString workbookNumberText(double value);

// Writes one worksheet of text cells to `path` as an .xls workbook: rows[0] is
// row 1, rows[0][0] column A. Empty texts leave their cells empty. The file is
// written beside the target and renamed over it only when complete. A failure
// leaves any existing file as it was.
Result<> writeWorkbook(const QString& path, const QList<QStringList>& rows);
