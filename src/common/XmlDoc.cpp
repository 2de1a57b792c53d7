#include "common/XmlDoc.h"

#include "common/GbkCodec.h"

#include <QFile>
#include <QRegularExpression>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include <climits>
#include <cstring>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

// The text without the control characters XML 1.0 forbids (all below U+0020
// but tab, line feed and carriage return) and without lone surrogates.
QString xmlCharactersOnly(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
            continue;
        }
        if (c.isSurrogate() || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            continue;
        out += c;
    }
    return out;
}

const QString kGbkDeclaration = u"<?xml version='1.0' encoding='gb2312'?>"_s;

// Documents are parsed from memory only: a request to load anything else (an
// external entity, an external DTD subset) is refused, whatever options a
// caller might pass.
xmlParserInputPtr refuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void ignoreGenericError(void*, const char*, ...) { }
void ignoreStructuredError(void*, xmlErrorPtr) { }

void initLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
    // The error handlers are per thread in libxml2: keep its messages off stderr.
    xmlSetGenericErrorFunc(nullptr, ignoreGenericError);
    xmlSetStructuredErrorFunc(nullptr, ignoreStructuredError);
}

const xmlChar* xc(const QByteArray& bytes)
{
    return reinterpret_cast<const xmlChar*>(bytes.constData());
}

QString fromXml(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

// Takes ownership of a string libxml2 allocated.
QString takeXml(xmlChar* text)
{
    QString result = fromXml(text);
    if (text)
        xmlFree(text);
    return result;
}

bool isWhitespaceText(const xmlNode* node)
{
    if (node->type != XML_TEXT_NODE)
        return false;
    for (const xmlChar* c = node->content; c && *c; ++c) {
        if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r')
            return false;
    }
    return true;
}

bool isNavigable(const xmlNode* node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
        return true;
    case XML_TEXT_NODE:
        return !isWhitespaceText(node);
    default:
        return false;
    }
}

// An element name as written, split once for fast comparison.
struct QualifiedName {
    explicit QualifiedName(const QString& name)
    {
        const QByteArray utf8 = name.toUtf8();
        const qsizetype colon = utf8.indexOf(':');
        if (colon >= 0) {
            prefix = utf8.left(colon);
            local = utf8.mid(colon + 1);
        } else {
            local = utf8;
        }
    }
    bool matches(const xmlNode* node) const
    {
        if (!node->name || std::strcmp(reinterpret_cast<const char*>(node->name), local.constData()) != 0)
            return false;
        const xmlChar* nodePrefix = node->ns ? node->ns->prefix : nullptr;
        if (prefix.isEmpty())
            return nodePrefix == nullptr;
        return nodePrefix && std::strcmp(reinterpret_cast<const char*>(nodePrefix), prefix.constData()) == 0;
    }
    QByteArray prefix;
    QByteArray local;
};

QString qualifiedName(const xmlNode* node)
{
    QString name = fromXml(node->name);
    const xmlChar* prefix = node->ns ? node->ns->prefix : nullptr;
    return prefix ? fromXml(prefix) + u':' + name : name;
}

xmlAttr* findAttribute(const xmlNode* node, const QualifiedName& name)
{
    if (!node || node->type != XML_ELEMENT_NODE)
        return nullptr;
    for (xmlAttr* attr = node->properties; attr; attr = attr->next) {
        if (name.matches(reinterpret_cast<const xmlNode*>(attr)))
            return attr;
    }
    return nullptr;
}

QString attributeValue(const xmlAttr* attr)
{
    return takeXml(xmlNodeListGetString(attr->doc, attr->children, 1));
}

// Walks the nodes below `top` in document order (top itself excluded) and
// calls visit(node) for every element named `name`; stops when visit returns false.
template <typename Visit> void forEachDescendant(xmlNode* top, const QString& name, Visit visit)
{
    if (!top)
        return;
    const QualifiedName wanted(name);
    xmlNode* node = top->children;
    while (node) {
        if (node->type == XML_ELEMENT_NODE && wanted.matches(node) && !visit(node))
            return;
        // Entity references are not descended into: their content is not part
        // of the tree the program reads.
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node && !node->next) {
            node = node->parent;
            if (node == top)
                return;
        }
        if (node)
            node = node->next;
    }
}

