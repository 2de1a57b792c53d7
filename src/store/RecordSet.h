#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// A client-side record set: the whole result of a query, fetched at once and
// read by column name. Values are QVariant: null, qlonglong, double or QString.
class RecordSet {
public:
    RecordSet() = default;
    explicit RecordSet(QStringList columns);

    const QStringList& columns() const { return m_columns; }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    int recordCount() const { return m_columns.isEmpty() ? 0 : static_cast<int>(m_values.size() / m_columns.size()); }
    bool isEmpty() const { return recordCount() == 0; }

    // Cursor over the records, as the screens walk them.
    bool EOF_() const { return m_pos >= recordCount(); }
    bool BOF_() const { return m_pos < 0; }
    void moveFirst() { m_pos = 0; }
    void moveNext() { ++m_pos; }
    int position() const { return m_pos; }

    // Index of a column by name (case-insensitive, as the store compares names); -1 when absent.
    int columnIndex(const QString& name) const;
    // Field of the current record; a null QVariant when the column or record is absent.
    QVariant field(const QString& name) const;
    QVariant value(int record, int column) const;
    QVariant value(int record, const QString& name) const;

    // Used by DBAccess while fetching.
    void reserveRecords(int n) { m_values.reserve(static_cast<size_t>(n) * m_columns.size()); }
    void appendValue(QVariant v) { m_values.push_back(std::move(v)); }

private:
    QStringList m_columns;
    std::vector<QVariant> m_values; // row-major
    int m_pos = 0;
};

// A field's value as text: an empty text when null. Numbers come out in plain
// decimal form (1234.5, 100, 0.07), never with an exponent.
QString fieldToText(const QVariant& field);
// A stored number in plain decimal form: the shortest text that reads back as
// the same number (1234.5, 0.07), never with an exponent.
QString numberToText(double value);
// As fieldToText, but "0" when null.
QString fieldToNumberText(const QVariant& field);
