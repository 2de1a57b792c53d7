#include "common/XlsxReader.h"

#include "common/Workbook.h"

#include <QFile>
#include <QFileInfo>

#include <libxml/parser.h>
#include <libxml/xmlreader.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A package may inflate to at most this much, and to at most kMaxRatio times the
// size of the file: a real workbook stays far below both, a zip bomb does not.
constexpr quint64 kMaxInflated = 256ULL * 1024 * 1024;
constexpr quint64 kMaxRatio = 100;
// Sheet limits of the format.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// Bytes asked of the zip stream at a time while a part is parsed.
constexpr int kChunk = 64 * 1024;

// Error texts, in the words of the .xls reader.
QString textNotWorkbook(const QString& why)
{
    return u"不是 Excel 工作簿："_s + why;
}
QString textCorrupt(const QString& why)
{
    return u"工作簿已损坏："_s + why;
}
QString textUnsupported(const QString& why)
{
    return u"不支持的文件格式："_s + why;
}
QString textEncrypted()
{
    return u"工作簿已加密，请在 Excel 中取消密码后再试"_s;
}
QString textXlsb()
{
    return textUnsupported(u"Excel 二进制工作簿（.xlsb），请在 Excel 中另存为 Excel 工作簿（.xlsx）后再试"_s);
}

// SpreadsheetML and relationship namespaces: transitional, then strict.
constexpr std::string_view kMainNamespaces[] = {
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "http://purl.oclc.org/ooxml/spreadsheetml/main",
};
constexpr std::string_view kRelationshipNamespaces[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://purl.oclc.org/ooxml/officeDocument/relationships",
};

bool isMainNamespace(const char* uri)
{
    if (!uri)
        return false;
    const std::string_view u(uri);
    return u == kMainNamespaces[0] || u == kMainNamespaces[1];
}
bool isRelationshipNamespace(const char* uri)
{
    if (!uri)
        return false;
    const std::string_view u(uri);
    return u == kRelationshipNamespaces[0] || u == kRelationshipNamespaces[1];
}

// The kind of a relationship type ("worksheet", "sharedStrings", ...), or empty
// when the type is outside both relationship namespaces.
std::string_view relationshipKind(std::string_view type)
{
    for (const std::string_view ns : kRelationshipNamespaces)
        if (type.size() > ns.size() + 1 && type.substr(0, ns.size()) == ns && type[ns.size()] == '/')
            return type.substr(ns.size() + 1);
    return {};
}

bool endsWithNoCase(std::string_view s, std::string_view suffix)
{
    if (s.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i]))
            != std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    return true;
}

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The part a relationship target names: relative to the folder of `source`
// (a part name, or empty for the package root), or absolute with a leading
// slash; percent escapes decoded, "." and ".." resolved.
std::string resolveTarget(std::string_view source, std::string_view target)
{
    std::string decoded;
    for (std::size_t i = 0; i < target.size(); ++i) {
        const auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'  ? c - 'a' + 10
                : c >= 'A' && c <= 'F'  ? c - 'A' + 10
                                        : -1;
        };
        if (target[i] == '%' && i + 2 < target.size() && hex(target[i + 1]) >= 0 && hex(target[i + 2]) >= 0) {
            decoded += char(hex(target[i + 1]) * 16 + hex(target[i + 2]));
            i += 2;
        } else {
            decoded += target[i] == '\\' ? '/' : target[i];
        }
    }
    std::string path;
    if (!decoded.empty() && decoded[0] == '/') {
        path = decoded;
    } else {
        const std::size_t slash = source.rfind('/');
        path
            = std::string(slash == std::string_view::npos ? std::string_view() : source.substr(0, slash + 1)) + decoded;
    }
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& s : segments) {
        if (!out.empty())
            out += '/';
        out += s;
    }
    return out;
}

// The relationship part of `part`: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string relationshipPartOf(const std::string& part)
{
    const std::size_t slash = part.rfind('/');
    if (slash == std::string::npos)
        return "_rels/" + part + ".rels";
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

// "AB12" -> row 12, column 28. False when malformed or outside the sheet.
bool parseCellReference(std::string_view s, int& row, int& column)
{
    std::size_t i = 0;
    int c = 0;
    while (i < s.size() && i < 4 && std::isalpha(static_cast<unsigned char>(s[i]))) {
        c = c * 26 + (std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
        ++i;
    }
    if (i == 0 || c > kMaxColumns)
        return false;
    int r = 0;
    const auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), r);
    if (ec != std::errc() || end != s.data() + s.size() || i == s.size() || r < 1 || r > kMaxRows)
        return false;
    row = r;
    column = c;
    return true;
}

