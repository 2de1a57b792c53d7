#pragma once

#include "app/frmMain.h"

#include <QStringList>

// The texts of the main window's six status panels, in order.
inline QStringList panels(frmMain& w)
{
    QStringList texts;
    for (int p = 1; p <= 6; ++p)
        texts << w.statusPanelText(p);
    return texts;
}
