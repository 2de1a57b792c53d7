#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "common/Result.h"

#include <functional>
#include <initializer_list>
#include <vector>

// Writes a CSV text file line by line: GBK, CR LF after every line, no quoting.
//
// The files the bank and the importers read have no quoting, so a field that
// holds a "," or a line break would shift every later column of its line; a
// character GBK cannot carry cannot be written at all. Such a field is refused
// with a message that names the row and the field in the caller's words, and
// then nothing is written: an earlier file of the same name stays as it was.
// The file is written beside the target and renamed over it only when complete.
class CsvLineWriter {
public:
    // The caller's wording of a refusal:
    //   separator: %1 the row label, %2 the field name, %3 "逗号“,”" or "换行符"
    //   character: %1 the row label, %2 the field name, %3 the refused character
    //   fileError: the file could not be written (a full disk, a folder that
    //              refuses it)
    struct Messages {
        QString separator;
        QString character;
        QString fileError;
    };

    // One piece of a line: `before` is written as it stands (separators, "#"),
    // then `text` (UTF-8). A piece with a field index (into the names given to
    // the writer) is checked; field -1 marks text the caller made itself.
    struct Piece {
        const char* before;
        QByteArrayView text;
        int field = -1;
    };

    // `fieldNames` name the checked fields; `rowLabel` names the data line with
    // the given index (0 for the first line added by addLine) in messages.
    CsvLineWriter(QStringList fieldNames, Messages messages, std::function<QString(qsizetype line)> rowLabel);

    // Room for `lines` lines of about `bytesPerLine` bytes each.
    void reserve(qsizetype lines, qsizetype bytesPerLine);

    // A line of the caller's own making (a header), written without checks.
    void addHeaderLine(QByteArrayView utf8);
    // Appends the next data line. False, with message(), when a checked piece
    // holds a "," or a line break or a character GBK cannot carry; nothing
    // more is added after a refusal.
    bool addLine(std::initializer_list<Piece> pieces);

    bool refused() const { return !m_message.isEmpty(); }
    const QString& message() const { return m_message; }
    qsizetype lineCount() const { return m_dataLines; }

    // The lines built so far, header lines first, without line ends.
    QStringList lines() const;

    // Encodes the text in GBK and writes it to `path`. The failure is the
    // refusal of a line or the file error message; nothing is written then.
    // With `sha256`, it receives the SHA-256 (hex) of the bytes written.
    // `alongside`, when given, runs on a second thread while the text is
    // encoded and written, over the UTF-8 text of the data lines (each ending
    // in CR LF); it only reads that text.
    Result<> write(const QString& path, QString* sha256 = nullptr,
        const std::function<void(QByteArrayView dataLines)>& alongside = {}) const;

private:
    QString fieldName(int field) const { return field >= 0 && field < m_names.size() ? m_names.at(field) : QString(); }

    QStringList m_names;
    Messages m_messages;
    std::function<QString(qsizetype)> m_rowLabel;
    QByteArray m_text; // UTF-8; every line followed by CR LF
    qsizetype m_headerBytes = 0; // the header lines at the start of m_text
    qsizetype m_dataLines = 0;
    QString m_message;
};
