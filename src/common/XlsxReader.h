#pragma once

#include "common/SheetRows.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Excel workbooks (.xlsx: SpreadsheetML in a zip package, transitional or strict).
//
// The reader takes the workbook's active worksheet (workbook.xml's activeTab,
// else the first visible sheet) and streams its rows: the sheet is parsed as it
// is inflated and never held whole, so memory stays bounded by the shared
// strings and one row. The zip package is read with libzip, the XML with
// libxml2's reader, without network access, DTDs or entity expansion.
//
// A package is refused when it is not an .xlsx workbook (an .xlsb, a zip
// without a workbook part), is damaged (truncated zip, malformed XML, missing
// parts), inflates to more than 256 MB or to more than 100 times its own size,
// or holds a formula cell without a computed result.
class XlsxReader final : public SheetRows {
public:
    static Result<std::unique_ptr<XlsxReader>> open(const QString& path);
    static Result<std::unique_ptr<XlsxReader>> openBytes(const QByteArray& bytes);
    ~XlsxReader() override;

    Result<bool> next(SheetRow& row) override;
    int sheetIndex() const override;
    WorkbookFormat format() const override { return WorkbookFormat::Xlsx; }
    // The name of the sheet being read, as its tab shows it.
    QString sheetName() const;

    struct Impl;

private:
    explicit XlsxReader(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// The text of a number read from a workbook's XML: rounded to the 15 significant
// digits spreadsheet programs show, then written as workbookNumberText does.
// Empty when `text` is not a number.
QString xlsxNumberText(QByteArrayView text);
