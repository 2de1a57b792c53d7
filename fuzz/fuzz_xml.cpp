// Feeds arbitrary bytes to the XML reader used by every import and by the
// settings file, walks whatever it accepts with the import readers, and writes
// it back out; also feeds the same bytes to the strict GBK decoder, and as
// UTF-8 to the GBK encoder, whose two paths must agree.
//   build-fuzz/fuzz/fuzz_xml -max_total_time=300 CORPUS-DIR tests/data/masterdata

#include "common/GbkCodec.h"
#include "common/TextFile.h"
#include "common/XmlDoc.h"
#include "common/XmlRead.h"

#include <cstdint>
#include <cstdlib>

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

    // UTF-8 to GBK: the quick check, the direct encoder and the encoder of the
    // decoded text agree on whether the text can be written, and on its bytes.
    const qsizetype unencodable = GbkCodec::firstUnencodableUtf8(bytes);
    const Result<QByteArray> direct = GbkCodec::encodeUtf8(bytes);
    if (direct.ok() != (unencodable < 0) || (!direct.ok() && direct.at() != unencodable))
        std::abort();
    if (direct.ok()) {
        const Result<QByteArray> viaText = GbkCodec::encode(QString::fromUtf8(bytes));
        if (!viaText.ok() || viaText.value() != direct.value())
            std::abort();
    }

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
