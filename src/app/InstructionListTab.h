#pragma once

#include "app/ApprovalSheet.h"
#include "app/CheckReport.h"
#include "app/TabPage.h"
#include "app/frmPastePreview.h"
#include "common/FieldRule.h"
#include "common/Money.h"
#include "common/Result.h"
#include "domain/InstructionAmounts.h"
#include "domain/InstructionCheck.h"
#include "domain/tables/InstructionTable.h"

#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

// What makes one instruction list: its grid and its wording.
struct InstructionListLayout {
    QStringList headers; // column 0 shows the running number, column 1 the hidden key
    std::vector<int> widthsTwips;
    int amountColumn = -1; // shown with thousands separators and two decimals, right aligned
    // The field rule of the entry dialog's amount box: when given, the amount
    // cell takes typed amounts, checked as the dialog checks them.
    std::optional<FieldId> amountRule;
    // Amounts pasted from a spreadsheet (Ctrl+V, undone by Ctrl+Z) find their
    // instruction by the account in this column and show the name of
    // `nameColumn`; -1: the list takes no paste.
    int accountColumn = -1;
    int nameColumn = -1;

    QString noChoiceMessage; // a command that needs a row, with none chosen
    QString rangeDeleteQuestion;
    QString rangeDeleteDone;
    QString rangeDeleteFailed; // followed by "指令序列" and the row after the range
    QString newFailed; // New could not empty the table
    QString newBackup; // the backup's operation code before New
};

// A tab listing instructions (batch payment, payroll): the list with count,
// exact total and total in capital figures in the status bar, the one-row
// change command, the range delete in one statement, the popup menu, New and
// the upload file. A tab supplies its layout, its menu and its rules.
class InstructionListTab : public TabPage {
    Q_OBJECT
public:
    // Grid column 1 holds the key of every listed row.
    static constexpr int ColumnKey = 1;

    // `table` is the table New empties and the range delete deletes from.
    InstructionListTab(AppContext& ctx, MainWindowServices& main, const QString& prefix, InstructionListLayout layout,
        std::unique_ptr<InstructionTable> table);

    // Status bar panels, then the grid; current column 0 afterwards.
    void refresh() override;
    // Count and exact total; none when the query failed (the store has said why).
    Result<InstructionTotals> queryTotals();

    QMenu* instructionMenu() const override { return m_menu; }
    // New: empties the table after the question, when the list shows anything.
    void newList() override;

    // Hands the instructions to check to its sink, one at a time in list
    // order. Fails when the store failed (it has shown its error).
    using CheckSink = std::function<void(const InstructionCheck::Record&)>;
    using CheckReader = std::function<Result<>(const CheckSink& check)>;
    // Runs every check over the list. Without findings nothing is shown and
    // the result is true; otherwise the report window is shown and the result
    // says whether the upload file may be written (no errors and the user
    // chose to go on). `writing` false: the report only ("检查指令").
    // `read`, when given, reads the instructions instead of checkRecords (an
    // upload file is built from the same pass over the store as the check).
    bool checkInstructions(bool writing, const CheckReader& read = {});
    // "打印审批单": the approval sheet of the list in the print preview.
    void printApprovalSheet();
    // Selects the instruction with this 序号 in the list.
    void selectListRow(qint64 row);

    // Where the report window and the print preview are opened modally;
    // replaceable so that tests see what would be shown. The report opener
    // returns true when the user chose to go on writing.
    void setCheckReportOpener(std::function<bool(const CheckReportRequest&)> opener)
    {
        m_openCheckReport = std::move(opener);
    }
    void setApprovalSheetOpener(std::function<void(const ApprovalSheet&)> opener)
    {
        m_openApprovalSheet = std::move(opener);
    }
    // Where the preview of a paste is opened modally; it returns true when the
    // user chose to store the amounts.
    void setPastePreviewOpener(std::function<bool(const PastePreviewRequest&)> opener)
    {
        m_openPastePreview = std::move(opener);
    }

