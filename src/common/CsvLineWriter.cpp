#include "common/CsvLineWriter.h"

#include "common/GbkCodec.h"
#include "common/Sha256.h"
#include "common/TextFile.h"

#include <algorithm>
#include <thread>

using namespace Qt::StringLiterals;

namespace {
// The separators are ASCII, so they are found in the UTF-8 bytes as they are.
bool holdsSeparator(QByteArrayView text)
{
    for (const char c : text)
        if (c == ',' || c == '\n' || c == '\r')
            return true;
    return false;
}
} // namespace

CsvLineWriter::CsvLineWriter(QStringList fieldNames, Messages messages, std::function<QString(qsizetype)> rowLabel)
    : m_names(std::move(fieldNames))
    , m_messages(std::move(messages))
    , m_rowLabel(std::move(rowLabel))
{
}

void CsvLineWriter::reserve(qsizetype lines, qsizetype bytesPerLine)
{
    // Reserved once instead of growing a text of megabytes step by step.
    const qsizetype n = std::clamp<qsizetype>(lines, 0, 1'000'000) + 1;
    m_text.reserve(m_text.size() + n * bytesPerLine);
}

void CsvLineWriter::addHeaderLine(QByteArrayView utf8)
{
    m_text.append(utf8);
    m_text.append("\r\n");
    m_headerBytes = m_text.size();
}

bool CsvLineWriter::addLine(std::initializer_list<Piece> pieces)
{
    if (refused())
        return false;
    for (const Piece& piece : pieces) {
        if (piece.field < 0)
            continue;
        if (holdsSeparator(piece.text)) {
            const QString what = piece.text.contains(',') ? u"逗号“,”"_s : u"换行符"_s;
            m_message = m_messages.separator.arg(m_rowLabel(m_dataLines), fieldName(piece.field), what);
            return false;
        }
        if (const qsizetype bad = GbkCodec::firstUnencodableUtf8(piece.text); bad >= 0) {
            const QString text = QString::fromUtf8(piece.text);
            const qsizetype at = QString::fromUtf8(piece.text.first(bad)).size();
            m_message = m_messages.character.arg(
                m_rowLabel(m_dataLines), fieldName(piece.field), GbkCodec::characterText(text, at));
            return false;
        }
    }
    for (const Piece& piece : pieces) {
        if (piece.before)
            m_text.append(piece.before);
        m_text.append(piece.text);
    }
    m_text.append("\r\n");
    ++m_dataLines;
    return true;
}

QStringList CsvLineWriter::lines() const
{
    // No field holds a line break, so CR LF ends exactly the lines.
    QStringList out = QString::fromUtf8(m_text).split(u"\r\n"_s);
    out.removeLast();
    return out;
}

Result<> CsvLineWriter::write(
    const QString& path, QString* sha256, const std::function<void(QByteArrayView)>& alongside) const
{
    if (refused())
        return Failure { m_message };
    std::thread beside;
    if (alongside)
        beside = std::thread([this, &alongside] { alongside(QByteArrayView(m_text).sliced(m_headerBytes)); });
    // The checked fields passed addLine, so only text of the caller's own can
    // still fail here.
    const Result<QByteArray> encoded = GbkCodec::encodeUtf8(m_text);
    const bool written = encoded && TextFile::writeBytesAtomically(path, encoded.value()).ok();
    if (written && sha256)
        *sha256 = Sha256::hex(encoded.value());
    if (beside.joinable())
        beside.join();
    if (!encoded)
        return Failure { encoded.message() };
    if (!written)
        return Failure { m_messages.fileError };
    return {};
}
