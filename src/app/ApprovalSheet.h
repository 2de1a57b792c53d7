#pragma once

#include "common/Money.h"

#include <QDateTime>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

// One instruction line of the sheet, as the list shows it.
struct ApprovalSheetRow {
    QString no; // 序号
    QString account;
    QString name;
    QString amount; // with thousands separators and two decimals
    QString remark;
};

struct ApprovalSheetData {
    QString title; // "付款审批单" / "代发工资审批单"
    QString bankName;
    // The payer: account and name of the batch, or "代发工资".
    QString payerAccNo;
    QString payerAccName;
    bool payroll = false;
    QDateTime madeAt;
    std::vector<ApprovalSheetRow> rows;
    Money total;
};

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
    // The total in capital figures as bank documents write it: "整" after an
    // amount without jiao and fen ("壹佰元整", "壹佰元伍角", "零元整").
    QString totalInWords() const;

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
