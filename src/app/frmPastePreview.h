#pragma once

#include "common/Money.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

// One instruction whose amount a paste changes, as the preview lists it.
struct PastePreviewRow {
    QString account;
    QString name;
    QString oldAmount; // as the list shows it ("1,234.50")
    QString newAmount;
    QString note; // e.g. a pasted name that differs from the listed one
};

// What a paste would do, shown before anything is stored.
struct PastePreviewRequest {
    std::vector<PastePreviewRow> rows;
    Money oldTotal; // of the changed rows, before
    Money newTotal; // of the changed rows, after
    int unchanged = 0; // pasted amounts equal to the stored ones
    QStringList notListed; // "第 n 行：账号" of the pasted accounts the list does not hold
};

// "粘贴金额": the list of the amounts a paste from a spreadsheet changes
// (account, name, old and new amount), their count and totals, and the pasted
// accounts that are not listed (reported, never added). 确定 stores them, 取消
// leaves every amount as it is.
class frmPastePreview : public QDialog {
    Q_OBJECT
public:
    frmPastePreview(const PastePreviewRequest& request, QWidget* parent = nullptr);

    // The summary line: "将修改 n 笔指令的金额：原合计 x 元，粘贴后合计 y 元".
    static QString summary(const PastePreviewRequest& request);
};
