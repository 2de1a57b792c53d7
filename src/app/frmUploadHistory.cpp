#include "app/frmUploadHistory.h"

#include "common/AmountConvert.h"
#include "common/CsvLineWriter.h"
#include "common/Money.h"
#include "common/Prompt.h"
#include "common/TextFormat.h"
#include "domain/AppContext.h"
#include "domain/Backups.h"

#include <QAbstractTableModel>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

// The texts of one list of the window, row by row.
class UploadHistoryModel : public QAbstractTableModel {
public:
    UploadHistoryModel(QStringList headers, std::vector<int> amountColumns, QObject* parent)
        : QAbstractTableModel(parent)
        , m_headers(std::move(headers))
        , m_amountColumns(std::move(amountColumns))
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        if (role == Qt::DisplayRole)
            return m_rows[static_cast<size_t>(index.row())].value(index.column());
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignVCenter | (isAmount(index.column()) ? Qt::AlignRight : Qt::AlignLeft));
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_headers.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    void resetRows(std::vector<QStringList>&& rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const std::vector<QStringList>& rows() const { return m_rows; }
    const QStringList& headers() const { return m_headers; }
    bool isAmount(int column) const
    {
        return std::find(m_amountColumns.begin(), m_amountColumns.end(), column) != m_amountColumns.end();
    }

private:
    QStringList m_headers;
    std::vector<int> m_amountColumns;
    std::vector<QStringList> m_rows;
};

namespace {

enum FileColumn { FileMadeAt, FileKindColumn, FilePath, FileCount, FileTotal, FileTotalWords, FileColumns };
enum ItemColumn { ItemSeq, ItemAccNo, ItemAccName, ItemAmount, ItemRemark, ItemColumns };

QTableView* newList(QWidget* parent, const QString& name, QAbstractItemModel* model)
{
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->setVisible(false);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideNone);
    return view;
}

// Fits the columns to their texts, also the account numbers, which are never cut.
void fitColumns(QTableView* view)
{
    view->resizeColumnsToContents();
    for (int c = 0; c < view->model()->columnCount(); ++c)
        view->setColumnWidth(c, view->columnWidth(c) + 12);
}

// A cell as the unquoted CSV file can carry it: "," becomes "，", a line break a blank.
QByteArray csvCell(QString text)
{
    text.replace(u',', u'，');
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text.toUtf8();
}

bool addCells(CsvLineWriter& writer, const std::vector<QByteArray>& c)
{
    if (c.size() == ItemColumns)
        return writer.addLine(
            { { nullptr, c[0], 0 }, { ",", c[1], 1 }, { ",", c[2], 2 }, { ",", c[3], 3 }, { ",", c[4], 4 } });
    return writer.addLine({ { nullptr, c[0], 0 }, { ",", c[1], 1 }, { ",", c[2], 2 }, { ",", c[3], 3 },
        { ",", c[4], 4 }, { ",", c[5], 5 } });
}

} // namespace

