#pragma once

#include "common/Prompt.h"

class QWidget;

// The desktop prompt service: QMessageBox and QFileDialog, owned by the active window.
class QtPrompt : public Prompt {
public:
    using Prompt::askOkCancel;
    void message(const QString& text) override;
    bool askOkCancel(const QString& text, DefaultButton defaultButton) override;
    bool askYesNo(const QString& text) override;
    OkSkipCancel askOkSkipCancel(const QString& text) override;
    void critical(const QString& title, const QString& text) override;
    FileChoice chooseSaveFile(const FileDialogRequest& request) override;
    FileChoice chooseOpenFile(const FileDialogRequest& request) override;
};
