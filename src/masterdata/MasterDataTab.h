#pragma once

#include "app/TabPage.h"
#include "domain/masterdata/MasterDataXml.h"

#include <QList>
#include <QStringList>
#include <QVariantList>

#include <functional>

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;

// The shape the master-data tabs share: the list grid on the left; on the
// right the entry area with the chosen row number beside "序号：", the entry
// boxes, the command buttons and the help texts. The tabs add their own
// controls through the builders below and keep only their own rules.
//
// The chosen row lives in the row-number label: a click on a data row sets it,
// every reload empties it; change and delete need it.
class MasterDataTab : public TabPage {
    Q_OBJECT
public:
    // The help texts of the change and delete commands.
    static QString changeNotice();
    static QString deleteNotice();

    // A grid column: its header, its width in 1/1440 inch, and the name of the
    // list query's column it shows (empty for the running number).
    struct Column {
        QString header;
        int widthTwips;
        QString field;
    };

protected:
    // `indexLabel` is the short name of the row-number label ("lblPayAccIdx").
    MasterDataTab(AppContext& ctx, MainWindowServices& main, const QString& prefix, const QString& indexLabel);

    // ---- Building the work area (controls are named prefix + "_" + short name)

    // A caption label and a text box on the next row of the entry area.
    // `maxLength` 0 declares no limit.
    QLineEdit* addTextField(const QString& labelName, const QString& caption, const QString& boxName, int maxLength);
    QComboBox* addComboField(const QString& labelName, const QString& caption, const QString& comboName);
    // A caption label and any widget on the next row; returns the label.
    QLabel* addWidgetField(const QString& labelName, const QString& caption, QWidget* widget);
    // The next command button, left to right (Enter does not press it).
    QPushButton* addButton(const QString& name, const QString& caption);
    // "导出到Excel" on a row of its own under the command buttons, so that the
    // entry area keeps its width.
    QPushButton* addExcelButton();
    // The next help text below the buttons.
    QLabel* addNotice(const QString& name, const QString& text);
    // Adds a widget above the grid and the entry area (the payee kind strip).
    void addTopWidget(QWidget* widget);
    QLabel* captionOf(QLineEdit* box) const;

    // ---- The list

    // Runs the count query and shows "总笔数" and its `totalNum`; nothing when
    // the query failed (the store has shown its error).
    void showCount(const QString& sql, const QVariantList& params = {});
    // Runs the list query and shows its rows: the running number in column 0,
    // then the query's fields named by the columns, each trimmed; one empty row
    // when there are none. Columns 1.. are left-aligned; column 0 becomes current. When the
    // query fails the grid keeps its header only.
    void showList(const QList<Column>& columns, const QString& sql, const QVariantList& params = {});
    // Sets the header and widths without rows (the grid is emptied).
    void setGridColumns(const QList<Column>& columns);

    // ---- The chosen row

    QString chosenIndex() const;
    void setChosenIndex(int row);
    void clearChosenIndex();
    // The grid row of the chosen index; 0 when none.
    int chosenRow() const;

    // ---- Commands

    // The field check of a screen: on failure the focus goes to the box and its
    // whole text is selected.
    bool checkBox(QLineEdit* box, int fieldId, bool doCheck = true);

    // The start of an export: `emptyMessage` when the list is empty, else the
    // file of one of the types `filters` the user chooses (asking before an
    // existing one is replaced). Empty when there is nothing to do.
    QString chooseExportFile(
        const QStringList& filters, const QString& emptyMessage = QStringLiteral("没有记录可以导出"));

    // The XML import the exchanging tabs share: choose a file and load it (no
    // file, a missing one or one that is not XML stops without a word; one that
    // cannot be read shows `readError`), import it, then reload the tab and show
    // `done`. A stop shows its reason; what was imported before it stays and the
    // tab is not reloaded.
    using XmlImport = std::function<Result<int>(DBAccess&, const XmlDoc&)>;
    void importXml(const QString& readError, const XmlImport& import, const QString& done);

    // Adds a row unless one with its key exists: the check and the insert run in
    // one write transaction, so that no other writer can add the same key in
    // between. `admit`, when given, runs in that transaction after the check and
    // before the insert: it may complete `values`, or stop the add after saying
    // why. CheckFailed: the store has shown its error, or `admit` stopped.
    enum class AddResult { Added, Exists, Failed, CheckFailed };
    using Admit = std::function<bool(QVariantList& values)>;
    AddResult insertIfAbsent(const QString& existsSql, const QVariantList& key, const QString& insertSql,
        QVariantList values, const Admit& admit = {});

    // The row-selection handler of the tab: a click on a data row.
    virtual void gridClicked() = 0;

    QLabel* m_lblIndex;

private:
    // Puts a caption and its control on the next row of the entry area.
    void placeField(QLabel* label, QWidget* widget);

    QVBoxLayout* m_pageLayout;
    QGridLayout* m_form;
    QHBoxLayout* m_buttons;
    QVBoxLayout* m_notices;
    int m_formRows = 1;
};
