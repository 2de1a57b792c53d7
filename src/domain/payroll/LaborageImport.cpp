#include "domain/payroll/LaborageImport.h"

#include "common/FieldChecks.h"
#include "common/ImportText.h"
#include "common/SheetRows.h"
#include "domain/tables/LaborageTable.h"
#include "domain/tables/RosterTable.h"
#include "store/DBAccess.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;
using ImportText::recordMessage;

namespace LaborageImport {

const QString kReadFailed = u"文件读写错误，导入代发工资文件失败"_s;

namespace {
// The roster name box takes at most 60 characters.
constexpr qsizetype kMaxNameLength = 60;
// Spreadsheet programs keep 15 significant digits of a number.
constexpr int kSpreadsheetDigits = 15;

// The plain decimal text of `value` rounded to `digits` significant digits.
QString roundedNumberText(double value, int digits)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
    if (r.ec != std::errc())
        return {};
    const std::string_view s(buffer, r.ptr - buffer);
    const std::size_t e = s.find('e');
    const bool negative = s.front() == '-';
    std::string mantissa;
    for (char c : s.substr(0, e))
        if (c >= '0' && c <= '9')
            mantissa += c;
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();
    // value = 0.mantissa * 10^(exponent + 1)
    const long long point = exponent + 1;
    std::string out;
    if (point <= 0)
        out = "0." + std::string(std::size_t(-point), '0') + mantissa;
    else if (point >= qsizetype(mantissa.size()))
        out = mantissa + std::string(std::size_t(point - qsizetype(mantissa.size())), '0');
    else
        out = mantissa.substr(0, std::size_t(point)) + '.' + mantissa.substr(std::size_t(point));
    return QString::fromLatin1((negative && out != "0" ? "-" : "") + out);
}

bool isNumeric(const QString& text)
{
    QString copy = text;
    return isNumberText(copy);
}
} // namespace

Format formatOf(const QString& path)
{
    if (path.isEmpty())
        return Format::None;
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"csv"_s)
        return Format::Csv;
    if (ext == u"xls"_s || ext == u"xlsx"_s)
        return Format::Workbook;
    return Format::Unsupported;
}

ReadResult readCsv(const QByteArray& bytes)
{
    ReadResult result;
    const ImportText::UploadLines lines = ImportText::decodeUploadFile(bytes);
    ImportText::LineTotals totals;
    qsizetype lineNo = 0; // the first instruction line is 1
    const auto stop = [&](const QString& text) -> ReadResult& { return result.stopWith(recordMessage(lineNo, text)); };
    ImportText::LineCursor cursor(lines.text);
    QStringView line;
    while (cursor.next(line)) {
        ++lineNo;
        const QList<QStringView> f = line.split(u',');
        if (f.size() < 5)
            return result.stopWith(recordMessage(lineNo, u"条记录的格式不正确，"_s) + kReadFailed);
        // Employee number and name are read but not used; a control character
        // in any of them still marks a damaged line.
        const QString employeeNo = ImportText::withoutMark(f.at(1));
        const QString name = f.at(2).trimmed().toString();
        Record r;
        r.accNo = ImportText::withoutMark(f.at(3));
        const QString amount = ImportText::withoutMark(f.at(4));
        const std::pair<QString, const QString*> fields[] = { { u"编号"_s, &employeeNo }, { u"收款户名"_s, &name },
            { u"收款账号"_s, &r.accNo }, { u"金额"_s, &amount } };
        for (const auto& [field, value] : fields)
            if (ImportText::hasControlCharacter(*value))
                return stop(ImportText::controlCharacterProblem(field));
        if (r.accNo.isEmpty())
            return stop(u"条记录中的收款账号为空，文件导入被中止"_s);
        if (const QString problem = ImportText::amountProblem(amount, &r.payAmount); !problem.isEmpty())
            return stop(problem);
        totals.add(r.payAmount);
        result.records.push_back(std::move(r));
    }
    if (lines.badLine > 0) {
        lineNo = lines.badLine;
        return stop(u"条记录中含有无法识别的字符，文件导入被中止"_s);
    }
    // A truncated download still reads line by line: the header tells.
    if (!result.records.empty())
        if (const QString problem = totals.headerProblem(ImportText::parseHeader(lines.header)); !problem.isEmpty())
            return result.stopWith(problem);
    return result;
}

