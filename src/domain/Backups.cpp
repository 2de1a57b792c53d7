#include "domain/Backups.h"

#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "store/DBAccess.h"
#include "store/StoreBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <set>

using namespace Qt::StringLiterals;

namespace {

const QString kStamp = u"yyyyMMdd-HHmmss"_s;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// A copy of sysConf.ini, written under a temporary name and renamed into place.
Result<> copySettings(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.exists())
        return {};
    if (!in.open(QIODevice::ReadOnly))
        return Failure { u"无法读取文件“%1”"_s.arg(native(source)) };
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit())
        return Failure { u"无法写入文件“%1”"_s.arg(native(target)) };
    StoreBackup::syncFileAndFolder(target);
    return {};
}

// Copies that a stopped program left under their temporary names.
void removeLeftParts(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList({ u"*.part"_s }, QDir::Files))
        QFile::remove(dir.filePath(name));
}

void applyRetention(const QString& folder, const QDate& today)
{
    const QDir dir(folder);
    for (const QString& name : Backups::toDelete(Backups::list(folder), today)) {
        QFile::remove(dir.filePath(name));
        const auto entry = Backups::parse(name);
        if (entry)
            QFile::remove(dir.filePath(Backups::settingsFileName(entry->time, entry->operation)));
    }
}

} // namespace

namespace Backups {

QString folderFor(const QString& storePath)
{
    return QFileInfo(storePath).absoluteDir().filePath(u"backup"_s);
}

QString fileName(const QDateTime& time, const QString& operation)
{
    return u"userdb-"_s + time.toString(kStamp) + u'-' + operation + u".mdb"_s;
}

QString settingsFileName(const QDateTime& time, const QString& operation)
{
    return u"sysConf-"_s + time.toString(kStamp) + u'-' + operation + u".ini"_s;
}

std::optional<BackupEntry> parse(const QString& name)
{
    static const QRegularExpression pattern(u"^userdb-(\\d{8}-\\d{6})-([a-z][a-z0-9-]*)\\.mdb$"_s);
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(match.captured(1), kStamp);
    if (!time.isValid())
        return std::nullopt;
    return BackupEntry { name, time, match.captured(2) };
}

QString operationText(const QString& operation)
{
    static const QHash<QString, QString> texts {
        { u"start"_s, u"每日启动"_s },
        { u"upgrade"_s, u"数据库升级"_s },
        { u"import-batch"_s, u"导入批量支付文件"_s },
        { u"import-payroll"_s, u"导入代发代扣文件"_s },
        { u"import-roster"_s, u"导入代发代扣名册"_s },
        { u"import-payacc"_s, u"导入付款账户"_s },
        { u"import-payee"_s, u"导入收款账户"_s },
        { u"import-remark"_s, u"导入备注"_s },
        { u"new-batch"_s, u"新建批量支付"_s },
        { u"new-payroll"_s, u"新建代发代扣"_s },
        { u"delete-rows"_s, u"删除多行"_s },
        { u"delete-roster"_s, u"删除名册及代发指令"_s },
        { u"thin-history"_s, u"删除上传记录"_s },
        { u"settings"_s, u"保存系统设定"_s },
        { u"restore"_s, u"恢复数据"_s },
        { u"manual"_s, u"手工备份"_s },
    };
    return texts.value(operation, operation);
}

QString importOperation(const QString& tabPrefix)
{
    if (tabPrefix == u"PayAccList"_s)
        return u"import-payacc"_s;
    if (tabPrefix == u"PayeeAccList"_s)
        return u"import-payee"_s;
    if (tabPrefix == u"EmployeeList"_s)
        return u"import-roster"_s;
    return u"import-remark"_s;
}

QList<BackupEntry> list(const QString& folder)
{
    QList<BackupEntry> entries;
    for (const QString& name : QDir(folder).entryList({ u"userdb-*.mdb"_s }, QDir::Files))
        if (auto entry = parse(name))
            entries.append(*entry);
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
        return a.time != b.time ? a.time > b.time : a.fileName > b.fileName;
    });
    return entries;
}

QStringList toDelete(QList<BackupEntry> entries, const QDate& today)
{
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
        return a.time != b.time ? a.time > b.time : a.fileName > b.fileName;
    });
    const QDate firstDay = today.addDays(-(kKeepDays - 1));
    std::set<QDate> daysKept;
    QStringList gone;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const BackupEntry& e = entries.at(i);
        const QDate day = e.time.date();
        const bool newestOfRecentDay = day >= firstDay && day <= today && daysKept.insert(day).second;
        if (i >= kKeepNewest && !newestOfRecentDay)
            gone.append(e.fileName);
    }
    return gone;
}

