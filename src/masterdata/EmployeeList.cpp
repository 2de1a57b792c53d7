#include "masterdata/EmployeeList.h"

#include "app/ControlInput.h"
#include "app/ListGrid.h"
#include "app/MainWindowServices.h"
#include "app/frmMsg.h"
#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "common/SheetRows.h"
#include "common/XmlDoc.h"
#include "domain/AppContext.h"
#include "domain/masterdata/EmployeeListFile.h"
#include "domain/masterdata/MasterDataXml.h"
#include "domain/tables/RosterTable.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {
const QString& kInBank = RosterTable::kInBank;
const QString& kOtherBank = RosterTable::kOtherBank;
const QString& kUngrouped = RosterTable::kUngrouped;
// The field rule of the account box.
constexpr FieldId kAccNoRule = FieldId::SubSalaRollMana_PerAccountNo;

// The number columns are wide enough for whole numbers: 20-digit accounts,
// 12-digit bank numbers and 21-character agreement numbers.
// The columns of the list, as columns() sets them up.
enum ListColumn : int { ColumnGroupNo = 1, ColumnAccNo, ColumnAccName, ColumnEmployeeNo, ColumnNetNo, ColumnMulNetNo };

const QList<MasterDataTab::Column>& columns()
{
    static const QList<MasterDataTab::Column> list = {
        { u"序号"_s, 420 },
        { u"组号"_s, 1000 },
        { u"账号"_s, 2600 },
        { u"户名"_s, 1200 },
        { u"编号"_s, 1200 },
        { u"支付系统行号"_s, 1700 },
        { u"多方协议号"_s, 2600 },
    };
    return list;
}

QString duplicateMessage()
{
    return u"该付款账号或证件或编号已存在"_s;
}
}

