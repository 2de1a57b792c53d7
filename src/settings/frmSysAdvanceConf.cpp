#include "settings/frmSysAdvanceConf.h"

#include "common/Prompt.h"
#include "config/AppConfig.h"
#include "config/SysConf.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmSysAdvanceConf::frmSysAdvanceConf(AppConfig& config, Prompt& prompt, QWidget* parent)
    : QDialog(parent)
    , m_config(config)
    , m_prompt(prompt)
{
    setObjectName(u"frmSysAdvanceConf"_s);
    setModal(true);

    auto* frame = new QGroupBox(u"校验规则维护"_s);
    auto* frameLayout = new QVBoxLayout(frame);
    m_comboField = new QComboBox;
    m_comboField->setObjectName(u"ComboField"_s);
    m_comboField->setPlaceholderText(u"--请选择字段--"_s);
    m_comboField->setMinimumWidth(320);
    frameLayout->addWidget(m_comboField);

    auto* dupFrame = new QGroupBox(u"重复付款检查"_s);
    auto* dupLayout = new QHBoxLayout(dupFrame);
    auto* before = new QLabel(u"生成上传文件前，与最近"_s);
    m_dupDays = new QSpinBox;
    m_dupDays->setObjectName(u"txtDupCheckDays"_s);
    m_dupDays->setRange(0, AppConfig::kMaxDuplicateCheckDays);
    m_dupDays->setSpecialValueText(u"0（不检查）"_s);
    before->setBuddy(m_dupDays);
    auto* after = new QLabel(u"天内生成的上传文件比对"_s);
    dupLayout->addWidget(before);
    dupLayout->addWidget(m_dupDays);
    dupLayout->addWidget(after);
    dupLayout->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const QString captions[] = { u"确定"_s, u"取消"_s };
    for (int i = 0; i < 2; ++i) {
        auto* button = new QPushButton(captions[i]);
        button->setObjectName(u"Command1_%1"_s.arg(i));
        connect(button, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(dupFrame);
    layout->addLayout(buttons);

    Form_Load();
}

void frmSysAdvanceConf::Form_Load()
{
    const QString& iconPath = m_config.sysIconPath;
    if (!iconPath.isEmpty() && QFileInfo(iconPath).isFile()) {
        const QIcon icon(iconPath);
        if (!icon.availableSizes().isEmpty())
            setWindowIcon(icon);
    }
    setWindowTitle(m_config.bankName + u"网银客户端高级设定"_s);
    m_comboField->clear();
    for (int id = 1; id <= kFieldRuleCount; ++id) {
        const QString& label = m_config.fieldRules.ruleAt(id).label;
        if (!label.trimmed().isEmpty())
            m_comboField->addItem(label);
    }
    m_comboField->setCurrentIndex(-1);
    m_dupDays->setValue(m_config.duplicateCheckDays);
}

void frmSysAdvanceConf::Command1_Click(int index)
{
    if (index != 0) {
        reject();
        return;
    }
    const int days = m_dupDays->value();
    if (days != m_config.duplicateCheckDays) {
        SysConf sysConf(m_config, m_config.appDir);
        if (!sysConf.setDuplicateCheckDays(days)) {
            m_prompt.message(u"设置文件无法写入，重复付款检查天数未保存"_s);
            return;
        }
    }
    accept();
}
