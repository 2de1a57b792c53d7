#include "GbkCodec.h"

#include <unicode/ucnv.h>

#include <limits>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace GbkCodec {
namespace {

// ICU's "GBK" is the Windows code page 936 (windows-936-2000): it carries the
// euro sign as the single byte 0x80, which the GB2312 tables lack.
constexpr const char* kGbkName = "GBK";
constexpr const char* kUtf8Name = "UTF-8";

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// A converter that stops at the first character or byte sequence it cannot
// convert, and never uses fallback mappings (which would not read back).
ConverterPtr openStrict(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name, &status));
    if (U_FAILURE(status) || !converter)
        return {};
    ucnv_setFallback(converter.get(), false);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    return converter;
}

// Private-use characters other than those of GBK's three user-defined areas
// (AAA1-AFFE, F8A1-FEFE, A140-A7A0), which code page 936 maps to U+E000..U+E765
// and back. The rest (the unassigned cells code page 936 also maps into private
// use, and the stray byte 0xFF) have no agreed meaning.
bool isPrivateUse(char16_t c)
{
    return c > 0xE765 && c <= 0xF8FF;
}

char32_t characterAt(const QString& text, qsizetype index, qsizetype length)
{
    const char16_t first = text.at(index).unicode();
    if (length == 2 && index + 1 < text.size())
        return QChar::surrogateToUcs4(first, text.at(index + 1).unicode());
    return first;
}

// Encodes text[from, to) and appends the bytes to `out`. Returns -1 when the
// whole run was encoded, else the index of the character the converter refused
// (its length in UTF-16 units in `badLength`); the bytes before it are appended.
qsizetype encodeRun(
    UConverter* converter, const QString& text, qsizetype from, qsizetype to, QByteArray& out, qsizetype& badLength)
{
    const UChar* begin = reinterpret_cast<const UChar*>(text.utf16());
    const UChar* source = begin + from;
    const UChar* sourceLimit = begin + to;
    ucnv_resetFromUnicode(converter);
    while (true) {
        // GBK needs at most two bytes for one UTF-16 unit.
        const qsizetype oldSize = out.size();
        const qsizetype room = 2 * (sourceLimit - source) + 16;
        out.resize(oldSize + room);
        char* target = out.data() + oldSize;
        char* const targetStart = target;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(converter, &target, targetStart + room, &source, sourceLimit, nullptr, true, &status);
        out.resize(oldSize + (target - targetStart));
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_SUCCESS(status))
            return -1;
        UChar invalid[8];
        int8_t invalidLength = sizeof invalid / sizeof invalid[0];
        UErrorCode infoStatus = U_ZERO_ERROR;
        ucnv_getInvalidUChars(converter, invalid, &invalidLength, &infoStatus);
        if (U_FAILURE(infoStatus) || invalidLength <= 0)
            invalidLength = 1;
        badLength = invalidLength;
        const qsizetype consumed = source - begin;
        return qMax(from, consumed - invalidLength);
    }
}

// Encodes the whole text. For every character that cannot be written (a private
// use character, or one GBK lacks), calls onRefused(index, length, out); when it
// returns false, encoding stops and false is returned.
template <typename OnRefused> bool encodeAll(const QString& text, QByteArray& out, OnRefused onRefused)
{
    ConverterPtr converter = openStrict(kGbkName);
    if (!converter)
        return onRefused(qsizetype(0), qsizetype(0), out);
    out.reserve(text.size() * 2);
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && !isPrivateUse(text.at(end).unicode()))
            ++end;
        while (pos < end) {
            qsizetype badLength = 1;
            const qsizetype bad = encodeRun(converter.get(), text, pos, end, out, badLength);
            if (bad < 0) {
                pos = end;
                break;
            }
            if (!onRefused(bad, badLength, out))
                return false;
            pos = bad + badLength;
        }
        if (end < n) {
            if (!onRefused(end, qsizetype(1), out))
                return false;
            pos = end + 1;
        }
    }
    return true;
}