frmUploadHistory::frmUploadHistory(AppContext& ctx, QWidget* parent)
    : QDialog(parent)
    , m_ctx(ctx)
{
    setObjectName(u"frmUploadHistory"_s);
    setWindowTitle(u"上传记录"_s);

    m_fileModel = new UploadHistoryModel(
        { u"生成时间"_s, u"类别"_s, u"文件"_s, u"笔数"_s, u"总金额"_s, u"大写金额"_s }, { FileCount, FileTotal }, this);
    m_itemModel = new UploadHistoryModel(
        { u"序号"_s, u"收款账号"_s, u"户名"_s, u"金额"_s, u"备注"_s }, { ItemSeq, ItemAmount }, this);
    m_files = newList(this, u"frmUploadHistory_grdFiles"_s, m_fileModel);
    m_items = newList(this, u"frmUploadHistory_grdItems"_s, m_itemModel);
    connect(m_files->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& current) { showItems(current.isValid() ? current.row() : -1); });

    auto* filesLabel = new QLabel(u"已生成的上传文件（最新的在前）："_s, this);
    m_itemsLabel = new QLabel(this);
    m_itemsLabel->setObjectName(u"frmUploadHistory_lblItems"_s);

    const auto button = [this](const QString& name, const QString& caption, void (frmUploadHistory::*slot)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(u"frmUploadHistory_"_s + name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(filesLabel);
    fileButtons->addStretch(1);
    fileButtons->addWidget(button(u"cmdVerify"_s, u"核对文件"_s, &frmUploadHistory::cmdVerify_Click));
    fileButtons->addWidget(button(u"cmdExportFiles"_s, u"导出文件列表"_s, &frmUploadHistory::cmdExportFiles_Click));

    auto* itemButtons = new QHBoxLayout;
    itemButtons->addWidget(m_itemsLabel);
    itemButtons->addStretch(1);
    itemButtons->addWidget(button(u"cmdExportItems"_s, u"导出指令列表"_s, &frmUploadHistory::cmdExportItems_Click));

    auto* bottom = new QHBoxLayout;
    auto* beforeLabel = new QLabel(u"删除早于"_s, this);
    m_before = new QDateEdit(this);
    m_before->setObjectName(u"frmUploadHistory_dtpBefore"_s);
    m_before->setDisplayFormat(u"yyyy-MM-dd"_s);
    m_before->setCalendarPopup(true);
    m_before->setDate(m_ctx.clock().date().addYears(-1));
    beforeLabel->setBuddy(m_before);
    bottom->addWidget(beforeLabel);
    bottom->addWidget(m_before);
    bottom->addWidget(
        button(u"cmdDeleteBefore"_s, u"删除早于该日期的记录"_s, &frmUploadHistory::cmdDeleteBefore_Click));
    bottom->addStretch(1);
    auto* close = new QPushButton(u"关闭"_s, this);
    close->setObjectName(u"frmUploadHistory_cmdClose"_s);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileButtons);
    layout->addWidget(m_files, 3);
    layout->addLayout(itemButtons);
    layout->addWidget(m_items, 4);
    layout->addLayout(bottom);
    resize(1120, 640);

    reload();
}

QString frmUploadHistory::recordWritten(
    AppContext& ctx, UploadHistory::Kind kind, const QString& path, const UploadHistory::Batch& batch)
{
    const Result<qint64> recorded = UploadHistory::record(ctx.db(), kind, path, batch, ctx.clock());
    if (recorded)
        return {};
    return u"\n注意：该文件未能记入上传记录（%1），以后生成上传文件时不会与它比对重复付款。"_s.arg(recorded.message());
}

void frmUploadHistory::reload()
{
    m_rows.clear();
    std::vector<QStringList> texts;
    UploadHistoryTable(m_ctx.db()).eachFile([&](const UploadFileRow& f) {
        const QString total = Money::fromFen(f.totalFen).toGroupedText();
        texts.push_back({ QDateTime::fromSecsSinceEpoch(f.madeAt).toString(u"yyyy-MM-dd HH:mm:ss"_s),
            UploadHistory::kindText(f.kind), QDir::toNativeSeparators(f.path), QString::number(f.count), total,
            amountToWords(removeCommas(total)) });
        m_rows.push_back(f);
    });
    m_fileModel->resetRows(std::move(texts));
    fitColumns(m_files);
    if (m_rows.empty())
        showItems(-1);
    else
        m_files->setCurrentIndex(m_fileModel->index(0, 0));
}

void frmUploadHistory::showItems(int row)
{
    std::vector<QStringList> texts;
    if (row >= 0 && row < static_cast<int>(m_rows.size())) {
        const UploadFileRow& file = m_rows[static_cast<size_t>(row)];
        texts.reserve(static_cast<size_t>(file.count));
        UploadHistoryTable(m_ctx.db()).eachItem(file.id, [&](const UploadItemRow& item) {
            texts.push_back({ QString::number(item.seq), item.accNo, item.accName,
                Money::fromFen(item.amountFen).toGroupedText(), item.remark });
        });
        m_itemsLabel->setText(u"%1 中的指令（%2笔）："_s.arg(UploadHistory::fileNameOf(file.path)).arg(texts.size()));
    } else {
        m_itemsLabel->setText(u"文件中的指令："_s);
    }
    m_itemModel->resetRows(std::move(texts));
    fitColumns(m_items);
}