QString workbookAmountText(const SheetCell* cell)
{
    if (!cell)
        return {};
    const QString text = cell->text.trimmed();
    if (!cell->isNumber())
        return text;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? roundedNumberText(value, kSpreadsheetDigits) : text;
}

Result<ReadResult> readWorkbook(SheetRows& sheet)
{
    ReadResult result;
    SheetRow row;
    // Rows come without the empty ones: a gap in the numbers is an empty row.
    Result<bool> more = sheet.next(row);
    if (!more)
        return Failure { more.message() };
    // Row 1 is a header unless its cell A is numeric; an empty row 1 is a header too.
    if (*more && row.number == 1 && !isNumeric(row.text(1).trimmed()))
        more = sheet.next(row);
    int expected = 2;
    if (*more && row.number == 1)
        expected = 1;
    QSet<QString> seen;
    for (; more; more = sheet.next(row), ++expected) {
        // The data end at the first row whose cell A is empty.
        if (!*more || row.number != expected)
            break;
        const SheetCell* account = row.find(1);
        Record rec;
        rec.accNo = account ? account->text.trimmed() : QString();
        if (rec.accNo.isEmpty())
            break;
        const int r = row.number;
        const qsizetype n = qsizetype(result.records.size()) + 1;
        const auto refuse = [&](const QString& text) -> ReadResult& { return result.stopWith(recordMessage(n, text)); };
        // An error value (#N/A, #DIV/0! ...) is what a formula gave, never what
        // the user meant to pay to or to call an employee.
        const auto errorValue = [&](const QString& field, const SheetCell* cell) {
            return u"条记录中的%1是错误值%2（工作表第%3行），文件导入被中止"_s.arg(field, cell->text).arg(r);
        };
        if (account->isError())
            return refuse(errorValue(u"收款账号"_s, account));
        if (!isNumeric(rec.accNo))
            return refuse(u"条记录中的序号格式有误，文件导入被中止"_s);
        if (!isDigitsOnly(rec.accNo))
            return refuse(u"条记录中的收款账号有误，文件导入被中止"_s);
        // A number of 16 or more digits has lost its last digits in the spreadsheet program.
        if (account->isNumber() && rec.accNo.size() >= 16)
            return refuse(u"条记录中的账号是数字格式，16位以上的数字已丢失末尾几位，"
                          u"请将账号列设置为文本格式后重新填写，文件导入被中止"_s);
        const SheetCell* name = row.find(2);
        if (name && name->isError())
            return refuse(errorValue(u"收款户名"_s, name));
        rec.accName = name ? name->text.trimmed() : QString();
        if (ImportText::hasControlCharacter(rec.accName))
            return refuse(ImportText::controlCharacterProblem(u"收款户名"_s));
        if (rec.accName.isEmpty() || rec.accName.size() > kMaxNameLength)
            return refuse(u"条记录中的收款户名数据长度错误，文件导入被中止"_s);
        const SheetCell* amount = row.find(3);
        if (amount && amount->isError())
            return refuse(errorValue(u"金额"_s, amount));
        if (const QString problem = ImportText::amountProblem(workbookAmountText(amount), &rec.payAmount);
            !problem.isEmpty())
            return refuse(problem);
        if (seen.contains(rec.accNo))
            return refuse(u"条记录中的收款账号已经存在，文件导入被中止"_s);
        seen.insert(rec.accNo);
        result.records.push_back(std::move(rec));
    }
    // A sheet that cannot be read up to the end of its data refuses the file.
    if (!more)
        return Failure { more.message() };
    return result;
}

namespace {
// Turns the records into rows of table laborage inside the import's
// transaction, adding unknown workbook accounts to the roster on the way.
class Writer {
public:
    Writer(DBAccess& db, const ReadResult& read, Format format)
        : m_db(db)
        , m_read(read)
        , m_workbook(format == Format::Workbook)
    {
    }

    // After the clearing: what the records are checked against and numbered from.
    QString load()
    {
        const auto serial = LaborageTable(m_db).nextSerialNo();
        RosterTable roster(m_db);
        const auto person = roster.nextPersonNo();
        if (!serial || !person)
            return kReadFailed;
        m_nextSerial = *serial;
        m_nextPerson = *person;
        auto otherBank = roster.otherBankByAccount();
        if (!otherBank)
            return kReadFailed;
        m_otherBank = std::move(*otherBank);
        if (m_workbook) {
            auto accounts = LaborageTable(m_db).accounts();
            if (!accounts)
                return kReadFailed;
            m_instructed = std::move(*accounts);
        }
        return {};
    }

