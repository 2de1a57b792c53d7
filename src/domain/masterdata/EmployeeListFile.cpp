#include "domain/masterdata/EmployeeListFile.h"

#include "common/CsvLineWriter.h"
#include "common/FieldChecks.h"
#include "common/FieldRule.h"
#include "common/GbkCodec.h"
#include "common/ImportText.h"
#include "common/SheetRows.h"
#include "common/TextFile.h"
#include "common/TextFormat.h"
#include "common/XmlDoc.h"
#include "common/XmlRead.h"
#include "store/DBAccess.h"

#include <QHash>
#include <QLocale>

using namespace Qt::StringLiterals;
using ImportText::recordMessage;

namespace EmployeeListFile {

namespace {

const QString kFileError = u"文件读写错误，导入收款人名册失败"_s;

// ---- Export checks ----------------------------------------------------------

struct Field {
    QString name;
    QString value;
};

// The first value the XML file cannot carry, as the message to show; empty when all pass.
QString refusedValue(const QList<Entry>& entries)
{
    for (qsizetype r = 0; r < entries.size(); ++r) {
        const Entry& e = entries.at(r);
        const Field fields[] = { { u"组号"_s, e.group }, { u"账号"_s, e.accNo }, { u"户名"_s, e.accName },
            { u"编号"_s, e.employeeNo }, { u"账号行别"_s, e.accType }, { u"支付系统行号"_s, e.netNo },
            { u"多方协议号"_s, e.mulNetNo }, { u"证件类型"_s, e.certDesc }, { u"证件号码"_s, e.certCode } };
        for (const Field& f : fields) {
            const Result<QByteArray> encoded = GbkCodec::encode(f.value);
            if (!encoded)
                return u"收款人名册第"_s + QString::number(r + 1) + u"行的"_s + f.name + u"中的字符“"_s
                    + GbkCodec::characterText(f.value, encoded.at()) + u"”不能用GBK编码，导出名册失败"_s;
        }
    }
    return {};
}

const QString kExportFileError = u"文件读写错误，导出名册失败"_s;

Result<int> writeFile(const QString& path, const QStringList& lines, int records)
{
    if (!TextFile::writeLines(path, lines))
        return Failure { kExportFileError };
    return records;
}

// ---- Reading ------------------------------------------------------------------

const QString kNoEntries = u"收款人名册文件中没有记录，导入文件中止"_s;

// The names of the fields in the messages, as the export names them.
const QString kGroupName = u"组号"_s;
const QString kAccNoName = u"账号"_s;
const QString kAccNameName = u"户名"_s;
const QString kEmployeeNoName = u"编号"_s;

// The first character below U+0020 other than tab; -1 when there is none.
qsizetype controlCharacterAt(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x20 && c != u'\t')
            return i;
    }
    return -1;
}

// A cell holding an error value (#DIV/0!, #N/A, ...), or a text cell spelling
// one (as a sheet saved through a text format keeps it): neither is a group,
// account, name or employee number.
bool isErrorValue(const SheetCell& cell)
{
    static const QStringList errors
        = { u"#NULL!"_s, u"#DIV/0!"_s, u"#VALUE!"_s, u"#REF!"_s, u"#NAME?"_s, u"#NUM!"_s, u"#N/A"_s };
    return cell.isError() || (!cell.isNumber() && errors.contains(cell.text.trimmed()));
}

// The bound of a numeric rule as the settings file wrote it.
QString boundText(const QString& text, double value)
{
    return text.isEmpty() ? QString::number(value, 'g', QLocale::FloatingPointShortest) : text;
}

// The account rule of the roster screen applied to an imported account, as
// checkField applies it to the account box, and the box's maximum length: the
// own text of the refusal after "第N", or an empty text when the account passes.
QString accountRuleProblem(const QString& account, const FieldRule& rule)
{
    const QString refused = u"条记录中的账号有误，文件导入被中止"_s;
    const QString wrongLength = u"条记录中的账号长度错误，文件导入被中止"_s;
    if (account.size() > kAccNoMaxLength)
        return wrongLength;
    QString text = account;
    removeBlanks(text);
    if (rule.isAccount) {
        if (!isAccountText(text))
            return refused;
        return checkLength(text, rule.length, true) ? QString() : wrongLength;
    }
    if (rule.isNumric) {
        QString number = text;
        if (!isNumberText(number))
            return refused;
        if (!checkLength(text, rule.length, false))
            return wrongLength;
        return isInRange(
                   account, boundText(rule.minValueText, rule.minValue), boundText(rule.maxValueText, rule.maxValue))
            ? QString()
            : refused;
    }
    return checkLength(text, rule.length, false) ? QString() : wrongLength;
}

