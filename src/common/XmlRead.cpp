#include "common/XmlRead.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
XmlNode childAt(const XmlNode& parent, int index)
{
    if (index < 0)
        return XmlNode();
    const QList<XmlNode> children = parent.childNodes();
    return index < children.size() ? children.at(index) : XmlNode();
}
}

QString getNodeText(const XmlNode& node, const QString& name, const QString& defaultText)
{
    const XmlNode found = node.firstDescendant(name);
    return found ? found.text() : defaultText;
}

QString getNodeText(const XmlDoc& doc, const QString& name, const QString& defaultText)
{
    const XmlNode found = doc.firstDescendant(name);
    return found ? found.text() : defaultText;
}

QString getAttributeText(const XmlNode& element, const QString& name)
{
    const QString value = element.attribute(name);
    return value == u"null"_s ? QString() : value;
}

XmlNode getRecordField(const XmlNode& node, int index)
{
    return childAt(node.lastChild().lastChild(), index);
}

XmlNode getRecordField(const XmlDoc& doc, int index)
{
    return childAt(doc.lastChild().lastChild(), index);
}

QString unreadableXmlMessage(const QString& path, const QString& why)
{
    return u"文件“%1”无法读取：%2"_s.arg(QFileInfo(path).fileName(), why);
}

Result<XmlDoc> parseImportFile(const QString& path, const QByteArray& bytes)
{
    Result<XmlDoc> doc = XmlDoc::parse(bytes);
    if (!doc || doc->rootElement().isNull()) {
        const QString why = doc.message().isEmpty() ? u"不是有效的XML文档"_s : doc.message();
        return Failure { unreadableXmlMessage(path, why) };
    }
    return doc;
}
