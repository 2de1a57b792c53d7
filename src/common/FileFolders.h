#pragma once

#include <QString>

#include <memory>

class QSettings;

// The kinds of files whose dialogs remember their folder apart.
enum class FileKind {
    UploadFile, // batch payment and payroll upload files, their imports
    MasterData, // exports and imports of payer accounts, roster, remarks
    Report, // check reports and approval sheets
    Icon, // the window icon of the settings
};

// The folder each kind of file dialog opens in: the one a file of that kind was
// last chosen in, kept in the user's settings (never in the program folder),
// and the user's documents folder the first time.
class FileFolders {
public:
    FileFolders();
    ~FileFolders();
    FileFolders(const FileFolders&) = delete;
    FileFolders& operator=(const FileFolders&) = delete;

    // Keeps the folders in this settings file instead of the user's settings
    // of the application (QSettings with its organisation and application name).
    void useSettingsFile(const QString& path);

    // Where a dialog for this kind of file opens.
    QString folderFor(FileKind kind);
    // Remembers the folder of a file the user chose.
    void remember(FileKind kind, const QString& chosenPath);

    // The user's documents folder (the home folder when there is none).
    static QString documentsFolder();

private:
    QSettings& settings();

    QString m_file;
    std::unique_ptr<QSettings> m_settings;
};
