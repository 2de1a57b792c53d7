#include "app/frmRestore.h"

#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/Backups.h"
#include "store/StoreBackup.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString storeFilter()
{
    return u"数据备份 (*.mdb)"_s;
}

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString timeText(const QDateTime& time)
{
    return time.toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

} // namespace

frmRestore::frmRestore(AppContext& ctx, std::function<void()> reload, QWidget* parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_reload(std::move(reload))
{
    setObjectName(u"frmRestore"_s);
    setWindowTitle(u"恢复数据"_s);
    resize(820, 420);
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(u"备份文件夹：%1\n选择一个备份后单击“恢复”。恢复之前，当前数据会先备份。"_s.arg(
                                QDir::toNativeSeparators(Backups::folderFor(ctx.db().dbPath()))),
        this);
    note->setObjectName(u"frmRestore_lblFolder"_s);
    layout->addWidget(note);

    m_list = new QTableWidget(0, 6, this);
    m_list->setObjectName(u"frmRestore_lstBackups"_s);
    m_list->setHorizontalHeaderLabels(
        { u"备份时间"_s, u"操作"_s, u"批量支付笔数"_s, u"代发代扣笔数"_s, u"名册人数"_s, u"批量支付金额"_s });
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setVisible(false);
    m_list->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_list, 1);

    auto* buttons = new QHBoxLayout;
    m_cmdRestore = new QPushButton(u"恢复"_s, this);
    m_cmdRestore->setObjectName(u"frmRestore_cmdRestore"_s);
    auto* fromFile = new QPushButton(u"从文件恢复…"_s, this);
    fromFile->setObjectName(u"frmRestore_cmdRestoreFile"_s);
    auto* close = new QPushButton(u"关闭"_s, this);
    close->setObjectName(u"frmRestore_cmdClose"_s);
    buttons->addWidget(m_cmdRestore);
    buttons->addWidget(fromFile);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_cmdRestore, &QPushButton::clicked, this, &frmRestore::cmdRestore_Click);
    connect(fromFile, &QPushButton::clicked, this, &frmRestore::cmdRestoreFile_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, &frmRestore::cmdRestore_Click);
    fill();
}

void frmRestore::fill()
{
    const QString folder = Backups::folderFor(m_ctx.db().dbPath());
    const QList<BackupEntry> entries = Backups::list(folder);
    m_list->setRowCount(0);
    m_list->setRowCount(static_cast<int>(entries.size()));
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    for (int r = 0; r < entries.size(); ++r) {
        const BackupEntry& e = entries.at(r);
        auto* time = cell(timeText(e.time));
        time->setData(Qt::UserRole, QDir(folder).filePath(e.fileName));
        m_list->setItem(r, 0, time);
        m_list->setItem(r, 1, cell(Backups::operationText(e.operation)));
        const Result<StoreFacts> facts = StoreBackup::inspect(QDir(folder).filePath(e.fileName), false);
        if (facts) {
            m_list->setItem(r, 2, cell(QString::number(facts->payments), right));
            m_list->setItem(r, 3, cell(QString::number(facts->payrolls), right));
            m_list->setItem(r, 4, cell(QString::number(facts->roster), right));
            m_list->setItem(r, 5, cell(facts->paymentTotal.toGroupedText(), right));
        } else {
            m_list->setItem(r, 2, cell(u"无法读取：%1"_s.arg(facts.message())));
        }
    }
    m_list->resizeColumnsToContents();
    if (!entries.isEmpty())
        m_list->selectRow(0);
    m_cmdRestore->setEnabled(!entries.isEmpty());
}

QString frmRestore::rowFile(int row) const
{
    const QTableWidgetItem* item = m_list->item(row, 0);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void frmRestore::cmdRestore_Click()
{
    const int row = m_list->currentRow();
    const QString path = rowFile(row);
    if (path.isEmpty()) {
        m_ctx.prompt.message(u"请先选择要恢复的备份"_s);
        return;
    }
    const QString question = u"将用 %1 的备份（%2）替换当前的全部数据，当前数据会先备份。是否继续?"_s.arg(
        m_list->item(row, 0)->text(), m_list->item(row, 1)->text());
    if (restoreFile(path, question))
        accept();
}

void frmRestore::cmdRestoreFile_Click()
{
    const QString path = selectOpenFile(m_ctx.prompt, { FileKind::MasterData, { storeFilter(), FileFilter::all() } });
    if (path.trimmed().isEmpty())
        return;
    const QString question
        = u"将用文件“%1”替换当前的全部数据，当前数据会先备份。是否继续?"_s.arg(QDir::toNativeSeparators(path));
    if (restoreFile(path, question))
        accept();
}

bool frmRestore::restoreFile(const QString& path, const QString& question)
{
    if (!m_ctx.prompt.askOkCancel(question, DefaultButton::Cancel))
        return false;
    const Result<StoreFacts> restored = Backups::restore(m_ctx, path);
    if (!restored) {
        if (!restored.message().isEmpty())
            m_ctx.prompt.message(restored.message());
        fill();
        return false;
    }
    if (m_reload)
        m_reload();
    m_ctx.prompt.message(Backups::restoredText(*restored, path));
    return true;
}

namespace BackupCommands {

void backupByHand(AppContext& ctx, QWidget* /*parent*/)
{
    const QString path = selectSaveFile(ctx.prompt, { FileKind::MasterData, { storeFilter() } });
    if (path.trimmed().isEmpty())
        return;
    const Result<> copied = StoreBackup::copyStore(ctx.db(), path);
    if (copied)
        ctx.prompt.message(writtenMessage(u"数据备份完毕"_s, path));
    else
        ctx.prompt.message(u"数据备份失败：%1"_s.arg(copied.message()));
}

void undoLastImport(AppContext& ctx, const std::function<void()>& reload)
{
    const auto last = Backups::undoableImport(ctx);
    if (!last) {
        ctx.prompt.message(u"没有可以撤销的导入：上次导入之后数据已有改动，或本次运行中尚未导入。"_s);
        return;
    }
    const QString question
        = u"是否撤销上次导入?\n导入的文件：%1\n数据将恢复到导入之前（%2）的状态，导入的数据将被删除。"_s.arg(
            QDir::toNativeSeparators(last->importedFile), timeText(last->backupTime));
    if (!ctx.prompt.askOkCancel(question, DefaultButton::Cancel))
        return;
    const Result<StoreFacts> restored = Backups::restore(ctx, last->backupPath);
    if (!restored) {
        if (!restored.message().isEmpty())
            ctx.prompt.message(restored.message());
        return;
    }
    if (reload)
        reload();
    ctx.prompt.message(u"已撤销上次导入。"_s + Backups::restoredText(*restored, last->backupPath));
}

} // namespace BackupCommands