EmployeeList::EmployeeList(AppContext& ctx, MainWindowServices& main)
    : MasterDataTab(ctx, main, u"EmployeeList"_s, u"lblEmployeeIdx"_s)
{
    m_combGroupNo = addComboField(u"lblGroupNo"_s, u"组别："_s, u"combGroupNo"_s);
    m_combGroupNo->setEditable(true);
    m_combGroupNo->setInsertPolicy(QComboBox::NoInsert);
    // A typed group stays as typed: the editable box's completer would complete
    // it inline to a longer group, and on Enter or leaving the box replace it by
    // a group that differs only in letter case.
    m_combGroupNo->setCompleter(nullptr);
    m_txtAccNo = addTextField(u"lblAccNo"_s, u"账号：*"_s, u"txtAccNo"_s, EmployeeListFile::kAccNoMaxLength);
    m_txtAccName = addTextField(u"lblAccName"_s, u"户名：*"_s, u"txtAccName"_s, EmployeeListFile::kAccNameMaxLength);
    m_txtEmployeeNo
        = addTextField(u"lblEmployeeNo"_s, u"编号："_s, u"txtEmployeeNo"_s, EmployeeListFile::kEmployeeNoMaxLength);
    m_txtEmployeeNo->setObjectName(u"txt_emplyee_no"_s);
    m_comboCertType = addComboField(u"lblCertType"_s, u"证件类型："_s, u"comboCertType"_s);
    m_txtCertCode = addTextField(u"lblCertCode"_s, u"证件号码："_s, u"txtCertCode"_s, 30);

    auto* kinds = new QWidget;
    auto* kindLayout = new QHBoxLayout(kinds);
    kindLayout->setContentsMargins(0, 0, 0, 0);
    m_optRecAccType = new QButtonGroup(this);
    const QString kindCaptions[2] = { u"行内账户"_s, u"行外账户"_s };
    for (int i = 0; i < 2; ++i) {
        m_opt[i] = new QRadioButton(kindCaptions[i], kinds);
        m_opt[i]->setObjectName(u"optRecAccType_"_s + QString::number(i));
        m_optRecAccType->addButton(m_opt[i], i);
        kindLayout->addWidget(m_opt[i]);
    }
    kindLayout->addStretch(1);
    m_lblRecAccType = addWidgetField(u"lblRecAccType"_s, u"账号行别：*"_s, kinds);
    m_lblRecAccType->setObjectName(u"lblRecAccType"_s);
    m_opt[0]->setChecked(true);

    m_txtNetNo = addTextField(u"lblNetNo"_s, u"支付系统行号："_s, u"txtNetNo"_s, 0);
    m_txtNetNo->setObjectName(u"txtNetNo"_s);
    m_lblNetNo = captionOf(m_txtNetNo);
    m_lblNetNo->setObjectName(u"lblNetNo"_s);
    m_txtMulNetNo
        = addTextField(u"lblMulNetNo"_s, u"多方协议号："_s, u"txtMulNetNo"_s, EmployeeListFile::kMulNetNoMaxLength);
    m_txtMulNetNo->setObjectName(u"txtMulNetNo"_s);
    m_lblMulNetNo = captionOf(m_txtMulNetNo);
    m_lblMulNetNo->setObjectName(u"lblMulNetNo"_s);
    showBankNumbers(false);

    connect(addButton(u"cmdAdd"_s, u"新增"_s), &QPushButton::clicked, this, &EmployeeList::EmployeeList_cmdAdd_Click);
    connect(
        addButton(u"cmdUpdate"_s, u"修改"_s), &QPushButton::clicked, this, &EmployeeList::EmployeeList_cmdUpdate_Click);
    connect(
        addButton(u"cmdDelete"_s, u"删除"_s), &QPushButton::clicked, this, &EmployeeList::EmployeeList_cmdDelete_Click);
    connect(addButton(u"cmdReflush"_s, u"重置"_s), &QPushButton::clicked, this,
        &EmployeeList::EmployeeList_cmdReflush_Click);
    QPushButton* import = addButton(u"cmdImport"_s, u"导入名册"_s);
    import->setObjectName(u"employeeList_cmdImport"_s);
    connect(import, &QPushButton::clicked, this, &EmployeeList::employeeList_cmdImport_Click);
    QPushButton* exportButton = addButton(u"cmdExport"_s, u"导出名册"_s);
    exportButton->setObjectName(u"employeeList_cmdExport"_s);
    connect(exportButton, &QPushButton::clicked, this, &EmployeeList::employeeList_cmdExport_Click);
    // The workbook holds what the workbook import reads, columns A to D from
    // row 1 without a header: an export is also the template a clerk fills in.
    connect(addExcelButton(), &QPushButton::clicked, this, [this] {
        exportToExcel({ u"收款人名册"_s, { ColumnGroupNo, ColumnAccNo, ColumnAccName, ColumnEmployeeNo }, {}, false });
    });

    addNotice(u"lblNotice1"_s, u"1.编号缺省为批量指令的序号。"_s);
    addNotice(u"lblNotice2"_s, u"2.组别用于名册分组，并提供按组导出名册保存为单独文件。"_s);

    connect(m_optRecAccType, &QButtonGroup::idClicked, this, &EmployeeList::optRecAccType_Click);
    setGridColumns(columns());
}

EmployeeList::~EmployeeList() = default;

QString EmployeeList::accType() const
{
    return m_opt[0]->isChecked() ? kInBank : kOtherBank;
}

void EmployeeList::refresh()
{
    // The kind cannot be chosen on this tab: it comes from the selected entry.
    m_lblRecAccType->hide();
    m_opt[0]->hide();
    m_opt[1]->hide();
    m_opt[0]->setChecked(true);
    m_lblMulNetNo->setEnabled(false);
    m_txtNetNo->setEnabled(false);
    m_txtMulNetNo->setEnabled(false);
    m_txtNetNo->clear();
    m_txtMulNetNo->clear();
    EmployeeList_refresh();
}

void EmployeeList::clearGrid()
{
    // An emptied list has no chosen row.
    MasterDataTab::clearGrid();
    clearChosenIndex();
}

void EmployeeList::showBankNumbers(bool shown)
{
    for (QWidget* w : { static_cast<QWidget*>(m_lblNetNo), static_cast<QWidget*>(m_txtNetNo),
             static_cast<QWidget*>(m_lblMulNetNo), static_cast<QWidget*>(m_txtMulNetNo) })
        w->setVisible(shown);
}

