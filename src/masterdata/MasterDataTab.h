#pragma once

#include "app/TabPage.h"
#include "common/FieldRule.h"
#include "domain/masterdata/MasterDataXml.h"
#include "domain/tables/TableWrite.h"

#include <QList>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

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

    // A grid column: its header and its width in 1/1440 inch.
    struct Column {
        QString header;
        int widthTwips;
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

    // Shows the count beside "总笔数"; nothing when the count failed (the store
    // has shown its error).
    void showCount(const Result<qint64>& count);
    // Shows the rows: the running number in column 0, then the texts of the
    // columns 1.., each trimmed; one empty row when there are none. Columns 1..
    // are left-aligned; column 0 becomes current. When the rows could not be
    // read the grid keeps its header only.
    void showList(const QList<Column>& columns, const Result<std::vector<QStringList>>& rows);
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
    bool checkBox(QLineEdit* box, FieldId fieldId, bool doCheck = true);

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

    // Deletes the rows whose keys the key column of the chosen rows shows, in
    // one statement of the table (`remove`). On failure shows showRangeFailure(failure).
    using Remove = std::function<Result<>(const QStringList& keys)>;
    bool deleteRows(const RowRange& range, int keyColumn, const QString& failure, const Remove& remove);

    // The answer of a table's add (see TableWrite::addIfAbsent).
    using AddResult = TableWrite::AddOutcome;

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
