#pragma once

#include "common/SerialNo.h"
#include "config/AppConfig.h"
#include "domain/Backups.h"
#include "store/DBAccess.h"

#include <QDateTime>

#include <functional>
#include <memory>

class Prompt;

// What the program holds once per process: the settings values (AppConfig), the
// store connection, the prompt service and the payer account of the current
// batch. The program makes one; every test makes its own. Windows receive it.
struct AppContext : AppConfig {
    explicit AppContext(Prompt& prompt, const QString& appDirectory);

    Prompt& prompt;
    // The folder of the user guide (index.html), ending with a separator:
    // help/ in appDir unless the program is told another one.
    QString helpDir;
    std::unique_ptr<DBAccess> dbAccess;
    SerialNoGenerator serialNumbers;
    BackupLog backupLog;

    // The time the upload history takes as now (when a file was written, and
    // the window the check looks back over); tests set their own.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    // The payer account of the current batch payment.
    QString batchPayAccNo;
    QString batchPayAccName;

    DBAccess& db() { return *dbAccess; }
};
