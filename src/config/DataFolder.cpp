#include "DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
const QString kStore = u"userdb.mdb"_s;
const QString kSettings = u"sysConf.ini"_s;

QString cleanPath(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(path).absolutePath()));
}

QString withSeparator(const QString& folder)
{
    return folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
}

// Copies `source` to `target` unless `target` exists, under a temporary name
// renamed into place when complete and on disk. A target that appears in the
// meantime (another instance laying out the same folder) is kept.
Result<> copyIfMissing(const QString& source, const QString& target)
{
    if (QFileInfo::exists(target))
        return {};
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Failure { in.errorString() };
    const QString part = target + u".part"_s;
    QSaveFile out(part);
    if (!out.open(QIODevice::WriteOnly))
        return Failure { out.errorString() };
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            return Failure { in.errorString() };
        if (out.write(chunk) != chunk.size())
            return Failure { out.errorString() };
    }
    if (!out.commit())
        return Failure { out.errorString() };
    // QFile::rename never replaces an existing file.
    QFile done(part);
    if (done.rename(target))
        return {};
    done.remove();
    if (QFileInfo::exists(target))
        return {};
    return Failure { done.errorString() };
}
} // namespace

QString DataFolder::userFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    const QString name = QCoreApplication::applicationName();
    return cleanPath(base + u'/' + (name.isEmpty() ? u"Qelvora"_s : name));
}

QString DataFolder::templateFolderOf(const QString& programDir)
{
    return cleanPath(programDir + u"/../share/qelvora"_s);
}

bool DataFolder::isPortable(const QString& programDir)
{
    return QFileInfo(QDir(programDir).filePath(kStore)).isFile() && QFileInfo(programDir).isWritable();
}

DataFolder DataFolder::choose(const QString& programDir, const QString& chosen)
{
    DataFolder folder;
    if (!chosen.isEmpty()) {
        folder.m_kind = Kind::Chosen;
        folder.m_path = cleanPath(chosen);
    } else if (isPortable(programDir)) {
        folder.m_kind = Kind::Portable;
        folder.m_path = cleanPath(programDir);
    } else {
        folder.m_kind = Kind::PerUser;
        folder.m_path = userFolder();
    }
    folder.m_templates = templateFolderOf(programDir);
    // The guide beside the program (a portable folder) comes first.
    const QString besideProgram = cleanPath(programDir + u"/help"_s);
    folder.m_guide = withSeparator(QFileInfo(QDir(besideProgram).filePath(u"index.html"_s)).isFile()
            ? besideProgram
            : cleanPath(folder.m_templates + u"/help"_s));
    return folder;
}

Result<> DataFolder::prepare() const
{
    if (m_kind == Kind::Portable)
        return {};
    if (m_path.isEmpty())
        return Failure { u"无法确定用户的数据文件夹。请用 --folder 指定一个数据文件夹。"_s };
    const QDir dir(m_path);
    const QString store = dir.filePath(kStore);
    if (!QFileInfo::exists(store)) {
        if (m_kind == Kind::Chosen && dir.exists()
            && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            return Failure { u"文件夹“%1”中没有数据库文件 userdb.mdb，又不是空文件夹，不能用作数据文件夹。"
                             u"请指定一个已有的数据文件夹，或一个空的或新的文件夹。"_s.arg(m_path) };
        // Without the delivered store nothing is made, not even the folder.
        const QString storeTemplate = QDir(m_templates).filePath(kStore);
        if (!QFileInfo(storeTemplate).isFile())
            return Failure { u"找不到建立数据文件夹所需的空数据库“%1”。请重新安装本程序。"_s.arg(
                QDir::toNativeSeparators(storeTemplate)) };
        if (!QDir().mkpath(m_path))
            return Failure { u"无法建立数据文件夹“%1”。请确认可以在该位置建立文件夹。"_s.arg(m_path) };
        if (const Result<> copied = copyIfMissing(storeTemplate, store); !copied)
            return Failure { u"无法在数据文件夹“%1”中建立数据库 userdb.mdb：%2"_s.arg(m_path, copied.message()) };
    }
    // Without delivered settings the program writes its default settings file.
    const QString settingsTemplate = QDir(m_templates).filePath(kSettings);
    if (QFileInfo(settingsTemplate).isFile()) {
        if (const Result<> copied = copyIfMissing(settingsTemplate, dir.filePath(kSettings)); !copied)
            return Failure { u"无法在数据文件夹“%1”中建立设置文件 sysConf.ini：%2"_s.arg(m_path, copied.message()) };
    }
    if (!dir.mkpath(u"ico"_s))
        return Failure { u"无法在数据文件夹“%1”中建立图标文件夹 ico。"_s.arg(m_path) };
    return {};
}
