#pragma once

#include <QDialog>

#include <functional>

struct AppContext;
class QPushButton;
class QTableWidget;

// "恢复数据": the automatic backups of the store, newest first, with their time,
// operation, the numbers of batch and payroll instructions and roster entries
// and the exact batch total. "恢复" brings back the chosen backup, "从文件恢复…"
// a store file the user chooses (a copy on a USB stick). Either asks first
// (default Cancel), backs up the current store, replaces it, calls `reload`
// and says what was restored; a file that cannot be restored is refused
// naming why, and nothing changes.
class frmRestore : public QDialog {
    Q_OBJECT
public:
    frmRestore(AppContext& ctx, std::function<void()> reload, QWidget* parent = nullptr);

    // Lists the backups again.
    void fill();
    // The file of a list row; empty for a row without one.
    QString rowFile(int row) const;

public slots:
    void cmdRestore_Click();
    void cmdRestoreFile_Click();

private:
    // Asks, restores `path` and reports; true when the store was replaced.
    bool restoreFile(const QString& path, const QString& question);

    AppContext& m_ctx;
    std::function<void()> m_reload;
    QTableWidget* m_list = nullptr;
    QPushButton* m_cmdRestore = nullptr;
};

// The commands of the File menu around backups.
namespace BackupCommands {
// "备份数据…": a copy of the store to a file the user chooses.
void backupByHand(AppContext& ctx, QWidget* parent);
// "撤销上次导入": restores the backup made just before the last import, after a
// question naming the imported file and the time (default Cancel).
void undoLastImport(AppContext& ctx, const std::function<void()>& reload);
}