// Decodes with the named converter. Returns the text, or a failure at the
// offset of the first byte the converter refused.
Result<QString> decodeWith(const char* name, const QByteArray& bytes, qsizetype offsetBase)
{
    ConverterPtr converter = openStrict(name);
    if (!converter)
        return Failure { u"无法打开字符集转换器 %1"_s.arg(QString::fromLatin1(name)), offsetBase };
    // Neither GBK nor UTF-8 yields more UTF-16 units than there are bytes.
    QString out(bytes.size(), Qt::Uninitialized);
    UChar* const targetStart = reinterpret_cast<UChar*>(out.data());
    UChar* target = targetStart;
    const char* source = bytes.constData();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, targetStart + out.size(), &source, bytes.constData() + bytes.size(),
        nullptr, true, &status);
    if (U_FAILURE(status)) {
        char invalid[8];
        int8_t invalidLength = sizeof invalid;
        UErrorCode infoStatus = U_ZERO_ERROR;
        ucnv_getInvalidChars(converter.get(), invalid, &invalidLength, &infoStatus);
        if (U_FAILURE(infoStatus) || invalidLength < 0)
            invalidLength = 0;
        const qsizetype offset = offsetBase + qMax<qsizetype>(0, (source - bytes.constData()) - invalidLength);
        return Failure { u"第%1字节起的内容不是有效的%2编码"_s.arg(offset + 1).arg(QString::fromLatin1(name)), offset };
    }
    out.resize(target - targetStart);
    return out;
}

// Byte offset in `bytes` of the GBK sequence that decoded to text unit `index`.
qsizetype gbkOffsetOf(const QByteArray& bytes, qsizetype index)
{
    ConverterPtr converter = openStrict(kGbkName);
    std::vector<UChar> units(static_cast<size_t>(bytes.size()) + 1);
    std::vector<int32_t> offsets(units.size());
    UChar* target = units.data();
    const char* source = bytes.constData();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, units.data() + units.size(), &source, bytes.constData() + bytes.size(),
        offsets.data(), true, &status);
    return index < target - units.data() ? offsets[static_cast<size_t>(index)] : 0;
}

} // namespace

QString characterText(const QString& text, qsizetype position)
{
    if (position < 0 || position >= text.size())
        return {};
    const qsizetype length
        = position + 1 < text.size() && text.at(position).isHighSurrogate() && text.at(position + 1).isLowSurrogate()
        ? 2
        : 1;
    return text.mid(position, length);
}

Result<QByteArray> encode(const QString& text)
{
    QByteArray bytes;
    qsizetype refused = -1;
    const bool ok = encodeAll(text, bytes, [&](qsizetype index, qsizetype, QByteArray&) {
        refused = index;
        return false;
    });
    if (ok)
        return bytes;
    return Failure { u"第%1个字符“%2”不能用GBK编码"_s.arg(refused + 1).arg(characterText(text, refused)), refused };
}

QByteArray encodeWithCharacterReferences(const QString& text)
{
    QByteArray out;
    encodeAll(text, out, [&](qsizetype index, qsizetype length, QByteArray& bytes) {
        if (length <= 0)
            return false;
        const char32_t c = characterAt(text, index, length);
        bytes += "&#x" + QByteArray::number(static_cast<uint>(c), 16).toUpper() + ';';
        return true;
    });
    return out;
}

bool canEncode(const QString& text)
{
    QByteArray ignored;
    return encodeAll(text, ignored, [](qsizetype, qsizetype, QByteArray&) { return false; });
}

Result<QString> decode(const QByteArray& bytes)
{
    Result<QString> result = decodeWith(kGbkName, bytes, 0);
    if (!result)
        return result;
    const QString& text = result.value();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isPrivateUse(text.at(i).unicode())) {
            const qsizetype offset = gbkOffsetOf(bytes, i);
            return Failure { u"第%1字节起的内容不是有效的GBK编码"_s.arg(offset + 1), offset };
        }
    }
    return result;
}

Result<QString> decodeUtf8(const QByteArray& bytes)
{
    return decodeWith(kUtf8Name, bytes, 0);
}

bool hasUtf8Bom(const QByteArray& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

Result<QString> decodeFile(const QByteArray& bytes)
{
    if (hasUtf8Bom(bytes))
        return decodeWith(kUtf8Name, bytes.sliced(3), 3);
    return decode(bytes);
}

} // namespace GbkCodec
