#include "EmployeeListFile.h"

#include "app/ImportRunner.h"
#include "common/CsvLineWriter.h"
#include "common/FieldChecks.h"
#include "common/GbkCodec.h"
#include "common/ImportText.h"
#include "common/TextFile.h"
#include "common/TextFormat.h"
#include "common/Workbook.h"
#include "common/XmlDoc.h"
#include "common/XmlRead.h"
#include "store/DBAccess.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace EmployeeListFile {

namespace {

const QString kUngrouped = u"未分组"_s;
const QString kFileError = u"文件读写错误，导入收款人名册失败"_s;

// An empty text as null: "x = ?" then matches nothing, without a scan over
// every entry whose value is empty.
QVariant orNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

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

// ---- Import -----------------------------------------------------------------

enum class Format { Csv, Workbook, Xml };

// Writes the entries of one file inside one transaction.
class Importer {
public:
    Importer(DBAccess& db, Format format)
        : m_db(db)
        , m_format(format)
    {
    }

    // Reads the running number and the document types, inside the import's
    // transaction. The message of a failure, empty when done.
    QString prepare()
    {
        const auto last = m_db.Query(u"select max(person_no) as personNo from person_payee_acc"_s);
        const auto types = m_db.Query(u"select cert_type,cert_desc from cert_type"_s);
        if (!last || !types)
            return kFileError;
        m_nextPerson = fieldToNumberText(last->value(0, 0)).toLongLong() + 1;
        for (int r = 0; r < types->recordCount(); ++r) {
            const QString desc = fieldToText(types->value(r, 1));
            if (!m_certTypes.contains(desc))
                m_certTypes.insert(desc, fieldToText(types->value(r, 0)));
        }
        return {};
    }

    // Checks one record and writes it; the message of a refusal, empty when written.
    QString add(int number, Entry e)
    {
        if (const QString refused = check(number, e); !refused.isEmpty())
            return refused;
        return write(e);
    }

private:
    QString check(int number, const Entry& e)
    {
        if (e.accNo.isEmpty()) {
            return m_format == Format::Workbook
                ? ImportText::recordMessage(number, u"条记录中的收款账号为空，文件导入被中止"_s)
                : u"收款人名册文件中有空的账号，导入文件中止"_s;
        }
        if (e.accName.isEmpty())
            return u"收款人名册文件中有空的账户名称，导入文件中止"_s;
        // The multi-party agreement number is the one with an input limit.
        if (e.mulNetNo.size() > kMulNetNoMaxLength)
            return ImportText::recordMessage(number, u"条记录中的支付系统行号长度错误，文件导入被中止"_s);
        if (e.employeeNo.size() > 10)
            return ImportText::recordMessage(number, u"条记录中的编号格式错误，文件导入被中止"_s);
        if (!isDigitsOnly(e.accNo))
            return ImportText::recordMessage(number, u"条记录中的账号有误，文件导入被中止"_s);
        if (e.accNo.size() < 16 || e.accNo.size() > 20)
            return ImportText::recordMessage(number, u"条记录中的账号长度错误，文件导入被中止"_s);
        if (e.accName.size() > 60)
            return ImportText::recordMessage(number, u"条记录中的收款户名数据长度错误，文件导入被中止"_s);
        // Within one file an employee number or a document belongs to one account.
        if (!e.employeeNo.isEmpty()) {
            const auto seen = m_employees.constFind(e.employeeNo);
            if (seen != m_employees.cend() && seen->accNo != e.accNo)
                return ImportText::recordMessage(
                    number, u"条记录中的编号与第"_s + QString::number(seen->number) + u"条记录重复，文件导入被中止"_s);
            m_employees.insert(e.employeeNo, { number, e.accNo });
        }
        if (!e.certCode.isEmpty()) {
            const QString key = e.certDesc + u'\n' + e.certCode;
            const auto seen = m_documents.constFind(key);
            if (seen != m_documents.cend() && seen->accNo != e.accNo)
                return ImportText::recordMessage(
                    number, u"条记录中的证件与第"_s + QString::number(seen->number) + u"条记录重复，文件导入被中止"_s);
            m_documents.insert(key, { number, e.accNo });
        }
        return {};
    }

