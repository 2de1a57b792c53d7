#pragma once

#include <QString>

// Every message box, question and file dialog of the program goes through this
// interface. The desktop implementation (QtPrompt) shows real dialogs; the test
// double records each call and answers from a script.
class Prompt {
public:
    virtual ~Prompt() = default;

    // A message with one OK button, no icon, titled with the application title.
    virtual void message(const QString& text) = 0;
    // A question with OK and Cancel and the question icon; true on OK.
    virtual bool askOkCancel(const QString& text) = 0;
    // A question with Yes and No and the question icon; true on Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // A critical error box with its own title ("SQL error", "Database error").
    virtual void critical(const QString& title, const QString& text) = 0;
    // File dialogs. `filter` is the program's filter text, e.g. "CSV (*.CSV)|*.csv".
    // The save dialog never asks about overwriting itself (selectSaveFile does).
    // Both return an empty text when the user cancels.
    virtual QString chooseSaveFile(const QString& filter) = 0;
    virtual QString chooseOpenFile(const QString& filter) = 0;
};

// The title every message box carries unless it names its own.
inline QString applicationTitle()
{
    return QStringLiteral("Qelvora");
}

// Filter text for one extension: "CSV (*.CSV)|*.csv"; "*" matches every file.
QString fileFilterFor(const QString& extension);

// Asks for a file to write. When the chosen file exists, asks
// "该文件名已经存在，是否覆盖原有文件?" and returns an empty text on Cancel.
QString selectSaveFile(Prompt& prompt, const QString& extension);
// Asks for a file to read; an empty text on cancel. Existence is not tested.
QString selectOpenFile(Prompt& prompt, const QString& extension);
