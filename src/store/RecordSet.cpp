#include "store/RecordSet.h"

#include <QLocale>

#include <charconv>

RecordSet::RecordSet(QStringList columns)
    : m_columns(std::move(columns))
{
}

int RecordSet::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant RecordSet::value(int record, int column) const
{
    if (record < 0 || record >= recordCount() || column < 0 || column >= columnCount())
        return {};
    return m_values[static_cast<size_t>(record) * m_columns.size() + static_cast<size_t>(column)];
}

QVariant RecordSet::value(int record, const QString& name) const
{
    return value(record, columnIndex(name));
}

QVariant RecordSet::field(const QString& name) const
{
    return value(m_pos, columnIndex(name));
}

QString fieldToText(const QVariant& field)
{
    if (field.isNull())
        return {};
    // Texts are by far the most common fields: share the string without going
    // through QVariant's general conversion.
    if (field.typeId() == QMetaType::QString)
        return *static_cast<const QString*>(field.constData());
    if (field.typeId() == QMetaType::Double)
        return numberToText(field.toDouble());
    return field.toString();
}

QString numberToText(double value)
{
    // Shortest text that reads back as the same number, in plain decimal form.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec == std::errc())
        return QString::fromLatin1(buffer, result.ptr - buffer);
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString fieldToNumberText(const QVariant& field)
{
    return field.isNull() ? QStringLiteral("0") : fieldToText(field);
}
