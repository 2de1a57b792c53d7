#include "settings/frmSysConf.h"

#include "common/Decimal.h"
#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "common/TextFile.h"
#include "config/SysConf.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Grid columns of a rule frame, the same in every frame so that they line up.
enum Column { ColName, ColCanEdit, ColNotNull, ColAccount, ColNumric, ColLength, ColMin, ColMax };
constexpr int kColumnWidths[] = { 150, 52, 44, 44, 44, 110, 120, 120 };

// The last component of a path written with "/" or "\".
QString lastPathComponent(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

// A bound the loader reads into a double and the checks compare exactly:
// at most 1E15 either way.
bool boundInRange(const Decimal& value)
{
    static const Decimal largest = *Decimal::parse(u"1E15"_s);
    static const Decimal smallest = *Decimal::parse(u"-1E15"_s);
    return value <= largest && value >= smallest;
}

QCheckBox* centredCheckBox(QGridLayout* grid, int gridRow, int column, const QString& name)
{
    auto* box = new QCheckBox;
    box->setObjectName(name);
    grid->addWidget(box, gridRow, column, Qt::AlignCenter);
    return box;
}

} // namespace

frmSysConf::frmSysConf(AppConfig& config, Prompt& prompt, QWidget* parent)
    : QDialog(parent)
    , m_config(config)
    , m_prompt(prompt)
{
    setObjectName(u"frmSysConf"_s);
    setWindowTitle(u"网银客户端系统设定"_s);
    setModal(true);

    // The rule frames scroll, so the dialog fits a 1366x768 screen.
    auto* rules = new QWidget;
    auto* rulesLayout = new QVBoxLayout(rules);
    rulesLayout->addWidget(buildRuleFrame(u"批量支付文件设定"_s, { 1, 2, 3, 4, 5, 6, 7 }, true));
    rulesLayout->addWidget(buildRuleFrame(u"代发工资文件设定"_s, { 8, 9, 10, 11 }, true));
    rulesLayout->addWidget(buildRuleFrame(u"付款账户维护设定"_s, { 12, 13 }, false));
    rulesLayout->addWidget(buildRuleFrame(u"收款账户维护设定"_s, { 14, 15, 16, 22, 23 }, false));
    rulesLayout->addWidget(buildRuleFrame(u"代发工资名册维护设定"_s, { 17, 18, 19, 21 }, false));
    rulesLayout->addWidget(buildRuleFrame(u"备注维护设定"_s, { 20 }, false));
    auto* scroll = new QScrollArea;
    scroll->setObjectName(u"scrollRules"_s);
    scroll->setWidget(rules);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(rules->sizeHint().width() + scroll->verticalScrollBar()->sizeHint().width() + 4);

    auto* tip0 = new QLabel(
        u"      若帐号字段长度为若干可选数值，用字符“，”间隔，若为数值区间，用‘-’字符指定范围，如：18-22。"_s);
    tip0->setObjectName(u"tipLbl_0"_s);
    tip0->setWordWrap(true);
    auto* tip1 = new QLabel(u"说明：若字段为帐号，则数值项必选中，且长度必须指定。"_s);
    tip1->setObjectName(u"tipLbl_1"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const QString captions[] = { u"确定"_s, u"应用"_s, u"取消"_s };
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(captions[i]);
        button->setObjectName(u"Command2_%1"_s.arg(i));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildBasicFrame());
    layout->addWidget(scroll, 1);
    layout->addWidget(tip0);
    layout->addWidget(tip1);
    layout->addLayout(buttons);
    resize(scroll->minimumWidth() + 30, 680);

    Form_Load();
}

QWidget* frmSysConf::buildBasicFrame()
{
    auto* frame = new QGroupBox(u"基本设定"_s);
    auto* grid = new QGridLayout(frame);
    m_txtBankName = new QLineEdit;
    m_txtBankName->setObjectName(u"txtBankName"_s);
    m_txtSysIcon = new QLineEdit;
    m_txtSysIcon->setObjectName(u"txtSysIcon"_s);
    auto* browse = new QPushButton(u"浏览>>>"_s);
    browse->setObjectName(u"Command1"_s);
    browse->setAutoDefault(false);
    grid->addWidget(new QLabel(u"银行名称："_s), 0, 0);
    grid->addWidget(m_txtBankName, 0, 1);
    grid->addWidget(new QLabel(u"系统图标："_s), 1, 0);
    grid->addWidget(m_txtSysIcon, 1, 1);
    grid->addWidget(browse, 1, 2);
    connect(browse, &QPushButton::clicked, this, &frmSysConf::Command1_Click);
    connect(m_txtBankName, &QLineEdit::textChanged, this, &frmSysConf::markChanged);
    connect(m_txtSysIcon, &QLineEdit::textChanged, this, &frmSysConf::markChanged);
    return frame;
}