// The checks of the entries of one file, in file order: each entry on its own,
// then against the entries before it.
class EntryChecks {
public:
    // `accountRule`: the screen's account rule (CSV, workbook); none for XML,
    // whose accounts are 16 to 20 digits.
    EntryChecks(Format format, const FieldRule* accountRule)
        : m_format(format)
        , m_accountRule(accountRule)
    {
    }

    // The message of the refusal of entry `number`; empty when it passes.
    QString problem(int number, const Entry& e)
    {
        if (e.accNo.isEmpty()) {
            return m_format == Format::Workbook ? recordMessage(number, u"条记录中的收款账号为空，文件导入被中止"_s)
                                                : u"收款人名册文件中有空的账号，导入文件中止"_s;
        }
        if (e.accName.isEmpty())
            return u"收款人名册文件中有空的账户名称，导入文件中止"_s;
        const std::pair<QString, const QString*> fields[]
            = { { kGroupName, &e.group }, { kAccNoName, &e.accNo }, { kAccNameName, &e.accName },
                  { kEmployeeNoName, &e.employeeNo }, { u"账号行别"_s, &e.accType }, { u"支付系统行号"_s, &e.netNo },
                  { u"多方协议号"_s, &e.mulNetNo }, { u"证件类型"_s, &e.certDesc }, { u"证件号码"_s, &e.certCode } };
        for (const auto& [name, value] : fields) {
            if (const qsizetype at = controlCharacterAt(*value); at >= 0)
                return recordMessage(number,
                    u"条记录的"_s + name + u"中含有控制字符U+"_s
                        + u"%1"_s.arg(uint(value->at(at).unicode()), 4, 16, QChar(u'0')).toUpper()
                        + u"，文件导入被中止"_s);
        }
        // The multi-party agreement number is the one with an input limit.
        if (e.mulNetNo.size() > kMulNetNoMaxLength)
            return recordMessage(number, u"条记录中的支付系统行号长度错误，文件导入被中止"_s);
        if (e.employeeNo.size() > kEmployeeNoMaxLength)
            return recordMessage(number, u"条记录中的编号格式错误，文件导入被中止"_s);
        if (m_accountRule) {
            if (const QString problem = accountRuleProblem(e.accNo, *m_accountRule); !problem.isEmpty())
                return recordMessage(number, problem);
        } else {
            if (!isDigitsOnly(e.accNo))
                return recordMessage(number, u"条记录中的账号有误，文件导入被中止"_s);
            if (e.accNo.size() < kXmlAccNoMinLength || e.accNo.size() > kAccNoMaxLength)
                return recordMessage(number, u"条记录中的账号长度错误，文件导入被中止"_s);
        }
        if (e.accName.size() > kAccNameMaxLength)
            return recordMessage(number, u"条记录中的收款户名数据长度错误，文件导入被中止"_s);
        if ((e.carried & Entry::Kind) && e.accType != u"0"_s && e.accType != u"1"_s)
            return recordMessage(number, u"条记录中的账号行别错误，文件导入被中止"_s);
        return duplicate(number, e);
    }

private:
    // Within one file an account, an employee number or a document belongs to one entry.
    QString duplicate(int number, const Entry& e)
    {
        auto repeated = [number](const QString& what, int first) {
            return recordMessage(
                number, u"条记录中的"_s + what + u"与第"_s + QString::number(first) + u"条记录重复，文件导入被中止"_s);
        };
        if (const auto seen = m_accounts.constFind(e.accNo); seen != m_accounts.cend())
            return repeated(kAccNoName, *seen);
        if (!e.employeeNo.isEmpty()) {
            if (const auto seen = m_employees.constFind(e.employeeNo); seen != m_employees.cend())
                return repeated(kEmployeeNoName, *seen);
        }
        const bool document = (e.carried & Entry::CertType) && (e.carried & Entry::CertCode) && !e.certCode.isEmpty();
        const QString documentKey = e.certDesc + u'\n' + e.certCode;
        if (document) {
            if (const auto seen = m_documents.constFind(documentKey); seen != m_documents.cend())
                return repeated(u"证件"_s, *seen);
        }
        m_accounts.insert(e.accNo, number);
        if (!e.employeeNo.isEmpty())
            m_employees.insert(e.employeeNo, number);
        if (document)
            m_documents.insert(documentKey, number);
        return {};
    }