void EmployeeList::EmployeeList_refresh()
{
    clearGrid();
    RosterTable roster(m_ctx.db());
    m_comboCertType->clear();
    if (const Result<QStringList> types = roster.documentTypes())
        m_comboCertType->addItems(types.value());
    m_comboCertType->setCurrentIndex(-1);

    m_combGroupNo->setEditable(true);
    m_combGroupNo->clear();
    if (const Result<QStringList> groups = roster.groups())
        m_combGroupNo->addItems(groups.value());
    m_combGroupNo->setCurrentIndex(-1);
    m_combGroupNo->clearEditText();

    clearChosenIndex();
    for (QLineEdit* box : { m_txtAccNo, m_txtAccName, m_txtCertCode, m_txtEmployeeNo, m_txtNetNo, m_txtMulNetNo })
        box->clear();
    m_opt[0]->setChecked(true);
    showBankNumbers(false);

    showCount(roster.count());
    const Result<std::vector<RosterTable::Entry>> listed = roster.listed();
    std::vector<QStringList> rows;
    if (listed) {
        rows.reserve(listed->size());
        for (const RosterTable::Entry& e : listed.value())
            rows.push_back({ e.group, e.accNo, e.accName, e.employeeNo, e.netNo, e.mulNetNo });
    }
    showList(columns(), listed ? Result<std::vector<QStringList>>(std::move(rows)) : listed.failure());
}

void EmployeeList::EmployeeList_cmdReflush_Click()
{
    EmployeeList_refresh();
}

void EmployeeList::setKind(int index)
{
    m_opt[index]->setChecked(true);
    optRecAccType_Click(index);
}

void EmployeeList::optRecAccType_Click(int index)
{
    m_txtNetNo->clear();
    m_txtMulNetNo->clear();
    if (index == 0) {
        showBankNumbers(false);
        return;
    }
    m_txtNetNo->setEnabled(true);
    showBankNumbers(true);
    QPalette palette = m_txtNetNo->palette();
    palette.setColor(QPalette::Base, m_txtAccNo->palette().color(QPalette::Base));
    m_txtNetNo->setPalette(palette);
}

void EmployeeList::EmployeeList_DataGrid_Click()
{
    if (!m_grid->hasData())
        return;
    const int row = m_grid->row();
    const Result<std::optional<RosterTable::Entry>> stored
        = RosterTable(m_ctx.db()).stored(m_grid->textMatrix(row, ColumnAccNo));
    if (!stored)
        return;
    setChosenIndex(row);
    m_combGroupNo->setEditText(m_grid->textMatrix(row, ColumnGroupNo).trimmed());
    m_txtAccNo->setText(m_grid->textMatrix(row, ColumnAccNo).trimmed());
    m_txtAccName->setText(m_grid->textMatrix(row, ColumnAccName).trimmed());
    m_txtEmployeeNo->setText(m_grid->textMatrix(row, ColumnEmployeeNo).trimmed());

    // A row that has gone from the store shows as in-bank with no document.
    const RosterTable::Entry entry = stored->value_or(RosterTable::Entry {});
    if (!stored->has_value() || entry.accType == kInBank) {
        setKind(0);
        m_txtNetNo->setEnabled(false);
        m_txtMulNetNo->setEnabled(false);
    } else {
        setKind(1);
        m_txtNetNo->setText(entry.netNo);
        m_txtMulNetNo->setText(entry.mulNetNo);
        m_txtNetNo->setEnabled(true);
        m_txtMulNetNo->setEnabled(true);
        m_lblMulNetNo->setEnabled(true);
    }
    // The stored document, so that a change writes back what is shown.
    bool isCode = false;
    const int position = entry.certType.toInt(&isCode) - 1;
    m_comboCertType->setCurrentIndex(isCode && position >= 0 && position < m_comboCertType->count() ? position : -1);
    m_txtCertCode->setText(entry.certCode);
}

bool EmployeeList::EmployeeList_checkForm_accNo()
{
    return checkBox(m_txtAccNo, kAccNoRule);
}