QString cellName(int row, int column)
{
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

enum class NumberParse { Ok, Invalid, OutOfRange };

NumberParse parseNumber(std::string_view text, double& value)
{
    std::string_view s = trimmed(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' || s.front() == '.'))
        return NumberParse::Invalid; // also refuses "inf" and "nan"
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (end != s.data() + s.size())
        return NumberParse::Invalid;
    if (ec == std::errc::result_out_of_range)
        return NumberParse::OutOfRange;
    if (ec != std::errc() || !std::isfinite(value))
        return NumberParse::Invalid;
    return NumberParse::Ok;
}

// The text of `value` rounded to the 15 significant digits spreadsheet programs
// show. Below 10^15 that is workbookNumberText of the rounded value; above it the
// number is whole and reads as its 15 digits followed by zeros, not as the
// binary value's longer digits.
QString spreadsheetNumberText(double value)
{
    if (value == 0.0)
        return u"0"_s;
    char buffer[40];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (r.ec != std::errc())
        return workbookNumberText(value);
    const std::string_view s(buffer, std::size_t(r.ptr - buffer));
    const std::size_t e = s.find('e');
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    if (exponent < 15) {
        double rounded = value;
        std::from_chars(s.data(), s.data() + s.size(), rounded);
        return workbookNumberText(rounded);
    }
    QString out;
    if (s.front() == '-')
        out += u'-';
    for (char c : s.substr(0, e))
        if (c >= '0' && c <= '9')
            out += QLatin1Char(c);
    const qsizetype digits = out.size() - (s.front() == '-' ? 1 : 0);
    out += QString(exponent + 1 - digits, u'0');
    return out;
}

// Decodes the _xHHHH_ escapes SpreadsheetML writes for characters XML cannot
// carry ("_x000D_" is a carriage return, "_x005F_" an underscore).
QString decodeEscapes(QString text)
{
    const auto hex = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= '0' && u <= '9' ? u - '0'
            : u >= 'a' && u <= 'f'  ? u - 'a' + 10
            : u >= 'A' && u <= 'F'  ? u - 'A' + 10
                                    : -1;
    };
    QString out;
    qsizetype done = 0;
    for (qsizetype i = 0; i + 7 <= text.size(); ++i) {
        if (text[i] != u'_' || (text[i + 1] != u'x' && text[i + 1] != u'X') || text[i + 6] != u'_')
            continue;
        int code = 0;
        bool ok = true;
        for (int k = 2; k < 6 && ok; ++k) {
            const int h = hex(text[i + k]);
            ok = h >= 0;
            code = code * 16 + h;
        }
        if (!ok)
            continue;
        out += QStringView(text).mid(done, i - done);
        out += QChar(char16_t(code));
        done = i + 7;
        i += 6;
    }
    if (done == 0)
        return text;
    out += QStringView(text).mid(done);
    return out;
}

QString textOf(std::string_view utf8)
{
    QString text = fromUtf8(utf8);
    if (utf8.find("_x") != std::string_view::npos || utf8.find("_X") != std::string_view::npos)
        text = decodeEscapes(std::move(text));
    return text;
}

// ---------------------------------------------------------------------------
// The zip package
// ---------------------------------------------------------------------------

class Package {
public:
    Package() = default;
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
    ~Package()
    {
        if (m_zip)
            zip_discard(m_zip);
    }

    // Opens the package; the failure's text, or empty.
    QString openFile(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return u"无法打开文件 %1：%2"_s.arg(path, file.errorString());
        m_fileSize = quint64(file.size());
        file.close();
        int code = 0;
        m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
        if (!m_zip) {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            const QString why = openFailure(&error);
            zip_error_fini(&error);
            return why;
        }
        return checkSizes();
    }
    QString openBytes(const QByteArray& bytes)
    {
        m_bytes = bytes;
        m_fileSize = quint64(bytes.size());
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
        if (source) {
            m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!m_zip)
                zip_source_free(source);
        }
        QString why = m_zip ? checkSizes() : openFailure(&error);
        zip_error_fini(&error);
        return why;
    }

    // Index of the part named `name` (without regard to case, as part names
    // compare), or -1.
    zip_int64_t locate(const std::string& name) const
    {
        if (name.empty())
            return -1;
        return zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE);
    }
    zip_t* zip() const { return m_zip; }
    quint64 declaredSize(zip_int64_t index) const { return index < qint64(m_declared.size()) ? m_declared[index] : 0; }

    // Counts bytes actually inflated; false, with the reason in `why`, once the
    // total passes the limit.
    bool inflated(quint64 n, QString& why)
    {
        m_inflated += n;
        if (m_inflated <= m_limit)
            return true;
        why = tooLarge();
        return false;
    }

