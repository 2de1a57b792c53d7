#include "common/FileFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
QString keyOf(FileKind kind)
{
    switch (kind) {
    case FileKind::UploadFile:
        return u"folders/uploadFiles"_s;
    case FileKind::MasterData:
        return u"folders/masterData"_s;
    case FileKind::Report:
        return u"folders/reports"_s;
    case FileKind::Icon:
        return u"folders/icons"_s;
    }
    return u"folders/other"_s;
}
} // namespace

FileFolders::FileFolders() = default;
FileFolders::~FileFolders() = default;

void FileFolders::useSettingsFile(const QString& path)
{
    m_file = path;
    m_settings.reset();
}

QSettings& FileFolders::settings()
{
    if (!m_settings) {
        m_settings = m_file.isEmpty() ? std::make_unique<QSettings>()
                                      : std::make_unique<QSettings>(m_file, QSettings::IniFormat);
    }
    return *m_settings;
}

QString FileFolders::documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString FileFolders::folderFor(FileKind kind)
{
    const QString folder = settings().value(keyOf(kind)).toString();
    // A folder removed since (a USB stick taken out) is not offered.
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return documentsFolder();
}

void FileFolders::remember(FileKind kind, const QString& chosenPath)
{
    if (chosenPath.trimmed().isEmpty())
        return;
    const QString folder = QFileInfo(chosenPath).absolutePath();
    if (folder == settings().value(keyOf(kind)).toString())
        return;
    settings().setValue(keyOf(kind), folder);
    settings().sync();
}