bool EmployeeList::EmployeeList_checkForm()
{
    if (!checkBox(m_txtAccName, FieldId::SubSalaRollMana_PerAccountName)
        || !checkBox(m_txtEmployeeNo, FieldId::SubSalaRollMana_EmployeeNo)
        || !checkBox(m_txtCertCode, FieldId::SubSalaRollMana_CertificateNo))
        return false;
    const int position = m_comboCertType->currentIndex();
    if (position >= 1 && m_txtCertCode->text().trimmed().isEmpty()) {
        m_ctx.prompt.message(u"请输入有效证件号码"_s);
        LineEditInput(*m_txtCertCode).focusAndSelectAll();
        return false;
    }
    if (position == 0 && !isIdCardNumber(m_txtCertCode->text())) {
        m_ctx.prompt.message(u"身份证号码格式错误，请重新输入。"_s);
        LineEditInput(*m_txtCertCode).focusAndSelectAll();
        return false;
    }
    return true;
}

QString EmployeeList::certTypeCode() const
{
    const int position = m_comboCertType->currentIndex();
    return position < 0 ? QString() : QString::number(position + 1);
}

bool EmployeeList::groupKindAllows(const QString& group, const QString& kind, const QString& refusal)
{
    const Result<std::optional<QString>> groupKind = RosterTable(m_ctx.db()).groupKind(group);
    if (!groupKind)
        return false;
    if (groupKind->has_value() && **groupKind != kind) {
        m_ctx.prompt.message(refusal);
        return false;
    }
    return true;
}

void EmployeeList::EmployeeList_cmdAdd_Click()
{
    const QString kind = accType();
    if (kind == kInBank && !EmployeeList_checkForm_accNo())
        return;
    if (!EmployeeList_checkForm())
        return;
    QString employee = m_txtEmployeeNo->text().trimmed();
    if (employee.isEmpty())
        employee = QString::number(m_main.statusPanelText(2).trimmed().toLongLong() + 1);
    QString group = m_combGroupNo->currentText().trimmed();
    if (group.isEmpty())
        group = kUngrouped;
    const QString account = m_txtAccNo->text().trimmed();
    const QString number = m_txtCertCode->text().trimmed();
    const QString certType = number.isEmpty() ? QString() : certTypeCode();

    RosterTable::Entry entry;
    entry.group = group;
    entry.accNo = account;
    entry.accName = m_txtAccName->text().trimmed();
    entry.employeeNo = employee;
    entry.accType = kind;
    entry.netNo = m_txtNetNo->text().trimmed();
    entry.mulNetNo = m_txtMulNetNo->text().trimmed();
    entry.certType = certType;
    entry.certCode = number;
    // The same account, document or employee number is an existing entry; in
    // the same transaction the group's kind is checked.
    using AddResult = RosterTable::AddOutcome;
    switch (RosterTable(m_ctx.db()).add(entry, [&] {
        return groupKindAllows(group, kind, u"请检查您所添加的银行类别！"_s);
    })) {
    case AddResult::Added:
        m_ctx.prompt.message(u"新增账号成功"_s);
        EmployeeList_refresh();
        break;
    case AddResult::Exists:
        m_ctx.prompt.message(duplicateMessage());
        break;
    case AddResult::Failed:
        m_ctx.prompt.message(u"新增账号失败"_s);
        break;
    case AddResult::Refused:
    case AddResult::CheckFailed:
        break; // the store or the group's kind has said why
    }
}

void EmployeeList::EmployeeList_cmdUpdate_Click()
{
    if (chosenIndex().isEmpty()) {
        m_ctx.prompt.message(u"请先选择要修改的账户"_s);
        return;
    }
    if (!EmployeeList_checkForm())
        return;
    QString employee = m_txtEmployeeNo->text().trimmed();
    if (employee.isEmpty())
        employee = chosenIndex();
    QString group = m_combGroupNo->currentText().trimmed();
    if (group.isEmpty()) {
        group = kUngrouped;
    } else {
        // A change cannot create a new group.
        const Result<bool> known = RosterTable(m_ctx.db()).groupExists(group);
        if (!known)
            return;
        if (!known.value()) {
            m_ctx.prompt.message(u"请重新选择组别，此组别不存在！"_s);
            return;
        }
    }
    const QString kind = accType();
    const QString account = m_txtAccNo->text().trimmed();
    if (account != m_grid->textMatrix(chosenRow(), ColumnAccNo).trimmed()) {
        m_ctx.prompt.message(u"账号不可修改，请删除后再添加"_s);
        return;
    }
    const QString number = m_txtCertCode->text().trimmed();
    const QString certType = certTypeCode();
    const Result<bool> others = RosterTable(m_ctx.db()).othersHold(account, employee, certType, number);
    if (!others)
        return;
    if (others.value()) {
        m_ctx.prompt.message(duplicateMessage());
        return;
    }
    if (!groupKindAllows(group, kind, u"请检查您所修改的银行类别！"_s))
        return;
    RosterTable::Entry entry;
    entry.group = group;
    entry.accNo = account;
    entry.accName = m_txtAccName->text().trimmed();
    entry.employeeNo = employee;
    entry.accType = kind;
    entry.netNo = m_txtNetNo->text().trimmed();
    entry.mulNetNo = m_txtMulNetNo->text().trimmed();
    entry.certType = certType;
    entry.certCode = number;
    const Result<> updated = RosterTable(m_ctx.db()).change(entry);
    if (updated) {
        m_ctx.prompt.message(u"修改账号成功"_s);
        EmployeeList_refresh();
    } else {
        m_ctx.prompt.message(u"修改账号失败"_s);
    }
}

