#pragma once

#include "app/InstructionDialogRequest.h"
#include "app/InstructionListTab.h"
#include "domain/payroll/LaborageUploadFile.h"

#include <functional>

class QPushButton;

// The payroll tab: the in-bank instructions of table laborage with their
// roster data, count and exact total in the status bar, and the payroll
// commands (add, change or delete one, delete a range, upload file, add a
// roster group).
class Laborage : public InstructionListTab {
    Q_OBJECT
public:
    // The grid's columns.
    enum Column {
        ColumnNo = 0,
        ColumnSerialNo = ColumnKey,
        ColumnAccNo,
        ColumnAccName,
        ColumnEmployeeNo,
        ColumnKind,
        ColumnAmount,
        ColumnCount
    };

    Laborage(AppContext& ctx, MainWindowServices& main);

    void writeUploadFile() override { menuWriteLaborageFile_Click(); }

    // Where the dialogs are opened modally; replaceable so that tests watch
    // what would be handed over instead of showing them.
    void setLaborageDialogOpener(std::function<void(const InstructionDialogRequest&)> opener)
    {
        m_openLaborageDialog = std::move(opener);
    }
    void setBatchDialogOpener(std::function<void()> opener) { m_openBatchDialog = std::move(opener); }

public slots:
    void menuNewLaborage_Click();
    void menuUpdateLaborage_Click();
    void Laborage_cmdDeleteBut_Click();
    void menuWriteLaborageFile_Click();
    void Laborage_cmdBatchNewBut_Click();
    void Laborage_cmdLoadB2BFileBut_Click();
    void menuCheckLaborage_Click();
    void Laborage_cmdPrintBut_Click();
    // "上传记录": the window of the upload files written.
    void Laborage_cmdUploadHistory_Click();

private:
    Result<std::optional<InstructionTotals>> readList(const ListRowSink& row) override;
    Result<> checkRecords(const CheckSink& check) override;
    // The check's reading; `file`, when given, gets the line of every row in the roster.
    Result<> readChecked(const CheckSink& check, LaborageUploadFile::CsvBuilder* file);
    InstructionCheck::Rules checkRules() const override;
    Result<ApprovalSheetData> approvalSheetData() override;
    void writeCsv(const QString& path);
    void writeWorkbook(const QString& path);

    std::function<void(const InstructionDialogRequest&)> m_openLaborageDialog;
    std::function<void()> m_openBatchDialog;
    // The texts are checked for the CSV file's separators and code page.
    bool m_checkFileTexts = true;
};
