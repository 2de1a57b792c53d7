#pragma once

#include "domain/ApprovalSheetData.h"

#include <QString>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

// The approval sheet companies sign before a batch is uploaded: A4 pages with
// the title, bank, payer and time, the instructions with the column headers on
// every page (an account, name or remark too long for its column goes on over
// further lines of its row, never cut), "第 n 页 / 共 m 页" at the foot, and on
// the last page the count, the total in figures and in capital figures and the
// signature lines.
class ApprovalSheet {
public:
    explicit ApprovalSheet(ApprovalSheetData data);

    const ApprovalSheetData& data() const { return m_data; }

    // Sets a printer up for the sheet: A4 portrait, 15 mm margins, the title
    // as document name.
    void preparePrinter(QPrinter& printer) const;
    // Paints all pages on the device (a printer or a PDF writer set to A4);
    // returns the number of pages.
    int render(QPagedPaintDevice& device) const;
    // Renders the sheet into a PDF file; false when it cannot be written.
    bool writePdf(const QString& path) const;

private:
    ApprovalSheetData m_data;
};