    // Ctrl+V on the list: the amounts of the clipboard's spreadsheet text, after
    // their preview, stored in one transaction. One column fills the shown rows
    // from the top of the selection down (one amount fills every selected row);
    // two columns (account, amount) or three (account, name, amount) set the
    // amount of the listed instruction with that account.
    void pasteAmounts();
    // Ctrl+Z on the list: the amounts as they were before the last paste, as
    // long as nothing else has been written since.
    void undoPaste();

protected:
    // A command button of the row above the list.
    struct Command {
        QString shortName;
        QString caption;
        std::function<void()> run;
    };
    // Lays the tab out: the command buttons in a row, in the given order, over
    // the list; each button runs its command when clicked.
    void layOutCommands(std::initializer_list<Command> commands);
    // "检查指令": the report of every check over the list, or the message that
    // there is nothing to check.
    void checkListCommand();
    // An entry of the tab's menu.
    struct MenuEntry {
        QString name;
        QString caption;
        std::function<void()> run;
    };
    // Puts the tab's menu `name` on the main window's menu bar with its entries
    // in the given order; each entry runs its handler. The main window shows
    // it while the tab is shown, and the grid's right button pops it up.
    void addMenu(const QString& name, const QString& caption, std::initializer_list<MenuEntry> entries);
    // Double click and right button on the grid.
    void connectGrid(std::function<void()> changeCommand);

    // True when the current row holds an instruction (its key is not blank).
    bool currentRowHasKey() const;
    // The row a one-row command works on: 0 (silently) when the list holds no
    // instruction, -1 after the no-choice message when none is chosen.
    int chosenRow();
    // The range delete: the keys of the rows between the current row and the
    // end of the selection, deleted in one statement after the question.
    void deleteSelectedRange();

    // Status panels: count, exact total and the total in capital figures of
    // the whole list, then panel 1 for the find.
    void showTotals();
    void showTotals(const InstructionTotals& totals);
    // An amount typed into the list: checked as the entry dialog checks it,
    // stored at once; a refusal is said in the status bar. The cell's new text,
    // or none.
    std::optional<QString> storeTypedAmount(int gridRow, const QString& typed);
    // What a paste of `block` would change, in the rows the user sees; a
    // failure says why nothing can be pasted.
    struct PastePlan {
        std::vector<AmountChange> changes;
        PastePreviewRequest preview;
    };
    Result<PastePlan> planPaste(const InstructionAmounts::PastedBlock& block);
    // A passing note in the status bar (a refused amount).
    void showStatusMessage(const QString& text);

    // While a find is on: the line that says a file, check or sheet took the
    // whole batch ("已按全部 m 笔指令生成"), after a line break; otherwise empty.
    QString wholeBatchNote() const;
    // Panel 1 under a find also gives the exact total of the shown rows.
    void showFindStatus() override;

    // Called at the end of every refresh.
    virtual void listRefreshed() { }
    // Hands every listed instruction to `row` in list order, read in place:
    // its columns are grid columns 1 on (column 0 is the running number),
    // untrimmed, the amount as stored.
    // Gives the count and total of the status bar when they were summed on
    // the way (InstructionTable::readListed).
    using ListRowSink = std::function<void(const ListedInstruction& row)>;
    virtual Result<std::optional<InstructionTotals>> readList(const ListRowSink& row) = 0;

    // Hands the instructions to check to `check`, one at a time in list order.
    virtual Result<> checkRecords(const CheckSink& check) = 0;
    virtual InstructionCheck::Rules checkRules() const = 0;
    // The check rules of a list: the names its report gives the account, name
    // and amount fields, and the length rule of field `accountRuleId` when that
    // field is an account.
    InstructionCheck::Rules rulesFor(
        const QString& account, const QString& name, const QString& amount, FieldId accountRuleId) const;
    // The sheet's contents; none when the store failed.
    virtual Result<ApprovalSheetData> approvalSheetData() = 0;

    const InstructionListLayout m_layout;
    const std::unique_ptr<InstructionTable> m_table;

private:
    QMenu* m_menu = nullptr;
    std::function<bool(const CheckReportRequest&)> m_openCheckReport;
    std::function<void(const ApprovalSheet&)> m_openApprovalSheet;
    std::function<bool(const PastePreviewRequest&)> m_openPastePreview;
    // The amounts before the last paste, and the store's count of written
    // rows right after it: any other write since makes the undo unsafe.
    std::vector<AmountChange> m_beforePaste;
    qint64 m_changesAfterPaste = -1;
};
