#pragma once

// Reading values out of the XML exchange files: element texts, attributes and
// the fields of a record.

#include "common/XmlDoc.h"

#include <QString>

// The text of the first element named `name` below `node` (".//name"), or
// `defaultText` when there is none.
QString getNodeText(const XmlNode& node, const QString& name, const QString& defaultText);
QString getNodeText(const XmlDoc& doc, const QString& name, const QString& defaultText);
// The attribute's value; empty when the element is none, the attribute is
// absent or its value is the text "null".
QString getAttributeText(const XmlNode& element, const QString& name);
// The child at `index` (0-based) of the last child of the node's last child;
// none when there is no such child. Whitespace between elements is not a child.
XmlNode getRecordField(const XmlNode& node, int index);
XmlNode getRecordField(const XmlDoc& doc, int index);

// The message of an XML import file that is not a usable document (malformed,
// truncated, empty, wrong encoding, refused declarations, records out of
// place): "文件“<file name>”无法读取：<why>".
QString unreadableXmlMessage(const QString& path, const QString& why);
// Parses the bytes of an XML import file read from `path`. A document without
// a root element fails too; the failure is unreadableXmlMessage.
Result<XmlDoc> parseImportFile(const QString& path, const QByteArray& bytes);