    Format m_format;
    const FieldRule* m_accountRule;
    QHash<QString, int> m_accounts; // value -> number of the entry that has it
    QHash<QString, int> m_employees;
    QHash<QString, int> m_documents;
};

} // namespace

QStringList xmlLines(const QList<Entry>& entries)
{
    QStringList lines;
    lines.reserve(entries.size() * 11 + 3);
    lines << u"<?xml version=\"1.0\" encoding=\"GB2312\"?>"_s << u"<EmployeeList>"_s;
    auto child = [&lines](const QString& name, const QString& value) {
        lines << u"\t\t<"_s + name + u'>' + escapeXml(value) + u"</"_s + name + u'>';
    };
    for (const Entry& e : entries) {
        lines << u"\t<Employee>"_s;
        child(u"group_no"_s, e.group);
        child(u"acc_no"_s, e.accNo);
        child(u"acc_name"_s, e.accName);
        child(u"employee_no"_s, e.employeeNo);
        child(u"acc_type"_s, e.accType);
        child(u"net_no"_s, e.netNo);
        child(u"mul_net_no"_s, e.mulNetNo);
        child(u"cert_type"_s, e.certDesc);
        child(u"cert_code"_s, e.certCode);
        lines << u"\t</Employee>"_s;
    }
    lines << u"</EmployeeList>"_s;
    return lines;
}

Result<int> exportXml(const QString& path, const QList<Entry>& entries)
{
    if (const QString refused = refusedValue(entries); !refused.isEmpty())
        return Failure { refused };
    return writeFile(path, xmlLines(entries), static_cast<int>(entries.size()));
}

Result<int> exportCsv(const QString& path, const QString& count, const QString& amount, const QList<Entry>& entries)
{
    CsvLineWriter writer({ u"组号"_s, u"账号"_s, u"户名"_s, u"编号"_s },
        { u"%1的%2中含有%3，导出名册失败"_s, u"%1的%2中的字符“%3”不能用GBK编码，导出名册失败"_s, kExportFileError },
        [](qsizetype line) { return u"收款人名册第"_s + QString::number(line + 1) + u"行"_s; });
    writer.reserve(entries.size(), 64);
    writer.addHeaderLine((count + u',' + removeCommas(formatAmount(amount.trimmed()))).toUtf8());
    for (const Entry& e : entries) {
        const QByteArray group = e.group.toUtf8();
        const QByteArray account = e.accNo.toUtf8();
        const QByteArray name = e.accName.toUtf8();
        const QByteArray employee = e.employeeNo.toUtf8();
        if (!writer.addLine({ { "", group, 0 }, { ",#", account, 1 }, { ", ", name, 2 }, { ",#", employee, 3 } }))
            break;
    }
    if (const Result<> written = writer.write(path); !written)
        return written.failure();
    return static_cast<int>(entries.size());
}

int firstRecordNumber(Format format)
{
    return format == Format::Xml ? 0 : 1;
}

ReadResult readCsv(const QByteArray& bytes, const FieldRule& accountRule)
{
    ReadResult read;
    Result<QString> decoded = GbkCodec::decodeFile(bytes);
    if (!decoded)
        return read.stopWith(kFileError);
    // A line ends at CR LF, LF or a lone CR (the line end of older systems).
    const QStringList lines = TextFile::splitLines(*decoded);
    EntryChecks checks(Format::Csv, &accountRule);
    // Line 0 is the summary line.
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QStringList fields = lines.at(n).split(u',');
        if (fields.size() < 4 || fields.at(1).trimmed().isEmpty())
            return read.stopWith(kFileError);
        Entry e;
        e.carried = 0;
        e.group = fields.at(0).trimmed();
        e.accNo = ImportText::withoutMark(fields.at(1));
        e.accName = fields.at(2).trimmed();
        e.employeeNo = ImportText::withoutMark(fields.at(3));
        if (const QString problem = checks.problem(static_cast<int>(n), e); !problem.isEmpty())
            return read.stopWith(problem);
        read.records.push_back(std::move(e));
    }
    if (read.records.empty())
        return read.stopWith(kNoEntries);
    return read;
}

