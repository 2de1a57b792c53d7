#include "masterdata/MasterDataTab.h"

#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "common/XmlDoc.h"
#include "domain/AppContext.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QString MasterDataTab::changeNotice()
{
    return u"修改：单击左列您要修改的纪录（该条纪录变蓝色），然后在右边输入框中修改。修改完毕后，点击“修改”按钮，再点击“确定”按钮保存。"_s;
}

QString MasterDataTab::deleteNotice()
{
    return u"删除：单击左列您要删除的纪录（该条纪录变蓝色），点击“删除”按钮，再点击“确定”按钮保存。"_s;
}

MasterDataTab::MasterDataTab(
    AppContext& ctx, MainWindowServices& main, const QString& prefix, const QString& indexLabel)
    : TabPage(ctx, main, prefix)
{
    m_pageLayout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    m_pageLayout->addLayout(body, 1);
    body->addWidget(gridWithFindBox(), 3);

    auto* entry = newControl<QWidget>(u"Entry"_s);
    auto* entryLayout = new QVBoxLayout(entry);
    m_form = new QGridLayout;
    m_buttons = new QHBoxLayout;
    m_notices = new QVBoxLayout;
    entryLayout->addLayout(m_form);
    entryLayout->addSpacing(12);
    entryLayout->addLayout(m_buttons);
    entryLayout->addSpacing(12);
    entryLayout->addLayout(m_notices);
    entryLayout->addStretch(1);
    body->addWidget(entry, 2);

    m_form->addWidget(newControl<QLabel>(u"lblNo"_s, u"序号："_s), 0, 0, Qt::AlignRight);
    m_lblIndex = newControl<QLabel>(indexLabel);
    m_lblIndex->setTextInteractionFlags(Qt::NoTextInteraction);
    m_form->addWidget(m_lblIndex, 0, 1);
    m_form->setColumnStretch(1, 1);

    connect(grid(), &ListGrid::cellClicked, this, [this] { gridClicked(); });
    connect(grid(), &ListGrid::choiceCleared, this, [this] { clearChosenIndex(); });
}

void MasterDataTab::placeField(QLabel* label, QWidget* widget)
{
    label->setBuddy(widget);
    m_form->addWidget(label, m_formRows, 0, Qt::AlignRight);
    m_form->addWidget(widget, m_formRows++, 1);
}

QLineEdit* MasterDataTab::addTextField(
    const QString& labelName, const QString& caption, const QString& boxName, int maxLength)
{
    QLabel* label = newControl<QLabel>(labelName, caption);
    auto* box = newControl<QLineEdit>(boxName);
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    placeField(label, box);
    return box;
}

QComboBox* MasterDataTab::addComboField(const QString& labelName, const QString& caption, const QString& comboName)
{
    QLabel* label = newControl<QLabel>(labelName, caption);
    auto* combo = newControl<QComboBox>(comboName);
    placeField(label, combo);
    return combo;
}

QLabel* MasterDataTab::addWidgetField(const QString& labelName, const QString& caption, QWidget* widget)
{
    QLabel* label = newControl<QLabel>(labelName, caption);
    widget->setParent(this);
    placeField(label, widget);
    return label;
}

QPushButton* MasterDataTab::addButton(const QString& name, const QString& caption)
{
    QPushButton* button = TabPage::addButton(name, caption);
    button->setAutoDefault(false);
    m_buttons->addWidget(button);
    return button;
}

QPushButton* MasterDataTab::addExcelButton()
{
    QPushButton* button = TabPage::addButton(u"cmdExportExcel"_s, u"导出到Excel"_s);
    button->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch(1);
    if (auto* parent = qobject_cast<QBoxLayout*>(m_buttons->parent()))
        parent->insertLayout(parent->indexOf(m_buttons) + 1, row);
    else
        m_buttons->addWidget(button);
    return button;
}

QLabel* MasterDataTab::addNotice(const QString& name, const QString& text)
{
    auto* label = newControl<QLabel>(name, text);
    label->setWordWrap(true);
    m_notices->addWidget(label);
    return label;
}

