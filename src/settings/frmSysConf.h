#pragma once

#include <QDialog>

#include <functional>

#include <array>

struct AppConfig;
class Prompt;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings dialog "网银客户端系统设定": the bank name, the window icon and
// the rule of each of the entry fields 1..23, as stored in sysConf.ini.
//
// The controls of a field row are addressed by the field id and named
// "<control>_<id>" (chkCanEdit_12, chkLength_12, ...); the buttons Command2_0
// "确定", Command2_1 "应用", Command2_2 "取消".
//
// A save writes the whole dialog into the settings file at once and reloads the
// configuration from it, so that what the program uses is what the file holds.
class frmSysConf : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRowCount = 23;

    frmSysConf(AppConfig& config, Prompt& prompt, QWidget* parent = nullptr);
    // Runs before the settings file is written (the backup); false refuses the save.
    void setBeforeSave(std::function<bool()> beforeSave) { m_beforeSave = std::move(beforeSave); }

    // Fills the dialog from the settings file as it is now.
    void Form_Load();
    // Chooses the icon file.
    void Command1_Click();
    // "数值" follows "帐号".
    void chkIsAccount_Click(int id);
    // 0 OK, 1 apply, 2 cancel.
    void Command2_Click(int index);

    // A successful save happened in this opening.
    bool isSaved() const { return m_isSaved; }

private:
    // SavedWithoutIcon: everything but a new icon, which could not be installed.
    enum class SaveResult { Saved, SavedWithoutIcon, Refused, WriteFailed };

    struct Row {
        QString group; // the caption of the row's frame, naming it in messages
        QString fieldName;
        QLabel* label = nullptr;
        QCheckBox* canEdit = nullptr;
        QCheckBox* enableNull = nullptr;
        QCheckBox* isAccount = nullptr;
        QCheckBox* isNumric = nullptr;
        QLineEdit* length = nullptr;
        QLineEdit* minValue = nullptr;
        QLineEdit* maxValue = nullptr;
    };

    QWidget* buildBasicFrame();
    QWidget* buildRuleFrame(const QString& caption, std::initializer_list<int> ids, bool withBounds);
    void markChanged() { m_changed = true; }
    Row& row(int id) { return m_rows.at(static_cast<size_t>(id - 1)); }

    // The check before saving: account rows need a length, and every length
    // and shown bound must be one the settings loader can read.
    bool checkBeforeSave();
    bool refuse(QLineEdit* box, const QString& message);
    // Where an icon chosen at `source` is installed: appDir/ico/<its file name>.
    QString iconTarget(const QString& source) const;
    // Copies the icon to `target` (atomically; nothing when it is the same file).
    bool installIcon(const QString& source, const QString& target);
    SaveResult save();
    void showIcon(const QString& path);

    AppConfig& m_config;
    Prompt& m_prompt;
    std::function<bool()> m_beforeSave;
    QLineEdit* m_txtBankName = nullptr;
    QLineEdit* m_txtSysIcon = nullptr;
    std::array<Row, kRowCount> m_rows;
    // What txtSysIcon held when the icon was last filled in or installed.
    QString m_installedIcon;
    bool m_isSaved = false;
    // Something was edited since the dialog was filled or last saved.
    bool m_changed = false;
};