    // The row of record `index`, or the message that stops the import.
    QString add(qint64 index)
    {
        const Record& r = m_read.records[size_t(index)];
        const qsizetype n = index + 1;
        const auto roster = m_otherBank.constFind(r.accNo);
        if (roster == m_otherBank.cend() && !m_workbook)
            return u"代发工资名册中未包含关于账户"_s + r.accNo
                + u"的信息，请先于“代发工资名册维护”功能节点添加该账户。"_s;
        if (roster != m_otherBank.cend() && roster.value())
            return recordMessage(
                n, u"条记录中的收款账号在代发工资名册中为他行账户，代发工资只能付往本行账户，文件导入被中止"_s);
        if (m_workbook) {
            if (m_instructed.contains(r.accNo))
                return recordMessage(n, u"条记录中的收款账号已经存在，文件导入被中止"_s);
            m_instructed.insert(r.accNo);
            if (roster == m_otherBank.cend()) {
                if (!RosterTable(m_db).addUngroupedInBank(m_nextPerson, r.accNo, r.accName))
                    return u"添加员工工资表"_s
                        + recordMessage(n, u"条记录中的账户到代发工资名册时发生错误，文件导入被中止"_s);
                m_otherBank.insert(r.accNo, false);
                ++m_nextPerson;
            }
        }
        // A workbook row gets no remark (null); a CSV row an empty one.
        m_rows.push_back({ m_nextSerial, r.accNo, r.payAmount, u"0"_s, QString(),
            m_workbook ? std::nullopt : std::optional<QString>(QString()) });
        ++m_nextSerial;
        return {};
    }
    const std::vector<LaborageRow>& rows() const { return m_rows; }
    // The message for a row the store refused.
    QString insertFailed(qsizetype n) const
    {
        return m_workbook
            ? u"添加员工工资表"_s + recordMessage(n, u"条记录中的收款账户信息时发生错误，文件导入被中止"_s)
            : u"添加"_s + recordMessage(n, u"条记录中时发生错误，文件导入被中止"_s);
    }

private:
    DBAccess& m_db;
    const ReadResult& m_read;
    const bool m_workbook;
    qint64 m_nextSerial = 1;
    qint64 m_nextPerson = 1;
    // Every roster account, true when one of its entries is other-bank.
    QHash<QString, bool> m_otherBank;
    // Accounts with an instruction (workbook: each may occur once).
    QSet<QString> m_instructed;
    std::vector<LaborageRow> m_rows;
};
} // namespace

Result<qint64> importRecords(DBAccess& db, const ReadResult& read, Format format, bool clear, const Progress& progress)
{
    // Clearing, adding roster accounts and inserting the records succeed or
    // fail together: the guard rolls back every way out but the commit.
    Transaction tx(db);
    if (!tx.begun())
        return Failure { kReadFailed + u'\n' + tx.failure().message() };
    LaborageTable table(db);
    if (clear && !table.removeInBank())
        return Failure { u"清除原有数据时发生错误，文件导入被中止"_s, 0 };
    Writer writer(db, read, format);
    if (const QString failed = writer.load(); !failed.isEmpty())
        return Failure { failed, 0 };
    // The first record refused, or the reader's stop after the last record.
    Failure stop { read.stop.message(), qsizetype(read.records.size()) };
    for (qint64 i = 0; i < qint64(read.records.size()); ++i) {
        if (QString problem = writer.add(i); !problem.isEmpty()) {
            stop = { std::move(problem), qsizetype(i) };
            break;
        }
    }
    // The records before the stop go in first: a row the store refuses there
    // is what the import reports, as it comes first in the file.
    InstructionTable::Progress rowsDone;
    if (progress)
        rowsDone = [&](qint64 done, qint64 total) { progress(int(done), int(total)); };
    if (const auto inserted = table.insertMany(writer.rows(), rowsDone); !inserted)
        return Failure { writer.insertFailed(inserted.at() + 1), inserted.at() };
    if (stop.at < qsizetype(read.records.size()) || read.stopped())
        return stop;
    if (const Result<> committed = tx.commit(); !committed)
        return Failure { kReadFailed + u'\n' + committed.message() };
    return qint64(writer.rows().size());
}

} // namespace LaborageImport
