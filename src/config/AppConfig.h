#pragma once

#include "common/FieldRule.h"

#include <QString>

// The process-wide configuration values the settings file fills.
struct AppConfig {
    QString appDir; // the program's directory, ending with a separator
    QString bankName;
    QString sysIconPath;
    FieldRules fieldRules;
    // How many days back the check before writing an upload file looks for
    // the same payments in the files written before; 0: not at all.
    int duplicateCheckDays = kDefaultDuplicateCheckDays;

    static constexpr int kDefaultDuplicateCheckDays = 31;
    static constexpr int kMaxDuplicateCheckDays = 3650;
};
