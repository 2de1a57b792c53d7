#include "domain/masterdata/MasterDataXml.h"

#include "common/FieldChecks.h"
#include "common/GbkCodec.h"
#include "common/TextFile.h"
#include "common/TextFormat.h"
#include "common/XmlDoc.h"
#include "common/XmlRead.h"
#include "domain/tables/PayAccTable.h"
#include "domain/tables/RemarkTable.h"
#include "store/DBAccess.h"

#include <QFile>
#include <QFileInfo>

#include <functional>

using namespace Qt::StringLiterals;

namespace MasterDataXml {

namespace {

const QString kDeclaration = u"<?xml version=\"1.0\" encoding=\"GB2312\"?>"_s;

// A value GBK cannot carry, named for the message: the field, the value and the
// refused character.
struct RefusedValue {
    QString field;
    QString value;
    QString character;
};

bool refuses(const QString& field, const QString& value, RefusedValue& refused)
{
    const Result<QByteArray> encoded = GbkCodec::encode(value);
    if (encoded)
        return false;
    refused = { field, value, GbkCodec::characterText(value, encoded.at()) };
    return true;
}

QString refusedMessage(const RefusedValue& refused, const QString& failure)
{
    return refused.field + u"["_s + quotedValue(refused.value) + u"]中的字符“"_s + refused.character
        + u"”不能用GBK编码，"_s + failure;
}

// Nothing of the file is kept after the store failed.
Failure storeFailure(const QString& failure, const QString& storeError)
{
    return { failure + storeError + u"。文件中的记录均未导入。"_s };
}

// Writes the records the file gave before its first refused one (`stop`, empty
// when none was refused) in one transaction, kept when the import stops: what
// was imported before a stop stays. A record the store refuses stops the
// import with `refusedMessage` of its index. Nothing of the file is kept when
// the store itself fails, nor when it refuses to start or to commit the transaction.
Result<int> finishImport(const TableWrite::BulkOutcome& outcome, const QString& failure, const QString& stop,
    const std::function<QString(qsizetype index)>& refusedMessage)
{
    switch (outcome.stop) {
    case TableWrite::BulkOutcome::Stop::StoreFailed:
        return storeFailure(failure, outcome.storeError);
    case TableWrite::BulkOutcome::Stop::Refused:
        return Failure { refusedMessage(outcome.row), outcome.row };
    case TableWrite::BulkOutcome::Stop::None:
        break;
    }
    if (!stop.isEmpty())
        return Failure { stop, outcome.written };
    return static_cast<int>(outcome.written);
}

} // namespace

QStringList payAccountLines(const QList<PayAccount>& accounts)
{
    QStringList lines;
    lines.reserve(accounts.size() * 5 + 3);
    lines << kDeclaration << u"<AccountSet>"_s;
    for (const PayAccount& a : accounts) {
        lines << u"\t<Account>"_s;
        lines << u"\t\t<AccountNO>"_s + escapeXml(a.accNo) + u"</AccountNO>"_s;
        lines << u"\t\t<Currency>"_s + escapeXml(a.currency) + u"</Currency>"_s;
        lines << u"\t\t<AccountName>"_s + escapeXml(a.accName) + u"</AccountName>"_s;
        lines << u"\t</Account>"_s;
    }
    lines << u"</AccountSet>"_s;
    return lines;
}

QStringList remarkLines(const QStringList& remarks)
{
    QStringList lines;
    lines.reserve(remarks.size() * 3 + 3);
    lines << kDeclaration << u"<UserRemark>"_s;
    for (const QString& remark : remarks) {
        lines << u"\t<Remark>"_s;
        lines << u"\t\t<Value>"_s + escapeXml(remark) + u"</Value>"_s;
        lines << u"\t</Remark>"_s;
    }
    lines << u"</UserRemark>"_s;
    return lines;
}

Result<int> exportPayAccounts(const QString& path, const QList<PayAccount>& accounts)
{
    const QString failure = u"导出付款账号失败"_s;
    RefusedValue refused;
    for (const PayAccount& a : accounts) {
        if (refuses(u"付款账号"_s, a.accNo, refused) || refuses(u"币种"_s, a.currency, refused)
            || refuses(u"户名"_s, a.accName, refused))
            return Failure { refusedMessage(refused, failure), 0 };
    }
    if (!TextFile::writeLines(path, payAccountLines(accounts)))
        return Failure { u"文件读写错误，"_s + failure, 0 };
    return static_cast<int>(accounts.size());
}

QStringList remarkFileNames(const QString& chosenPath, int remarkCount)
{
    const int files = (remarkCount + kRemarksPerFile - 1) / kRemarksPerFile;
    if (files <= 1)
        return { chosenPath };
    // The numbered files take the place of the chosen file's ".xml".
    QString base = chosenPath;
    if (base.endsWith(u".xml"_s, Qt::CaseInsensitive))
        base.chop(4);
    QStringList names;
    names.reserve(files);
    for (int f = 1; f <= files; ++f)
        names << base + u"-"_s + QString::number(f) + u".xml"_s;
    return names;
}

Result<int> exportRemarks(const QString& chosenPath, const QStringList& remarks)
{
    const QString failure = u"导出备注失败"_s;
    // All values first: a refused value must not leave some files written.
    RefusedValue refused;
    for (const QString& remark : remarks) {
        if (refuses(u"备注"_s, remark, refused))
            return Failure { refusedMessage(refused, failure), 0 };
    }
    const QStringList names = remarkFileNames(chosenPath, static_cast<int>(remarks.size()));
    int written = 0;
    for (qsizetype f = 0; f < names.size(); ++f) {
        const QStringList part = remarks.mid(f * kRemarksPerFile, kRemarksPerFile);
        if (!TextFile::writeLines(names.at(f), remarkLines(part)))
            return Failure { u"文件读写错误，"_s + failure, written };
        written += static_cast<int>(part.size());
    }
    return written;
}

Result<XmlDoc> loadDocument(const QString& path, const QString& readError)
{
    if (path.trimmed().isEmpty() || !QFileInfo::exists(path))
        return Failure {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { readError };
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failure { readError };
    Result<XmlDoc> doc = XmlDoc::parse(bytes);
    if (!doc || doc->rootElement().isNull()) {
        const QString why = doc.message().isEmpty() ? u"不是有效的XML文档"_s : doc.message();
        return Failure { u"文件“%1”无法读取：%2"_s.arg(QFileInfo(path).fileName(), why) };
    }
    return doc;
}

Result<int> importPayAccounts(DBAccess& db, const XmlDoc& doc)
{
    const QList<XmlNode> accounts = doc.descendants(u"Account"_s);
    std::vector<PayAccTable::Row> rows;
    rows.reserve(static_cast<size_t>(accounts.size()));
    QString stop;
    for (const XmlNode& account : accounts) {
        const QString number = getNodeText(account, u"AccountNO"_s, QString()).trimmed();
        const QString name = getNodeText(account, u"AccountName"_s, QString()).trimmed();
        if (number.size() < 16 || number.size() > 20)
            stop = u"付款账号长度错误["_s + quotedValue(number) + u"]，文件导入中止"_s;
        else if (!isDigitsOnly(number))
            stop = u"付款账号格式错误["_s + quotedValue(number) + u"]，文件导入中止"_s;
        else if (name.isEmpty())
            stop = u"付款账号户名为空["_s + number + u"]，文件导入中止"_s;
        if (!stop.isEmpty())
            break;
        rows.push_back({ number, name, {} });
    }
    return finishImport(PayAccTable(db).replaceAll(rows), u"导入付款账号失败，数据库错误："_s, stop,
        [&rows](qsizetype index) { return u"导入付款账号发生错误["_s + rows.at(size_t(index)).accNo + u"]"_s; });
}

Result<int> importRemarks(DBAccess& db, const XmlDoc& doc)
{
    QStringList remarks;
    QString stop;
    for (const XmlNode& remark : doc.descendants(u"Remark"_s)) {
        const QString text = getNodeText(remark, u"Value"_s, QString()).trimmed();
        if (text.isEmpty()) {
            stop = u"备注文件中有空白的备注，导入文件中止"_s;
            break;
        }
        remarks << text;
    }
    return finishImport(RemarkTable(db).replaceAll(remarks), u"导入备注失败，数据库错误："_s, stop,
        [&remarks](qsizetype index) { return u"导入备注发生错误["_s + quotedValue(remarks.at(index)) + u"]"_s; });
}

} // namespace MasterDataXml
