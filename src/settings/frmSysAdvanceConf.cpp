#include "settings/frmSysAdvanceConf.h"

#include "config/AppConfig.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmSysAdvanceConf::frmSysAdvanceConf(const AppConfig& config, QWidget* parent)
    : QDialog(parent)
    , m_config(config)
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
}

void frmSysAdvanceConf::Command1_Click(int index)
{
    if (index == 0)
        accept();
    else
        reject();
}
