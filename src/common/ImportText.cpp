#include "ImportText.h"

#include "GbkCodec.h"
#include "Money.h"

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

Lines decodeInstructionLines(const QByteArray& bytes)
{
    Lines lines;
    const bool utf8 = GbkCodec::hasUtf8Bom(bytes);
    const qsizetype headerEnd = bytes.indexOf('\n', utf8 ? 3 : 0);
    if (headerEnd < 0)
        return lines;
    const QByteArray body = bytes.mid(headerEnd + 1);

    // The text is decoded in one pass. When it does not decode, the lines
    // before the failing one are decoded again on their own.
    auto decoded = utf8 ? GbkCodec::decodeUtf8(body) : GbkCodec::decode(body);
    if (!decoded) {
        const qsizetype lineStart = decoded.at() <= 0 ? 0 : body.lastIndexOf('\n', decoded.at() - 1) + 1;
        lines.badLine = 1 + body.left(lineStart).count('\n');
        const QByteArray good = body.left(lineStart);
        decoded = utf8 ? GbkCodec::decodeUtf8(good) : GbkCodec::decode(good);
    }
    if (decoded)
        lines.text = std::move(decoded).value();
    return lines;
}

const QString kNothingImported = u"原有数据保持不变，本次没有导入任何记录。"_s;

bool LineCursor::next(QStringView& line)
{
    if (m_pos >= m_text.size())
        return false;
    qsizetype end = m_text.indexOf(u'\n', m_pos);
    const qsizetype next = end < 0 ? m_text.size() : end + 1;
    if (end < 0)
        end = m_text.size();
    if (end > m_pos && m_text.at(end - 1) == u'\r')
        --end;
    line = QStringView(m_text).mid(m_pos, end - m_pos);
    m_pos = next;
    return true;
}

QString recordMessage(qsizetype number, const QString& text)
{
    return u"第"_s + QString::number(number) + text;
}

} // namespace ImportText
