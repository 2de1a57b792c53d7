#pragma once

#include "app/TabPage.h"
#include "common/Money.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QMenu;
class QPushButton;

// The number and exact total of the instructions a tab counts.
struct InstructionTotals {
    qint64 count = 0;
    Money total;
};

// What makes one instruction list: its table, its grid and its wording.
struct InstructionListLayout {
    QString table; // the table New empties and the range delete deletes from
    QString keyField; // the table's key column, shown hidden in grid column 1
    // Count (totalNum) and total in whole fen (totalAmt) of the instructions.
    QString totalsStatement;
    // The list; grid column c shows field sourceFields[c] (-1: the running number).
    QString listStatement;
    QStringList headers;
    std::vector<int> sourceFields;
    std::vector<int> widthsTwips;
    int amountColumn = -1; // shown with thousands separators and two decimals, right aligned
    // Columns widened where needed so that an account number of up to 21 digits shows whole.
    std::vector<int> accountColumns;

    QString noChoiceMessage; // a command that needs a row, with none chosen
    QString rangeDeleteQuestion;
    QString rangeDeleteDone;
    QString rangeDeleteFailed; // followed by "指令序列" and the row after the range
    QString newFailed; // New could not empty the table
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

    InstructionListTab(AppContext& ctx, frmMain& main, const QString& prefix, InstructionListLayout layout);

    // Status bar panels, then the grid; current column 0 afterwards.
    void refresh() override;
    // Count and exact total; none when the query failed (the store has said why).
    std::optional<InstructionTotals> queryTotals();

    QMenu* instructionMenu() const override = 0;
    // New: empties the table after the question, when the list shows anything.
    void newList() override;

protected:
    QPushButton* addButton(const QString& shortName, const QString& caption);
    // Connects the main window's menu entry `name` to a handler of this tab.
    void connectMenuEntry(const QString& name, std::function<void()> handler);
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

    // Called at the end of every refresh.
    virtual void listRefreshed() { }

    const InstructionListLayout m_layout;
};