const UploadFileRow* frmUploadHistory::chosenFile() const
{
    const QModelIndex current = m_files->currentIndex();
    if (!current.isValid() || current.row() >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[static_cast<size_t>(current.row())];
}

void frmUploadHistory::cmdExportFiles_Click()
{
    exportList(*m_fileModel, u"上传文件列表"_s);
}

void frmUploadHistory::cmdExportItems_Click()
{
    exportList(*m_itemModel, u"指令列表"_s);
}

void frmUploadHistory::exportList(const QAbstractItemModel& model, const QString& what)
{
    const auto& list = static_cast<const UploadHistoryModel&>(model);
    if (list.rows().empty()) {
        m_ctx.prompt.message(u"无记录需要导出"_s);
        return;
    }
    const QString path = selectSaveFile(m_ctx.prompt, { FileKind::Report, { FileFilter::csv() } }).trimmed();
    if (path.isEmpty())
        return;
    CsvLineWriter writer(list.headers(),
        { u"第%1行的“%2”中含有%3，"_s + what + u"未导出"_s, u"第%1行的“%2”中含有字符“%3”，"_s + what + u"未导出"_s,
            u"文件读写错误，"_s + what + u"未导出"_s },
        [](qsizetype line) { return QString::number(line + 1); });
    writer.addHeaderLine(list.headers().join(u',').toUtf8());
    for (const QStringList& row : list.rows()) {
        std::vector<QByteArray> cells;
        for (int c = 0; c < list.headers().size(); ++c)
            cells.push_back(csvCell(list.isAmount(c) ? removeCommas(row.value(c)) : row.value(c)));
        if (!addCells(writer, cells))
            break;
    }
    const Result<> written = writer.write(path);
    m_ctx.prompt.message(written ? writtenMessage(what + u"已导出"_s, path) : written.message());
}

void frmUploadHistory::cmdVerify_Click()
{
    const UploadFileRow* file = chosenFile();
    if (!file) {
        m_ctx.prompt.message(u"请先选择上传文件"_s);
        return;
    }
    switch (UploadHistory::compareWithDisk(*file)) {
    case UploadHistory::FileState::Same:
        m_ctx.prompt.message(writtenMessage(u"文件与生成时一致"_s, file->path));
        break;
    case UploadHistory::FileState::Changed:
        m_ctx.prompt.message(writtenMessage(u"文件已被修改"_s, file->path));
        break;
    case UploadHistory::FileState::Missing:
        m_ctx.prompt.message(writtenMessage(u"文件已不存在，无法核对"_s, file->path));
        break;
    case UploadHistory::FileState::Unreadable:
        m_ctx.prompt.message(writtenMessage(u"文件无法读取，无法核对"_s, file->path));
        break;
    }
}

void frmUploadHistory::cmdDeleteBefore_Click()
{
    const QDate date = m_before->date();
    const QString dateText = date.toString(u"yyyy-MM-dd"_s);
    const qint64 cutoff = QDateTime(date, QTime(0, 0)).toSecsSinceEpoch();
    UploadHistoryTable table(m_ctx.db());
    const Result<qint64> count = table.countBefore(cutoff);
    if (!count)
        return; // the store has shown its error
    if (*count == 0) {
        m_ctx.prompt.message(u"没有早于%1的上传记录"_s.arg(dateText));
        return;
    }
    if (!m_ctx.prompt.askOkCancel(
            u"是否确认删除早于%1生成的%2个上传文件的记录?"_s.arg(dateText).arg(*count), DefaultButton::Cancel))
        return;
    if (!backupBefore(m_ctx, u"thin-history"_s))
        return;
    const Result<qint64> removed = table.removeBefore(cutoff);
    reload();
    m_ctx.prompt.message(removed ? u"已删除%1个上传文件的记录"_s.arg(*removed) : u"删除上传记录失败"_s);
}