private:
    static QString openFailure(zip_error_t* error)
    {
        const int code = zip_error_code_zip(error);
        const QString detail = QString::fromUtf8(zip_error_strerror(error));
        switch (code) {
        case ZIP_ER_NOZIP:
            return textCorrupt(u"ZIP 压缩包不完整或已损坏（找不到压缩包目录）"_s);
        case ZIP_ER_MULTIDISK:
            return textUnsupported(u"分卷 ZIP 压缩包"_s);
        default:
            return textCorrupt(u"ZIP 压缩包不完整或已损坏（%1）"_s.arg(detail));
        }
    }
    QString tooLarge() const
    {
        return textNotWorkbook(
            u"解压后的内容过大（超过 %1 字节，文件本身 %2 字节），不像是工作簿"_s.arg(m_limit).arg(m_fileSize));
    }
    // Sums the sizes the zip directory declares before anything is inflated.
    QString checkSizes()
    {
        m_limit = std::min(kMaxInflated, m_fileSize * kMaxRatio);
        const zip_int64_t count = zip_get_num_entries(m_zip, 0);
        if (count < 0)
            return textCorrupt(u"ZIP 压缩包目录无法读取"_s);
        m_declared.assign(std::size_t(count), 0);
        quint64 total = 0;
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(m_zip, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
                return textCorrupt(u"ZIP 压缩包目录无法读取"_s);
            m_declared[std::size_t(i)] = st.size;
            total += std::min<quint64>(st.size, kMaxInflated + 1);
            if (total > m_limit)
                return tooLarge();
        }
        return {};
    }

    QByteArray m_bytes;
    zip_t* m_zip = nullptr;
    quint64 m_fileSize = 0;
    quint64 m_limit = 0;
    quint64 m_inflated = 0;
    std::vector<quint64> m_declared;
};

// The inflated bytes of one part, as they come. Stops with an error when the
// part inflates to more than its declared size (the directory lied) or when the
// package's total passes its limit.
class PartStream {
public:
    PartStream(Package& package, zip_int64_t index, std::string name)
        : m_package(package)
        , m_name(std::move(name))
        , m_declared(package.declaredSize(index))
    {
        m_file = zip_fopen_index(package.zip(), zip_uint64_t(index), 0);
        if (!m_file) {
            zip_error_t* error = zip_get_error(package.zip());
            switch (zip_error_code_zip(error)) {
            case ZIP_ER_NOPASSWD:
            case ZIP_ER_WRONGPASSWD:
            case ZIP_ER_ENCRNOTSUPP:
                m_error = textEncrypted();
                break;
            case ZIP_ER_COMPNOTSUPP:
                m_error = textUnsupported(u"部件 %1 使用了不支持的压缩方式"_s.arg(partName()));
                break;
            default:
                m_error = textCorrupt(
                    u"部件 %1 无法读取（%2）"_s.arg(partName(), QString::fromUtf8(zip_error_strerror(error))));
                break;
            }
        }
    }
    PartStream(const PartStream&) = delete;
    PartStream& operator=(const PartStream&) = delete;
    ~PartStream()
    {
        if (m_file)
            zip_fclose(m_file);
    }

    const QString& error() const { return m_error; }
    QString partName() const { return fromUtf8(m_name); }
    const std::string& name() const { return m_name; }

    // Up to `n` bytes into `buffer`; 0 at the end, -1 on failure.
    int read(char* buffer, int n)
    {
        if (!m_file || !m_error.isEmpty())
            return -1;
        const zip_int64_t got = zip_fread(m_file, buffer, zip_uint64_t(n));
        if (got < 0) {
            m_error = textCorrupt(u"部件 %1 的压缩数据已损坏（%2）"_s.arg(
                partName(), QString::fromUtf8(zip_error_strerror(zip_file_get_error(m_file)))));
            return -1;
        }
        if (got == 0) {
            if (m_read != m_declared) {
                m_error = textCorrupt(u"部件 %1 解压后的长度与压缩包目录不符"_s.arg(partName()));
                return -1;
            }
            return 0;
        }
        m_read += quint64(got);
        if (m_read > m_declared) {
            m_error = textCorrupt(u"部件 %1 解压后的长度与压缩包目录不符"_s.arg(partName()));
            return -1;
        }
        if (!m_package.inflated(quint64(got), m_error))
            return -1;
        return int(got);
    }

private:
    Package& m_package;
    std::string m_name;
    quint64 m_declared = 0;
    quint64 m_read = 0;
    zip_file_t* m_file = nullptr;
    QString m_error;
};

// ---------------------------------------------------------------------------
// XML parts, read node by node
// ---------------------------------------------------------------------------

xmlParserInputPtr refuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}
void ignoreGenericError(void*, const char*, ...) { }
void ignoreStructuredError(void*, xmlErrorPtr) { }

class XmlPart {
public:
    explicit XmlPart(PartStream& stream)
        : m_stream(stream)
    {
        static std::once_flag once;
        std::call_once(once, [] {
            xmlInitParser();
            xmlSetExternalEntityLoader(refuseExternalEntity);
        });
        xmlSetGenericErrorFunc(nullptr, ignoreGenericError);
        xmlSetStructuredErrorFunc(nullptr, ignoreStructuredError);
        // No network, no DTD loading, no entity substitution; CDATA comes as text.
        m_reader = xmlReaderForIO(readStream, nullptr, this, stream.name().c_str(), nullptr,
            XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_COMPACT);
        if (m_reader)
            xmlTextReaderSetStructuredErrorHandler(m_reader, recordError, this);
        else
            m_error
                = stream.error().isEmpty() ? textCorrupt(u"部件 %1 无法解析"_s.arg(stream.partName())) : stream.error();
    }
    XmlPart(const XmlPart&) = delete;
    XmlPart& operator=(const XmlPart&) = delete;
    ~XmlPart()
    {
        if (m_reader)
            xmlFreeTextReader(m_reader);
    }