QWidget* frmSysConf::buildRuleFrame(const QString& caption, std::initializer_list<int> ids, bool withBounds)
{
    auto* frame = new QGroupBox(caption);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    const int lastColumn = withBounds ? ColMax : ColLength;
    for (int c = 0; c <= ColMax; ++c)
        grid->setColumnMinimumWidth(c, kColumnWidths[c]);
    // Spare width goes right of the last column, so the columns line up across frames.
    grid->setColumnStretch(ColMax + 1, 1);
    const QString headers[]
        = { QString(), u"可编辑"_s, u"非空"_s, u"帐号"_s, u"数值"_s, u"长度"_s, u"最小值"_s, u"最大值"_s };
    for (int c = ColCanEdit; c <= lastColumn; ++c)
        grid->addWidget(new QLabel(headers[c]), 0, c, Qt::AlignCenter);

    int gridRow = 1;
    for (int id : ids) {
        Row& r = row(id);
        r.group = caption;
        const auto name = [id](const QString& control) { return control + u'_' + QString::number(id); };
        r.label = new QLabel;
        r.label->setObjectName(name(u"lblPatchPayFileSet"_s));
        r.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(r.label, gridRow, ColName);
        r.canEdit = centredCheckBox(grid, gridRow, ColCanEdit, name(u"chkCanEdit"_s));
        r.enableNull = centredCheckBox(grid, gridRow, ColNotNull, name(u"chkEnableNull"_s));
        r.isAccount = centredCheckBox(grid, gridRow, ColAccount, name(u"chkIsAccount"_s));
        r.isNumric = centredCheckBox(grid, gridRow, ColNumric, name(u"chkIsNumric"_s));
        r.length = new QLineEdit;
        r.length->setObjectName(name(u"chkLength"_s));
        grid->addWidget(r.length, gridRow, ColLength);
        // Every row keeps its bounds (they are written back as they were read);
        // only the amount fields 6 and 10 show them.
        r.minValue = new QLineEdit;
        r.minValue->setObjectName(name(u"chkMinValue"_s));
        r.maxValue = new QLineEdit;
        r.maxValue->setObjectName(name(u"chkMaxValue"_s));
        grid->addWidget(r.minValue, gridRow, ColMin);
        grid->addWidget(r.maxValue, gridRow, ColMax);
        const bool showBounds = id == 6 || id == 10;
        r.minValue->setVisible(showBounds);
        r.maxValue->setVisible(showBounds);

        connect(r.isAccount, &QCheckBox::toggled, this, [this, id] { chkIsAccount_Click(id); });
        for (QCheckBox* box : { r.canEdit, r.enableNull, r.isAccount, r.isNumric })
            connect(box, &QCheckBox::toggled, this, &frmSysConf::markChanged);
        for (QLineEdit* box : { r.length, r.minValue, r.maxValue })
            connect(box, &QLineEdit::textChanged, this, &frmSysConf::markChanged);
        ++gridRow;
    }
    return frame;
}

void frmSysConf::showIcon(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    const QIcon icon(path);
    if (!icon.availableSizes().isEmpty())
        setWindowIcon(icon);
}

void frmSysConf::Form_Load()
{
    // Reload first, so that every box shows the file as it is now.
    SysConf sysConf(m_config, m_config.appDir);
    m_txtBankName->setText(m_config.bankName);
    m_txtSysIcon->setText(m_config.sysIconPath);
    m_installedIcon = m_config.sysIconPath;
    showIcon(m_config.sysIconPath);

    for (int id = 1; id <= kRowCount; ++id) {
        Row& r = row(id);
        const auto attribute
            = [&](const QString& name) { return sysConf.getAttribOfElemt(static_cast<qint16>(id), name); };
        r.fieldName = attribute(u"field_name"_s);
        r.label->setText(r.fieldName + u':');
        // Checked exactly when the loader reads the flag as set.
        r.canEdit->setChecked(attribute(u"can_edit"_s) == u"1"_s);
        r.enableNull->setChecked(attribute(u"not_null"_s) == u"1"_s);
        r.isAccount->setChecked(attribute(u"is_account"_s) == u"1"_s);
        r.isNumric->setChecked(attribute(u"is_numric"_s) == u"1"_s);
        r.length->setText(attribute(u"length"_s));
        r.minValue->setText(attribute(u"min_value"_s));
        r.maxValue->setText(attribute(u"max_value"_s));
    }
    m_isSaved = false;
    m_changed = false;
}

void frmSysConf::Command1_Click()
{
    const QString path = selectOpenFile(m_prompt, { FileKind::Icon, { FileFilter::ico() } });
    if (path.trimmed().isEmpty())
        return;
    if (!QImageReader(path).canRead()) {
        m_prompt.message(u"系统图标文件不存在或不是图片："_s + path);
        return;
    }
    m_txtSysIcon->setText(path);
    showIcon(path);
}

void frmSysConf::chkIsAccount_Click(int id)
{
    Row& r = row(id);
    r.isNumric->setChecked(r.isAccount->isChecked());
}

bool frmSysConf::refuse(QLineEdit* box, const QString& message)
{
    m_prompt.message(message);
    box->setFocus();
    box->selectAll();
    return false;
}

