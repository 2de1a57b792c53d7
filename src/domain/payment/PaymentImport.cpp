#include "domain/payment/PaymentImport.h"

#include "common/FieldChecks.h"
#include "common/ImportText.h"
#include "common/SerialNo.h"
#include "common/TextFormat.h"
#include "common/XmlDoc.h"
#include "common/XmlRead.h"
#include "domain/tables/PayAccTable.h"
#include "domain/tables/PaymentTable.h"
#include "store/DBAccess.h"

#include <QDateTime>
#include <QFile>
#include <QHash>

using namespace Qt::StringLiterals;
using ImportText::recordMessage;

namespace PaymentImport {

const QString kReadFailed = u"文件读写错误，导入批量付款文件失败"_s;

namespace {
// Longest payer and payee names and remark of an XML record.
constexpr qsizetype kMaxNameLength = 100;
constexpr qsizetype kMaxRemarkLength = 60;
// The payee screen's branch-number box declares no maximum input length (0),
// so an in-bank XML record passes only with an empty branch number.
constexpr qsizetype kPayeeBankIdMaxLength = 0;

// The checks both families share. The XML path adds its format and length
// rules around them; the upload file the tab writes may carry an empty payee
// name (the list's check report flags it), so that is left to the XML path.
QString commonProblem(const Record& r)
{
    if (r.payAccNo.isEmpty())
        return u"条记录中的付款账号为空，文件导入被中止"_s;
    if (r.payAccName.isEmpty())
        return u"条记录中的付款账户户名长度错误，文件导入被中止"_s;
    if (r.recAccNo.isEmpty())
        return u"条记录中的收款账户为空，文件导入被中止"_s;
    if (r.recAccType != u"0"_s && r.recAccType != u"1"_s)
        return u"条记录中的收款账户类别不可识别，文件导入被中止"_s;
    return {};
}

// The first of the named values that holds a control character.
QString controlProblem(std::initializer_list<std::pair<QString, const QString*>> fields)
{
    for (const auto& [name, value] : fields)
        if (ImportText::hasControlCharacter(*value))
            return ImportText::controlCharacterProblem(name);
    return {};
}

} // namespace

Family familyOf(const QString& path)
{
    if (path.isEmpty())
        return Family::None;
    const QString ext = path.right(3).toLower();
    if (ext == u"plz"_s || ext == u"xml"_s)
        return Family::Xml;
    if (ext == u"csv"_s)
        return Family::Csv;
    return Family::Unsupported;
}

ReadResult readCsv(const QByteArray& bytes)
{
    ReadResult result;
    const ImportText::UploadLines lines = ImportText::decodeUploadFile(bytes);
    ImportText::LineTotals totals;

    qsizetype lineNo = 0; // N of the messages: 1 for the first instruction line
    const auto stop = [&](const QString& text) -> ReadResult& { return result.stopWith(recordMessage(lineNo, text)); };
    ImportText::LineCursor cursor(lines.text);
    QStringView line;
    while (cursor.next(line)) {
        ++lineNo;
        const QList<QStringView> f = line.split(u',');
        if (f.size() != 9)
            return stop(u"条记录的字段个数不正确，文件导入被中止"_s);
        const auto field = [&](int i) { return f.at(i).trimmed().toString(); };
        Record r;
        r.payAccNo = ImportText::withoutMark(f.at(1));
        r.payAccName = field(2);
        r.recAccType = field(3);
        r.recAccNo = ImportText::withoutMark(f.at(4));
        r.recAccName = field(5);
        r.recNetNo = ImportText::withoutMark(f.at(6));
        const QString amount = ImportText::withoutMark(f.at(7));
        r.remark = field(8);
        QString problem = controlProblem({ { u"付款账号"_s, &r.payAccNo }, { u"付款账户户名"_s, &r.payAccName },
            { u"账号行别"_s, &r.recAccType }, { u"收款账号"_s, &r.recAccNo }, { u"收款账户户名"_s, &r.recAccName },
            { u"支付系统行号"_s, &r.recNetNo }, { u"付款金额"_s, &amount }, { u"备注"_s, &r.remark } });
        if (problem.isEmpty())
            problem = commonProblem(r);
        if (problem.isEmpty())
            problem = ImportText::amountProblem(amount, &r.payAmt);
        if (!problem.isEmpty())
            return stop(problem);
        totals.add(r.payAmt);
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

namespace {
qsizetype countRecords(const XmlDoc& doc)
{
    return doc.descendants(u"record"_s).size();
}

// Record i is child i of the record list, the last child of the document's
// last top-level node. When a record element lies elsewhere (deeper, in
// another container, behind other nodes), the records counted are not the
// ones looked up: the reason, else an empty text.
QString layoutProblem(const XmlDoc& doc)
{
    const QList<XmlNode> records = doc.descendants(u"record"_s);
    const QList<XmlNode> nodes = doc.lastChild().lastChild().childNodes();
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (i >= nodes.size() || !(nodes.at(i) == records.at(i)))
            return u"第%1条记录不在记录列表（根元素下的RecordList）中规定的位置"_s.arg(i + 1);
    }
    return {};
}

QString xmlProblem(const XmlNode& node, Record& r)
{
    const auto attr = [&](const QString& name) { return getAttributeText(node, name).trimmed(); };
    if (attr(u"currencyType"_s) != u"01"_s)
        return u"条记录中的币种不支持，文件导入被中止"_s;
    r.payAccNo = attr(u"payAccNo"_s);
    r.payAccName = attr(u"payAccNme"_s);
    r.recBankId = attr(u"PecAccOpenBranch"_s);
    r.recAreaNo = attr(u"recAccArea"_s);
    r.recAccType = attr(u"isOtherBank"_s);
    r.recAccNo = attr(u"recAccNo"_s);
    r.recAccName = attr(u"recAccNme"_s);
    r.recNetNo = attr(u"recOpenBankNo"_s);
    const QString money = attr(u"money"_s);
    const QString amount = removeCommas(money);
    r.remark = attr(u"comment"_s);

    if (const QString problem = controlProblem({ { u"付款账号"_s, &r.payAccNo }, { u"付款账户户名"_s, &r.payAccName },
            { u"收款账号开户网点号"_s, &r.recBankId }, { u"收款账户地区号"_s, &r.recAreaNo },
            { u"收款账户类别"_s, &r.recAccType }, { u"收款账号"_s, &r.recAccNo }, { u"收款账户户名"_s, &r.recAccName },
            { u"支付系统行号"_s, &r.recNetNo }, { u"金额"_s, &money }, { u"用途"_s, &r.remark } });
        !problem.isEmpty())
        return problem;
    if (r.payAccNo.isEmpty())
        return u"条记录中的付款账号为空，文件导入被中止"_s;
    if (!isDigitsOnly(r.payAccNo))
        return u"条记录中的付款账号格式错误，文件导入被中止"_s;
    if (r.payAccName.isEmpty() || r.payAccName.size() > kMaxNameLength)
        return u"条记录中的付款账户户名长度错误，文件导入被中止"_s;
    if (r.recAccNo.isEmpty())
        return u"条记录中的收款账户为空，文件导入被中止"_s;
    if (r.recAccName.isEmpty() || r.recAccName.size() > kMaxNameLength)
        return u"条记录中的收款账户户名长度错误，文件导入被中止"_s;
    if (const QString problem = commonProblem(r); !problem.isEmpty())
        return problem;
    if (r.recAccType == u"1"_s) {
        if (r.recAccNo.size() > 22)
            return u"条记录中的收款账号长度错误，文件导入被中止"_s;
        if (!isAccountText(r.recAccNo))
            return u"条记录中的收款账号格式错误，文件导入被中止"_s;
        QString netNo = r.recNetNo;
        if (!isNumberText(netNo))
            return u"条记录中的支付系统行号格式错误，文件导入被中止"_s;
        r.recBankId.clear();
    } else {
        if (!isDigitsOnly(r.recAccNo) || r.recBankId.size() != kPayeeBankIdMaxLength)
            return u"条记录中的收款账号格式错误，文件导入被中止"_s;
        r.recAreaNo.clear();
        r.recNetNo.clear();
    }
    if (const QString problem = ImportText::amountProblem(amount, &r.payAmt); !problem.isEmpty())
        return problem;
    if (r.remark.isEmpty())
        return u"条记录中的用途为空，文件导入被中止"_s;
    if (r.remark.size() > kMaxRemarkLength)
        return u"条记录中的用途长度过长，文件导入被中止"_s;
    return {};
}

// The records of a document whose layout holds (layoutProblem is empty).
ReadResult readRecords(const XmlDoc& doc)
{
    ReadResult result;
    const QList<XmlNode> nodes = doc.descendants(u"record"_s);
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        Record r;
        const QString problem = xmlProblem(nodes.at(i), r);
        if (!problem.isEmpty())
            return result.stopWith(recordMessage(i + 1, problem));
        result.records.push_back(std::move(r));
    }
    return result;
}
} // namespace

qsizetype countXmlRecords(const QByteArray& bytes)
{
    const Result<XmlDoc> doc = XmlDoc::parse(bytes);
    return !doc || doc->rootElement().isNull() ? -1 : countRecords(doc.value());
}

ReadResult readXml(const QByteArray& bytes, const QString& path)
{
    ReadResult result;
    const Result<XmlDoc> doc = parseImportFile(path, bytes);
    if (!doc)
        return result.stopWith(doc.message());
    if (const QString problem = layoutProblem(doc.value()); !problem.isEmpty())
        return result.stopWith(unreadableXmlMessage(path, problem));
    return readRecords(doc.value());
}

namespace {
// Turns the records into rows of table payment, adding payer accounts on the way.
class BatchWriter {
public:
    BatchWriter(DBAccess& db, SerialNoGenerator& serialNumbers, const ReadResult& read)
        : m_db(db)
        , m_serialNumbers(serialNumbers)
        , m_read(read)
        , m_now(QDateTime::currentDateTime())
    {
    }

