#pragma once

#include "common/Prompt.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QWidget>

#include <utility>
#include <vector>

struct AppContext;
class MainWindowServices;
class ListFindBox;
class ListGridRows;
class ListGrid;
class QMenu;
class QPushButton;

// One tab of the main window: its list grid and its work area. The main window
// reloads a page when it is shown and clears its grid when it is left.
class TabPage : public QWidget {
    Q_OBJECT
public:
    // `prefix` names the page and its controls ("PaymentB2B" -> "PaymentB2B_DataGrid").
    TabPage(AppContext& ctx, MainWindowServices& main, const QString& prefix, QWidget* parent = nullptr);

    // Reloads the page's list (and status bar) when the tab is shown.
    virtual void refresh() = 0;
    // Empties the grid when the tab is left.
    virtual void clearGrid();

    // The instruction tabs answer the main window's menu, New and Save; the
    // other tabs have no menu and ignore both.
    virtual QMenu* instructionMenu() const { return nullptr; }
    virtual void newList() { }
    virtual void writeUploadFile() { }

    ListGrid* grid() const { return m_grid; }
    ListFindBox* findBox() const { return m_findBox; }
    const QString& prefix() const { return m_prefix; }

protected:
    // The control name of this page for a short name: "txtAccNo" -> "PayAccList_txtAccNo".
    QString controlName(const QString& shortName) const { return m_prefix + u'_' + shortName; }
    // A new control of this page named after `shortName`; `args` go before the parent.
    template <class Control, class... Args> Control* newControl(const QString& shortName, Args&&... args)
    {
        auto* control = new Control(std::forward<Args>(args)..., this);
        control->setObjectName(controlName(shortName));
        return control;
    }
    // A command button of this page.
    QPushButton* addButton(const QString& shortName, const QString& caption);

    // The find box over the grid, as one widget for the page's layout.
    QWidget* gridWithFindBox();
    // Status panel 1 after a find, a sort or a refresh: "总笔数", or while a
    // find is on, how many of all the rows (panel 2) are shown.
    virtual void showFindStatus();
    QString findStatusText() const;

    // Shows the rows in the grid; no rows show as one blank row.
    void setGridRows(std::vector<QStringList>&& rows);
    void setGridRows(ListGridRows&& rows);

    // The selected rows: from the current row to the end of the selection,
    // swapped when the selection was made upwards.
    struct RowRange {
        int first = 0;
        int last = 0;
    };
    RowRange selectedRange() const;
    // The button Enter presses in the question before a range is deleted:
    // Cancel when the range holds more than one row, so one key loses nothing.
    static DefaultButton deleteQuestionDefault(const RowRange& range)
    {
        return range.last > range.first ? DefaultButton::Cancel : DefaultButton::Ok;
    }
    // "导出到Excel": which grid columns go into the workbook, in sheet order, and how.
    struct ExcelLayout {
        QString sheetName;
        std::vector<int> columns {}; // grid columns; empty: every column after the running number
        std::vector<int> amountColumns {}; // grid columns holding amounts
        bool header = true; // row 1 holds the grid's captions
        bool totalRow = false; // count and exact total below the list
        FileKind fileKind = FileKind::MasterData;
    };
    // Writes the list the grid shows as an .xlsx workbook to a file the user
    // chooses ("Excel 工作簿 (*.xlsx)", the extension added when missing) and
    // says so, or says why not.
    void exportToExcel(const ExcelLayout& layout);

    // The trimmed texts of one column over a range of rows.
    QStringList columnTexts(const RowRange& range, int column) const;
    // A delete of more than one row is preceded by a backup; false when the
    // user chose not to go on without one.
    bool backupBeforeRangeDelete(const RowRange& range);
    // The failure of a range command: `failure`, then "指令序列" and the row after the range.
    void showRangeFailure(const QString& failure, const RowRange& range);

    AppContext& m_ctx;
    MainWindowServices& m_main;
    QString m_prefix;
    ListGrid* m_grid;
    ListFindBox* m_findBox;
};

// A tab whose work area comes later: an empty list.
class EmptyTabPage : public TabPage {
    Q_OBJECT
public:
    EmptyTabPage(AppContext& ctx, MainWindowServices& main, const QString& prefix);
    void refresh() override;
};
