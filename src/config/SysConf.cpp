#include "config/SysConf.h"

#include "common/Decimal.h"
#include "common/TextFile.h"
#include "common/XmlDoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct DefaultField {
    int id;
    const char16_t* element;
    const char16_t* fieldName;
    const char16_t* objType;
};

struct DefaultGroup {
    const char16_t* element;
    const char16_t* functionName;
    std::vector<DefaultField> fields;
};

// The default document: the six groups in order, each with its function name
// and its fields in document order.
const std::vector<DefaultGroup>& defaultGroups()
{
    // clang-format off
    static const std::vector<DefaultGroup> groups = {
        {u"PatchPayFile", u"批量支付文件", {
            {1, u"GatherAccountNo", u"收款帐号", u"combox"},
            {2, u"GatherAccountName", u"帐户户名", u"combox"},
            {3, u"GatherAccountNetNo", u"收款帐开户网点号", u"text"},
            {4, u"GatherAccountAreaCode", u"收款帐户地区号", u"text"},
            {5, u"GatherAccountLinkNo", u"收款方联行号", u"text"},
            {6, u"PaySum", u"付款金额", u"text"},
            {7, u"PatchPayFileRemark", u"备注", u"combox"},
        }},
        {u"SubSalaryFile", u"代发工资文件", {
            {8, u"PayeeName", u"收款人名称", u"combox"},
            {9, u"PayeeAccountNo", u"收款人帐号", u"combox"},
            {10, u"Sum", u"金额", u"text"},
            {11, u"SubSalaryFileRemark", u"备注", u"combox"},
        }},
        {u"PayAccountMana", u"付款账户维护", {
            {12, u"PayAccountNo", u"付款帐号", u"text"},
            {13, u"PayeeAccountName", u"付款账户户名", u"text"},
        }},
        {u"GatherAccountMana", u"收款帐户维护", {
            {14, u"GatherAccountNo", u"收款帐号", u"text"},
            {15, u"GatherAccountName", u"帐户户名", u"text"},
            {16, u"GatherAccountNetNo", u"收款帐户开户网点号", u"text"},
            {22, u"GatherPayeeAreaNo", u"收款账户地区号", u"text"},
            {23, u"GatherPayeePayeeNetNo", u"收款方联行号", u"text"},
        }},
        {u"SubSalaRollMana", u"代发工资名册维护", {
            {17, u"PerAccountNo", u"个人帐号", u"text"},
            {18, u"PerAccountName", u"户名", u"text"},
            {19, u"CertificateNo", u"证件号码", u"text"},
            {21, u"EmployeeNo", u"员工编号", u"text"},
        }},
        {u"RemarkMana", u"备注维护", {
            {20, u"RemarkName", u"汇款备注名称", u"text"},
        }},
    };
    // clang-format on
    return groups;
}

// A rule flag is set only by the text "1".
bool flag(const XmlNode& element, const QString& name)
{
    return element.attribute(name) == u"1"_s;
}

// A bound attribute as a number, read exactly as typed numbers are (thousands
// separators included); an empty attribute gives `fallbackText`. False when the
// text is not a number or lies beyond the range of a double.
bool bound(const XmlNode& element, const QString& name, const QString& fallbackText, double& value, QString& text)
{
    text = element.attribute(name).trimmed();
    if (text.isEmpty())
        text = fallbackText;
    const std::optional<Decimal> number = Decimal::parse(text);
    if (!number)
        return false;
    value = number->toPlainText().toDouble();
    return std::isfinite(value);
}

// The first free name for a backup of `path`: path.bak, then path.bak.1, .2, ...
QString freeBackupName(const QString& path)
{
    QString name = path + u".bak"_s;
    for (int n = 1; QFileInfo::exists(name); ++n)
        name = path + u".bak."_s + QString::number(n);
    return name;
}

} // namespace