// The "<?xml ...?>" at the start of the bytes (after a byte-order mark), or empty.
QByteArray declarationOf(const QByteArray& bytes, qsizetype start)
{
    if (bytes.size() < start + 6 || bytes.mid(start, 5) != "<?xml")
        return {};
    const char next = bytes.at(start + 5);
    if (next != ' ' && next != '\t' && next != '\r' && next != '\n')
        return {};
    const qsizetype end = bytes.indexOf("?>", start);
    if (end < 0)
        return {};
    return bytes.mid(start, end + 2 - start);
}

const QRegularExpression& encodingPattern()
{
    static const QRegularExpression pattern(uR"(encoding\s*=\s*(["'])([^"']*)\1)"_s);
    return pattern;
}

QString declaredEncoding(const QString& declaration)
{
    const QRegularExpressionMatch match = encodingPattern().match(declaration);
    return match.hasMatch() ? match.captured(2).trimmed() : QString();
}

// The names under which files declare the Chinese code page we read as GBK.
bool isGbkFamily(const QString& encoding)
{
    static const QStringList names = { u"gb2312"_s, u"gbk"_s, u"cp936"_s, u"ms936"_s, u"windows-936"_s, u"x-gbk"_s,
        u"gb_2312-80"_s, u"csgb2312"_s, u"euc-cn"_s };
    return names.contains(encoding.toLower());
}

// The declaration with its encoding renamed to UTF-8.
QString redeclaredAsUtf8(const QString& declaration)
{
    QString result = declaration;
    const QRegularExpressionMatch match = encodingPattern().match(declaration);
    if (match.hasMatch())
        result.replace(match.capturedStart(2), match.capturedLength(2), u"UTF-8"_s);
    return result;
}

} // namespace

// ---- XmlNode ---------------------------------------------------------------

bool XmlNode::isElement() const
{
    return m_node && m_node->type == XML_ELEMENT_NODE;
}

bool XmlNode::isText() const
{
    return m_node && (m_node->type == XML_TEXT_NODE || m_node->type == XML_CDATA_SECTION_NODE);
}

QString XmlNode::name() const
{
    return isElement() ? qualifiedName(m_node) : QString();
}

QString XmlNode::text() const
{
    return m_node ? takeXml(xmlNodeGetContent(m_node)) : QString();
}

QString XmlNode::attribute(const QString& name, bool* present) const
{
    const xmlAttr* attr = findAttribute(m_node, QualifiedName(name));
    if (present)
        *present = attr != nullptr;
    return attr ? attributeValue(attr) : QString();
}

bool XmlNode::hasAttribute(const QString& name) const
{
    return findAttribute(m_node, QualifiedName(name)) != nullptr;
}

void XmlNode::setAttribute(const QString& name, const QString& value)
{
    if (!isElement())
        return;
    // xmlSetProp replaces the value of an existing attribute in place and
    // appends a new attribute at the end; the value is taken literally, less
    // the characters XML cannot carry (the file would not read back).
    xmlSetProp(m_node, xc(name.toUtf8()), xc(xmlCharactersOnly(value).toUtf8()));
}

QList<QPair<QString, QString>> XmlNode::attributes() const
{
    QList<QPair<QString, QString>> result;
    if (!isElement())
        return result;
    for (const xmlAttr* attr = m_node->properties; attr; attr = attr->next)
        result.append({ qualifiedName(reinterpret_cast<const xmlNode*>(attr)), attributeValue(attr) });
    return result;
}

QList<XmlNode> XmlNode::childNodes() const
{
    QList<XmlNode> result;
    if (!m_node || m_node->type == XML_ENTITY_REF_NODE)
        return result;
    for (xmlNode* child = m_node->children; child; child = child->next) {
        if (isNavigable(child))
            result.append(XmlNode(child));
    }
    return result;
}

bool XmlNode::hasChildNodes() const
{
    return !firstChild().isNull();
}

XmlNode XmlNode::firstChild() const
{
    if (!m_node || m_node->type == XML_ENTITY_REF_NODE)
        return {};
    for (xmlNode* child = m_node->children; child; child = child->next) {
        if (isNavigable(child))
            return XmlNode(child);
    }
    return {};
}

XmlNode XmlNode::lastChild() const
{
    if (!m_node || m_node->type == XML_ENTITY_REF_NODE)
        return {};
    for (xmlNode* child = m_node->last; child; child = child->prev) {
        if (isNavigable(child))
            return XmlNode(child);
    }
    return {};
}