    QString write(const Entry& e)
    {
        const QString certType = m_certTypes.value(m_format == Format::Xml ? e.certDesc : QString());
        // Every entry the import replaces: the same account, employee number or document.
        const auto matches = m_db.Query(
            u"select acc_no,acc_type,net_no,mul_net_no,cert_type,cert_code from person_payee_acc"
            u" where acc_no=? or (employee_no=? and employee_no<>'') or (cert_type=? and cert_code=? and cert_code<>'')"_s,
            { e.accNo, orNull(e.employeeNo), certType, orNull(m_format == Format::Xml ? e.certCode : QString()) });
        if (!matches)
            return u"删除原纪录"_s + e.accNo + u"失败，名册导入终止，请检查后重新导入。"_s;

        QVariantList values
            = { m_nextPerson, e.group.isEmpty() ? kUngrouped : e.group, e.accNo, e.accName, e.employeeNo };
        if (m_format == Format::Xml) {
            values << e.accType << e.netNo << e.mulNetNo << certType << e.certCode;
        } else {
            values << u"0"_s << QString() << QString() << certType << QString();
        }
        QStringList removed;
        QStringList others; // removed entries under another account number
        for (int r = 0; r < matches->recordCount(); ++r) {
            const QString acc = fieldToText(matches->value(r, 0));
            removed << acc;
            if (acc != e.accNo) {
                others << acc;
            } else if (m_format != Format::Xml) {
                // What the file does not carry stays as stored for this account.
                for (int f = 1; f <= 5; ++f)
                    values[4 + f] = fieldToText(matches->value(r, f));
            }
        }
        const QString insert = u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,"
                               u"net_no,mul_net_no,cert_type,cert_code) values (?,?,?,?,?,?,?,?,?,?)"_s;
        if (removed.isEmpty()) {
            if (!m_db.Insert(insert, values))
                return u"导入收款人名册发生错误,错误记录：["_s + e.accNo + u"]"_s;
        } else if (removed.size() == 1 && others.isEmpty()) {
            // Only the entry of the same account: one statement replaces its values.
            values.append(e.accNo);
            if (!m_db.Insert(u"update person_payee_acc set person_no=?,group_no=?,acc_no=?,acc_name=?,employee_no=?,"
                             u"acc_type=?,net_no=?,mul_net_no=?,cert_type=?,cert_code=? where acc_no=?"_s,
                    values))
                return u"导入收款人名册发生错误,错误记录：["_s + e.accNo + u"]"_s;
        } else {
            // Delete and insert under a savepoint: a failed insert gives the old entries back.
            if (!m_db.Update(u"SAVEPOINT roster_record"_s))
                return u"删除原纪录"_s + e.accNo + u"失败，名册导入终止，请检查后重新导入。"_s;
            QString refused;
            if ((!others.isEmpty()
                    && !m_db.Delete(u"delete from laborage where acc_no in (select value from json_each(?))"_s,
                        { DBAccess::listParameter(others) }))
                || !m_db.Delete(u"delete from person_payee_acc where acc_no in (select value from json_each(?))"_s,
                    { DBAccess::listParameter(removed) }))
                refused = u"删除原纪录"_s + e.accNo + u"失败，名册导入终止，请检查后重新导入。"_s;
            else if (!m_db.Insert(insert, values))
                refused = u"导入收款人名册发生错误,错误记录：["_s + e.accNo + u"]"_s;
            if (!refused.isEmpty())
                m_db.Update(u"ROLLBACK TO roster_record"_s);
            m_db.Update(u"RELEASE roster_record"_s);
            if (!refused.isEmpty())
                return refused;
        }
        ++m_nextPerson;
        return {};
    }

    struct Seen {
        int number;
        QString accNo;
    };

