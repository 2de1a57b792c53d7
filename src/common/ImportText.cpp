#include "common/ImportText.h"

#include "common/GbkCodec.h"
#include "common/Money.h"
#include "common/TextFile.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ImportText {

namespace {
// The largest single amount, 1E11 yuan, in fen.
constexpr qint64 kMaxAmountFen = 10'000'000'000'000;
} // namespace

QString amountProblem(const QString& amount, QString* plain)
{
    if (amount.isEmpty())
        return u"条记录中的金额为空，文件导入被中止"_s;
    const auto money = amount.contains(u'-') ? std::nullopt : Money::parse(amount);
    if (!money)
        return u"条记录中的金额格式错误，文件导入被中止"_s;
    if (money->fen() > kMaxAmountFen)
        return u"条记录中的金额范围超过系统限制，文件导入被中止"_s;
    if (plain)
        *plain = money->toPlainText();
    return {};
}

namespace {
Result<QString> decodeText(const QByteArray& bytes, bool utf8)
{
    return utf8 ? GbkCodec::decodeUtf8(bytes) : GbkCodec::decode(bytes);
}
} // namespace

UploadLines decodeUploadFile(const QByteArray& bytes)
{
    UploadLines lines;
    const bool utf8 = GbkCodec::hasUtf8Bom(bytes);
    const qsizetype start = utf8 ? 3 : 0;
    // The first line end: CR LF, LF or a lone CR.
    qsizetype headerEnd = start;
    while (headerEnd < bytes.size() && bytes.at(headerEnd) != '\n' && bytes.at(headerEnd) != '\r')
        ++headerEnd;
    // A header that does not decode says nothing that could be compared.
    lines.header = decodeText(bytes.sliced(start, headerEnd - start), utf8).value_or(QString());
    if (headerEnd >= bytes.size())
        return lines;
    qsizetype bodyStart = headerEnd + 1;
    if (bytes.at(headerEnd) == '\r' && bodyStart < bytes.size() && bytes.at(bodyStart) == '\n')
        ++bodyStart;
    const QByteArray body = bytes.sliced(bodyStart);

    // The text is decoded in one pass. When it does not decode, the lines
    // before the failing one are decoded again on their own.
    auto decoded = decodeText(body, utf8);
    if (!decoded) {
        qsizetype lineStart = std::clamp<qsizetype>(decoded.at(), 0, body.size());
        while (lineStart > 0 && body.at(lineStart - 1) != '\n' && body.at(lineStart - 1) != '\r')
            --lineStart;
        lines.badLine = 1 + TextFile::lineEndsBefore(body, lineStart);
        decoded = decodeText(body.left(lineStart), utf8);
    }
    if (decoded)
        lines.text = std::move(decoded).value();
    return lines;
}

Lines decodeInstructionLines(const QByteArray& bytes)
{
    return decodeUploadFile(bytes);
}

const QString kNothingImported = u"原有数据保持不变，本次没有导入任何记录。"_s;
const QString kNoInstructions = u"文件中没有指令记录，文件导入被中止"_s;

bool LineCursor::next(QStringView& line)
{
    if (m_pos >= m_text.size())
        return false;
    const qsizetype end = TextFile::nextLineEnd(m_text, m_pos);
    if (end < 0) {
        line = QStringView(m_text).sliced(m_pos);
        m_pos = m_text.size();
    } else {
        line = QStringView(m_text).sliced(m_pos, end - m_pos);
        m_pos = TextFile::afterLineEnd(m_text, end);
    }
    return true;
}

Header parseHeader(const QString& line)
{
    Header header;
    const QList<QStringView> parts = QStringView(line).split(u',');
    const QStringView count = parts.at(0).trimmed();
    const bool digits
        = !count.isEmpty() && std::all_of(count.begin(), count.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool ok = false;
    const qint64 n = digits ? count.toLongLong(&ok) : 0;
    if (ok)
        header.count = n;
    if (parts.size() == 2)
        header.total = Money::parse(parts.at(1).toString());
    return header;
}

void LineTotals::add(const QString& amount)
{
    ++m_count;
    const std::optional<Money> money = Money::parse(amount);
    const std::optional<Money> sum = money ? Money::checkedAdd(m_total, *money) : std::nullopt;
    if (sum)
        m_total = *sum;
    else
        m_overflow = true;
}

QString LineTotals::headerProblem(const Header& header) const
{
    if (header.count && *header.count != m_count)
        return u"文件头记录数（%1）与明细记录数（%2）不符，文件导入被中止"_s.arg(*header.count).arg(m_count);
    if (header.total && (m_overflow || *header.total != m_total))
        return u"文件头合计金额（%1）与明细合计金额（%2）不符，文件导入被中止"_s.arg(
            header.total->toPlainText(), m_overflow ? u"超出范围"_s : m_total.toPlainText());
    return {};
}

bool hasControlCharacter(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 && c != u'\t'; });
}

QString controlCharacterProblem(const QString& field)
{
    return u"条记录中的"_s + field + u"含有控制字符，文件导入被中止"_s;
}

QString withoutMark(QStringView field)
{
    QStringView f = field.trimmed();
    if (f.startsWith(u'#'))
        f = f.sliced(1).trimmed();
    return f.toString();
}

QString recordMessage(qsizetype number, const QString& text)
{
    return u"第"_s + QString::number(number) + text;
}

} // namespace ImportText