    const QString& error() const { return m_error; }
    bool failed() const { return !m_error.isEmpty(); }

    // Moves to the next node: true; false at the end of the document or on a
    // failure (error() tells which).
    bool read()
    {
        if (!m_reader || failed())
            return false;
        const int r = xmlTextReaderRead(m_reader);
        if (r == 1) {
            m_type = xmlTextReaderNodeType(m_reader);
            if (m_type == XML_READER_TYPE_DOCUMENT_TYPE || m_type == XML_READER_TYPE_ENTITY_REFERENCE) {
                m_error = textCorrupt(
                    u"部件 %1 含有文档类型声明（DTD），工作簿的 XML 部件不能含有"_s.arg(m_stream.partName()));
                return false;
            }
            return true;
        }
        if (r < 0 || !m_stream.error().isEmpty())
            setParseError();
        return false;
    }

    bool isElement() const { return m_type == XML_READER_TYPE_ELEMENT; }
    bool isEndElement() const { return m_type == XML_READER_TYPE_END_ELEMENT; }
    bool isText() const
    {
        return m_type == XML_READER_TYPE_TEXT || m_type == XML_READER_TYPE_CDATA || m_type == XML_READER_TYPE_WHITESPACE
            || m_type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE;
    }
    int depth() const { return xmlTextReaderDepth(m_reader); }
    bool isEmptyElement() const { return xmlTextReaderIsEmptyElement(m_reader) == 1; }
    const char* localName() const { return reinterpret_cast<const char*>(xmlTextReaderConstLocalName(m_reader)); }
    const char* namespaceUri() const { return reinterpret_cast<const char*>(xmlTextReaderConstNamespaceUri(m_reader)); }
    const char* value() const { return reinterpret_cast<const char*>(xmlTextReaderConstValue(m_reader)); }
    // True on an element of SpreadsheetML called `name`.
    bool isMain(const char* name)
    {
        const char* local = localName();
        if (!local || std::strcmp(local, name) != 0)
            return false;
        // Namespace names come from the parser's dictionary: once one has been
        // recognised, the same pointer is the same namespace.
        const char* ns = namespaceUri();
        if (ns && ns == m_mainNamespace)
            return true;
        if (!isMainNamespace(ns))
            return false;
        m_mainNamespace = ns;
        return true;
    }

    // Calls f(localName, namespaceUri, value) for each attribute of the current element.
    template <class F> void attributes(F&& f)
    {
        if (xmlTextReaderMoveToFirstAttribute(m_reader) != 1)
            return;
        do {
            const char* name = localName();
            const char* v = value();
            f(std::string_view(name ? name : ""), namespaceUri(), std::string_view(v ? v : ""));
        } while (xmlTextReaderMoveToNextAttribute(m_reader) == 1);
        xmlTextReaderMoveToElement(m_reader);
    }

    // Appends the text inside the current element and moves to its end. False
    // on a failure.
    bool readText(std::string& out)
    {
        if (isEmptyElement())
            return true;
        const int d = depth();
        while (read()) {
            if (isText() && depth() == d + 1) {
                if (const char* v = value())
                    out += v;
            } else if (isEndElement() && depth() == d) {
                return true;
            }
        }
        return fail();
    }

    // Appends the text of a string item (<si> or <is>): its <t>, or the <t> of
    // its rich-text runs, leaving out phonetic runs (<rPh>). Moves to its end.
    bool readRichText(std::string& out)
    {
        if (isEmptyElement())
            return true;
        const int d = depth();
        int skipping = -1; // depth of the <rPh> being left out
        while (read()) {
            if (isEndElement()) {
                if (depth() == d)
                    return true;
                if (depth() == skipping)
                    skipping = -1;
            } else if (isElement() && skipping < 0) {
                if (isMain("rPh")) {
                    if (!isEmptyElement())
                        skipping = depth();
                } else if (isMain("t")) {
                    if (!readText(out))
                        return false;
                }
            }
        }
        return fail();
    }