    // The row of record `index`, or the message that stops the import.
    QString add(qint64 index)
    {
        const Record& r = m_read.records[size_t(index)];
        if (const QString problem = payerProblem(r, index + 1); !problem.isEmpty())
            return problem;
        m_rows.push_back({ m_serialNumbers.next(m_now), r.payAccNo, r.payAccName, r.recAccType, r.recAccNo,
            r.recAccName, r.recBankId, r.recAreaNo, r.recNetNo, r.payAmt, r.remark });
        return {};
    }
    const std::vector<PaymentRow>& rows() const { return m_rows; }

private:
    // A payer account not yet known is added to pay_acc; a known one must carry
    // the same name. Answers are kept, so a batch of one payer asks once.
    QString payerProblem(const Record& r, qsizetype n)
    {
        auto known = m_payers.constFind(r.payAccNo);
        if (known == m_payers.cend()) {
            const auto name = PayAccTable(m_db).nameOf(r.payAccNo);
            if (!name)
                return kReadFailed;
            if (!*name) {
                if (!PayAccTable(m_db).insert(r.payAccNo, r.payAccName))
                    return u"添加"_s + recordMessage(n, u"条记录中的付款账号时发生错误，文件导入被中止"_s);
                known = m_payers.insert(r.payAccNo, r.payAccName);
            } else {
                known = m_payers.insert(r.payAccNo, (*name)->trimmed());
            }
        }
        if (known.value() != r.payAccName)
            return recordMessage(n, u"条记录中的付款账户信息与已保存的付款账户信息不符，文件导入被中止"_s);
        return {};
    }

