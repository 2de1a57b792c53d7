#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

struct AppContext;
class frmMain;
class ListGrid;
class QMenu;

// One tab of the main window: its list grid and its work area. The main window
// reloads a page when it is shown and clears its grid when it is left.
class TabPage : public QWidget {
    Q_OBJECT
public:
    // `prefix` names the page and its controls ("PaymentB2B" -> "PaymentB2B_DataGrid").
    TabPage(AppContext& ctx, frmMain& main, const QString& prefix, QWidget* parent = nullptr);

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
    const QString& prefix() const { return m_prefix; }

protected:
    // The control name of this page for a short name: "txtAccNo" -> "PayAccList_txtAccNo".
    QString controlName(const QString& shortName) const { return m_prefix + u'_' + shortName; }

    // The selected rows: from the current row to the end of the selection,
    // swapped when the selection was made upwards.
    struct RowRange {
        int first = 0;
        int last = 0;
    };
    RowRange selectedRange() const;
    // The trimmed texts of one column over a range of rows.
    QStringList columnTexts(const RowRange& range, int column) const;

    AppContext& m_ctx;
    frmMain& m_main;
    QString m_prefix;
    ListGrid* m_grid;
};

// A tab whose work area comes later: an empty list.
class EmptyTabPage : public TabPage {
    Q_OBJECT
public:
    EmptyTabPage(AppContext& ctx, frmMain& main, const QString& prefix);
    void refresh() override;
};