ReadResult readXml(const XmlDoc& doc)
{
    ReadResult read;
    const QList<XmlNode> employees = doc.descendants(u"Employee"_s);
    EntryChecks checks(Format::Xml, nullptr);
    for (qsizetype n = 0; n < employees.size(); ++n) {
        const XmlNode& node = employees.at(n);
        Entry e;
        e.carried = 0;
        // An absent element reads as empty; `flag` records that the element is there.
        auto field = [&node, &e](const QString& name, unsigned flag = 0) {
            const XmlNode element = node.firstDescendant(name);
            if (element.isNull())
                return QString();
            e.carried |= flag;
            return element.text().trimmed();
        };
        e.group = field(u"group_no"_s);
        e.accNo = field(u"acc_no"_s);
        e.accName = field(u"acc_name"_s);
        e.employeeNo = field(u"employee_no"_s);
        e.accType = field(u"acc_type"_s, Entry::Kind);
        e.netNo = field(u"net_no"_s, Entry::NetNo);
        e.mulNetNo = field(u"mul_net_no"_s, Entry::MulNetNo);
        e.certDesc = field(u"cert_type"_s, Entry::CertType);
        e.certCode = field(u"cert_code"_s, Entry::CertCode);
        if (const QString problem = checks.problem(static_cast<int>(n), e); !problem.isEmpty())
            return read.stopWith(problem);
        read.records.push_back(std::move(e));
    }
    if (read.records.empty())
        return read.stopWith(kNoEntries);
    return read;
}

Result<ReadResult> readWorkbook(SheetRows& sheet, const FieldRule& accountRule)
{
    ReadResult read;
    EntryChecks checks(Format::Workbook, &accountRule);
    const QString names[] = { kGroupName, kAccNoName, kAccNameName, kEmployeeNoName };
    SheetRow row;
    Result<bool> more = sheet.next(row);
    // The entries end at the first row whose column A is empty; rows come
    // without the empty ones, so a gap in the numbers ends them too.
    for (int r = 1; more && *more && row.number == r && !row.text(1).trimmed().isEmpty(); more = sheet.next(row), ++r) {
        const SheetCell* cells[4];
        for (int c = 0; c < 4; ++c) {
            cells[c] = row.find(c + 1);
            if (cells[c] && isErrorValue(*cells[c]))
                return read.stopWith(recordMessage(
                    r, u"条记录的"_s + names[c] + u"是错误值“"_s + cells[c]->text.trimmed() + u"”，文件导入被中止"_s));
        }
        const auto text = [&cells](int c) { return cells[c] ? cells[c]->text.trimmed() : QString(); };
        Entry e;
        e.carried = 0;
        e.group = text(0);
        e.accNo = text(1);
        e.accName = text(2);
        e.employeeNo = text(3);
        // A number of 16 or more digits has lost its last digits in the spreadsheet program.
        if (cells[1] && cells[1]->isNumber() && e.accNo.size() >= 16 && isDigitsOnly(e.accNo))
            return read.stopWith(recordMessage(r,
                u"条记录中的账号是数字格式，16位以上的数字已丢失末尾几位，"
                u"请将账号列设置为文本格式后重新填写，文件导入被中止"_s));
        if (const QString problem = checks.problem(r, e); !problem.isEmpty())
            return read.stopWith(problem);
        read.records.push_back(std::move(e));
    }
    // A sheet that cannot be read up to the end of its entries refuses the file.
    if (!more)
        return Failure { more.message() };
    if (read.records.empty())
        return read.stopWith(kNoEntries);
    return read;
}

Result<int> write(DBAccess& db, Format format, const ReadResult& read, const Progress& progress)
{
    if (read.stopped())
        return read.stop.failure();
    using Stop = RosterTable::ImportStop::Kind;
    const RosterTable::ImportStop stop
        = RosterTable(db).importEntries(read.records, [&progress](qsizetype done, qsizetype total) {
              if (progress)
                  progress(static_cast<int>(done), static_cast<int>(total));
          });
    const qsizetype at = stop.row;
    auto accNo = [&] { return read.records.at(static_cast<size_t>(at)).accNo; };
    switch (stop.kind) {
    case Stop::None:
        return static_cast<int>(read.records.size());
    case Stop::StoreFailed:
        return Failure { u"导入收款人名册失败，数据库错误："_s + stop.storeError };
    case Stop::ReadFailed:
    case Stop::GroupReadFailed:
        return Failure { kFileError, at };
    case Stop::ReplaceFailed:
        return Failure { u"删除原纪录"_s + accNo() + u"失败，名册导入终止，请检查后重新导入。"_s, at };
    case Stop::InsertFailed:
        return Failure { u"导入收款人名册发生错误,错误记录：["_s + accNo() + u"]"_s, at };
    case Stop::GroupKind:
        return Failure { recordMessage(firstRecordNumber(format) + static_cast<int>(at),
                             u"条记录的账号行别与同组其他账户的不同，文件导入被中止"_s),
            at };
    }
    return Failure { kFileError, at };
}

} // namespace EmployeeListFile