    // Ends with a failure of this part's structure.
    bool fail(const QString& why = {})
    {
        if (!failed())
            m_error = why.isEmpty() ? textCorrupt(u"部件 %1 意外结束"_s.arg(m_stream.partName())) : why;
        return false;
    }

private:
    static int readStream(void* context, char* buffer, int length)
    {
        auto* self = static_cast<XmlPart*>(context);
        const int n = self->m_stream.read(buffer, std::min(length, kChunk));
        if (n > 0 && !self->m_prologDone && !self->checkProlog(std::string_view(buffer, std::size_t(n))))
            return -1;
        return n;
    }
    // Looks through the prolog, up to the root element's start tag, for a
    // document type declaration: its entities are refused before libxml2 sees
    // them. False, with the reason set, when there is one.
    bool checkProlog(std::string_view bytes)
    {
        m_prolog.append(bytes.substr(0, std::min<std::size_t>(bytes.size(), 4096)));
        for (std::size_t i = m_prolog.find('<'); i != std::string::npos; i = m_prolog.find('<', i + 1)) {
            if (i + 9 > m_prolog.size())
                break;
            const std::string_view tag = std::string_view(m_prolog).substr(i, 9);
            if (tag == "<!DOCTYPE") {
                m_error = textCorrupt(
                    u"部件 %1 含有文档类型声明（DTD），工作簿的 XML 部件不能含有"_s.arg(m_stream.partName()));
                return false;
            }
            if (tag[1] != '?' && tag[1] != '!') {
                m_prologDone = true;
                break;
            }
        }
        if (m_prolog.size() >= 4096)
            m_prologDone = true; // a prolog this long is left to the parser
        if (m_prologDone)
            m_prolog = {};
        return true;
    }
    static void recordError(void* context, xmlErrorPtr error)
    {
        auto* self = static_cast<XmlPart*>(context);
        if (!error || error->level < XML_ERR_ERROR || !self->m_firstError.isEmpty())
            return;
        self->m_firstLine = error->line;
        self->m_firstError = QString::fromUtf8(error->message ? error->message : "").trimmed();
    }
    void setParseError()
    {
        if (failed())
            return;
        if (!m_stream.error().isEmpty())
            m_error = m_stream.error();
        else
            m_error = textCorrupt(u"部件 %1 不是格式正确的 XML（第 %2 行：%3）"_s.arg(m_stream.partName())
                                      .arg(m_firstLine)
                                      .arg(m_firstError.isEmpty() ? u"无法解析"_s : m_firstError));
    }

    PartStream& m_stream;
    const char* m_mainNamespace = nullptr;
    bool m_prologDone = false;
    std::string m_prolog;
    xmlTextReaderPtr m_reader = nullptr;
    int m_type = 0;
    QString m_error;
    QString m_firstError;
    int m_firstLine = 0;
};

// Moves to the document's root element. False, with the reason set, when there
// is none or it is not a SpreadsheetML `name`.
bool readRoot(XmlPart& xml, const char* name, const QString& partName)
{
    while (xml.read()) {
        if (!xml.isElement())
            continue;
        const char* local = xml.localName();
        if (!local || std::strcmp(local, name) != 0)
            return xml.fail(textCorrupt(u"部件 %1 的根元素不是 %2"_s.arg(partName, QString::fromLatin1(name))));
        if (!isMainNamespace(xml.namespaceUri()))
            return xml.fail(textUnsupported(u"部件 %1 使用了无法识别的命名空间 %2"_s.arg(
                partName, QString::fromUtf8(xml.namespaceUri() ? xml.namespaceUri() : ""))));
        return true;
    }
    return xml.fail(textCorrupt(u"部件 %1 中没有内容"_s.arg(partName)));
}

struct Relationship {
    std::string kind; // "worksheet", "sharedStrings", ...
    std::string target; // the part name it resolves to
};

} // namespace

// ---------------------------------------------------------------------------
// The reader
// ---------------------------------------------------------------------------

struct XlsxReader::Impl {
    Package package;
    QString sheetName;
    int sheetIndex = 0;

    // Shared strings, UTF-8 in one pool.
    std::string pool;
    std::vector<std::uint32_t> starts { 0 };

    std::unique_ptr<PartStream> sheetStream;
    std::unique_ptr<XmlPart> sheet;
    enum class State { BeforeData, InData, Done, Failed } state = State::BeforeData;
    int sheetDataDepth = 0;
    int lastRow = 0;
    QString error;
    std::string value;
    std::string inlineText;

    QString open();
    Result<bool> next(SheetRow& row);

private:
    // Parses a part with `parse(xml)`; the failure's text, or empty.
    template <class F> QString readPart(const std::string& name, F&& parse)
    {
        const zip_int64_t index = package.locate(name);
        if (index < 0)
            return textCorrupt(u"压缩包中没有部件 %1"_s.arg(fromUtf8(name)));
        PartStream stream(package, index, name);
        if (!stream.error().isEmpty())
            return stream.error();
        XmlPart xml(stream);
        if (!parse(xml) || xml.failed())
            return xml.failed() ? xml.error() : textCorrupt(u"部件 %1 无法解析"_s.arg(fromUtf8(name)));
        return {};
    }
    QString readRelationships(const std::string& source, std::map<std::string, Relationship>& out);
    QString readSharedStrings(const std::string& name);
    bool readRow(SheetRow& row);
    bool readCell(SheetRow& row, int& previousColumn);
    bool stop(const QString& why)
    {
        state = State::Failed;
        error = why;
        return false;
    }
};