bool frmSysConf::checkBeforeSave()
{
    for (int id = 1; id <= kRowCount; ++id) {
        const Row& r = row(id);
        const bool account = r.isAccount->isChecked();
        const QString length = r.length->text();
        if (account && length.isEmpty())
            return refuse(r.length, u"帐号必须指定长度，请参照说明。"_s);
        // A rule the checks cannot read would refuse every input.
        if (!isLengthRule(length, account))
            return refuse(r.length, u"%1中“%2”的长度“%3”无法识别，请参照说明。"_s.arg(r.group, r.fieldName, length));
        // A bound the loader cannot read, as a number within its range, would
        // switch the field's whole rule off at the next start.
        const std::pair<QLineEdit*, QString> bounds[] = { { r.minValue, u"最小值"_s }, { r.maxValue, u"最大值"_s } };
        for (const auto& [box, caption] : bounds) {
            if (box->isHidden() || box->text().trimmed().isEmpty())
                continue;
            const std::optional<Decimal> value = Decimal::parse(box->text());
            if (!value)
                return refuse(
                    box, u"%1中“%2”的%3“%4”不是数值，请重新输入。"_s.arg(r.group, r.fieldName, caption, box->text()));
            if (!boundInRange(*value))
                return refuse(box,
                    u"%1中“%2”的%3“%4”超出范围，请输入-1E15至1E15之间的数值。"_s.arg(
                        r.group, r.fieldName, caption, box->text()));
        }
    }
    return true;
}

QString frmSysConf::iconTarget(const QString& source) const
{
    return m_config.appDir + u"ico"_s + QDir::separator() + lastPathComponent(source);
}

bool frmSysConf::installIcon(const QString& source, const QString& target)
{
    if (!QDir().mkpath(QFileInfo(target).path()))
        return false;
    // The source may be the installed file itself, spelled another way.
    const QString sourceFile = QFileInfo(source).canonicalFilePath();
    if (!sourceFile.isEmpty() && sourceFile == QFileInfo(target).canonicalFilePath())
        return true;
    QFile file(source);
    return file.open(QIODevice::ReadOnly) && TextFile::writeBytesAtomically(target, file.readAll());
}

frmSysConf::SaveResult frmSysConf::save()
{
    if (!checkBeforeSave())
        return SaveResult::Refused;
    SysConf sysConf(m_config, m_config.appDir);

    SysConfEdit edit;
    edit.bankName = m_txtBankName->text();
    for (int id = 1; id <= kRowCount; ++id) {
        const Row& r = row(id);
        edit.fields.append({ static_cast<qint16>(id), r.fieldName, r.canEdit->isChecked(), r.isAccount->isChecked(),
            r.enableNull->isChecked(), r.isNumric->isChecked(), r.length->text(), r.minValue->text(),
            r.maxValue->text() });
    }
    // An empty box, or one still naming the icon installed before, keeps the
    // stored icon as it is. A new icon is named in the settings and copied into
    // ico only once they are written, so a save that fails changes nothing; an
    // icon that cannot be installed costs only the icon, not the other edits.
    const QString icon = m_txtSysIcon->text();
    QString iconFailure;
    const QString previousIcon = sysConf.getSysIcon();
    if (!icon.trimmed().isEmpty() && icon != m_installedIcon) {
        if (QImageReader(icon).canRead())
            edit.sysIcon = iconTarget(icon);
        else
            iconFailure = u"系统图标文件不存在或不是图片："_s + icon + u"，系统图标未更改，其余设定已保存。"_s;
    }
    if (m_beforeSave && !m_beforeSave())
        return SaveResult::Refused;
    if (!sysConf.saveSettings(edit))
        return SaveResult::WriteFailed;
    if (edit.sysIcon && !installIcon(icon, *edit.sysIcon)) {
        // The settings name only an icon that is in place.
        sysConf.setSysIcon(previousIcon);
        iconFailure = u"系统图标无法复制到"_s + *edit.sysIcon + u"，系统图标未更改，其余设定已保存。"_s;
        edit.sysIcon.reset();
    }

    // What the program uses from now on is what the file holds.
    sysConf.LoadValues();
    m_isSaved = true;
    if (!iconFailure.isEmpty()) {
        // The icon is still to be installed: the dialog keeps it as a change.
        refuse(m_txtSysIcon, iconFailure);
        return SaveResult::SavedWithoutIcon;
    }
    if (edit.sysIcon)
        m_installedIcon = icon;
    m_changed = false;
    m_prompt.message(u"系统设定保存成功。"_s);
    return SaveResult::Saved;
}

void frmSysConf::Command2_Click(int index)
{
    switch (index) {
    case 0:
        // OK saves unless the last save already holds everything shown.
        if (!m_isSaved || m_changed) {
            const SaveResult result = save();
            if (result == SaveResult::WriteFailed)
                m_prompt.message(u"系统设定失败，请重试。"_s);
            if (result != SaveResult::Saved)
                return;
        }
        accept();
        break;
    case 1:
        if (const SaveResult result = save(); result == SaveResult::Refused || result == SaveResult::WriteFailed)
            m_prompt.message(u"系统设定失败，请重试。"_s);
        break;
    case 2:
        reject();
        break;
    default:
        break;
    }
}
