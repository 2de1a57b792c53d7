#pragma once

#include "common/Prompt.h"

class QWidget;

// The desktop prompt service: QMessageBox and QFileDialog, owned by the active window.
class QtPrompt : public Prompt {
public:
    void message(const QString& text) override;
    bool askOkCancel(const QString& text) override;
    bool askYesNo(const QString& text) override;
    void critical(const QString& title, const QString& text) override;
    QString chooseSaveFile(const QString& filter) override;
    QString chooseOpenFile(const QString& filter) override;

    // "CSV (*.CSV)|*.csv" -> "CSV (*.csv)": the name before "|", the pattern after it.
    static QString qtFilter(const QString& filter);
};