void MasterDataTab::addTopWidget(QWidget* widget)
{
    widget->setParent(this);
    m_pageLayout->insertWidget(0, widget);
}

QLabel* MasterDataTab::captionOf(QLineEdit* box) const
{
    const int index = m_form->indexOf(box);
    if (index < 0)
        return nullptr;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    m_form->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    QLayoutItem* item = m_form->itemAtPosition(row, 0);
    return item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
}

void MasterDataTab::showCount(const Result<qint64>& count)
{
    if (count)
        m_main.setCountPanels(QString::number(count.value()));
}

void MasterDataTab::setGridColumns(const QList<Column>& columns)
{
    QStringList headers;
    for (const Column& c : columns)
        headers << c.header;
    m_grid->setColumns(headers);
    for (int c = 0; c < columns.size(); ++c) {
        m_grid->setColumnWidthTwips(c, columns.at(c).widthTwips);
        if (c > 0)
            m_grid->setColumnAlignment(c, Qt::AlignLeft);
    }
}

void MasterDataTab::showList(const QList<Column>& columns, const Result<std::vector<QStringList>>& listed)
{
    setGridColumns(columns);
    if (!listed)
        return;
    std::vector<QStringList> rows;
    rows.reserve(std::max<size_t>(listed->size(), 1));
    for (size_t r = 0; r < listed->size(); ++r) {
        const QStringList& fields = listed->at(r);
        QStringList row;
        row.reserve(columns.size());
        row << QString::number(r + 1);
        for (qsizetype c = 1; c < columns.size(); ++c)
            row << (c - 1 < fields.size() ? fields.at(c - 1).trimmed() : QString());
        rows.push_back(std::move(row));
    }
    setGridRows(std::move(rows));
}

QString MasterDataTab::chosenIndex() const
{
    return m_lblIndex->text().trimmed();
}

void MasterDataTab::setChosenIndex(int row)
{
    m_lblIndex->setText(QString::number(row));
}

void MasterDataTab::clearChosenIndex()
{
    m_lblIndex->clear();
}

int MasterDataTab::chosenRow() const
{
    bool ok = false;
    const int row = chosenIndex().toInt(&ok);
    return ok ? row : 0;
}

bool MasterDataTab::checkBox(QLineEdit* box, FieldId fieldId, bool doCheck)
{
    if (checkField(box, fieldId, doCheck, m_ctx))
        return true;
    LineEditInput(*box).focusAndSelectAll();
    return false;
}

QString MasterDataTab::chooseExportFile(const QStringList& filters, const QString& emptyMessage)
{
    if (!m_grid->hasData()) {
        m_ctx.prompt.message(emptyMessage);
        return {};
    }
    const QString path = m_main.selectSaveFile({ FileKind::MasterData, filters });
    return path.trimmed().isEmpty() ? QString() : path;
}

void MasterDataTab::importXml(const QString& readError, const XmlImport& import, const QString& done)
{
    const QString path = m_main.selectOpenFile({ FileKind::MasterData, { FileFilter::xml() } });
    const Result<XmlDoc> doc = MasterDataXml::loadDocument(path, readError);
    if (!doc) {
        if (!doc.message().isEmpty())
            m_ctx.prompt.message(doc.message());
        return;
    }
    if (!backupBefore(m_ctx, Backups::importOperation(prefix())))
        return;
    const Result<int> imported = import(m_ctx.db(), doc.value());
    importDone(m_ctx, path);
    if (!imported) {
        m_ctx.prompt.message(imported.message());
        return;
    }
    refresh();
    m_ctx.prompt.message(done);
}

bool MasterDataTab::deleteRows(const RowRange& range, int keyColumn, const QString& failure, const Remove& remove)
{
    if (!backupBeforeRangeDelete(range))
        return false;
    if (remove(columnTexts(range, keyColumn)))
        return true;
    showRangeFailure(failure, range);
    return false;
}
