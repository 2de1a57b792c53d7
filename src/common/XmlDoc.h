#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

#include "common/Result.h"

struct _xmlDoc;
struct _xmlNode;

// A node of an XmlDoc: a light handle, valid as long as its document lives and
// the node is not removed. A default-constructed handle is "none": every query
// on it answers empty, and every change is ignored.
//
// Navigation skips text nodes that hold only whitespace (the indentation
// between elements), so a child list holds the elements and the text that
// carries content, as the readers of imported files expect.
class XmlNode {
public:
    XmlNode() = default;

    bool isNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    bool operator==(const XmlNode& other) const { return m_node == other.m_node; }

    bool isElement() const;
    bool isText() const; // text or CDATA
    // The element's name as written (with its prefix, if any); empty for other nodes.
    QString name() const;

    // The text content of the node and everything below it.
    QString text() const;

    // The attribute's value; empty when absent. `present` tells which.
    QString attribute(const QString& name, bool* present = nullptr) const;
    bool hasAttribute(const QString& name) const;
    // Sets an attribute: an existing attribute keeps its place, a new one is
    // appended after the others.
    void setAttribute(const QString& name, const QString& value);
    // Every attribute in document order, as (name, value).
    QList<QPair<QString, QString>> attributes() const;

    // Child nodes in document order: elements, text with content, CDATA,
    // comments and processing instructions; whitespace-only text is skipped.
    QList<XmlNode> childNodes() const;
    bool hasChildNodes() const;
    XmlNode firstChild() const;
    XmlNode lastChild() const;
    // Child elements only, in document order.
    QList<XmlNode> children() const;
    XmlNode parent() const;

    // The first element named `name` below this node in document order (the
    // node itself excluded): the path ".//name".
    XmlNode firstDescendant(const QString& name) const;
    // Every element named `name` below this node, in document order.
    QList<XmlNode> descendants(const QString& name) const;

    // Appends a new child element / a text node; returns the new node.
    XmlNode appendElement(const QString& name);
    XmlNode appendText(const QString& text);

private:
    friend class XmlDoc;
    explicit XmlNode(_xmlNode* node)
        : m_node(node)
    {
    }
    _xmlNode* m_node = nullptr;
};

// An XML document (libxml2) with safe parsing and order-keeping serialisation.
//
// Parsing never touches the network or the file system: external entities and
// DTDs are not loaded (the entity loader refuses every request), entities are
// not substituted, and libxml2's size limits stay on. A document declared in
// GB2312 (or GBK) is decoded as GBK, because real files carry GBK characters
// that GB2312 lacks; its bytes must be valid GBK.
//
// Serialisation keeps the order of elements and attributes and everything the
// program does not know (unknown elements and attributes, comments).
class XmlDoc {
public:
    XmlDoc();
    ~XmlDoc();
    XmlDoc(XmlDoc&&) noexcept;
    XmlDoc& operator=(XmlDoc&&) noexcept;
    XmlDoc(const XmlDoc&) = delete;
    XmlDoc& operator=(const XmlDoc&) = delete;

    // Parses a document from memory; the failure says why it is not one.
    static Result<XmlDoc> parse(const QByteArray& bytes);
    // Reads and parses a file; a missing or unreadable file fails with the
    // system's reason.
    static Result<XmlDoc> load(const QString& path);
    // A new document without nodes; `declaration` is the text written in front
    // of it by toGbkFile(), e.g. "<?xml version='1.0' encoding='gb2312'?>".
    static XmlDoc create(const QString& declaration);

    bool isNull() const { return m_doc == nullptr; }

    // The declaration as it stood in the parsed bytes (or as given to create());
    // empty when the document had none.
    QString declaration() const { return m_declaration; }

    // The root element; none when there is none.
    XmlNode rootElement() const;
    // Creates the root element (replacing any) and returns it.
    XmlNode setRootElement(const QString& name);
    // Top-level nodes: the root element and any comments or processing
    // instructions around it.
    QList<XmlNode> childNodes() const;
    // The last top-level node, normally the root element.
    XmlNode lastChild() const;

    // The first / every element named `name` in the whole document, in
    // document order (the path ".//name" from the document).
    XmlNode firstDescendant(const QString& name) const;
    QList<XmlNode> descendants(const QString& name) const;

    // The document as UTF-8 text with an XML declaration naming UTF-8.
    QByteArray toUtf8() const;

    // The document as a GBK file: the document's own declaration when it names
    // GB2312 or GBK, else "<?xml version='1.0' encoding='gb2312'?>"; then the
    // nodes as libxml2 writes them. Every line ends with CR LF. A character that
    // GBK cannot carry is written as a character reference.
    QByteArray toGbkFile() const;

private:
    struct DocFree {
        void operator()(_xmlDoc* doc) const;
    };
    std::unique_ptr<_xmlDoc, DocFree> m_doc;
    QString m_declaration;
};

// Escapes text for an XML file written line by line: & < > and ".
QString escapeXml(const QString& text);
