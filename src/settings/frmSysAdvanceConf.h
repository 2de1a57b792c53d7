#pragma once

#include <QDialog>

struct AppConfig;
class QComboBox;

// The advanced settings dialog: lists the labels of the field rules in use.
// Nothing is saved; both buttons (Command1_0 "确定", Command1_1 "取消") close it.
class frmSysAdvanceConf : public QDialog {
    Q_OBJECT
public:
    explicit frmSysAdvanceConf(const AppConfig& config, QWidget* parent = nullptr);

    // Caption, icon and the field list, from the configuration in memory.
    void Form_Load();
    void Command1_Click(int index);

private:
    const AppConfig& m_config;
    QComboBox* m_comboField = nullptr;
};
