#pragma once

#include "common/Result.h"

#include <QString>

// Where the program keeps the user's data (the store userdb.mdb, the settings
// sysConf.ini and the icon folder ico/) and where it finds what it was
// delivered with (the empty store and the settings a new data folder starts
// from, and the user guide).
//
// - Portable: the program's own folder holds userdb.mdb and can be written;
//   the data stays beside the program, as the build lays it out.
// - Per user: an installed program (no store beside it, or a folder the user
//   cannot write, such as /usr/bin) keeps the data in the user's own data
//   folder, <user data location>/Qelvora (~/.local/share/Qelvora on Linux).
// - Chosen: the folder named on the command line (--folder).
//
// The delivered files lie in <program folder>/../share/qelvora (for
// /usr/bin/qelvora: /usr/share/qelvora). A per-user or chosen folder is laid
// out from them on first use; a file it already holds is never replaced.
class DataFolder {
public:
    enum class Kind { Portable, PerUser, Chosen };

    // Where a run of the program in `programDir` keeps its data; `chosen` is the
    // folder named on the command line, empty when none was.
    static DataFolder choose(const QString& programDir, const QString& chosen = {});

    // The per-user data folder: a folder named after the application in the
    // user's data location. Empty when the system names no such location.
    static QString userFolder();
    // The folder of the delivered files of a program in `programDir`.
    static QString templateFolderOf(const QString& programDir);
    // True when `programDir` is a portable program folder: it holds userdb.mdb
    // and can be written.
    static bool isPortable(const QString& programDir);

    Kind kind() const { return m_kind; }
    // The data folder: absolute, in native separators, no trailing separator.
    QString path() const { return m_path; }
    // The folder of the delivered files (the templates).
    QString templateFolder() const { return m_templates; }
    // The folder of the user guide (help/index.html beside the program, else
    // in the delivered files), ending with a separator.
    QString guideFolder() const { return m_guide; }

    // Makes the data folder ready for the program. A per-user or chosen folder
    // is created when missing and gets the delivered store when it holds none
    // and the delivered settings when it holds none; a folder named with
    // --folder that holds other files but no store is refused, so a mistyped
    // name never scatters a store among unrelated files. Files already there
    // are kept as they are. A portable folder is used as it is. The failure
    // says in Chinese what the user can do.
    Result<> prepare() const;

private:
    Kind m_kind = Kind::Portable;
    QString m_path;
    QString m_templates;
    QString m_guide;
};
