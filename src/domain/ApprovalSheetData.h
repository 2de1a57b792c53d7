#pragma once

#include "common/Money.h"

#include <QDateTime>
#include <QString>

#include <vector>

// One instruction line of the approval sheet, as the list shows it.
struct ApprovalSheetRow {
    QString no; // 序号
    QString account;
    QString name;
    QString amount; // with thousands separators and two decimals
    QString remark;
};

// What the approval sheet of an instruction list shows; app/ApprovalSheet lays
// it out on pages.
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

    // The total in capital figures as bank documents write it: "整" after an
    // amount without jiao and fen ("壹佰元整", "壹佰元伍角", "零元整").
    QString totalInWords() const;
};
