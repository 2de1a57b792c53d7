#include "common/GbkCodec.h"

#include <unicode/ucnv.h>

#include <algorithm>
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

// Opening a converter costs more than converting a short text, so every
// thread keeps the strict converters it has used and lends them out again.
struct ConverterPool {
    std::vector<std::pair<const char*, UConverter*>> idle;
    ~ConverterPool()
    {
        for (const auto& entry : idle)
            ucnv_close(entry.second);
    }
};
thread_local ConverterPool pool;

// Gives a borrowed converter back to the thread's pool when it is done with.
struct ConverterReturn {
    const char* name = nullptr;
    void operator()(UConverter* c) const
    {
        if (pool.idle.size() < 4)
            pool.idle.emplace_back(name, c);
        else
            ucnv_close(c);
    }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterReturn>;

// A converter that stops at the first character or byte sequence it cannot
// convert, and never uses fallback mappings (which would not read back). It is
// in its initial state; a nested call gets a converter of its own.
ConverterPtr openStrict(const char* name)
{
    for (auto it = pool.idle.begin(); it != pool.idle.end(); ++it) {
        if (it->first == name) {
            UConverter* converter = it->second;
            pool.idle.erase(it);
            ucnv_reset(converter);
            return ConverterPtr(converter, ConverterReturn { name });
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    UConverter* opened = ucnv_open(name, &status);
    if (U_FAILURE(status) || !opened) {
        if (opened)
            ucnv_close(opened);
        return ConverterPtr(nullptr, ConverterReturn { name });
    }
    ConverterPtr converter(opened, ConverterReturn { name });
    ucnv_setFallback(converter.get(), false);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) {
        ucnv_close(converter.release());
        return ConverterPtr(nullptr, ConverterReturn { name });
    }
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

namespace {
// Whether each UTF-16 code unit outside the surrogates can be written in GBK
// on its own. GBK is stateless and holds no character beyond the BMP, so a
// text can be written exactly when every one of its code units can. The table
// is made once by encoding all of them.
const std::vector<bool>& encodableUnits()
{
    static const std::vector<bool> table = [] {
        QString all;
        all.reserve(0x10000 - 0x800);
        for (char32_t c = 0; c < 0x10000; ++c)
            if (!QChar::isSurrogate(c))
                all.append(QChar(char16_t(c)));
        std::vector<bool> encodable(0x10000, false);
        for (qsizetype i = 0; i < all.size(); ++i)
            encodable[all.at(i).unicode()] = true;
        QByteArray ignored;
        encodeAll(all, ignored, [&](qsizetype index, qsizetype length, QByteArray&) {
            if (length <= 0) // no converter: nothing counts as encodable
                std::fill(encodable.begin(), encodable.end(), false);
            else
                encodable[all.at(index).unicode()] = false;
            return length > 0;
        });
        return encodable;
    }();
    return table;
}
} // namespace

bool canEncode(const QString& text)
{
    const std::vector<bool>& encodable = encodableUnits();
    for (const QChar c : text)
        if (c.isSurrogate() || !encodable[c.unicode()])
            return false;
    return true;
}

qsizetype firstUnencodableUtf8(QByteArrayView utf8)
{
    const std::vector<bool>& encodable = encodableUnits();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const qsizetype n = utf8.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // Two or three bytes reach every BMP character; GBK has none beyond it.
        char32_t c = 0;
        qsizetype length = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            c = b & 0x1F;
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            c = b & 0x0F;
            length = 3;
        } else {
            return i;
        }
        if (i + length > n)
            return i;
        for (qsizetype k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return i;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms and surrogates are not UTF-8 characters.
        if ((length == 3 && c < 0x800) || QChar::isSurrogate(c) || !encodable[c])
            return i;
        i += length;
    }
    return -1;
}

Result<QByteArray> encodeUtf8(QByteArrayView utf8)
{
    if (const qsizetype bad = firstUnencodableUtf8(utf8); bad >= 0) {
        const QString character
            = QString::fromUtf8(utf8.sliced(bad).first(std::min<qsizetype>(3, utf8.size() - bad))).left(1);
        return Failure { u"第%1字节起的字符“%2”不能用GBK编码"_s.arg(bad + 1).arg(character), bad };
    }
    if (utf8.isEmpty())
        return QByteArray();
    ConverterPtr gbk = openStrict(kGbkName);
    ConverterPtr source = openStrict(kUtf8Name);
    if (!gbk || !source)
        return Failure { u"无法打开字符集转换器 %1"_s.arg(QString::fromLatin1(kGbkName)), 0 };
    // Every character passed the check above: GBK needs at most as many bytes
    // as UTF-8 for it (two for three, one for one; two-byte UTF-8 characters
    // take two GBK bytes at the most).
    QByteArray out(utf8.size(), Qt::Uninitialized);
    char* target = out.data();
    const char* input = utf8.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_convertEx(gbk.get(), source.get(), &target, out.data() + out.size(), &input, utf8.data() + utf8.size(),
        nullptr, nullptr, nullptr, nullptr, true, true, &status);
    if (U_FAILURE(status))
        return Failure { u"第%1字节起的内容无法转换为GBK编码"_s.arg(input - utf8.data() + 1), input - utf8.data() };
    out.resize(target - out.data());
    return out;
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