QList<XmlNode> XmlNode::children() const
{
    QList<XmlNode> result;
    if (!isElement())
        return result;
    for (xmlNode* child = m_node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            result.append(XmlNode(child));
    }
    return result;
}

XmlNode XmlNode::parent() const
{
    if (!m_node || !m_node->parent || m_node->parent->type != XML_ELEMENT_NODE)
        return {};
    return XmlNode(m_node->parent);
}

XmlNode XmlNode::firstDescendant(const QString& name) const
{
    XmlNode found;
    if (isElement()) {
        forEachDescendant(m_node, name, [&](xmlNode* node) {
            found = XmlNode(node);
            return false;
        });
    }
    return found;
}

QList<XmlNode> XmlNode::descendants(const QString& name) const
{
    QList<XmlNode> result;
    if (isElement()) {
        forEachDescendant(m_node, name, [&](xmlNode* node) {
            result.append(XmlNode(node));
            return true;
        });
    }
    return result;
}

XmlNode XmlNode::appendElement(const QString& name)
{
    if (!isElement())
        return {};
    xmlNode* child = xmlNewDocNode(m_node->doc, nullptr, xc(name.toUtf8()), nullptr);
    if (!child)
        return {};
    return XmlNode(xmlAddChild(m_node, child));
}

XmlNode XmlNode::appendText(const QString& text)
{
    if (!isElement())
        return {};
    xmlNode* child = xmlNewDocText(m_node->doc, xc(xmlCharactersOnly(text).toUtf8()));
    if (!child)
        return {};
    // xmlAddChild merges adjacent text nodes and then frees `child`.
    return XmlNode(xmlAddChild(m_node, child));
}

// ---- XmlDoc ----------------------------------------------------------------

void XmlDoc::DocFree::operator()(_xmlDoc* doc) const
{
    xmlFreeDoc(doc);
}

XmlDoc::XmlDoc() = default;
XmlDoc::~XmlDoc() = default;
XmlDoc::XmlDoc(XmlDoc&&) noexcept = default;
XmlDoc& XmlDoc::operator=(XmlDoc&&) noexcept = default;

Result<XmlDoc> XmlDoc::parse(const QByteArray& bytes)
{
    initLibxml();
    XmlDoc result;
    auto fail = [](const QString& why) { return Failure { why }; };

    const bool bom = GbkCodec::hasUtf8Bom(bytes);
    const qsizetype start = bom ? 3 : 0;
    const QString declaration = QString::fromLatin1(declarationOf(bytes, start));
    QByteArray input = bytes;
    if (isGbkFamily(declaredEncoding(declaration))) {
        // Hand libxml2 the document as UTF-8 with a declaration saying so: a
        // byte-order mark means UTF-8, otherwise the bytes are GBK.
        Result<QString> decoded = bom ? GbkCodec::decodeUtf8(bytes.sliced(3)) : GbkCodec::decode(bytes);
        if (!decoded)
            return fail(decoded.message());
        QString text = std::move(decoded).value();
        // The declaration is ASCII, so it occupies the same first characters.
        text.replace(0, declaration.size(), redeclaredAsUtf8(declaration));
        input = text.toUtf8();
    }
    if (input.size() > INT_MAX)
        return fail(u"文件太大"_s);

    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context)
        return fail(u"内存不足"_s);
    if (context->sax)
        context->sax->serror = ignoreStructuredError;
    // Only NONET: no entity substitution (NOENT), no DTD loading or
    // validation, and libxml2's size limits stay on (no HUGE).
    xmlDocPtr doc = xmlCtxtReadMemory(
        context, input.constData(), static_cast<int>(input.size()), nullptr, nullptr, XML_PARSE_NONET);
    if (!doc || !context->wellFormed) {
        const xmlError* last = xmlCtxtGetLastError(context);
        QString why = last && last->message ? QString::fromUtf8(last->message).trimmed() : u"不是有效的XML文档"_s;
        if (last && last->line > 0)
            why = u"第%1行：%2"_s.arg(last->line).arg(why);
        if (doc)
            xmlFreeDoc(doc);
        xmlFreeParserCtxt(context);
        return fail(why);
    }
    xmlFreeParserCtxt(context);
    // None of our files needs entity declarations. Internal entities would be
    // expanded each time a value is read, outside the parser's limits, so that a
    // small file could ask for gigabytes; an external subset might declare some
    // unseen. A document type declaration without either is harmless.
    const xmlDtd* dtd = xmlGetIntSubset(doc);
    if (dtd && (dtd->entities || dtd->pentities || dtd->ExternalID || dtd->SystemID)) {
        xmlFreeDoc(doc);
        return fail(u"不支持带有文档类型定义(DTD)的XML文件"_s);
    }
    result.m_doc.reset(doc);
    result.m_declaration = declaration;
    return result;
}

