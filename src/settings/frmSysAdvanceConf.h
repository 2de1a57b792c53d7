#pragma once

#include <QDialog>

struct AppConfig;
class Prompt;
class QComboBox;
class QSpinBox;

// The advanced settings dialog: lists the labels of the field rules in use,
// and sets how many days back the check before writing an upload file looks
// for the same payments (txtDupCheckDays; 0: not at all). "确定" (Command1_0)
// saves that number in sysConf.ini when it was changed; "取消" (Command1_1)
// closes without saving.
class frmSysAdvanceConf : public QDialog {
    Q_OBJECT
public:
    frmSysAdvanceConf(AppConfig& config, Prompt& prompt, QWidget* parent = nullptr);

    // Caption, icon, the field list and the days, from the configuration in memory.
    void Form_Load();
    void Command1_Click(int index);

private:
    AppConfig& m_config;
    Prompt& m_prompt;
    QComboBox* m_comboField = nullptr;
    QSpinBox* m_dupDays = nullptr;
};
