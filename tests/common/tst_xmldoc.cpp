#include "TestFiles.h"
#include "TestRegistry.h"

#include "common/XmlDoc.h"
#include "common/XmlRead.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QStringList names(const QList<XmlNode>& nodes)
{
    QStringList result;
    for (const XmlNode& node : nodes)
        result.append(node.isElement() ? node.name() : u"#"_s + node.text());
    return result;
}

} // namespace

class TestXmlDoc : public QObject {
    Q_OBJECT

private slots:
    void malformedDocumentsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not xml") << QByteArray("hello");
        QTest::newRow("unclosed") << QByteArray("<a><b></a>");
        QTest::newRow("two roots") << QByteArray("<a/><b/>");
        QTest::newRow("invalid gbk under gb2312") << QByteArray("<?xml version='1.0' encoding='gb2312'?><a>\xFF</a>");
    }
    void malformedDocumentsAreRefused()
    {
        QFETCH(QByteArray, bytes);
        const Result<XmlDoc> doc = XmlDoc::parse(bytes);
        QVERIFY(!doc.ok());
        QVERIFY(!doc.message().isEmpty());
    }

    // External entities and DTDs are never loaded: a document naming a local
    // file must not bring that file's contents into the tree or its output.
    // A document type declaration that declares entities or names an external
    // subset is refused whole: external entities would read local files, and
    // internal ones are expanded at every read, so that a small file could ask
    // for gigabytes. One without them is read.
    void externalEntitiesAreNotLoaded_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<bool>("parsed"); // false: the document is refused as a whole
        QTest::newRow("general entity") << u"<!DOCTYPE r [<!ENTITY x SYSTEM \"@S@\">]><r>a&x;b</r>"_s << false;
        QTest::newRow("entity in attribute")
            << u"<!DOCTYPE r [<!ENTITY x SYSTEM \"@S@\">]><r v=\"&x;\">ab</r>"_s << false;
        QTest::newRow("parameter entity") << u"<!DOCTYPE r [<!ENTITY % p SYSTEM \"@D@\"> %p;]><r>ab</r>"_s << false;
        QTest::newRow("entity from parameter entity")
            << u"<!DOCTYPE r [<!ENTITY % p SYSTEM \"@D@\"> %p;]><r>a&y;b</r>"_s << false;
        QTest::newRow("external subset") << u"<!DOCTYPE r SYSTEM \"@D@\"><r>a&y;b</r>"_s << false;
        QTest::newRow("internal entity") << u"<!DOCTYPE r [<!ENTITY a \"TOPSECRET\">]><r>&a;&a;</r>"_s << false;
        QTest::newRow("no declaration") << u"<r>a<!-- &x; -->b</r>"_s << true;
        QTest::newRow("declaration without entities") << u"<!DOCTYPE r>\n<r>ab</r>"_s << true;
        QTest::newRow("element declaration only") << u"<!DOCTYPE r [<!ELEMENT r (#PCDATA)>]><r>ab</r>"_s << true;
    }
    void externalEntitiesAreNotLoaded()
    {
        QFETCH(QString, document);
        QFETCH(bool, parsed);
        QTemporaryDir dir;
        const QString secret = dir.filePath(u"secret.txt"_s);
        const QString dtd = dir.filePath(u"secret.dtd"_s);
        {
            QFile file(secret);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("TOPSECRET");
            QFile dtdFile(dtd);
            QVERIFY(dtdFile.open(QIODevice::WriteOnly));
            dtdFile.write("<!ENTITY y \"TOPSECRET\">");
        }
        const QByteArray bytes = QString(document)
                                     .replace(u"@S@"_s, QUrl::fromLocalFile(secret).toString())
                                     .replace(u"@D@"_s, QUrl::fromLocalFile(dtd).toString())
                                     .toUtf8();
        const XmlDoc doc = parsedXml(bytes);
        QCOMPARE(!doc.isNull(), parsed);
        if (!parsed)
            return;
        const XmlNode root = doc.rootElement();
        QCOMPARE(root.name(), u"r"_s);
        QCOMPARE(root.text(), u"ab"_s);
        QVERIFY(!root.text().contains(u"TOPSECRET"_s));
        QVERIFY(!root.attribute(u"v"_s).contains(u"TOPSECRET"_s));
        QVERIFY(!doc.toUtf8().contains("TOPSECRET"));
        QVERIFY(!doc.toGbkFile().contains("TOPSECRET"));
    }

    // Real files declared GB2312 carry GBK characters GB2312 lacks.
    void gb2312DeclaredDocumentIsReadAsGbk()
    {
        const QByteArray bytes = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
                                 "<r name=\"\xD6\xEC\xE9\x46\xBB\xF9\">\x80\xB2\xE2</r>\r\n";
        const Result<XmlDoc> parsed = XmlDoc::parse(bytes);
        QVERIFY2(parsed.ok(), qPrintable(parsed.message()));
        const XmlDoc& doc = parsed.value();
        QCOMPARE(doc.rootElement().attribute(u"name"_s), u"朱镕基"_s);
        QCOMPARE(doc.rootElement().text(), u"€测"_s);
        QCOMPARE(doc.declaration(), u"<?xml version=\"1.0\" encoding=\"GB2312\"?>"_s);
        // Written back as GBK under the same declaration.
        QCOMPARE(doc.toGbkFile(), bytes);
    }

    void otherEncodingsAreLeftToTheParser_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no declaration") << QByteArray("<r>\xE4\xB8\xAD</r>");
        QTest::newRow("utf-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xE4\xB8\xAD</r>");
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?><r>\xE4\xB8\xAD</r>");
        QTest::newRow("bom beats gb2312")
            << QByteArray("\xEF\xBB\xBF<?xml version='1.0' encoding='gb2312'?><r>\xE4\xB8\xAD</r>");
    }
    void otherEncodingsAreLeftToTheParser()
    {
        QFETCH(QByteArray, bytes);
        const XmlDoc doc = parsedXml(bytes);
        QVERIFY(!doc.isNull());
        QCOMPARE(doc.rootElement().text(), u"中"_s);
        // A document not declared in GBK gets the GB2312 declaration when
        // written as a GBK file.
        if (!bytes.contains("gb2312"))
            QCOMPARE(doc.toGbkFile(), QByteArray("<?xml version='1.0' encoding='gb2312'?>\r\n<r>\xD6\xD0</r>\r\n"));
    }

    void navigationSkipsWhitespace()
    {
        const XmlDoc doc = parsedXml("<root>\n  <a/>\n  some text\n  <!--note--><b x=\"1\"><c/></b>\n</root>");
        QVERIFY(!doc.isNull());
        const XmlNode root = doc.rootElement();
        QCOMPARE(root.name(), u"root"_s);
        QCOMPARE(names(root.childNodes()), (QStringList { u"a"_s, u"#\n  some text\n  "_s, u"#note"_s, u"b"_s }));
        QCOMPARE(names(root.children()), (QStringList { u"a"_s, u"b"_s }));
        QCOMPARE(root.firstChild().name(), u"a"_s);
        QCOMPARE(root.lastChild().name(), u"b"_s);
        QCOMPARE(root.lastChild().lastChild().name(), u"c"_s);
        QCOMPARE(root.lastChild().parent(), root);
        QVERIFY(root.firstChild().isElement());
        QVERIFY(root.childNodes().at(1).isText());

        const XmlDoc blank = parsedXml("<root>\r\n\t \r\n</root>");
        QVERIFY(!blank.rootElement().hasChildNodes());
        QVERIFY(blank.rootElement().childNodes().isEmpty());
        QVERIFY(blank.rootElement().lastChild().isNull());
        QVERIFY(doc.rootElement().hasChildNodes());
    }

    void lastTopLevelNode()
    {
        const XmlDoc plain = parsedXml("<!--head--><root/>");
        QCOMPARE(plain.lastChild(), plain.rootElement());
        // Something after the root element is the last top-level node.
        const XmlDoc trailing = parsedXml("<root><a/></root><!--tail-->");
        QVERIFY(trailing.lastChild() != trailing.rootElement());
        QCOMPARE(trailing.lastChild().text(), u"tail"_s);
        QVERIFY(!trailing.lastChild().hasChildNodes());
        QCOMPARE(trailing.childNodes().size(), 2);
    }

    void descendantSelection()
    {
        const XmlDoc doc = parsedXml(
            "<rec i=\"0\"><x><rec i=\"1\"/><y><rec i=\"2\"><rec i=\"3\"/></rec></y></x><other/><rec i=\"4\"/></rec>");
        auto ids = [](const QList<XmlNode>& nodes) {
            QStringList result;
            for (const XmlNode& node : nodes)
                result.append(node.attribute(u"i"_s));
            return result;
        };
        // From the document the root itself counts; from an element, only what is below it.
        QCOMPARE(ids(doc.descendants(u"rec"_s)), (QStringList { u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s }));
        QCOMPARE(ids(doc.rootElement().descendants(u"rec"_s)), (QStringList { u"1"_s, u"2"_s, u"3"_s, u"4"_s }));
        const XmlNode x = doc.rootElement().firstChild();
        QCOMPARE(ids(x.descendants(u"rec"_s)), (QStringList { u"1"_s, u"2"_s, u"3"_s }));
        QCOMPARE(x.firstDescendant(u"rec"_s).attribute(u"i"_s), u"1"_s);
        QCOMPARE(doc.firstDescendant(u"rec"_s), doc.rootElement());
        QVERIFY(x.firstDescendant(u"other"_s).isNull());
        QVERIFY(doc.descendants(u"Rec"_s).isEmpty());
        QVERIFY(XmlNode().firstDescendant(u"rec"_s).isNull());
    }

    void attributes()
    {
        XmlDoc doc = parsedXml("<e a=\"1\" empty=\"\" amp=\"x&amp;y\"/>");
        XmlNode e = doc.rootElement();
        bool present = false;
        QCOMPARE(e.attribute(u"a"_s, &present), u"1"_s);
        QVERIFY(present);
        QCOMPARE(e.attribute(u"empty"_s, &present), QString());
        QVERIFY(present);
        QCOMPARE(e.attribute(u"missing"_s, &present), QString());
        QVERIFY(!present);
        QVERIFY(!e.hasAttribute(u"missing"_s));
        QCOMPARE(e.attribute(u"amp"_s), u"x&y"_s);
    }

    // An existing attribute keeps its place; a new one goes after the others.
    // Values are taken literally and escaped when written.
    void setAttributeKeepsOrder()
    {
        XmlDoc doc = parsedXml("<?xml version='1.0' encoding='gb2312'?>\r\n<e a=\"1\" b=\"2\" c=\"3\"/>");
        XmlNode e = doc.rootElement();
        e.setAttribute(u"b"_s, u"x&<\"y"_s);
        e.setAttribute(u"d"_s, u"4"_s);
        e.setAttribute(u"a"_s, u"中"_s);
        QCOMPARE(doc.toGbkFile(),
            QByteArray("<?xml version='1.0' encoding='gb2312'?>\r\n"
                       "<e a=\"\xD6\xD0\" b=\"x&amp;&lt;&quot;y\" c=\"3\" d=\"4\"/>\r\n"));
        const QList<QPair<QString, QString>> expected { { u"a"_s, u"中"_s }, { u"b"_s, u"x&<\"y"_s },
            { u"c"_s, u"3"_s }, { u"d"_s, u"4"_s } };
        QCOMPARE(e.attributes(), expected);
        QCOMPARE(parsedXml(doc.toGbkFile()).rootElement().attribute(u"b"_s), u"x&<\"y"_s);
    }

    // Rewriting keeps everything the program does not know about, in order,
    // with CR LF line ends and the original declaration.
    void rewriteKeepsUnknownContent()
    {
        const QByteArray original = "<?xml version=\"1.0\" encoding=\"gb2312\" standalone=\"yes\"?>\r\n"
                                    "<!-- settings -->\r\n"
                                    "<SysConf z=\"1\" bank_name=\"B\">\r\n"
                                    "\t<Unknown keep=\"yes\">text &amp; more<inner/></Unknown>\r\n"
                                    "\t<G><F id=\"1\" q=\"2\"/><![CDATA[<raw>]]></G>\r\n"
                                    "</SysConf>\r\n";
        const XmlDoc doc = parsedXml(original);
        QVERIFY(!doc.isNull());
        QCOMPARE(doc.toGbkFile(), original);
    }

    // Characters XML cannot carry never reach the file, so it always reads back.
    void controlCharactersAreDroppedOnWrite()
    {
        XmlDoc doc = parsedXml("<?xml version='1.0' encoding='gb2312'?><r a=\"x\"/>");
        QVERIFY(!doc.isNull());
        doc.rootElement().setAttribute(u"a"_s, u"A\u000BB\u0001C\tD"_s);
        doc.rootElement().appendText(u"t\u001Fu"_s);
        const XmlDoc again = parsedXml(doc.toGbkFile());
        QVERIFY(!again.isNull());
        QCOMPARE(again.rootElement().attribute(u"a"_s), u"ABC\tD"_s);
        QCOMPARE(again.rootElement().text(), u"tu"_s);
    }

    void charactersOutsideGbkBecomeReferences()
    {
        XmlDoc doc = parsedXml("<?xml version='1.0' encoding='gb2312'?><r/>");
        doc.rootElement().setAttribute(u"name"_s, u"A😀한"_s);
        doc.rootElement().appendText(u"€😀"_s);
        const QByteArray bytes = doc.toGbkFile();
        QCOMPARE(bytes,
            QByteArray("<?xml version='1.0' encoding='gb2312'?>\r\n"
                       "<r name=\"A&#x1F600;&#xD55C;\">\x80&#x1F600;</r>\r\n"));
        const XmlDoc back = parsedXml(bytes);
        QCOMPARE(back.rootElement().attribute(u"name"_s), u"A😀한"_s);
        QCOMPARE(back.rootElement().text(), u"€😀"_s);
    }

    void buildDocument()
    {
        XmlDoc doc = XmlDoc::create(u"<?xml version='1.0' encoding='gb2312'?>"_s);
        XmlNode root = doc.setRootElement(u"R"_s);
        root.setAttribute(u"k"_s, QString());
        root.appendText(u"\n\t"_s);
        XmlNode child = root.appendElement(u"C"_s);
        child.setAttribute(u"v"_s, u"户名"_s);
        root.appendText(u"\n"_s);
        QCOMPARE(doc.toGbkFile(),
            QByteArray("<?xml version='1.0' encoding='gb2312'?>\r\n"
                       "<R k=\"\">\r\n\t<C v=\"\xBB\xA7\xC3\xFB\"/>\r\n</R>\r\n"));
        QVERIFY(doc.toUtf8().contains("<C v=\"\xE6\x88\xB7\xE5\x90\x8D\"/>"));
    }

    void nullNodesAreHarmless()
    {
        XmlNode none;
        QVERIFY(none.isNull());
        QCOMPARE(none.name(), QString());
        QCOMPARE(none.text(), QString());
        QCOMPARE(none.attribute(u"a"_s), QString());
        QVERIFY(none.childNodes().isEmpty());
        QVERIFY(none.children().isEmpty());
        QVERIFY(none.lastChild().isNull());
        none.setAttribute(u"a"_s, u"b"_s);
        QVERIFY(none.appendElement(u"x"_s).isNull());
        XmlDoc empty;
        QVERIFY(empty.rootElement().isNull());
        QVERIFY(empty.toGbkFile().isEmpty());
    }

    void escapeXml_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("plain") << u"中文 abc"_s << u"中文 abc"_s;
        QTest::newRow("all four") << u"a&b<c>d\"e"_s << u"a&amp;b&lt;c&gt;d&quot;e"_s;
        QTest::newRow("apostrophe kept") << u"O'Brien"_s << u"O'Brien"_s;
        QTest::newRow("already escaped") << u"&amp;"_s << u"&amp;amp;"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void escapeXml()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(::escapeXml(text), escaped);
    }

    // The reading helpers of XmlRead over a parsed document.
    void xmlReaders()
    {
        const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <head>
    <count>2</count>
    <name>工资</name>
    <empty/>
  </head>
  <body>
    <record><f>A</f><f>B</f></record>
    <record>
      <f>1</f>
      <f kind="null" note="ok" upper="NULL">2</f>
    </record>
  </body>
</root>
)";
        const Result<XmlDoc> parsed = XmlDoc::parse(xml);
        QVERIFY2(parsed.ok(), qPrintable(parsed.message()));
        const XmlDoc& doc = parsed.value();
        const XmlNode root = doc.rootElement();
        const XmlNode head = root.firstDescendant(u"head"_s);
        QVERIFY(head);

        QCOMPARE(getNodeText(doc, u"count"_s, u"0"_s), u"2"_s);
        QCOMPARE(getNodeText(root, u"name"_s, QString()), u"工资"_s);
        QCOMPARE(getNodeText(doc, u"f"_s, QString()), u"A"_s); // the first in document order
        QCOMPARE(getNodeText(head, u"f"_s, u"none"_s), u"none"_s); // only below the node
        QCOMPARE(getNodeText(doc, u"missing"_s, u"default"_s), u"default"_s);
        QCOMPARE(getNodeText(XmlNode(), u"count"_s, u"default"_s), u"default"_s);

        // root -> last child body -> last child (second record) -> child at index.
        const XmlNode field = getRecordField(root, 1);
        QVERIFY(field);
        QCOMPARE(field.text(), u"2"_s);
        QCOMPARE(getRecordField(root, 0).text(), u"1"_s);
        QVERIFY(!getRecordField(root, 2));
        QVERIFY(!getRecordField(root, -1));
        // From the document: root -> body (its last child) -> children of body.
        QCOMPARE(getRecordField(doc, 0).name(), u"record"_s);
        QCOMPARE(getRecordField(doc, 0).text(), u"AB"_s);
        // head's last child is an empty element: none.
        QVERIFY(!getRecordField(head, 0));
        QVERIFY(!getRecordField(XmlNode(), 0));

        QCOMPARE(getAttributeText(field, u"kind"_s), QString()); // "null"
        QCOMPARE(getAttributeText(field, u"note"_s), u"ok"_s);
        QCOMPARE(getAttributeText(field, u"upper"_s), u"NULL"_s); // only the exact text
        QCOMPARE(getAttributeText(field, u"absent"_s), QString());
        QCOMPARE(getAttributeText(XmlNode(), u"note"_s), QString());
    }
};

QELVORA_TEST(TestXmlDoc)
#include "tst_xmldoc.moc"
