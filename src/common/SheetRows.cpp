#include "common/SheetRows.h"

#include "common/Workbook.h"
#include "common/XlsxReader.h"

#include <QFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <zip.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr char kOleMagic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

bool isOle(QByteArrayView head)
{
    return head.startsWith(QByteArrayView(kOleMagic, 8));
}
// A local file header, or the end record of an empty zip.
bool isZip(QByteArrayView head)
{
    return head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06");
}

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

// What the streams of a compound file say it holds. Stream names compare
// without regard to case, as in the compound file format.
WorkbookFormat oleFormat(GsfInput* input)
{
    GError* gerror = nullptr;
    GObjectRef ole(input ? gsf_infile_msole_new(input, &gerror) : nullptr);
    g_clear_error(&gerror);
    if (!ole.object)
        return WorkbookFormat::Other;
    GsfInfile* infile = GSF_INFILE(ole.object);
    bool workbook = false;
    const int children = gsf_infile_num_children(infile);
    for (int i = 0; i < children; ++i) {
        const char* name = gsf_infile_name_by_index(infile, i);
        if (!name)
            continue;
        if (g_ascii_strcasecmp(name, "EncryptionInfo") == 0)
            return WorkbookFormat::EncryptedOoxml;
        if (g_ascii_strcasecmp(name, "Workbook") == 0 || g_ascii_strcasecmp(name, "Book") == 0)
            workbook = true;
    }
    return workbook ? WorkbookFormat::Xls : WorkbookFormat::Other;
}

WorkbookFormat zipFormat(zip_t* zip)
{
    if (!zip)
        return WorkbookFormat::Other;
    WorkbookFormat format = WorkbookFormat::Other;
    if (zip_name_locate(zip, "xl/workbook.xml", ZIP_FL_NOCASE) >= 0)
        format = WorkbookFormat::Xlsx;
    else if (zip_name_locate(zip, "xl/workbook.bin", ZIP_FL_NOCASE) >= 0)
        format = WorkbookFormat::Xlsb;
    zip_discard(zip);
    return format;
}

QByteArray nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUtf8(); // GLib takes UTF-8 file names on Windows
#else
    return QFile::encodeName(path);
#endif
}

// The first bytes of the file at `path`; a failure when it cannot be read.
Result<QByteArray> headOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { u"无法打开文件 %1：%2"_s.arg(path, file.errorString()) };
    const QByteArray head = file.read(8);
    if (file.error() != QFileDevice::NoError)
        return Failure { u"无法读取文件 %1：%2"_s.arg(path, file.errorString()) };
    return head;
}

QString textEncrypted()
{
    return u"工作簿已加密，请在 Excel 中取消密码后再试"_s;
}
QString textUnknown()
{
    return u"不是 Excel 工作簿：无法识别的文件格式（既不是 .xls 也不是 .xlsx 工作簿）"_s;
}

// The rows of an .xls worksheet, from the cells the BIFF8 reader holds.
class XlsRows final : public SheetRows {
public:
    explicit XlsRows(WorkbookReader reader)
        : m_reader(std::move(reader))
    {
    }

    Result<bool> next(SheetRow& row) override
    {
        while (m_row < m_reader.lastRow()) {
            ++m_row;
            row.number = m_row;
            row.cells.clear();
            for (int c = m_reader.nextStoredColumn(m_row, 0); c > 0; c = m_reader.nextStoredColumn(m_row, c)) {
                WorkbookCell cell = m_reader.cell(m_row, c);
                if (cell.isEmpty())
                    continue;
                const SheetCell::Kind kind = cell.isError ? SheetCell::Kind::Error
                    : cell.isNumber                       ? SheetCell::Kind::Number
                                                          : SheetCell::Kind::Text;
                row.cells.push_back({ c, kind, std::move(cell.text) });
            }
            if (!row.cells.empty())
                return true;
        }
        return false;
    }
    int sheetIndex() const override { return m_reader.activeSheetIndex(); }
    WorkbookFormat format() const override { return WorkbookFormat::Xls; }

private:
    WorkbookReader m_reader;
    int m_row = 0;
};

Result<std::unique_ptr<SheetRows>> fromXls(Result<WorkbookReader> read)
{
    if (!read)
        return Failure { read.message() };
    return std::unique_ptr<SheetRows>(std::make_unique<XlsRows>(std::move(read).value()));
}

Result<std::unique_ptr<SheetRows>> fromXlsx(Result<std::unique_ptr<XlsxReader>> read)
{
    if (!read)
        return Failure { read.message() };
    return std::unique_ptr<SheetRows>(std::move(read).value());
}

} // namespace

const SheetCell* SheetRow::find(int column) const
{
    const auto at = std::lower_bound(
        cells.begin(), cells.end(), column, [](const SheetCell& c, int col) { return c.column < col; });
    return at != cells.end() && at->column == column ? &*at : nullptr;
}

QString SheetRow::text(int column) const
{
    const SheetCell* cell = find(column);
    return cell ? cell->text : QString();
}

WorkbookFormat detectWorkbookFormat(const QByteArray& bytes)
{
    if (isOle(bytes)) {
        GObjectRef input(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()), bytes.size(), FALSE));
        return oleFormat(GSF_INPUT(input.object));
    }
    if (isZip(bytes)) {
        zip_error_t error;
        zip_error_init(&error);
        zip_t* zip = nullptr;
        if (zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error)) {
            zip = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!zip)
                zip_source_free(source);
        }
        zip_error_fini(&error);
        return zipFormat(zip);
    }
    return WorkbookFormat::Other;
}

WorkbookFormat detectWorkbookFormatOfFile(const QString& path)
{
    const Result<QByteArray> head = headOf(path);
    if (!head)
        return WorkbookFormat::Other;
    if (isOle(*head)) {
        GObjectRef input(gsf_input_stdio_new(nativePath(path).constData(), nullptr));
        return oleFormat(input.object ? GSF_INPUT(input.object) : nullptr);
    }
    if (isZip(*head))
        return zipFormat(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr));
    return WorkbookFormat::Other;
}

Result<std::unique_ptr<SheetRows>> openSheet(const QString& path)
{
    const Result<QByteArray> head = headOf(path);
    if (!head)
        return Failure { head.message() };
    if (head->isEmpty())
        return Failure { u"不是 Excel 工作簿：文件为空"_s };
    if (isZip(*head))
        return fromXlsx(XlsxReader::open(path));
    if (isOle(*head)) {
        // A password-protected .xlsx is a compound file too; the .xls reader
        // tells every other compound file's story.
        if (detectWorkbookFormatOfFile(path) == WorkbookFormat::EncryptedOoxml)
            return Failure { textEncrypted() };
        return fromXls(WorkbookReader::read(path));
    }
    return Failure { textUnknown() };
}

Result<std::unique_ptr<SheetRows>> openSheetBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return Failure { u"不是 Excel 工作簿：文件为空"_s };
    if (isZip(bytes))
        return fromXlsx(XlsxReader::openBytes(bytes));
    if (isOle(bytes)) {
        if (detectWorkbookFormat(bytes) == WorkbookFormat::EncryptedOoxml)
            return Failure { textEncrypted() };
        return fromXls(WorkbookReader::readBytes(bytes));
    }
    return Failure { textUnknown() };
}