Result<QString> make(AppContext& ctx, const QString& operation)
{
    const QString folder = folderFor(ctx.db().dbPath());
    if (!QDir().mkpath(folder))
        return Failure { u"无法建立备份文件夹“%1”"_s.arg(native(folder)) };
    removeLeftParts(folder);
    // Two backups within one second take the next free second.
    QDateTime time = ctx.backupLog.clock();
    time.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second()));
    const QDir dir(folder);
    while (QFileInfo::exists(dir.filePath(fileName(time, operation))))
        time = time.addSecs(1);
    const QString path = dir.filePath(fileName(time, operation));
    if (const Result<> copied = StoreBackup::copyStore(ctx.db(), path); !copied)
        return Failure { copied.message() };
    if (operation == u"settings"_s) {
        const Result<> settings
            = copySettings(ctx.appDir + u"sysConf.ini"_s, dir.filePath(settingsFileName(time, operation)));
        if (!settings) {
            QFile::remove(path);
            return Failure { settings.message() };
        }
    }
    ctx.backupLog.lastBackupPath = path;
    ctx.backupLog.lastBackupTime = time;
    applyRetention(folder, ctx.backupLog.clock().date());
    return path;
}

void atStart(AppContext& ctx)
{
    const QDate today = ctx.backupLog.clock().date();
    for (const BackupEntry& e : list(folderFor(ctx.db().dbPath())))
        if (e.operation == u"start"_s && e.time.date() == today)
            return;
    if (const Result<QString> made = make(ctx, u"start"_s); !made)
        ctx.prompt.message(u"无法备份数据：%1"_s.arg(made.message()));
}

Result<StoreFacts> restore(AppContext& ctx, const QString& source)
{
    const Result<StoreFacts> facts = StoreBackup::inspect(source);
    if (!facts)
        return Failure { u"无法从文件“%1”恢复数据：%2"_s.arg(native(source), facts.message()) };
    // An older file is copied and brought to this version first, so a file
    // that cannot be upgraded changes nothing.
    QString prepared;
    if (facts->version < DBAccess::kSchemaVersion) {
        const QString folder = folderFor(ctx.db().dbPath());
        if (!QDir().mkpath(folder))
            return Failure { u"无法建立备份文件夹“%1”"_s.arg(native(folder)) };
        prepared = QDir(folder).filePath(u"restore.tmp"_s);
        QFile::remove(prepared);
        if (const Result<> copied = StoreBackup::copyUpgraded(source, prepared); !copied)
            return Failure { u"无法从文件“%1”恢复数据：%2"_s.arg(native(source), copied.message()) };
    }
    if (!backupBefore(ctx, u"restore"_s)) {
        if (!prepared.isEmpty())
            QFile::remove(prepared);
        return Failure { QString() };
    }
    const Result<> replaced = StoreBackup::replaceContent(ctx.db(), prepared.isEmpty() ? source : prepared);
    if (!prepared.isEmpty())
        QFile::remove(prepared);
    if (!replaced)
        return Failure { u"恢复数据失败，数据未改变：%1"_s.arg(replaced.message()) };
    ctx.backupLog.lastImport.reset();
    StoreFacts restored = *facts;
    restored.version = DBAccess::kSchemaVersion;
    return restored;
}

QString restoredText(const StoreFacts& facts, const QString& source)
{
    return u"数据已恢复：批量支付指令 %1 笔（合计 %2 元），代发代扣指令 %3 笔，代发代扣名册 %4 人。\n备份文件：%5"_s
        .arg(QString::number(facts.payments), facts.paymentTotal.toGroupedText(), QString::number(facts.payrolls),
            QString::number(facts.roster), native(source));
}

std::optional<BackupLog::Import> undoableImport(AppContext& ctx)
{
    const auto& last = ctx.backupLog.lastImport;
    if (!last || !ctx.db().isConnected() || ctx.db().totalChanges() != last->changesAfter
        || !QFileInfo::exists(last->backupPath))
        return std::nullopt;
    return last;
}

} // namespace Backups

bool backupBefore(AppContext& ctx, const QString& operation)
{
    ctx.backupLog.lastBackupPath.clear();
    const Result<QString> made = Backups::make(ctx, operation);
    if (made)
        return true;
    return ctx.prompt.askOkCancel(u"无法备份数据：%1\n是否不备份继续?"_s.arg(made.message()), DefaultButton::Cancel);
}

void importDone(AppContext& ctx, const QString& importedFile)
{
    if (ctx.backupLog.lastBackupPath.isEmpty()) {
        ctx.backupLog.lastImport.reset();
        return;
    }
    ctx.backupLog.lastImport = BackupLog::Import { ctx.backupLog.lastBackupPath, ctx.backupLog.lastBackupTime,
        importedFile, ctx.db().totalChanges() };
}
