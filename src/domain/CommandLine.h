#pragma once

#include <QString>
#include <QStringList>

class DataFolder;
class QTextStream;

// The program's command line:
//   qelvora [--folder DIR]              the main window on the data folder
//   qelvora --self-test [--folder DIR]  checks the data folder's store and ends
//   qelvora --version | --help
// Qt's own window options (-platform, -style, ...) are accepted and left to Qt.
struct CommandLine {
    enum class Action { Window, Help, Version, SelfTest, Error };

    // Reads the arguments (the program's name first). Needs no application object.
    static CommandLine parse(const QStringList& arguments);
    // The arguments of main() as texts.
    static QStringList fromArgv(int argc, char** argv);

    Action action = Action::Window;
    QString folder; // --folder; empty when not given
    QString error; // Action::Error: what is wrong with the command line
};

// The text --help prints.
QString commandLineHelp();

// Runs an action that shows no window (all but Action::Window) for a program in
// `programDir`: writes the help, the version or the self-test's report to
// `out` and what went wrong to `err`. Returns the exit status: 0, 1 when the
// self-test fails, 2 for a wrong command line.
int runWithoutWindow(const CommandLine& line, const QString& programDir, QTextStream& out, QTextStream& err);
// The same from main(), with a window-less application object and the standard streams.
int runWithoutWindow(const CommandLine& line, int& argc, char** argv);

// The self-test: makes the data folder ready as a start does, then checks its
// store (it opens, is ours, its version is readable, SQLite's integrity check
// passes). 0 when all is well, else 1.
int runSelfTest(const DataFolder& folder, QTextStream& out, QTextStream& err);

// The process-wide names every start sets: organization and application
// "Qelvora" (they place the user's settings and data folder) and the version.
void setApplicationNames();
