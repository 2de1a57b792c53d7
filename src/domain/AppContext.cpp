#include "domain/AppContext.h"

#include "domain/tables/PaymentTable.h"

#include <QDir>

AppContext::AppContext(Prompt& p, const QString& appDirectory)
    : prompt(p)
{
    appDir = QDir::toNativeSeparators(QDir(appDirectory).absolutePath());
    if (!appDir.endsWith(QDir::separator()))
        appDir += QDir::separator();
    helpDir = appDir + QStringLiteral("help") + QDir::separator();
    dbAccess = std::make_unique<DBAccess>(appDir + QStringLiteral("userdb.mdb"), prompt);
    // New instruction numbers continue after the largest stored one, so a clock
    // set back never repeats or undercuts a number already in the store. A
    // store whose largest number cannot be read is not used: numbers made
    // without it could repeat the keys that change and delete find rows by.
    // An older store is copied into backup/ before it is upgraded in place.
    dbAccess->setUpgradeHandler([this](int) -> Result<> {
        const Result<QString> made = Backups::make(*this, QStringLiteral("upgrade"));
        if (!made)
            return Failure { QStringLiteral("升级数据库之前无法备份：") + made.message() };
        return {};
    });
    dbAccess->setOpenHandler([this]() -> Result<> {
        const auto largest = PaymentTable(*dbAccess).largestSerialNo();
        if (!largest)
            return Failure { QStringLiteral("无法读取批量支付指令的流水号：") + largest.message() };
        serialNumbers.continueAfter(*largest);
        return {};
    });
}
