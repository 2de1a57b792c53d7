#pragma once

#include "domain/InstructionCheck.h"

#include <QDialog>

#include <functional>

class Prompt;
class QTableWidget;

// What an instruction tab hands to the report window.
struct CheckReportRequest {
    std::vector<InstructionCheck::Finding> findings;
    // True before an upload file is written: without errors the user may go on.
    bool writing = false;
    // Selects the instruction with this 序号 in the tab's list.
    std::function<void(qint64 row)> selectRow;
};

// The report window: one line per finding (类别, 序号, 字段, 问题). A double
// click selects the line's instruction in the list; "保存报告" saves it as CSV;
// "继续生成" (only before writing, and only without errors) accepts the dialog.
class CheckReportDialog : public QDialog {
    Q_OBJECT
public:
    CheckReportDialog(Prompt& prompt, CheckReportRequest request, QWidget* parent = nullptr);

    QTableWidget* grid() const { return m_grid; }
    void saveReport();

private:
    Prompt& m_prompt;
    CheckReportRequest m_request;
    QTableWidget* m_grid = nullptr;
};
