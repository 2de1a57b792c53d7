// Feeds arbitrary bytes to the XML reader used by every import and by the
// settings file, walks whatever it accepts with the import readers, and writes
// it back out; also feeds the same bytes to the strict GBK decoder.
//   build-fuzz/fuzz/fuzz_xml -max_total_time=300 CORPUS-DIR tests/data/masterdata

#include "common/GbkCodec.h"
#include "common/TextFile.h"
#include "common/XmlDoc.h"
#include "common/XmlRead.h"

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {
void walk(const XmlNode& node, int depth)
{
    if (depth > 64)
        return;
    for (const auto& [name, value] : node.attributes())
        (void)getAttributeText(node, name);
    (void)getRecordField(node, 0);
    (void)getNodeText(node, u"Value"_s, QString());
    for (const XmlNode& child : node.childNodes())
        walk(child, depth + 1);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const Result<QString> decoded = GbkCodec::decodeFile(bytes);
    if (decoded)
        (void)TextFile::splitLines(decoded.value());

    Result<XmlDoc> parsed = XmlDoc::parse(bytes);
    if (!parsed)
        return 0;
    XmlDoc& doc = parsed.value();
    for (const XmlNode& account : doc.descendants(u"Account"_s))
        (void)getNodeText(account, u"AccountNO"_s, QString());
    walk(doc.rootElement(), 0);
    (void)doc.toGbkFile();
    (void)doc.toUtf8();
    return 0;
}