Result<XmlDoc> XmlDoc::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { file.errorString() };
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failure { file.errorString() };
    return parse(bytes);
}

XmlDoc XmlDoc::create(const QString& declaration)
{
    initLibxml();
    XmlDoc result;
    result.m_doc.reset(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    result.m_declaration = declaration;
    return result;
}

XmlNode XmlDoc::rootElement() const
{
    return m_doc ? XmlNode(xmlDocGetRootElement(m_doc.get())) : XmlNode();
}

XmlNode XmlDoc::setRootElement(const QString& name)
{
    if (!m_doc)
        return {};
    xmlNode* root = xmlNewDocNode(m_doc.get(), nullptr, xc(name.toUtf8()), nullptr);
    if (!root)
        return {};
    if (xmlNode* old = xmlDocSetRootElement(m_doc.get(), root)) {
        xmlUnlinkNode(old);
        xmlFreeNode(old);
    }
    return XmlNode(root);
}

QList<XmlNode> XmlDoc::childNodes() const
{
    QList<XmlNode> result;
    if (!m_doc)
        return result;
    for (xmlNode* child = m_doc->children; child; child = child->next) {
        if (isNavigable(child))
            result.append(XmlNode(child));
    }
    return result;
}

XmlNode XmlDoc::lastChild() const
{
    if (!m_doc)
        return {};
    for (xmlNode* child = m_doc->last; child; child = child->prev) {
        if (isNavigable(child))
            return XmlNode(child);
    }
    return {};
}

XmlNode XmlDoc::firstDescendant(const QString& name) const
{
    XmlNode found;
    if (m_doc) {
        forEachDescendant(reinterpret_cast<xmlNode*>(m_doc.get()), name, [&](xmlNode* node) {
            found = XmlNode(node);
            return false;
        });
    }
    return found;
}

QList<XmlNode> XmlDoc::descendants(const QString& name) const
{
    QList<XmlNode> result;
    if (m_doc) {
        forEachDescendant(reinterpret_cast<xmlNode*>(m_doc.get()), name, [&](xmlNode* node) {
            result.append(XmlNode(node));
            return true;
        });
    }
    return result;
}

namespace {

// The document's nodes as libxml2 writes them in UTF-8, without any
// formatting of its own (the whitespace text of the document is the layout).
QByteArray serialiseUtf8(xmlDoc* doc, bool withDeclaration)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    if (!buffer)
        return {};
    // With an encoding on the context libxml2 writes non-ASCII characters of
    // attribute values as they are instead of as character references.
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", withDeclaration ? 0 : XML_SAVE_NO_DECL);
    QByteArray result;
    if (save) {
        xmlSaveDoc(save, doc);
        xmlSaveClose(save);
        result = QByteArray(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
    }
    xmlBufferFree(buffer);
    return result;
}

} // namespace

QByteArray XmlDoc::toUtf8() const
{
    return m_doc ? serialiseUtf8(m_doc.get(), true) : QByteArray();
}

QByteArray XmlDoc::toGbkFile() const
{
    if (!m_doc)
        return {};
    const QString declaration = isGbkFamily(declaredEncoding(m_declaration)) ? m_declaration : kGbkDeclaration;
    QString text = declaration + u'\n' + QString::fromUtf8(serialiseUtf8(m_doc.get(), false));
    // Raw line feeds come only from the layout text, comments and the line
    // ends libxml2 puts between top-level nodes (it writes a carriage return
    // in content as "&#13;"), so each one becomes a CR LF line end.
    text.replace(u'\n', u"\r\n"_s);
    return GbkCodec::encodeWithCharacterReferences(text);
}

QString escapeXml(const QString& text)
{
    QString result;
    result.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            result += u"&amp;"_s;
            break;
        case u'<':
            result += u"&lt;"_s;
            break;
        case u'>':
            result += u"&gt;"_s;
            break;
        case u'"':
            result += u"&quot;"_s;
            break;
        default:
            result += c;
        }
    }
    return result;
}
