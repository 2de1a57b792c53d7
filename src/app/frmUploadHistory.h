#pragma once

#include "domain/UploadHistory.h"

#include <QDialog>

#include <vector>

struct AppContext;
class QAbstractItemModel;
class QDateEdit;
class QLabel;
class QTableView;
class UploadHistoryModel;

// "上传记录": the upload files written, newest first (time, kind, file, count,
// total in figures and in capital figures); the instructions of the chosen
// file below. Either list can be exported as CSV; the chosen file can be
// compared with its bytes as written; the records older than a chosen date
// can be deleted, after a question.
class frmUploadHistory : public QDialog {
    Q_OBJECT
public:
    explicit frmUploadHistory(AppContext& ctx, QWidget* parent = nullptr);

    // After an upload file was written to `path`: records it in the history.
    // The note to add to the message that says the file was written; empty
    // when it was recorded.
    static QString recordWritten(
        AppContext& ctx, UploadHistory::Kind kind, const QString& path, const UploadHistory::Batch& batch);

    QTableView* files() const { return m_files; }
    QTableView* items() const { return m_items; }

    // Reads the list of files again; the first (newest) file is chosen.
    void reload();

    void cmdExportFiles_Click();
    void cmdExportItems_Click();
    void cmdVerify_Click();
    void cmdDeleteBefore_Click();

private:
    // Lists the instructions of the file in row `row` of the file list.
    void showItems(int row);
    // The chosen file; null when none is chosen.
    const UploadFileRow* chosenFile() const;
    void exportList(const QAbstractItemModel& model, const QString& what);

    AppContext& m_ctx;
    std::vector<UploadFileRow> m_rows;
    QTableView* m_files = nullptr;
    QTableView* m_items = nullptr;
    UploadHistoryModel* m_fileModel = nullptr;
    UploadHistoryModel* m_itemModel = nullptr;
    QLabel* m_itemsLabel = nullptr;
    QDateEdit* m_before = nullptr;
};