SysConf::SysConf(AppConfig& config, const QString& programDirectory)
    : m_config(config)
{
    QString dir = QDir::toNativeSeparators(QDir(programDirectory).absolutePath());
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    m_config.appDir = dir;
    if (LoadValues())
        return;
    // The default rules apply for this run (loaded from memory, so that they are
    // usable even when the directory refuses the file). The file itself is
    // written only where none is, or where the one there is not well-formed,
    // and then only after a copy of it has been kept.
    const XmlDoc doc = defaultDocument();
    loadFrom(doc);
    const QString path = fileName();
    if (!QFileInfo::exists(path)) {
        save(doc);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_loadNotice = u"无法读取设置文件 %1（%2），本次使用默认设置，该文件未作改动。"_s.arg(path, file.errorString());
        return;
    }
    const Result<XmlDoc> existing = XmlDoc::parse(file.readAll());
    file.close();
    if (existing && !existing->lastChild().isNull()) {
        loadFrom(existing.value()); // written again since the first read: it is good
        return;
    }
    const QString why = existing.message();
    const QString backup = freeBackupName(path);
    if (!QFile::copy(path, backup)) {
        m_loadNotice = u"设置文件 %1 格式错误（%2），本次使用默认设置，该文件未作改动。"_s.arg(path, why);
        return;
    }
    save(doc);
    m_loadNotice = u"设置文件 %1 格式错误（%2），已改为默认设置。原文件已保存为 %3。"_s.arg(path, why, backup);
}

QString SysConf::fileName() const
{
    return m_config.appDir + u"sysConf.ini"_s;
}

XmlDoc SysConf::defaultDocument()
{
    XmlDoc doc = XmlDoc::create(u"<?xml version='1.0' encoding='gb2312'?>"_s);
    XmlNode root = doc.setRootElement(u"SysConf"_s);
    root.setAttribute(u"bank_name"_s, QString());
    root.setAttribute(u"sys_icon"_s, QString());
    // One element per line, indented by tabs.
    for (const DefaultGroup& group : defaultGroups()) {
        root.appendText(u"\n\t"_s);
        XmlNode groupElement = root.appendElement(QString::fromUtf16(group.element));
        groupElement.appendText(u"\n\t\t"_s);
        XmlNode function = groupElement.appendElement(u"FunctionName"_s);
        function.setAttribute(u"for"_s, QString::fromUtf16(group.functionName));
        for (const DefaultField& field : group.fields) {
            groupElement.appendText(u"\n\t\t"_s);
            XmlNode element = groupElement.appendElement(QString::fromUtf16(field.element));
            element.setAttribute(u"field_name"_s, QString::fromUtf16(field.fieldName));
            element.setAttribute(u"id"_s, QString::number(field.id));
            element.setAttribute(u"obj_type"_s, QString::fromUtf16(field.objType));
        }
        groupElement.appendText(u"\n\t"_s);
    }
    root.appendText(u"\n"_s);
    return doc;
}

XmlDoc SysConf::loadDocument() const
{
    Result<XmlDoc> doc = XmlDoc::load(fileName());
    return doc ? std::move(doc).value() : XmlDoc();
}

bool SysConf::save(const XmlDoc& doc)
{
    return TextFile::writeBytesAtomically(fileName(), doc.toGbkFile()).ok();
}

bool SysConf::setValues()
{
    return save(defaultDocument());
}

XmlNode SysConf::findElementById(const XmlDoc& doc, const QString& idText)
{
    const XmlNode root = doc.lastChild();
    for (const XmlNode& group : root.children()) {
        for (const XmlNode& element : group.children()) {
            bool present = false;
            const QString id = element.attribute(u"id"_s, &present);
            if (present && id == idText)
                return element;
        }
    }
    return {};
}

bool SysConf::setAttrib2Elemt(qint16 id, const QString& name, const QString& value)
{
    const XmlDoc doc = loadDocument();
    if (doc.isNull())
        return false;
    XmlNode element = findElementById(doc, QString::number(id));
    // Without the element the document would be written back unchanged;
    // leaving the file alone keeps it so, byte for byte.
    if (element.isNull())
        return true;
    element.setAttribute(name, value);
    return save(doc);
}

QString SysConf::getAttribOfElemt(qint16 id, const QString& name)
{
    const XmlDoc doc = loadDocument();
    return findElementById(doc, QString::number(id)).attribute(name);
}

bool SysConf::setBankName(const QString& name)
{
    const XmlDoc doc = loadDocument();
    XmlNode element = doc.firstDescendant(u"SysConf"_s);
    if (element.isNull())
        return false;
    element.setAttribute(u"bank_name"_s, name);
    return save(doc);
}

bool SysConf::setSysIcon(const QString& path)
{
    const XmlDoc doc = loadDocument();
    XmlNode element = doc.firstDescendant(u"SysConf"_s);
    if (element.isNull())
        return false;
    element.setAttribute(u"sys_icon"_s, path);
    return save(doc);
}

bool SysConf::setDuplicateCheckDays(int days)
{
    const XmlDoc doc = loadDocument();
    XmlNode element = doc.firstDescendant(u"SysConf"_s);
    if (element.isNull())
        return false;
    element.setAttribute(u"dup_check_days"_s, QString::number(days));
    if (!save(doc))
        return false;
    m_config.duplicateCheckDays = days;
    return true;
}