    DBAccess& m_db;
    Format m_format;
    qlonglong m_nextPerson = 1;
    QHash<QString, QString> m_certTypes; // description -> code
    QHash<QString, Seen> m_employees;
    QHash<QString, Seen> m_documents;
};

// Runs `record` for records 0 .. count-1 inside one transaction. CSV and XML
// keep the entries written before a refused record; a workbook keeps all or
// nothing.
Result<int> run(DBAccess& db, Format format, qint64 count, const std::function<QString(Importer&, qint64)>& record)
{
    Importer importer(db, format);
    ImportRunner runner(
        db, format == Format::Workbook ? ImportRunner::Mode::AllOrNothing : ImportRunner::Mode::KeepWritten);
    runner.setPreparation([&importer] { return importer.prepare(); });
    const Result<qint64> result = runner.run(count, [&](qint64 index) { return record(importer, index); });
    if (ImportRunner::storeRefused(result))
        return Failure { u"导入收款人名册失败，数据库错误："_s + result.message() };
    if (!result)
        return result.failure();
    return static_cast<int>(result.value());
}

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

Result<int> importCsv(DBAccess& db, const QString& path)
{
    const Result<QStringList> file = TextFile::readLines(path);
    if (!file)
        return Failure { kFileError };
    const QStringList& lines = file.value();
    // Line 0 is the summary line.
    return run(db, Format::Csv, std::max<qsizetype>(lines.size() - 1, 0), [&](Importer& importer, qint64 index) {
        const int n = static_cast<int>(index) + 1;
        const QStringList fields = lines.at(n).split(u',');
        if (fields.size() < 4 || fields.at(1).trimmed().isEmpty())
            return kFileError;
        Entry e;
        e.group = fields.at(0).trimmed();
        e.accNo = fields.at(1).trimmed().mid(1).trimmed();
        e.accName = fields.at(2).trimmed();
        const QString employee = fields.at(3).trimmed();
        e.employeeNo = employee.isEmpty() ? employee : employee.mid(1).trimmed();
        return importer.add(n, e);
    });
}

Result<int> importXml(DBAccess& db, const XmlDoc& doc)
{
    const QList<XmlNode> employees = doc.descendants(u"Employee"_s);
    return run(db, Format::Xml, employees.size(), [&](Importer& importer, qint64 n) {
        const XmlNode& node = employees.at(n);
        auto field = [&node](const QString& name) { return getNodeText(node, name, QString()).trimmed(); };
        const Entry e { field(u"group_no"_s), field(u"acc_no"_s), field(u"acc_name"_s), field(u"employee_no"_s),
            field(u"acc_type"_s), field(u"net_no"_s), field(u"mul_net_no"_s), field(u"cert_type"_s),
            field(u"cert_code"_s) };
        return importer.add(static_cast<int>(n), e);
    });
}

Result<int> importWorkbook(DBAccess& db, const WorkbookReader& sheet, const Progress& progress)
{
    // The entries end at the first row whose column A is empty.
    int rows = 0;
    while (!sheet.cell(rows + 1, 1).text.trimmed().isEmpty())
        ++rows;
    const int total = sheet.lastRow();
    return run(db, Format::Workbook, rows, [&](Importer& importer, qint64 index) {
        const int r = static_cast<int>(index) + 1;
        const WorkbookCell account = sheet.cell(r, 2);
        Entry e;
        e.group = sheet.cell(r, 1).text.trimmed();
        e.accNo = account.text.trimmed();
        e.accName = sheet.cell(r, 3).text.trimmed();
        e.employeeNo = sheet.cell(r, 4).text.trimmed();
        // A number of 16 or more digits has lost its last digits in the spreadsheet program.
        if (account.isNumber && e.accNo.size() >= 16 && isDigitsOnly(e.accNo))
            return ImportText::recordMessage(r,
                u"条记录中的账号是数字格式，16位以上的数字已丢失末尾几位，"
                u"请将账号列设置为文本格式后重新填写，文件导入被中止"_s);
        QString refused = importer.add(r, e);
        if (refused.isEmpty() && progress)
            progress(r, total);
        return refused;
    });
}

} // namespace EmployeeListFile