void EmployeeList::EmployeeList_cmdDelete_Click()
{
    const RowRange range = selectedRange();
    // The accounts of the chosen rows that the list shows; none on an empty list.
    QStringList accounts = m_grid->hasData() ? columnTexts(range, ColumnAccNo) : QStringList();
    accounts.removeAll(QString());
    if (chosenIndex().isEmpty() || accounts.isEmpty()) {
        m_ctx.prompt.message(u"请先选择要删除的账户"_s);
        return;
    }
    setChosenIndex(range.last);
    // The payroll instructions of the accounts go with them: Enter keeps both.
    if (!m_ctx.prompt.askOkCancel(u"是否确认要删除所选账号以及工资单中关于改账号的指令?"_s, DefaultButton::Cancel))
        return;
    if (!backupBefore(m_ctx, u"delete-roster"_s))
        return;
    // The payroll instructions and the roster rows go together or not at all.
    const bool deleted = bool(RosterTable(m_ctx.db()).removeWithInstructions(accounts));
    if (!deleted) {
        showRangeFailure(u"删除账号失败,失败位置："_s, range);
        return;
    }
    EmployeeList_refresh();
    m_ctx.prompt.message(u"删除账号成功."_s);
}

void EmployeeList::employeeList_cmdExport_Click()
{
    const QString path = chooseExportFile({ FileFilter::xml(), FileFilter::csv() }, u"收款人名册没有记录可以导出"_s);
    const QString format = path.right(3).toLower();
    if (format != u"xml"_s && format != u"csv"_s)
        return;
    const bool xml = format == u"xml"_s;
    // What the grid does not show, by account: the kind and the document.
    QHash<QString, RosterTable::Entry> stored;
    if (xml) {
        Result<QHash<QString, RosterTable::Entry>> documents = RosterTable(m_ctx.db()).documents();
        if (!documents) {
            m_ctx.prompt.message(u"文件读写错误，导出名册失败"_s);
            return;
        }
        stored = std::move(documents.value());
    }
    QList<EmployeeListFile::Entry> entries;
    entries.reserve(m_grid->rows() - 1);
    for (int r = 1; r < m_grid->rows(); ++r) {
        EmployeeListFile::Entry e;
        e.group = m_grid->textMatrix(r, ColumnGroupNo).trimmed();
        e.accNo = m_grid->textMatrix(r, ColumnAccNo).trimmed();
        e.accName = m_grid->textMatrix(r, ColumnAccName).trimmed();
        e.employeeNo = m_grid->textMatrix(r, ColumnEmployeeNo).trimmed();
        e.netNo = m_grid->textMatrix(r, ColumnNetNo).trimmed();
        e.mulNetNo = m_grid->textMatrix(r, ColumnMulNetNo).trimmed();
        const RosterTable::Entry more = stored.value(e.accNo);
        e.accType = more.accType;
        e.certDesc = more.certDesc;
        e.certCode = more.certCode;
        entries << e;
    }
    const Result<int> exported = xml
        ? EmployeeListFile::exportXml(path, entries)
        : EmployeeListFile::exportCsv(path, m_main.statusPanelText(2), m_main.statusPanelText(4), entries);
    if (!exported)
        m_ctx.prompt.message(exported.message());
    else
        m_ctx.prompt.message(writtenMessage(xml ? u"收款人名册导出完毕"_s : u"收款人名册*.csv文件生成完毕"_s, path));
}

