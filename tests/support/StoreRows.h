#pragma once

#include "DomainEnv.h"

#include "store/RecordSet.h"

#include <QList>
#include <QStringList>

// The rows of a query as lists of texts, for comparing store contents.
inline QList<QStringList> storeRows(DomainEnv& env, const QString& sql)
{
    QList<QStringList> rows;
    const auto rs = env.db().Query(sql);
    if (!rs)
        return rows;
    for (int r = 0; r < rs->recordCount(); ++r) {
        QStringList row;
        for (int c = 0; c < rs->columnCount(); ++c)
            row << fieldToText(rs->value(r, c));
        rows << row;
    }
    return rows;
}
