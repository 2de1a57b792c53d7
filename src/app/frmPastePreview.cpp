#include "app/frmPastePreview.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The changed rows, read in place (a paste may change thousands).
class PreviewModel : public QAbstractTableModel {
public:
    explicit PreviewModel(const std::vector<PastePreviewRow>& rows, QObject* parent)
        : QAbstractTableModel(parent)
        , m_rows(rows)
    {
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const PastePreviewRow& row = m_rows[size_t(index.row())];
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(
                (index.column() == 2 || index.column() == 3 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        switch (index.column()) {
        case 0:
            return row.account;
        case 1:
            return row.name;
        case 2:
            return row.oldAmount;
        case 3:
            return row.newAmount;
        default:
            return row.note;
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList headers { u"账号"_s, u"户名"_s, u"原金额"_s, u"新金额"_s, u"说明"_s };
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headers.size())
            return headers.at(section);
        if (orientation == Qt::Vertical && role == Qt::DisplayRole)
            return section + 1;
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const std::vector<PastePreviewRow>& m_rows;
};

} // namespace

QString frmPastePreview::summary(const PastePreviewRequest& request)
{
    QString text = u"将修改 %1 笔指令的金额：原合计 %2 元，粘贴后合计 %3 元"_s.arg(request.rows.size())
                       .arg(request.oldTotal.toGroupedText(), request.newTotal.toGroupedText());
    if (request.unchanged > 0)
        text += u"；另有 %1 笔金额与原金额相同，不修改"_s.arg(request.unchanged);
    return text;
}

frmPastePreview::frmPastePreview(const PastePreviewRequest& request, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"frmPastePreview"_s);
    setWindowTitle(u"粘贴金额"_s);

    auto* summaryLabel = new QLabel(summary(request));
    summaryLabel->setObjectName(u"lblSummary"_s);
    summaryLabel->setWordWrap(true);

    auto* table = new QTableView;
    table->setObjectName(u"grdChanges"_s);
    table->setModel(new PreviewModel(request.rows, table));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    // Widths from the texts of the first rows: a long paste opens at once.
    const QFontMetrics metrics(table->font());
    const int rowsMeasured = std::min<int>(int(request.rows.size()), 200);
    for (int c = 0; c < 4; ++c) {
        int width = table->horizontalHeader()->sectionSizeHint(c);
        for (int r = 0; r < rowsMeasured; ++r)
            width = std::max(width,
                metrics.horizontalAdvance(table->model()->data(table->model()->index(r, c), Qt::DisplayRole).toString())
                    + 16);
        table->setColumnWidth(c, width);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    layout->addWidget(table, 1);
    if (!request.notListed.isEmpty()) {
        auto* notListedLabel
            = new QLabel(u"以下 %1 个账号不在列表中，其金额未粘贴（不会新增指令）："_s.arg(request.notListed.size()));
        notListedLabel->setObjectName(u"lblNotListed"_s);
        notListedLabel->setWordWrap(true);
        auto* notListed = new QPlainTextEdit(request.notListed.join(u'\n'));
        notListed->setObjectName(u"txtNotListed"_s);
        notListed->setReadOnly(true);
        notListed->setMaximumHeight(notListed->fontMetrics().height() * 5 + 12);
        layout->addWidget(notListedLabel);
        layout->addWidget(notListed);
    }

    auto* ok = new QPushButton(u"确定"_s);
    ok->setObjectName(u"cmdOK"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"取消"_s);
    cancel->setObjectName(u"cmdCancel"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    int tableWidth = table->verticalHeader()->sizeHint().width() + 2 * table->frameWidth() + 120;
    for (int c = 0; c < 4; ++c)
        tableWidth += table->columnWidth(c);
    resize(std::max(tableWidth + 24, 560), 420);
}