QString SysConf::getSysIcon()
{
    return loadDocument().firstDescendant(u"SysConf"_s).attribute(u"sys_icon"_s);
}

bool SysConf::saveSettings(const SysConfEdit& edit)
{
    const XmlDoc doc = loadDocument();
    XmlNode root = doc.firstDescendant(u"SysConf"_s);
    if (root.isNull())
        return false;
    root.setAttribute(u"bank_name"_s, edit.bankName);
    if (edit.sysIcon)
        root.setAttribute(u"sys_icon"_s, *edit.sysIcon);
    const auto flagText = [](bool on) { return on ? u"1"_s : u"0"_s; };
    for (const SysConfFieldEdit& field : edit.fields) {
        XmlNode element = findElementById(doc, QString::number(field.id));
        if (element.isNull())
            continue;
        element.setAttribute(u"field_name"_s, field.fieldName);
        element.setAttribute(u"can_edit"_s, flagText(field.canEdit));
        element.setAttribute(u"is_account"_s, flagText(field.isAccount));
        element.setAttribute(u"not_null"_s, flagText(field.notNull));
        element.setAttribute(u"is_numric"_s, flagText(field.isNumric));
        element.setAttribute(u"length"_s, field.length);
        element.setAttribute(u"min_value"_s, field.minValue);
        element.setAttribute(u"max_value"_s, field.maxValue);
    }
    return save(doc);
}

bool SysConf::LoadValues()
{
    const XmlDoc doc = loadDocument();
    if (doc.isNull() || doc.lastChild().isNull())
        return false;
    loadFrom(doc);
    return true;
}

void SysConf::loadFrom(const XmlDoc& doc)
{
    const XmlNode root = doc.lastChild();
    // A root without children changes nothing, not even the bank name.
    if (!root.hasChildNodes())
        return;

    const XmlNode sysConf = doc.firstDescendant(u"SysConf"_s);
    m_config.bankName = sysConf.attribute(u"bank_name"_s);
    // Absent, not a whole number or out of range: the default.
    bool daysOk = false;
    const int days = sysConf.attribute(u"dup_check_days"_s).trimmed().toInt(&daysOk);
    m_config.duplicateCheckDays = daysOk && days >= 0 && days <= AppConfig::kMaxDuplicateCheckDays
        ? days
        : AppConfig::kDefaultDuplicateCheckDays;

    // The icon is always looked for in a sub-directory of the program's own
    // directory: its last two path components, below appDir.
    static const QRegularExpression separators(uR"([\\/])"_s);
    const QStringList parts = sysConf.attribute(u"sys_icon"_s).split(separators);
    if (parts.size() >= 2)
        m_config.sysIconPath = m_config.appDir + parts.at(parts.size() - 2) + QDir::separator() + parts.last();
    else
        m_config.sysIconPath.clear();

    // The function name carries over from group to group: a group without a
    // FunctionName labels its fields with the previous group's name.
    QString functionName;
    for (const XmlNode& group : root.children()) {
        for (const XmlNode& element : group.children()) {
            const QString forText = element.attribute(u"for"_s);
            if (!forText.trimmed().isEmpty())
                functionName = forText;

            bool hasFieldName = false;
            const QString fieldName = element.attribute(u"field_name"_s, &hasFieldName);
            if (!hasFieldName)
                continue;

            FieldRule rule;
            rule.label = functionName + u':' + fieldName;
            rule.canEdit = flag(element, u"can_edit"_s);
            rule.notNull = flag(element, u"not_null"_s);
            rule.isAccount = flag(element, u"is_account"_s);
            rule.isNumric = flag(element, u"is_numric"_s);
            rule.length = element.attribute(u"length"_s);
            if (rule.length.isEmpty())
                rule.length = u"10000"_s;
            // A bound that is not a number gives no usable rule: skip it.
            if (!bound(element, u"min_value"_s, u"0"_s, rule.minValue, rule.minValueText)
                || !bound(element, u"max_value"_s, u"1E+308"_s, rule.maxValue, rule.maxValueText))
                continue;

            // A blank id drops the rule; so does one outside the 50 slots.
            const QString idText = element.attribute(u"id"_s).trimmed();
            if (idText.isEmpty())
                continue;
            bool ok = false;
            const int id = idText.toInt(&ok);
            if (!ok || !FieldRules::isValidId(id))
                continue;
            m_config.fieldRules.ruleAt(id) = rule;
        }
    }
}
