#pragma once

#include <QString>
#include <QStringList>

#include <functional>

struct AppContext;
class MainWindowServices;

// What the import of an instruction tab is made of, besides what every such
// import does (see runInstructionImport).
struct InstructionImport {
    enum class Chosen { None, Unsupported, Readable };

    // The file filters offered, after the one of all of them together and
    // before the one of all files.
    QStringList kinds;
    // The operation code of the backup made right before the import changes the store.
    QString backupOperation;
    // Said when the chosen file is of none of the kinds.
    QString unsupported;
    // The kind of the chosen path (an empty path when none was chosen).
    std::function<Chosen(const QString& path)> kindOf;
    // Rebuilds the tab's list.
    std::function<void()> refresh;
    // Empties the tab's list without reading the store: the rows an import
    // replaces go before the file's records are written, so that a big
    // payroll is never held twice. `run` rebuilds the list however it ends.
    std::function<void()> clearList;
    // Reads the whole file; false, after saying why, when nothing is to be imported.
    std::function<bool(const QString& path)> read;
    // Imports what was read, replacing the listed instructions when
    // `replace`, and reports how it went.
    std::function<void(bool replace)> run;
};

// The command behind "上传文件导入" of an instruction tab: asks for the file
// (no file chosen rebuilds the list), refuses a kind the tab does not read,
// reads the whole file before anything is asked or changed, asks before the
// instructions the list shows are replaced (`listShowsInstruction`), and runs
// the import.
void runInstructionImport(
    const InstructionImport& steps, AppContext& ctx, MainWindowServices& main, bool listShowsInstruction);

// The batch payment tab's import: CSV, XML and PLZ upload files, replaced in
// one transaction, so a stop leaves payment and pay_acc as they were.
void importBatchPaymentFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction);

// The payroll tab's import: CSV upload files and workbooks, a workbook read
// and imported behind the busy window.
void importPayrollFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction);
