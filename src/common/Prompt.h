#pragma once

#include "common/FileFolders.h"

#include <QString>
#include <QStringList>

// The button of a question that Enter presses. Questions whose OK loses data
// (emptying a list, replacing it by an import, deleting many rows) name Cancel.
enum class DefaultButton { Ok, Cancel };

// What a file dialog shows: its filters in the toolkit's form
// ("CSV 文件 (*.csv)"; the first is chosen when the dialog opens) and the
// folder it opens in.
struct FileDialogRequest {
    QStringList filters;
    QString directory;
};

// The answer to a question with OK, Skip and Cancel.
enum class OkSkipCancel { Ok, Skip, Cancel };

// What the user chose in a file dialog: the path as the dialog returned it
// (empty when the user cancelled) and the filter chosen with it.
struct FileChoice {
    QString path;
    QString filter;
};

// Every message box, question and file dialog of the program goes through this
// interface. The desktop implementation (QtPrompt) shows real dialogs; the test
// double records each call and answers from a script.
class Prompt {
public:
    virtual ~Prompt() = default;

    // A message with one OK button, no icon, titled with the application title.
    virtual void message(const QString& text) = 0;
    // A question with OK and Cancel and the question icon; true on OK.
    // `defaultButton` is the button Enter presses.
    virtual bool askOkCancel(const QString& text, DefaultButton defaultButton) = 0;
    bool askOkCancel(const QString& text) { return askOkCancel(text, DefaultButton::Ok); }
    // A question with Yes and No and the question icon; true on Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // A question with OK, "跳过" and Cancel and the question icon, for one item
    // of many: go on with it, leave it out and go on with the others, or stop.
    // Enter presses OK.
    virtual OkSkipCancel askOkSkipCancel(const QString& text) = 0;
    // A critical error box with its own title ("SQL error", "Database error").
    virtual void critical(const QString& title, const QString& text) = 0;
    // File dialogs. The save dialog neither asks about overwriting nor adds an
    // extension itself (selectSaveFile does both).
    virtual FileChoice chooseSaveFile(const FileDialogRequest& request) = 0;
    virtual FileChoice chooseOpenFile(const FileDialogRequest& request) = 0;

    // Where the file dialogs open, by kind of file.
    FileFolders& fileFolders() { return m_fileFolders; }

private:
    FileFolders m_fileFolders;
};

// The title every message box carries unless it names its own.
inline QString applicationTitle()
{
    return QStringLiteral("Qelvora");
}

// The filters of the file dialogs, in the toolkit's form: a name, then the
// patterns in brackets.
namespace FileFilter {
QString csv(); // "CSV 文件 (*.csv)"
QString xls(); // "Excel 97-2003 工作簿 (*.xls)"
QString xlsx(); // "Excel 工作簿 (*.xlsx)"
QString xml(); // "XML 文件 (*.xml)"
QString plz(); // "PLZ 指令文件 (*.plz)"
QString pdf(); // "PDF 文件 (*.pdf)"
QString ico(); // "图标文件 (*.ico)"
QString all(); // "所有文件 (*)"
// "所有支持的文件 (*.csv *.xml *.plz)": the patterns of the given filters in one.
QString supported(const QStringList& filters);
// The extensions a filter's patterns name, in small letters: {"csv", "xml"};
// none for "*".
QStringList extensions(const QString& filter);
}

// What a command's file dialog offers: the kind of file (which folder it
// opens in) and its filters.
struct FileTypes {
    FileKind kind;
    QStringList filters;
};

// The name a save dialog's answer stands for: a name that does not end in an
// extension one of `filters` names gets the first extension of
// `chosenFilter` (of the first filter when none was chosen). "b2b" with
// "CSV 文件 (*.csv)" gives "b2b.csv"; "b2b.CSV" and "工资.xls" stay as they are.
QString withChosenExtension(const QString& path, const QString& chosenFilter, const QStringList& filters);

// Asks for a file to write, in the folder last used for its kind of file, and
// adds the chosen filter's extension (withChosenExtension). When that file
// exists, asks "该文件名已经存在，是否覆盖原有文件?" and returns an empty text on
// Cancel. Empty when the user cancels.
QString selectSaveFile(Prompt& prompt, const FileTypes& types);
// Asks for a file to read, in the folder last used for its kind of file; an
// empty text on cancel. Existence is not tested.
QString selectOpenFile(Prompt& prompt, const FileTypes& types);

// The message of a file written: `done` and on a second line "文件：" and the path.
QString writtenMessage(const QString& done, const QString& path);
