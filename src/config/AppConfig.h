#pragma once

#include "common/FieldRule.h"

#include <QString>

// The process-wide configuration values the settings file fills.
struct AppConfig {
    QString appDir; // the program's directory, ending with a separator
    QString bankName;
    QString sysIconPath;
    FieldRules fieldRules;
};