QString XlsxReader::Impl::readRelationships(const std::string& source, std::map<std::string, Relationship>& out)
{
    return readPart(relationshipPartOf(source), [&](XmlPart& xml) {
        while (xml.read()) {
            if (!xml.isElement() || std::strcmp(xml.localName() ? xml.localName() : "", "Relationship") != 0)
                continue;
            std::string id, type, target;
            bool external = false;
            xml.attributes([&](std::string_view name, const char*, std::string_view v) {
                if (name == "Id")
                    id = v;
                else if (name == "Type")
                    type = v;
                else if (name == "Target")
                    target = v;
                else if (name == "TargetMode")
                    external = v == "External";
            });
            if (!external && !id.empty())
                out[id] = { std::string(relationshipKind(type)), resolveTarget(source, target) };
        }
        return !xml.failed();
    });
}

QString XlsxReader::Impl::readSharedStrings(const std::string& name)
{
    return readPart(name, [&](XmlPart& xml) {
        if (!readRoot(xml, "sst", fromUtf8(name)))
            return false;
        std::string text;
        while (xml.read()) {
            if (!xml.isElement() || xml.depth() != 1 || !xml.isMain("si"))
                continue;
            text.clear();
            if (!xml.readRichText(text))
                return false;
            if (text.find("_x") != std::string::npos || text.find("_X") != std::string::npos)
                pool += textOf(text).toStdString();
            else
                pool += text;
            starts.push_back(std::uint32_t(pool.size()));
        }
        return !xml.failed();
    });
}

QString XlsxReader::Impl::open()
{
    // The package's main part: the officeDocument relationship of the package,
    // else where every spreadsheet program puts it.
    std::string workbookPart = "xl/workbook.xml";
    if (package.locate("_rels/.rels") >= 0) {
        std::map<std::string, Relationship> root;
        if (QString why = readRelationships(std::string(), root); !why.isEmpty())
            return why;
        for (const auto& [id, rel] : root)
            if (rel.kind == "officeDocument") {
                workbookPart = rel.target;
                break;
            }
    }
    if (endsWithNoCase(workbookPart, ".bin"))
        return textXlsb();
    if (package.locate(workbookPart) < 0) {
        if (package.locate("xl/workbook.bin") >= 0)
            return textXlsb();
        return textCorrupt(u"压缩包中没有工作簿部件 %1"_s.arg(fromUtf8(workbookPart)));
    }

    struct Sheet {
        QString name;
        std::string relationship;
        bool visible = true;
    };
    std::vector<Sheet> sheets;
    int activeTab = -1;
    bool haveView = false;
    if (QString why = readPart(workbookPart,
            [&](XmlPart& xml) {
                if (!readRoot(xml, "workbook", fromUtf8(workbookPart)))
                    return false;
                while (xml.read()) {
                    if (!xml.isElement())
                        continue;
                    if (xml.isMain("workbookView") && !haveView) {
                        haveView = true;
                        xml.attributes([&](std::string_view name, const char* ns, std::string_view v) {
                            int tab = 0;
                            if (!ns && name == "activeTab"
                                && std::from_chars(v.data(), v.data() + v.size(), tab).ec == std::errc())
                                activeTab = tab;
                        });
                    } else if (xml.isMain("sheet")) {
                        Sheet sheet;
                        xml.attributes([&](std::string_view name, const char* ns, std::string_view v) {
                            if (!ns && name == "name")
                                sheet.name = fromUtf8(v);
                            else if (!ns && name == "state")
                                sheet.visible = v == "visible";
                            else if (name == "id" && isRelationshipNamespace(ns))
                                sheet.relationship = v;
                        });
                        sheets.push_back(std::move(sheet));
                    }
                }
                return !xml.failed();
            });
        !why.isEmpty())
        return why;
    if (sheets.empty())
        return textCorrupt(u"工作簿中没有工作表"_s);

    // The active sheet, else the first one shown.
    if (activeTab >= 0 && activeTab < int(sheets.size()) && sheets[std::size_t(activeTab)].visible) {
        sheetIndex = activeTab;
    } else {
        const auto shown = std::find_if(sheets.begin(), sheets.end(), [](const Sheet& s) { return s.visible; });
        sheetIndex = shown == sheets.end() ? 0 : int(shown - sheets.begin());
    }
    const Sheet& chosen = sheets[std::size_t(sheetIndex)];
    sheetName = chosen.name;

    std::map<std::string, Relationship> relationships;
    if (package.locate(relationshipPartOf(workbookPart)) < 0)
        return textCorrupt(u"压缩包中没有工作簿的关系部件 %1"_s.arg(fromUtf8(relationshipPartOf(workbookPart))));
    if (QString why = readRelationships(workbookPart, relationships); !why.isEmpty())
        return why;
    const auto rel = relationships.find(chosen.relationship);
    if (rel == relationships.end())
        return textCorrupt(u"工作表“%1”的关系 %2 不存在"_s.arg(chosen.name, fromUtf8(chosen.relationship)));
    if (rel->second.kind == "chartsheet")
        return textUnsupported(u"活动工作表“%1”是图表，没有单元格"_s.arg(chosen.name));
    const std::string sheetPart = rel->second.target;
    const zip_int64_t sheetIndexInZip = package.locate(sheetPart);
    if (sheetIndexInZip < 0)
        return textCorrupt(u"压缩包中没有工作表“%1”的部件 %2"_s.arg(chosen.name, fromUtf8(sheetPart)));

    for (const auto& [id, r] : relationships)
        if (r.kind == "sharedStrings") {
            if (QString why = readSharedStrings(r.target); !why.isEmpty())
                return why;
            break;
        }

    sheetStream = std::make_unique<PartStream>(package, sheetIndexInZip, sheetPart);
    if (!sheetStream->error().isEmpty())
        return sheetStream->error();
    sheet = std::make_unique<XmlPart>(*sheetStream);
    if (!readRoot(*sheet, "worksheet", fromUtf8(sheetPart)))
        return sheet->error();
    return {};
}