void EmployeeList::employeeList_cmdImport_Click()
{
    const QStringList kinds = { FileFilter::csv(), FileFilter::xls(), FileFilter::xlsx(), FileFilter::xml() };
    const QString path = m_main.selectOpenFile({ FileKind::MasterData,
        QStringList { FileFilter::supported(kinds) } + kinds + QStringList { FileFilter::all() } });
    if (!m_ctx.prompt.askOkCancel(
            u"导入过程中将删除原名册库中有账户或编号或证件重复的记录，确认继续?"_s, DefaultButton::Cancel))
        return;
    if (path.trimmed().isEmpty()) {
        EmployeeList_refresh();
        return;
    }
    if (!backupBefore(m_ctx, u"import-roster"_s))
        return;
    // An .xls and an .xlsx are told apart by their content.
    const QString format = QFileInfo(path).suffix().toLower();
    if (format == u"csv"_s)
        importCsvOrXml(path, true);
    else if (format == u"xls"_s || format == u"xlsx"_s)
        importWorkbook(path);
    else if (format == u"xml"_s)
        importCsvOrXml(path, false);
    else
        m_ctx.prompt.message(u"抱歉，系统目前不支持该格式文件，请选择csv、xls格式文件进行操作"_s);
}

void EmployeeList::importCsvOrXml(const QString& path, bool csv)
{
    EmployeeListFile::ReadResult read;
    if (csv) {
        QFile file(path);
        const bool opened = file.open(QIODevice::ReadOnly);
        const QByteArray bytes = opened ? file.readAll() : QByteArray();
        if (!opened || file.error() != QFileDevice::NoError) {
            m_ctx.prompt.message(u"文件读写错误，导入收款人名册失败"_s);
            return;
        }
        read = EmployeeListFile::readCsv(bytes, m_ctx.fieldRules.ruleFor(kAccNoRule));
    } else {
        const Result<XmlDoc> doc = MasterDataXml::loadDocument(path, u"文件读写错误，导入收款人名册失败"_s);
        if (!doc) {
            if (!doc.message().isEmpty())
                m_ctx.prompt.message(doc.message());
            return;
        }
        read = EmployeeListFile::readXml(doc.value());
    }
    const Result<int> imported = EmployeeListFile::write(
        m_ctx.db(), csv ? EmployeeListFile::Format::Csv : EmployeeListFile::Format::Xml, read);
    importDone(m_ctx, path);
    if (!imported) {
        m_ctx.prompt.message(imported.message());
        return;
    }
    EmployeeList_refresh();
    m_ctx.prompt.message(u"导入收款人名册完毕"_s);
}

void EmployeeList::importWorkbook(const QString& path)
{
    if (!m_msg)
        m_msg = new frmMsg(m_main.dialogParent());
    m_msg->begin();
    // .xls or .xlsx by content; a refusal of the reader names its reason.
    const Result<std::unique_ptr<SheetRows>> sheet = openSheet(path);
    const Result<EmployeeListFile::ReadResult> rows = sheet
        ? EmployeeListFile::readWorkbook(**sheet, m_ctx.fieldRules.ruleFor(kAccNoRule))
        : Result<EmployeeListFile::ReadResult>(Failure { sheet.message() });
    if (!rows) {
        m_msg->end();
        m_ctx.prompt.message(u"文件读写错误，导入收款人名册失败"_s + u'\n' + rows.message());
        return;
    }
    const EmployeeListFile::ReadResult& read = *rows;
    const Result<int> imported = EmployeeListFile::write(m_ctx.db(), EmployeeListFile::Format::Workbook, read,
        [this](int done, int total) { m_msg->step(done, total); });
    importDone(m_ctx, path);
    m_msg->end();
    if (!imported) {
        m_ctx.prompt.message(imported.message());
        m_ctx.prompt.message(u"文件导入失败"_s);
        return;
    }
    EmployeeList_refresh();
    m_ctx.prompt.message(u"共导入"_s + QString::number(imported.value()) + u"条记录"_s);
    m_ctx.prompt.message(u"导入数据成功"_s);
}
