#include "common/Workbook.h"

#include "common/TextFile.h"

#include <QFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

// BIFF8 record identifiers.
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kStyle = 0x0293;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kWindow2 = 0x023E;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kRString = 0x00D6;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kString = 0x0207;

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kBiff5 = 0x0500;
constexpr std::uint16_t kGlobalsType = 0x0005;

// Longest record body BIFF8 allows; longer data goes on in CONTINUE records.
constexpr std::size_t kMaxRecordBody = 8224;
// The largest file the reader accepts. Real workbooks stay far below; the limit
// keeps memory bounded whatever a file claims.
constexpr qint64 kMaxFileSize = 512LL * 1024 * 1024;
// Sheet limits of the format.
constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
constexpr int kMaxCellText = 32767;

inline std::uint16_t u16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint32_t u32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline double f64(const std::uint8_t* p)
{
    std::uint64_t bits = std::uint64_t(u32(p)) | (std::uint64_t(u32(p + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Error texts. Callers show their own file-error message; these say why.
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

struct Record {
    std::uint16_t id = 0;
    const std::uint8_t* body = nullptr;
    std::uint32_t size = 0;
};

// Walks the records of a workbook stream. Every step moves forward by at least the
// four header bytes, so a walk always ends.
class RecordWalker {
public:
    RecordWalker(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    void seek(std::size_t pos) { m_pos = pos; }
    std::size_t pos() const { return m_pos; }
    bool atEnd() const { return m_pos + 4 > m_size; }
    // Reads the record at the current position. False at the end of the stream or
    // when the record runs past it (`truncated` tells which).
    bool next(Record& record, bool& truncated)
    {
        truncated = false;
        if (atEnd())
            return false;
        const std::uint8_t* head = m_data + m_pos;
        const std::uint32_t size = u16(head + 2);
        if (m_pos + 4 + size > m_size) {
            truncated = true;
            return false;
        }
        record.id = u16(head);
        record.size = size;
        record.body = head + 4;
        m_pos += 4 + size;
        return true;
    }
    // The id of the record at the current position, or -1 at the end.
    int peekId() const { return atEnd() ? -1 : u16(m_data + m_pos); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Reads data that a record continues in CONTINUE records. Plain bytes (string
// headers, rich-text runs, phonetic data) flow across record ends; the characters
// of a string start each continuation with a fresh option byte that says whether
// they are 8-bit or 16-bit.
class ContinuedData {
public:
    void add(const std::uint8_t* data, std::size_t size) { m_parts.push_back({ data, size }); }
    bool atEnd()
    {
        settle();
        return m_part >= m_parts.size();
    }
    std::size_t totalSize() const
    {
        std::size_t total = 0;
        for (const auto& p : m_parts)
            total += p.size;
        return total;
    }

    bool readBytes(std::uint8_t* out, std::size_t n)
    {
        while (n > 0) {
            settle();
            if (m_part >= m_parts.size())
                return false;
            const Part& p = m_parts[m_part];
            const std::size_t take = std::min(n, p.size - m_offset);
            std::memcpy(out, p.data + m_offset, take);
            out += take;
            n -= take;
            m_offset += take;
        }
        return true;
    }
    bool skip(std::size_t n)
    {
        while (n > 0) {
            settle();
            if (m_part >= m_parts.size())
                return false;
            const std::size_t take = std::min(n, m_parts[m_part].size - m_offset);
            n -= take;
            m_offset += take;
        }
        return true;
    }

    // One string in the BIFF8 layout (16-bit character count, option byte,
    // optional rich-text and phonetic sizes, characters, then those extras),
    // appended to `pool`. False when the data ends early.
    bool readUnicodeString(std::vector<char16_t>& pool)
    {
        std::uint8_t head[3];
        if (!readBytes(head, 3))
            return false;
        const std::size_t count = u16(head);
        std::uint8_t flags = head[2];
        std::size_t richRuns = 0;
        std::size_t phonetic = 0;
        if (flags & 0x08) {
            std::uint8_t b[2];
            if (!readBytes(b, 2))
                return false;
            richRuns = u16(b);
        }
        if (flags & 0x04) {
            std::uint8_t b[4];
            if (!readBytes(b, 4))
                return false;
            phonetic = u32(b);
        }
        if (!readCharacters(count, flags & 0x01, pool))
            return false;
        return skip(richRuns * 4) && skip(phonetic);
    }

private:
    struct Part {
        const std::uint8_t* data;
        std::size_t size;
    };
    // Moves past exhausted parts.
    void settle()
    {
        while (m_part < m_parts.size() && m_offset >= m_parts[m_part].size) {
            ++m_part;
            m_offset = 0;
        }
    }
    bool readCharacters(std::size_t count, bool wide, std::vector<char16_t>& pool)
    {
        while (count > 0) {
            if (m_part >= m_parts.size())
                return false;
            if (m_offset >= m_parts[m_part].size) {
                // The characters go on in the next record, behind a new option byte.
                ++m_part;
                m_offset = 0;
                if (m_part >= m_parts.size() || m_parts[m_part].size == 0)
                    return false;
                wide = m_parts[m_part].data[0] & 0x01;
                m_offset = 1;
                continue;
            }
            const Part& p = m_parts[m_part];
            const std::uint8_t* src = p.data + m_offset;
            const std::size_t left = p.size - m_offset;
            const std::size_t take = std::min(count, wide ? left / 2 : left);
            if (take == 0)
                return false; // half a character before the record ends
            const std::size_t at = pool.size();
            pool.resize(at + take);
            char16_t* out = pool.data() + at;
            if (wide) {
                for (std::size_t i = 0; i < take; ++i)
                    out[i] = char16_t(src[2 * i] | (src[2 * i + 1] << 8));
                m_offset += take * 2;
            } else {
                for (std::size_t i = 0; i < take; ++i)
                    out[i] = char16_t(src[i]);
                m_offset += take;
            }
            count -= take;
        }
        return true;
    }

    std::vector<Part> m_parts;
    std::size_t m_part = 0;
    std::size_t m_offset = 0;
};

QString errorCodeText(std::uint8_t code)
{
    switch (code) {
    case 0x00:
        return u"#NULL!"_s;
    case 0x07:
        return u"#DIV/0!"_s;
    case 0x0F:
        return u"#VALUE!"_s;
    case 0x17:
        return u"#REF!"_s;
    case 0x1D:
        return u"#NAME?"_s;
    case 0x24:
        return u"#NUM!"_s;
    default:
        return u"#N/A"_s;
    }
}

// A number stored in RK form: 30 significant bits of an integer or of a double's
// high word, optionally scaled by 1/100.
double rkValue(std::uint32_t rk)
{
    double value;
    if (rk & 0x02) {
        value = double(std::int32_t(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100.0 : value;
}

} // namespace

QString workbookNumberText(double value)
{
    if (!std::isfinite(value))
        return errorCodeText(0x24);
    if (value == 0.0)
        return u"0"_s; // also -0
    char buffer[400];
    std::to_chars_result result;
    if (std::trunc(value) == value && std::fabs(value) < 9.2e18)
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    else
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return errorCodeText(0x24);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

// Turns the bytes of a workbook stream into the cells of its active sheet.
class WorkbookParser {
public:
    WorkbookParser(WorkbookReader& reader, const std::uint8_t* data, std::size_t size)
        : m_reader(reader)
        , m_size(size)
        , m_walker(data, size)
    {
    }

    bool parse()
    {
        if (!readGlobals() || !readSheet())
            return false;
        finish();
        return true;
    }

    QString error;

private:
    bool fail(const QString& text)
    {
        error = text;
        return false;
    }
    bool next(Record& record)
    {
        bool truncated = false;
        if (m_walker.next(record, truncated))
            return true;
        fail(textCorrupt(truncated ? u"记录超出数据流末尾"_s : u"数据流在结束记录之前中断"_s));
        return false;
    }
    // Collects the bodies of the CONTINUE records that follow the current one.
    void addContinues(ContinuedData& data)
    {
        Record record;
        bool truncated = false;
        while (m_walker.peekId() == kContinue && m_walker.next(record, truncated))
            data.add(record.body, record.size);
    }

    bool readGlobals()
    {
        Record bof;
        bool truncated = false;
        if (!m_walker.next(bof, truncated) || bof.id != kBof || bof.size < 4)
            return fail(textCorrupt(u"工作簿数据流不是以 BIFF8 起始记录开头"_s));
        const std::uint16_t version = u16(bof.body);
        if (version == kBiff5)
            return fail(textUnsupported(u"Excel 5.0/95 工作簿（BIFF5），只能读取 Excel 97-2003 工作簿（BIFF8）"_s));
        if (version != kBiff8)
            return fail(textUnsupported(u"未知的工作簿版本 0x%1，只能读取 Excel 97-2003 工作簿（BIFF8）"_s.arg(
                uint(version), 4, 16, QChar(u'0'))));
        if (u16(bof.body + 2) != kGlobalsType)
            return fail(textCorrupt(u"工作簿数据流不是以工作簿全局部分开头"_s));

        bool haveWindow = false;
        bool haveSst = false;
        std::uint16_t currentTab = 0;
        for (;;) {
            Record r;
            if (!next(r))
                return false;
            switch (r.id) {
            case kEof:
                if (m_sheetOffsets.empty())
                    return fail(textCorrupt(u"工作簿中没有工作表"_s));
                m_reader.m_activeSheet = currentTab < m_sheetOffsets.size() ? currentTab : 0;
                return true;
            case kFilePass:
                return fail(u"工作簿已加密，请在 Excel 中取消密码后再试"_s);
            case kWindow1:
                if (!haveWindow && r.size >= 12) {
                    haveWindow = true;
                    currentTab = u16(r.body + 10);
                }
                break;
            case kBoundSheet:
                if (r.size < 6)
                    return fail(textCorrupt(u"工作表目录记录过短"_s));
                m_sheetOffsets.push_back(u32(r.body));
                break;
            case kSst:
                if (!haveSst) {
                    haveSst = true;
                    if (!readSst(r))
                        return false;
                }
                break;
            default:
                break;
            }
        }
    }

    bool readSst(const Record& sst)
    {
        if (sst.size < 8)
            return fail(textCorrupt(u"共享字符串表过短"_s));
        ContinuedData data;
        data.add(sst.body + 8, sst.size - 8);
        addContinues(data);
        const std::uint32_t declared = u32(sst.body + 4);
        // Each string takes at least three bytes: never trust the declared count
        // further than the data can hold.
        const std::size_t bytes = data.totalSize();
        m_reader.m_spans.reserve(std::min<std::size_t>(declared, bytes / 3));
        m_reader.m_pool.reserve(bytes);
        for (std::uint32_t i = 0; i < declared && !data.atEnd(); ++i) {
            const std::size_t start = m_reader.m_pool.size();
            if (!data.readUnicodeString(m_reader.m_pool))
                return fail(textCorrupt(u"共享字符串表第 %1 项不完整"_s.arg(i + 1)));
            m_reader.m_spans.push_back({ std::uint32_t(start), std::uint32_t(m_reader.m_pool.size() - start) });
        }
        m_sstCount = m_reader.m_spans.size();
        return true;
    }

    bool readSheet()
    {
        const std::size_t offset = m_sheetOffsets[m_reader.m_activeSheet];
        if (offset >= m_size)
            return fail(textCorrupt(u"工作表位置超出数据流"_s));
        m_walker.seek(offset);
        Record bof;
        if (!next(bof))
            return false;
        if (bof.id != kBof || bof.size < 4 || u16(bof.body) != kBiff8)
            return fail(textCorrupt(u"工作表位置不指向工作表起始记录"_s));

        int depth = 1; // embedded charts bring their own BOF/EOF pairs
        bool formulaPending = false;
        std::uint32_t formulaKey = 0;
        for (;;) {
            Record r;
            if (!next(r))
                return false;
            if (r.id == kBof) {
                ++depth;
                continue;
            }
            if (r.id == kEof) {
                if (--depth == 0)
                    return true;
                continue;
            }
            if (depth != 1)
                continue;
            const std::uint8_t* b = r.body;
            switch (r.id) {
            case kLabelSst: {
                if (r.size < 10)
                    return shortRecord(u"LABELSST");
                const std::uint32_t index = u32(b + 6);
                if (index >= m_sstCount)
                    return fail(textCorrupt(u"单元格引用了不存在的共享字符串 %1"_s.arg(index)));
                addText(key(b), index);
                break;
            }
            case kLabel:
            case kRString: {
                if (r.size < 9)
                    return shortRecord(r.id == kLabel ? u"LABEL" : u"RSTRING");
                // An RSTRING's formatting runs follow its characters without the
                // option bits that announce them: read the characters only.
                std::vector<std::uint8_t> text(b + 6, b + r.size);
                if (r.id == kRString)
                    text[2] &= 0x01;
                ContinuedData data;
                data.add(text.data(), text.size());
                if (!readInlineText(data, key(b), r.id))
                    return false;
                break;
            }
            case kNumber:
                if (r.size < 14)
                    return shortRecord(u"NUMBER");
                addNumber(key(b), f64(b + 6));
                break;
            case kRk:
                if (r.size < 10)
                    return shortRecord(u"RK");
                addNumber(key(b), rkValue(u32(b + 6)));
                break;
            case kMulRk: {
                if (r.size < 6)
                    return shortRecord(u"MULRK");
                const std::uint32_t row = u16(b);
                const std::uint32_t first = u16(b + 2);
                const std::size_t count = (r.size - 6) / 6;
                if (first + count > 0x10000)
                    return fail(textCorrupt(u"MULRK 记录的列超出范围"_s));
                for (std::size_t i = 0; i < count; ++i)
                    addNumber((row << 16) | std::uint32_t(first + i), rkValue(u32(b + 4 + 6 * i + 2)));
                break;
            }
            case kBoolErr:
                if (r.size < 8)
                    return shortRecord(u"BOOLERR");
                if (b[7])
                    addError(key(b), b[6]);
                else
                    addNumber(key(b), b[6] ? 1.0 : 0.0);
                break;
            case kFormula: {
                if (r.size < 20)
                    return shortRecord(u"FORMULA");
                formulaPending = false;
                if (u16(b + 12) != 0xFFFF) {
                    addNumber(key(b), f64(b + 6));
                } else {
                    switch (b[6]) {
                    case 0: // the text follows in a STRING record
                        formulaPending = true;
                        formulaKey = key(b);
                        break;
                    case 1:
                        addNumber(key(b), b[8] ? 1.0 : 0.0);
                        break;
                    case 2:
                        addError(key(b), b[8]);
                        break;
                    default:
                        break; // an empty text: the cell stays empty
                    }
                }
                continue; // keep a pending text across shared-formula records
            }
            case kString: {
                if (!formulaPending)
                    break;
                formulaPending = false;
                ContinuedData data;
                data.add(b, r.size);
                addContinues(data);
                if (!readInlineText(data, formulaKey, r.id))
                    return false;
                continue;
            }
            default:
                break;
            }
            // A cell record between a FORMULA and its STRING ends the wait.
            if (r.id == kLabelSst || r.id == kLabel || r.id == kRString || r.id == kNumber || r.id == kRk
                || r.id == kMulRk || r.id == kBoolErr)
                formulaPending = false;
        }
    }

    bool shortRecord(QStringView name) { return fail(textCorrupt(name.toString() + u" 记录过短"_s)); }
    static std::uint32_t key(const std::uint8_t* b) { return (std::uint32_t(u16(b)) << 16) | u16(b + 2); }

    bool readInlineText(ContinuedData& data, std::uint32_t cellKey, std::uint16_t id)
    {
        const std::size_t start = m_reader.m_pool.size();
        if (!data.readUnicodeString(m_reader.m_pool)) {
            m_reader.m_pool.resize(start);
            return fail(textCorrupt(u"文本记录 0x%1 不完整"_s.arg(uint(id), 4, 16, QChar(u'0'))));
        }
        m_reader.m_spans.push_back({ std::uint32_t(start), std::uint32_t(m_reader.m_pool.size() - start) });
        addText(cellKey, std::uint32_t(m_reader.m_spans.size() - 1));
        return true;
    }

    void addText(std::uint32_t k, std::uint32_t span)
    {
        WorkbookReader::Entry e {};
        e.key = k;
        e.kind = WorkbookReader::Kind::Text;
        e.span = span;
        push(e);
    }
    void addNumber(std::uint32_t k, double value)
    {
        if (!std::isfinite(value)) {
            addError(k, 0x24);
            return;
        }
        WorkbookReader::Entry e {};
        e.key = k;
        e.kind = WorkbookReader::Kind::Number;
        e.number = value;
        push(e);
    }
    void addError(std::uint32_t k, std::uint8_t code)
    {
        WorkbookReader::Entry e {};
        e.key = k;
        e.kind = WorkbookReader::Kind::Error;
        e.code = code;
        push(e);
    }
    void push(const WorkbookReader::Entry& e)
    {
        auto& cells = m_reader.m_cells;
        if (!cells.empty() && cells.back().key >= e.key)
            m_sorted = false;
        cells.push_back(e);
    }

    // Orders the cells for lookup (a later record for the same cell wins) and
    // measures the extent of the non-empty ones.
    void finish()
    {
        auto& cells = m_reader.m_cells;
        if (!m_sorted) {
            std::stable_sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
            std::size_t out = 0;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (out > 0 && cells[out - 1].key == cells[i].key)
                    cells[out - 1] = cells[i];
                else
                    cells[out++] = cells[i];
            }
            cells.resize(out);
        }
        cells.shrink_to_fit();
        const std::uint32_t rowCount = cells.empty() ? 0 : (cells.back().key >> 16) + 1;
        m_reader.m_rowStart.assign(rowCount + 1, std::uint32_t(cells.size()));
        for (std::size_t i = cells.size(); i-- > 0;)
            m_reader.m_rowStart[cells[i].key >> 16] = std::uint32_t(i);
        for (std::uint32_t r = rowCount; r-- > 0;)
            m_reader.m_rowStart[r] = std::min(m_reader.m_rowStart[r], m_reader.m_rowStart[r + 1]);
        for (const auto& e : cells) {
            if (e.kind == WorkbookReader::Kind::Text && m_reader.m_spans[e.span].length == 0)
                continue;
            m_reader.m_lastRow = std::max(m_reader.m_lastRow, int(e.key >> 16) + 1);
            m_reader.m_lastColumn = std::max(m_reader.m_lastColumn, int(e.key & 0xFFFF) + 1);
        }
    }

    WorkbookReader& m_reader;
    std::size_t m_size;
    RecordWalker m_walker;
    std::vector<std::uint32_t> m_sheetOffsets;
    std::size_t m_sstCount = 0;
    bool m_sorted = true;
};

void WorkbookReader::clear()
{
    m_error.clear();
    m_activeSheet = 0;
    m_lastRow = 0;
    m_lastColumn = 0;
    m_pool = {};
    m_spans = {};
    m_cells = {};
    m_rowStart = {};
}

bool WorkbookReader::fail(const QString& text)
{
    clear();
    m_error = text;
    return false;
}

Result<WorkbookReader> WorkbookReader::read(const QString& path)
{
    WorkbookReader reader;
    if (!reader.open(path))
        return Failure { reader.m_error };
    return reader;
}

Result<WorkbookReader> WorkbookReader::readBytes(const QByteArray& bytes)
{
    WorkbookReader reader;
    if (!reader.openBytes(bytes))
        return Failure { reader.m_error };
    return reader;
}

bool WorkbookReader::open(const QString& path)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"无法打开文件 %1：%2"_s.arg(path, file.errorString()));
    if (file.size() > kMaxFileSize)
        return fail(textNotWorkbook(u"文件过大（%1 字节）"_s.arg(file.size())));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(u"无法读取文件 %1：%2"_s.arg(path, file.errorString()));
    return openBytes(bytes);
}

namespace {

// RAII for GObject references.
struct GObjectRef {
    gpointer object = nullptr;
    explicit GObjectRef(gpointer o = nullptr)
        : object(o)
    {
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    ~GObjectRef()
    {
        if (object)
            g_object_unref(object);
    }
};

bool startsWith(const QByteArray& bytes, const char* prefix, qsizetype n)
{
    return bytes.startsWith(QByteArrayView(prefix, n));
}

} // namespace

bool WorkbookReader::openBytes(const QByteArray& bytes)
{
    clear();
    if (bytes.isEmpty())
        return fail(textNotWorkbook(u"文件为空"_s));
    if (bytes.size() > kMaxFileSize)
        return fail(textNotWorkbook(u"文件过大（%1 字节）"_s.arg(bytes.size())));
    if (!startsWith(bytes, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        if (startsWith(bytes, "PK\x03\x04", 4))
            return fail(textUnsupported(
                u"这是 .xlsx 等 Office Open XML 文件，请在 Excel 中另存为 Excel 97-2003 工作簿（.xls）"_s));
        // Excel 2.x to 4.0 wrote bare BIFF records without a compound file.
        if (bytes.size() >= 4 && bytes[0] == '\x09' && (bytes[1] == '\x00' || bytes[1] == '\x02' || bytes[1] == '\x04'))
            return fail(textUnsupported(u"Excel 2.x–4.0 工作表，只能读取 Excel 97-2003 工作簿（BIFF8）"_s));
        return fail(textNotWorkbook(u"无法识别的文件格式（不是 OLE2 复合文档）"_s));
    }

    GObjectRef input(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()), bytes.size(), FALSE));
    GError* gerror = nullptr;
    GObjectRef ole(gsf_infile_msole_new(GSF_INPUT(input.object), &gerror));
    if (!ole.object) {
        const QString why = gerror ? QString::fromUtf8(gerror->message) : QString();
        g_clear_error(&gerror);
        return fail(textCorrupt(u"无法读取复合文档结构"_s + (why.isEmpty() ? QString() : u"（"_s + why + u"）"_s)));
    }
    g_clear_error(&gerror);

    // Stream names compare without regard to case, as in the compound file format.
    GsfInfile* infile = GSF_INFILE(ole.object);
    int workbookIndex = -1;
    bool hasBook = false;
    bool hasEncryptedPackage = false;
    const int children = gsf_infile_num_children(infile);
    for (int i = 0; i < children; ++i) {
        const char* name = gsf_infile_name_by_index(infile, i);
        if (!name)
            continue;
        if (g_ascii_strcasecmp(name, "Workbook") == 0 && workbookIndex < 0)
            workbookIndex = i;
        else if (g_ascii_strcasecmp(name, "Book") == 0)
            hasBook = true;
        else if (g_ascii_strcasecmp(name, "EncryptedPackage") == 0)
            hasEncryptedPackage = true;
    }
    if (workbookIndex < 0) {
        if (hasBook)
            return fail(textUnsupported(u"Excel 5.0/95 工作簿（BIFF5），只能读取 Excel 97-2003 工作簿（BIFF8）"_s));
        if (hasEncryptedPackage)
            return fail(u"工作簿已加密，请在 Excel 中取消密码后再试"_s);
        return fail(textNotWorkbook(u"复合文档中没有工作簿数据流"_s));
    }
    GObjectRef stream(gsf_infile_child_by_index(infile, workbookIndex));
    if (!stream.object)
        return fail(textCorrupt(u"无法打开工作簿数据流"_s));
    GsfInput* in = GSF_INPUT(stream.object);
    const gsf_off_t size = gsf_input_size(in);
    // A stream cannot be larger than the file that holds it.
    if (size < 4 || size > bytes.size())
        return fail(textCorrupt(u"工作簿数据流长度不正确"_s));
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    if (!gsf_input_read(in, static_cast<std::size_t>(size), data.data()))
        return fail(textCorrupt(u"无法读取工作簿数据流"_s));

    WorkbookParser parser(*this, data.data(), data.size());
    if (!parser.parse())
        return fail(parser.error);
    return true;
}

WorkbookCell WorkbookReader::cell(int row, int column) const
{
    if (row < 1 || column < 1 || row > 0x10000 || column > 0x10000)
        return {};
    if (std::size_t(row) >= m_rowStart.size())
        return {};
    const std::uint32_t k = (std::uint32_t(row - 1) << 16) | std::uint32_t(column - 1);
    const auto rowEnd = m_cells.begin() + m_rowStart[row];
    const auto it = std::lower_bound(m_cells.begin() + m_rowStart[row - 1], rowEnd, k,
        [](const Entry& e, std::uint32_t key) { return e.key < key; });
    if (it == rowEnd || it->key != k)
        return {};
    switch (it->kind) {
    case Kind::Text: {
        const Span& s = m_spans[it->span];
        return { QString(reinterpret_cast<const QChar*>(m_pool.data() + s.start), qsizetype(s.length)), false };
    }
    case Kind::Number:
        return { workbookNumberText(it->number), true };
    case Kind::Error:
        return { errorCodeText(it->code), false, true };
    }
    return {};
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

namespace {

// Builds a stream of BIFF records in memory.
class BiffBuffer {
public:
    std::size_t size() const { return m_data.size(); }
    const std::uint8_t* data() const { return m_data.data(); }
    void reserve(std::size_t n) { m_data.reserve(n); }

    // Starts a record; end() fills in its length.
    void begin(std::uint16_t id)
    {
        m_recordStart = m_data.size();
        put16(id);
        put16(0);
    }
    void end()
    {
        const std::size_t length = m_data.size() - m_recordStart - 4;
        m_data[m_recordStart + 2] = std::uint8_t(length);
        m_data[m_recordStart + 3] = std::uint8_t(length >> 8);
    }
    std::size_t recordStart() const { return m_recordStart; }
    std::size_t bodySize() const { return m_data.size() - m_recordStart - 4; }

    void put8(std::uint8_t v) { m_data.push_back(v); }
    void put16(std::uint16_t v)
    {
        m_data.push_back(std::uint8_t(v));
        m_data.push_back(std::uint8_t(v >> 8));
    }
    void put32(std::uint32_t v)
    {
        put16(std::uint16_t(v));
        put16(std::uint16_t(v >> 16));
    }
    void putBytes(std::initializer_list<std::uint8_t> bytes) { m_data.insert(m_data.end(), bytes); }
    void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_data[at + i] = std::uint8_t(v >> (8 * i));
    }
    // Characters of a string, 8-bit when `compressed`, else UTF-16LE.
    void putChars(const QChar* chars, std::size_t n, bool compressed)
    {
        const std::size_t at = m_data.size();
        m_data.resize(at + n * (compressed ? 1 : 2));
        std::uint8_t* out = m_data.data() + at;
        for (std::size_t i = 0; i < n; ++i) {
            const char16_t c = chars[i].unicode();
            if (compressed) {
                out[i] = std::uint8_t(c);
            } else {
                out[2 * i] = std::uint8_t(c);
                out[2 * i + 1] = std::uint8_t(c >> 8);
            }
        }
    }
    // A short string with an 8-bit length, as in FONT and BOUNDSHEET.
    void putShortString(const QString& s)
    {
        put8(std::uint8_t(s.size()));
        const bool compressed = fitsLatin1(s);
        put8(compressed ? 0 : 1);
        putChars(s.constData(), std::size_t(s.size()), compressed);
    }
    static bool fitsLatin1(const QString& s)
    {
        for (QChar c : s)
            if (c.unicode() > 0xFF)
                return false;
        return true;
    }

private:
    std::vector<std::uint8_t> m_data;
    std::size_t m_recordStart = 0;
};

void putBof(BiffBuffer& out, std::uint16_t type)
{
    out.begin(kBof);
    out.put16(kBiff8);
    out.put16(type);
    out.put16(0x0DBB); // build
    out.put16(0x07CC); // year
    out.put32(0); // file history
    out.put32(0x0006); // lowest version that can read the file
    out.end();
}

void putEof(BiffBuffer& out)
{
    out.begin(kEof);
    out.end();
}

void putFont(BiffBuffer& out)
{
    out.begin(kFont);
    out.put16(240); // 12 point, in twentieths of a point
    out.put16(0); // no italic, strike-out, outline
    out.put16(0x7FFF); // automatic colour
    out.put16(400); // normal weight
    out.put16(0); // no super/subscript
    out.put8(0); // no underline
    out.put8(0); // font family
    out.put8(134); // GB2312 character set
    out.put8(0);
    out.putShortString(u"宋体"_s);
    out.end();
}

// Extended formats: 15 style formats (the Normal style and the 14 built-in ones
// Excel expects), then the one cell format every written cell uses.
void putXfs(BiffBuffer& out)
{
    for (int i = 0; i < 15; ++i) {
        const std::uint16_t font = (i == 1 || i == 2) ? 1 : (i == 3 || i == 4) ? 2 : 0;
        out.begin(kXf);
        out.put16(font);
        out.put16(0); // General
        out.put16(0xFFF5); // locked, style format, no parent
        out.put8(0x20); // bottom aligned
        out.put8(0); // no rotation
        out.put8(0); // no indent
        out.put8(i == 0 ? 0x00 : 0xF4); // attributes the style leaves to the cell
        out.put32(0); // no borders
        out.put32(0);
        out.put16(0x20C0); // automatic pattern colours
        out.end();
    }
    out.begin(kXf);
    out.put16(0);
    out.put16(49); // "@": the cells hold text
    out.put16(0x0001); // locked, cell format of style 0
    out.put8(0x20);
    out.put8(0);
    out.put8(0);
    out.put8(0x04); // the number format differs from the style's
    out.put32(0);
    out.put32(0);
    out.put16(0x20C0);
    out.end();
}

struct ExtSstEntry {
    std::uint32_t streamPos;
    std::uint16_t recordOffset;
};

// The shared string table. A string's header (length and option byte) and its
// first character always share a record; characters that go on in a CONTINUE
// record start it with a fresh option byte; a surrogate pair is never split.
std::vector<ExtSstEntry> putSst(
    BiffBuffer& out, const std::vector<const QString*>& strings, std::uint32_t total, std::uint16_t perBucket)
{
    std::vector<ExtSstEntry> buckets;
    out.begin(kSst);
    out.put32(total);
    out.put32(std::uint32_t(strings.size()));
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const QString& s = *strings[i];
        const bool compressed = BiffBuffer::fitsLatin1(s);
        const std::size_t width = compressed ? 1 : 2;
        const std::size_t length = std::size_t(s.size());
        if (out.bodySize() + 3 + (length ? width : 0) > kMaxRecordBody) {
            out.end();
            out.begin(kContinue);
        }
        if (i % perBucket == 0)
            buckets.push_back({ std::uint32_t(out.size()), std::uint16_t(out.size() - out.recordStart()) });
        out.put16(std::uint16_t(length));
        out.put8(compressed ? 0 : 1);
        std::size_t done = 0;
        while (done < length) {
            std::size_t take = std::min(length - done, (kMaxRecordBody - out.bodySize()) / width);
            if (take < length - done && take > 0 && s[qsizetype(done + take - 1)].isHighSurrogate())
                --take;
            if (take == 0) {
                out.end();
                out.begin(kContinue);
                out.put8(compressed ? 0 : 1);
                continue;
            }
            out.putChars(s.constData() + done, take, compressed);
            done += take;
        }
    }
    out.end();
    return buckets;
}

void putExtSst(BiffBuffer& out, const std::vector<ExtSstEntry>& buckets, std::uint16_t perBucket)
{
    out.begin(kExtSst);
    out.put16(perBucket);
    for (const auto& b : buckets) {
        out.put32(b.streamPos);
        out.put16(b.recordOffset);
        out.put16(0);
    }
    out.end();
}

// Finds each distinct text once: open addressing over indices into the list of
// texts, which point into the caller's rows (they outlive the table).
class StringTable {
public:
    explicit StringTable(std::size_t expected)
    {
        std::size_t capacity = 16;
        while (capacity < expected * 2)
            capacity <<= 1;
        m_slots.assign(capacity, 0);
        m_mask = capacity - 1;
        m_strings.reserve(expected);
    }
    // The index of `text`, added when new.
    std::uint32_t add(const QString& text)
    {
        const std::u16string_view view(reinterpret_cast<const char16_t*>(text.constData()), std::size_t(text.size()));
        for (std::size_t i = std::hash<std::u16string_view> {}(view)&m_mask;; i = (i + 1) & m_mask) {
            const std::uint32_t slot = m_slots[i];
            if (slot == 0) {
                m_strings.push_back(&text);
                m_slots[i] = std::uint32_t(m_strings.size());
                return std::uint32_t(m_strings.size() - 1);
            }
            if (*m_strings[slot - 1] == text)
                return slot - 1;
        }
    }
    const std::vector<const QString*>& strings() const { return m_strings; }

private:
    std::vector<std::uint32_t> m_slots; // 0 = free, else index + 1
    std::size_t m_mask = 0;
    std::vector<const QString*> m_strings;
};

} // namespace

Result<> writeWorkbook(const QString& path, const QList<QStringList>& rows)
{
    if (rows.size() > kMaxRows)
        return Failure { u"行数超过 .xls 工作表的上限 %1"_s.arg(kMaxRows) };

    // Distinct texts in order of first use; cells refer to them by index.
    qsizetype cellCount = 0;
    for (const QStringList& row : rows)
        cellCount += std::min<qsizetype>(row.size(), kMaxColumns);
    StringTable table { std::size_t(cellCount) };
    struct CellRef {
        std::uint16_t row;
        std::uint16_t column;
        std::uint32_t string;
    };
    std::vector<CellRef> cells;
    cells.reserve(std::size_t(cellCount));
    int firstRow = -1, lastRow = -1, firstColumn = kMaxColumns, lastColumn = -1;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QString& text = row[c];
            if (text.isEmpty())
                continue;
            if (c >= kMaxColumns)
                return Failure { u"第 %1 行的列数超过 .xls 工作表的上限 %2"_s.arg(r + 1).arg(kMaxColumns) };
            if (text.size() > kMaxCellText)
                return Failure { u"第 %1 行第 %2 列的文本超过 %3 个字符"_s.arg(r + 1).arg(c + 1).arg(kMaxCellText) };
            cells.push_back({ std::uint16_t(r), std::uint16_t(c), table.add(text) });
            if (firstRow < 0)
                firstRow = int(r);
            lastRow = int(r);
            firstColumn = std::min(firstColumn, int(c));
            lastColumn = std::max(lastColumn, int(c));
        }
    }
    const std::vector<const QString*>& strings = table.strings();

    BiffBuffer book;
    std::size_t textBytes = 0;
    for (const QString* s : strings)
        textBytes += 3 + std::size_t(s->size()) * 2;
    book.reserve(1024 + textBytes + textBytes / 8000 * 5 + cells.size() * 14);

    putBof(book, kGlobalsType);
    book.begin(kCodePage);
    book.put16(1200); // UTF-16
    book.end();
    book.begin(kWindow1);
    book.putBytes({ 0x00, 0x00, 0x00, 0x00 }); // position
    book.put16(0x3A5C); // size
    book.put16(0x23BE);
    book.put16(0x0038); // horizontal and vertical scroll bars, sheet tabs
    book.put16(0); // current tab
    book.put16(0); // first visible tab
    book.put16(1); // selected tabs
    book.put16(0x0258); // tab bar width ratio
    book.end();
    for (int i = 0; i < 4; ++i)
        putFont(book);
    putXfs(book);
    book.begin(kStyle);
    book.putBytes({ 0x00, 0x80, 0x00, 0xFF }); // built-in Normal style on XF 0
    book.end();
    book.begin(kBoundSheet);
    const std::size_t sheetOffsetAt = book.size();
    book.put32(0); // patched below
    book.put8(0); // visible
    book.put8(0); // worksheet
    book.putShortString(u"Sheet1"_s);
    book.end();
    const std::uint16_t perBucket = std::uint16_t(std::max<std::size_t>(8, (strings.size() + 127) / 128));
    const auto buckets = putSst(book, strings, std::uint32_t(cells.size()), perBucket);
    putExtSst(book, buckets, perBucket);
    putEof(book);

    book.patch32(sheetOffsetAt, std::uint32_t(book.size()));
    putBof(book, 0x0010);
    book.begin(kDimensions);
    book.put32(firstRow < 0 ? 0 : std::uint32_t(firstRow));
    book.put32(firstRow < 0 ? 0 : std::uint32_t(lastRow + 1));
    book.put16(firstRow < 0 ? 0 : std::uint16_t(firstColumn));
    book.put16(firstRow < 0 ? 0 : std::uint16_t(lastColumn + 1));
    book.put16(0);
    book.end();
    for (const CellRef& c : cells) {
        book.begin(kLabelSst);
        book.put16(c.row);
        book.put16(c.column);
        book.put16(15); // the cell format
        book.put32(c.string);
        book.end();
    }
    book.begin(kWindow2);
    book.put16(0x06B6); // grid, headers, zeros, outline symbols; selected and shown
    book.put16(0); // top row
    book.put16(0); // left column
    book.put16(0x40); // automatic grid colour
    book.put16(0);
    book.put16(0); // zoom in page break preview
    book.put16(0); // normal zoom
    book.put32(0);
    book.end();
    putEof(book);

    // The whole compound file is built in memory and handed to the same atomic
    // writer as the text files: an unnamed temporary file in the target's
    // folder, linked into place only when complete. A failure, or a process
    // killed at any moment, leaves the previous file as it was and nothing
    // beside it.
    GObjectRef sink(gsf_output_memory_new());
    GsfOutput* sinkOutput = GSF_OUTPUT(sink.object);
    bool ok = true;
    {
        GObjectRef ole(gsf_outfile_msole_new(sinkOutput));
        GObjectRef stream(gsf_outfile_new_child(GSF_OUTFILE(ole.object), "Workbook", FALSE));
        ok = stream.object && gsf_output_write(GSF_OUTPUT(stream.object), book.size(), book.data());
        if (stream.object)
            ok = gsf_output_close(GSF_OUTPUT(stream.object)) && ok;
        ok = gsf_output_close(GSF_OUTPUT(ole.object)) && ok;
    }
    if (!gsf_output_is_closed(sinkOutput))
        ok = gsf_output_close(sinkOutput) && ok;
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.object));
    const gsf_off_t size = gsf_output_size(sinkOutput);
    if (!ok || !bytes || size <= 0)
        return Failure { u"无法写入文件 %1：%2"_s.arg(path, u"工作簿生成失败"_s) };
    return TextFile::writeBytesAtomically(
        path, QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size)));
}