Result<bool> XlsxReader::Impl::next(SheetRow& row)
{
    if (state == State::Failed)
        return Failure { error };
    if (state == State::Done)
        return false;
    XmlPart& xml = *sheet;
    if (state == State::BeforeData) {
        for (;;) {
            if (!xml.read()) {
                if (xml.failed()) {
                    stop(xml.error());
                    return Failure { error };
                }
                state = State::Done; // a sheet without cells
                return false;
            }
            if (xml.isElement() && xml.depth() == 1 && xml.isMain("sheetData"))
                break;
        }
        if (xml.isEmptyElement()) {
            state = State::Done;
            return false;
        }
        sheetDataDepth = xml.depth();
        state = State::InData;
    }
    while (xml.read()) {
        if (xml.isEndElement() && xml.depth() == sheetDataDepth) {
            state = State::Done;
            return false;
        }
        if (xml.isElement() && xml.depth() == sheetDataDepth + 1 && xml.isMain("row")) {
            if (!readRow(row))
                return Failure { error };
            if (!row.cells.empty())
                return true;
        }
    }
    stop(xml.failed() ? xml.error() : textCorrupt(u"工作表部件意外结束"_s));
    return Failure { error };
}

bool XlsxReader::Impl::readRow(SheetRow& row)
{
    XmlPart& xml = *sheet;
    int number = 0;
    bool badNumber = false;
    xml.attributes([&](std::string_view name, const char* ns, std::string_view v) {
        if (!ns && name == "r") {
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), number);
            badNumber = ec != std::errc() || end != v.data() + v.size();
        }
    });
    if (badNumber || number > kMaxRows || number < 0)
        return stop(textCorrupt(u"工作表中的行号无法识别"_s));
    if (number == 0)
        number = lastRow + 1; // rows without a number follow the one before
    if (number <= lastRow)
        return stop(textCorrupt(u"工作表的第 %1 行出现在第 %2 行之后"_s.arg(number).arg(lastRow)));
    if (number > kMaxRows)
        return stop(textCorrupt(u"工作表的行数超过 %1"_s.arg(kMaxRows)));
    lastRow = number;
    row.number = number;
    row.cells.clear();
    if (xml.isEmptyElement())
        return true;
    const int d = xml.depth();
    int previousColumn = 0;
    while (xml.read()) {
        if (xml.isEndElement() && xml.depth() == d)
            return true;
        if (xml.isElement() && xml.depth() == d + 1 && xml.isMain("c") && !readCell(row, previousColumn))
            return false;
    }
    return stop(xml.failed() ? xml.error() : textCorrupt(u"工作表部件意外结束"_s));
}