    DBAccess& m_db;
    SerialNoGenerator& m_serialNumbers;
    const ReadResult& m_read;
    QHash<QString, QString> m_payers;
    std::vector<PaymentRow> m_rows;
    // One clock reading for the whole file: the generator still makes every
    // number unique and increasing, without reading the clock per record.
    QDateTime m_now;
};
} // namespace

Result<ReadResult> readXmlForImport(const QByteArray& bytes, const QString& path)
{
    const Result<XmlDoc> doc = parseImportFile(path, bytes);
    if (!doc)
        return doc.failure();
    if (countRecords(doc.value()) == 0)
        return Failure { u"文件内容不正确，请检查后重新输入。"_s };
    if (const QString problem = layoutProblem(doc.value()); !problem.isEmpty())
        return Failure { unreadableXmlMessage(path, problem) };
    return readRecords(doc.value());
}

Result<qint64> importRecords(DBAccess& db, SerialNoGenerator& serialNumbers, const ReadResult& read, bool clear)
{
    // Clearing the old batch, adding payer accounts and inserting the records
    // succeed or fail together: the guard rolls back every way out but the commit.
    Transaction tx(db);
    if (!tx.begun())
        return Failure { kReadFailed + u'\n' + tx.failure().message() };
    PaymentTable table(db);
    if (clear && !table.removeAll())
        return Failure { u"清除原有数据时发生错误，文件导入被中止"_s, 0 };
    BatchWriter writer(db, serialNumbers, read);
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
    if (const auto inserted = table.insertMany(writer.rows()); !inserted)
        return Failure { u"添加"_s + recordMessage(inserted.at() + 1, u"条记录中时发生错误，文件导入被中止"_s),
            inserted.at() };
    if (stop.at < qsizetype(read.records.size()) || read.stopped())
        return stop;
    if (const Result<> committed = tx.commit(); !committed)
        return Failure { kReadFailed + u'\n' + committed.message() };
    return qint64(writer.rows().size());
}

} // namespace PaymentImport