bool XlsxReader::Impl::readCell(SheetRow& row, int& previousColumn)
{
    XmlPart& xml = *sheet;
    int cellRow = row.number;
    int column = 0;
    std::string type;
    bool badReference = false;
    std::string reference;
    xml.attributes([&](std::string_view name, const char* ns, std::string_view v) {
        if (ns)
            return;
        if (name == "r") {
            reference = v;
            badReference = !parseCellReference(v, cellRow, column);
        } else if (name == "t") {
            type = v;
        }
    });
    if (badReference)
        return stop(textCorrupt(u"单元格引用“%1”无法识别"_s.arg(fromUtf8(reference))));
    if (cellRow != row.number)
        return stop(textCorrupt(u"单元格%1不在第 %2 行中"_s.arg(fromUtf8(reference)).arg(row.number)));
    if (column == 0)
        column = previousColumn + 1; // cells without a reference follow the one before
    if (column > kMaxColumns)
        return stop(textCorrupt(u"第 %1 行的列数超过 %2"_s.arg(row.number).arg(kMaxColumns)));
    previousColumn = column;
    if (xml.isEmptyElement())
        return true;

    bool haveValue = false;
    bool haveFormula = false;
    bool haveInline = false;
    value.clear();
    inlineText.clear();
    const int d = xml.depth();
    for (;;) {
        if (!xml.read())
            return stop(xml.failed() ? xml.error() : textCorrupt(u"工作表部件意外结束"_s));
        if (xml.isEndElement() && xml.depth() == d)
            break;
        if (!xml.isElement() || xml.depth() != d + 1)
            continue;
        if (xml.isMain("v")) {
            haveValue = true;
            if (!xml.readText(value))
                return stop(xml.error());
        } else if (xml.isMain("f")) {
            haveFormula = true;
        } else if (xml.isMain("is")) {
            haveInline = true;
            if (!xml.readRichText(inlineText))
                return stop(xml.error());
        }
    }

    const auto name = [&] { return cellName(row.number, column); };
    // A formula's value is the result last computed; a program that wrote the
    // formula without computing it left nothing to read.
    const bool isString = type == "str" || type == "inlineStr";
    if (haveFormula && (!haveValue || (!isString && trimmed(value).empty())))
        return stop(u"单元格%1的公式没有计算结果，请在 Excel 中打开并保存后再试"_s.arg(name()));

    SheetCell cell;
    cell.column = column;
    if (type.empty() || type == "n") {
        if (!haveValue || trimmed(value).empty())
            return true;
        double number = 0;
        switch (parseNumber(value, number)) {
        case NumberParse::Ok:
            cell.kind = SheetCell::Kind::Number;
            cell.text = spreadsheetNumberText(number);
            break;
        case NumberParse::OutOfRange:
            cell.kind = SheetCell::Kind::Error;
            cell.text = u"#NUM!"_s;
            break;
        case NumberParse::Invalid:
            return stop(textCorrupt(u"单元格%1的数值“%2”无法识别"_s.arg(name(), fromUtf8(value))));
        }
    } else if (type == "s") {
        if (!haveValue)
            return true;
        std::uint32_t index = 0;
        const std::string_view v = trimmed(value);
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), index);
        if (ec != std::errc() || end != v.data() + v.size() || v.empty() || index + 1 >= starts.size())
            return stop(textCorrupt(u"单元格%1引用了不存在的共享字符串 %2"_s.arg(name(), fromUtf8(value))));
        cell.text = fromUtf8(std::string_view(pool).substr(starts[index], starts[index + 1] - starts[index]));
    } else if (type == "inlineStr") {
        cell.text = textOf(haveInline ? inlineText : value);
    } else if (type == "str" || type == "d") {
        cell.text = textOf(value);
    } else if (type == "b") {
        if (!haveValue)
            return true;
        const std::string_view v = trimmed(value);
        if (v == "1" || v == "true")
            cell.text = u"1"_s;
        else if (v == "0" || v == "false")
            cell.text = u"0"_s;
        else
            return stop(textCorrupt(u"单元格%1的逻辑值“%2”无法识别"_s.arg(name(), fromUtf8(value))));
        cell.kind = SheetCell::Kind::Number;
    } else if (type == "e") {
        if (!haveValue)
            return true;
        cell.kind = SheetCell::Kind::Error;
        cell.text = fromUtf8(trimmed(value));
        if (cell.text.isEmpty())
            cell.text = u"#N/A"_s;
    } else {
        return stop(textCorrupt(u"单元格%1的类型“%2”无法识别"_s.arg(name(), fromUtf8(type))));
    }
    if (cell.text.isEmpty())
        return true;

    // Cells come in column order; one out of order takes its place, and a
    // second value for the same cell replaces the first.
    auto& cells = row.cells;
    if (cells.empty() || cells.back().column < column) {
        cells.push_back(std::move(cell));
    } else {
        const auto at = std::lower_bound(
            cells.begin(), cells.end(), column, [](const SheetCell& c, int col) { return c.column < col; });
        if (at != cells.end() && at->column == column)
            *at = std::move(cell);
        else
            cells.insert(at, std::move(cell));
    }
    return true;
}

XlsxReader::XlsxReader(std::unique_ptr<Impl> impl)
    : d(std::move(impl))
{
}

XlsxReader::~XlsxReader() = default;

Result<std::unique_ptr<XlsxReader>> XlsxReader::open(const QString& path)
{
    auto impl = std::make_unique<Impl>();
    if (QString why = impl->package.openFile(path); !why.isEmpty())
        return Failure { why };
    if (QString why = impl->open(); !why.isEmpty())
        return Failure { why };
    return std::unique_ptr<XlsxReader>(new XlsxReader(std::move(impl)));
}

Result<std::unique_ptr<XlsxReader>> XlsxReader::openBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return Failure { textNotWorkbook(u"文件为空"_s) };
    auto impl = std::make_unique<Impl>();
    if (QString why = impl->package.openBytes(bytes); !why.isEmpty())
        return Failure { why };
    if (QString why = impl->open(); !why.isEmpty())
        return Failure { why };
    return std::unique_ptr<XlsxReader>(new XlsxReader(std::move(impl)));
}

Result<bool> XlsxReader::next(SheetRow& row)
{
    return d->next(row);
}

int XlsxReader::sheetIndex() const
{
    return d->sheetIndex;
}

QString XlsxReader::sheetName() const
{
    return d->sheetName;
}

QString xlsxNumberText(QByteArrayView text)
{
    double value = 0;
    if (parseNumber(std::string_view(text.data(), std::size_t(text.size())), value) != NumberParse::Ok)
        return {};
    return spreadsheetNumberText(value);
}
