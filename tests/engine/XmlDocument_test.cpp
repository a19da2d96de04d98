// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/XmlDocument.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "engine/CodePage.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

// "Привет" in windows-1251.
const std::string kPrivet = "\xCF\xF0\xE8\xE2\xE5\xF2";

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "qx-xml-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    fs::path Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return path_ / name;
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

XmlDocument& Load(XmlDocument& doc, const std::string& text) {
    EXPECT_TRUE(doc.loadXML(text)) << doc.parseError().reason;
    return doc;
}

TEST(XmlDocument, DropsBlankTextAndTrimsOutsidePreserve) {
    XmlDocument doc;
    Load(doc, "<a>\n  <b> x y </b>\n  <c/>\n  <d>  </d></a>");
    XmlNode a = doc.documentElement();
    ASSERT_EQ(a.childNodes().size(), 3u);
    EXPECT_EQ(a.selectSingleNode("b").text(), "x y");
    EXPECT_EQ(a.selectSingleNode("b").firstChild().text(), "x y");
    EXPECT_FALSE(a.selectSingleNode("d").hasChildNodes());
    EXPECT_EQ(a.text(), "x y");
}

TEST(XmlDocument, KeepsEveryWhiteSpaceUnderPreserve) {
    XmlDocument doc;
    Load(doc,
         "<List xml:space=\"preserve\">\n<Item> <Find> </Find> <Replace>  </Replace>"
         "<Tab>\t</Tab></Item><Inner xml:space=\"default\"> <x> y </x> </Inner></List>");
    XmlNode item = doc.selectSingleNode("//List/Item");
    EXPECT_EQ(item.selectSingleNode("Find").text(), " ");
    EXPECT_EQ(item.selectSingleNode("Replace").text(), "  ");
    EXPECT_EQ(item.selectSingleNode("Tab").text(), "\t");
    EXPECT_EQ(item.childNodes().size(), 5u);  // blank text between the children stays
    XmlNode inner = doc.selectSingleNode("//Inner");
    EXPECT_EQ(inner.childNodes().size(), 1u);
    EXPECT_EQ(inner.selectSingleNode("x").text(), "y");
}

TEST(XmlDocument, NodeTypes) {
    XmlDocument doc;
    Load(doc, "<?xml version=\"1.0\"?><!--c--><r a=\"v\">t<![CDATA[<d>]]><?pi data?></r>");
    struct Row {
        const char* path;
        int type;
        const char* typeString;
        const char* name;
        const char* text;
    };
    const Row rows[] = {
        {"/", XmlNode::kDocument, "document", "#document", "t<d>"},
        {"/r", XmlNode::kElement, "element", "r", "t<d>"},
        {"/r/@a", XmlNode::kAttribute, "attribute", "a", "v"},
        {"/r/text()", XmlNode::kText, "text", "#text", "t"},
        {"//comment()", XmlNode::kComment, "comment", "#comment", "c"},
        {"/r/processing-instruction()", XmlNode::kProcessingInstruction, "processinginstruction",
         "pi", "data"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        XmlNode n = doc.selectSingleNode(row.path);
        ASSERT_TRUE(n);
        EXPECT_EQ(n.nodeType(), row.type);
        EXPECT_EQ(n.nodeTypeString(), row.typeString);
        EXPECT_EQ(n.nodeName(), row.name);
        EXPECT_EQ(n.text(), row.text);
    }
    XmlNode cdata = doc.documentElement().childNodes().at(1);
    EXPECT_EQ(cdata.nodeTypeString(), "cdatasection");
    EXPECT_EQ(cdata.text(), "<d>");
}

TEST(XmlDocument, DeclarationIsFirstChildProcessingInstruction) {
    XmlDocument doc;
    Load(doc, "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<!--c--><r/>");
    XmlNode decl = doc.firstChild();
    ASSERT_TRUE(decl);
    EXPECT_EQ(decl.nodeType(), XmlNode::kProcessingInstruction);
    EXPECT_EQ(decl.nodeName(), "xml");
    EXPECT_EQ(decl.text(), "version=\"1.0\" encoding=\"windows-1251\"");
    EXPECT_EQ(decl.xml(), "<?xml version=\"1.0\" encoding=\"windows-1251\"?>");
    EXPECT_EQ(decl.nextSibling().nodeTypeString(), "comment");
    EXPECT_EQ(decl.nextSibling().nextSibling(), doc.documentElement());
    EXPECT_EQ(doc.asNode().childNodes().size(), 3u);
    EXPECT_THROW(decl.setText("version=\"1.1\""), XmlError);
    EXPECT_EQ(doc.xml(),
              "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<!--c-->\r\n<r/>\r\n");

    Load(doc, "<r/>");
    EXPECT_EQ(doc.firstChild(), doc.documentElement());
}

TEST(XmlDocument, LoadXmlIgnoresTheDeclaredEncoding) {
    for (const char* encoding : {"utf-8", "windows-1251", "UTF-16", "koi8-r"}) {
        SCOPED_TRACE(encoding);
        XmlDocument doc;
        Load(doc, std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?><r>" +
                      kPrivet + "</r>");
        EXPECT_EQ(doc.documentElement().text(), kPrivet);
    }
}

TEST(XmlDocument, LoadHonoursByteOrderMarkAndDeclaration) {
    const std::string utf8 = Cp1251ToUtf8(kPrivet);
    const auto utf16 = [](const std::string& ascii, bool bigEndian) {
        std::u16string wide = Cp1251ToUtf16(ascii);
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : wide) {
            const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            out += bigEndian ? hi : lo;
            out += bigEndian ? lo : hi;
        }
        return out;
    };
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"cp1251", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>" + kPrivet + "</r>"},
        {"utf8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>" + utf8 + "</r>"},
        {"utf8 default", "<r>" + utf8 + "</r>"},
        {"utf8 bom", "\xEF\xBB\xBF<?xml version=\"1.0\"?><r>" + utf8 + "</r>"},
        {"koi8-r", "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><r>\xF0\xD2\xC9\xD7\xC5\xD4</r>"},
        {"utf16le",
         utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>" + kPrivet + "</r>", false)},
        {"utf16be",
         utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>" + kPrivet + "</r>", true)},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        XmlDocument doc;
        ASSERT_TRUE(doc.load(dir.Write("f.xml", row.bytes))) << doc.parseError().reason;
        EXPECT_EQ(doc.documentElement().text(), kPrivet);
    }
}

TEST(XmlDocument, FileWithNamesTheCodePageLacksIsRefused) {
    // Names cannot take character references: their markup in windows-1251 would not parse.
    const std::string cjk = "\xE6\x97\xA5";  // U+65E5
    TempDir dir;
    for (const std::string& body :
         {"<" + cjk + "/>", "<a " + cjk + "=\"1\"/>", "<?" + cjk + " d?><a/>",
          "<a xmlns:" + cjk + "=\"urn:x\"/>", "<!DOCTYPE a [<!ENTITY " + cjk + " \"e\">]><a/>"}) {
        SCOPED_TRACE(body);
        XmlDocument doc;
        EXPECT_FALSE(doc.load(dir.Write("f.xml", "<?xml version=\"1.0\"?>\n" + body)));
        EXPECT_NE(doc.parseError().reason.find("windows-1251"), std::string::npos);
        EXPECT_FALSE(doc.documentElement());
    }
    // In text the character is fine: markup gives a reference.
    XmlDocument doc;
    ASSERT_TRUE(doc.load(dir.Write("f.xml", "<a b=\"" + cjk + "\">" + cjk + "</a>")));
    EXPECT_EQ(doc.xml(), "<a b=\"&#x65E5;\">&#x65E5;</a>\r\n");
}

TEST(XmlDocument, Cp1251FileWithEveryByteLoads) {
    // 0x98 has no character in windows-1251; it must not make the file unreadable.
    std::string all;
    for (int c = 0x80; c <= 0xFF; ++c) all += static_cast<char>(c);
    TempDir dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.load(
        dir.Write("f.xml", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>" + all + "</r>")));
    EXPECT_EQ(doc.documentElement().text(), all);
}

TEST(XmlDocument, ParseErrorsGiveReasonPositionSourceAndFile) {
    XmlDocument doc;
    EXPECT_FALSE(doc.loadXML("<a>\r\n  <b>" + kPrivet + "</a>\r\n"));
    const XmlParseError& e = doc.parseError();
    EXPECT_FALSE(e.reason.empty());
    EXPECT_EQ(e.line, 2);
    EXPECT_GT(e.linepos, 0);
    EXPECT_EQ(e.srcText, "  <b>" + kPrivet + "</a>");
    EXPECT_EQ(e.url, "");
    // A failed load leaves an empty document.
    EXPECT_FALSE(doc.documentElement());
    EXPECT_TRUE(doc.selectNodes("//a").empty());

    for (const char* bad : {"", "plain prose", "<a>", "<a></b>", "<a/><b/>", "<p:a/>",
                            "<a>&undefined;</a>", "<a>\x01</a>"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(doc.loadXML(bad));
        EXPECT_FALSE(doc.parseError().reason.empty());
    }
    EXPECT_FALSE(doc.loadXML(std::string("<a>\0</a>", 8)));

    TempDir dir;
    const fs::path file = dir.Write("broken.lst", "<List>\n<Item>\n</List>\n");
    EXPECT_FALSE(doc.load(file));
    EXPECT_EQ(doc.parseError().line, 3);
    EXPECT_EQ(doc.parseError().srcText, "</List>");
    const std::string& url = doc.parseError().url;
    EXPECT_EQ(url.substr(url.rfind('/') + 1), "broken.lst");

    EXPECT_FALSE(doc.load(dir.path() / "missing.lst"));
    EXPECT_FALSE(doc.parseError().reason.empty());
    EXPECT_FALSE(doc.load(dir.path()));  // a folder
}

TEST(XmlDocument, SuccessfulLoadClearsTheError) {
    XmlDocument doc;
    EXPECT_FALSE(doc.loadXML("<a>"));
    Load(doc, "<a/>");
    EXPECT_TRUE(doc.parseError().reason.empty());
    EXPECT_EQ(doc.parseError().line, 0);
}

TEST(XmlDocument, EntityExpansionBombFailsQuickly) {
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    bomb += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
    for (int i = 2; i <= 9; ++i) {
        const std::string prev = "&lol" + std::to_string(i - 1) + ";";
        std::string body;
        for (int k = 0; k < 10; ++k) body += prev;
        bomb += "<!ENTITY lol" + std::to_string(i) + " \"" + body + "\">";
    }
    bomb += "]><lolz>&lol9;</lolz>";
    XmlDocument doc;
    EXPECT_FALSE(doc.loadXML(bomb));
    EXPECT_FALSE(doc.parseError().reason.empty());

    // One large entity referenced many times (400 MB of text once expanded).
    std::string wide = "<!DOCTYPE r [<!ENTITY e \"" + std::string(20000, 'a') + "\">]><r>";
    for (int i = 0; i < 20000; ++i) wide += "&e;";
    EXPECT_FALSE(doc.loadXML(wide + "</r>"));
}

TEST(XmlDocument, InternalEntitiesAreExpanded) {
    XmlDocument doc;
    Load(doc, "<!DOCTYPE r [<!ENTITY who \"world\">]><r>hello &who; &#x41;&amp;</r>");
    EXPECT_EQ(doc.documentElement().text(), "hello world A&");
}

TEST(XmlDocument, NoExternalEntityOrDtdIsRead) {
    TempDir dir;
    const fs::path secret = dir.Write("secret.txt", "SECRET");
    const fs::path dtd = dir.Write("ext.dtd", "<!ENTITY leak \"SECRET\">");
    const std::string docs[] = {
        "<!DOCTYPE r [<!ENTITY e SYSTEM \"file://" + secret.string() + "\">]><r>&e;</r>",
        "<!DOCTYPE r [<!ENTITY e SYSTEM \"" + secret.string() + "\">]><r>&e;</r>",
        "<!DOCTYPE r SYSTEM \"file://" + dtd.string() + "\"><r>&leak;</r>",
        "<!DOCTYPE r [<!ENTITY % p SYSTEM \"file://" + dtd.string() + "\"> %p;]><r>&leak;</r>",
        "<!DOCTYPE r [<!ENTITY e SYSTEM \"http://127.0.0.1:9/x\">]><r>&e;</r>",
    };
    for (const std::string& text : docs) {
        SCOPED_TRACE(text);
        XmlDocument doc;
        if (doc.loadXML(text)) {
            EXPECT_EQ(doc.documentElement().text().find("SECRET"), std::string::npos);
            EXPECT_EQ(doc.xml().find("SECRET"), std::string::npos);
        }
    }
}

TEST(XmlDocument, SelectsWithXPathRelativeToTheNode) {
    XmlDocument doc;
    Load(doc,
         "<List><Item id=\"1\"><id>1</id><Value>a</Value></Item>"
         "<Item id=\"2\"><id>2</id><Value>b</Value></Item><Sub><List><Item/></List></Sub></List>");
    EXPECT_EQ(doc.selectNodes("//List/Item").size(), 3u);
    EXPECT_EQ(doc.selectSingleNode("//Item[id=2]/Value").text(), "b");
    EXPECT_FALSE(doc.selectSingleNode("Item"));  // relative to the document: no Item root
    XmlNode first = doc.selectSingleNode("List/Item");
    EXPECT_EQ(first.selectSingleNode("Value").text(), "a");
    EXPECT_EQ(first.selectSingleNode("../Item[2]/@id").text(), "2");
    const auto values = doc.selectNodes("//Value");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].text(), "a");  // document order
    EXPECT_EQ(values[1].text(), "b");

    for (const char* bad : {"", "//[", "Item[", "count(//Item)", "unknown:x", "1 +"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(doc.selectNodes(bad), XmlError);
    }
    // Not the document, which the part before the zero byte would select.
    EXPECT_THROW(doc.selectNodes(std::string("/\0//Value", 9)), XmlError);
}

TEST(XmlDocument, RunawayXPathEndsWithAnError) {
    std::string text = "<r>";
    for (int i = 0; i < 2000; ++i) text += "<a/>";
    XmlDocument doc;
    Load(doc, text + "</r>");
    EXPECT_THROW(doc.selectNodes("//*[count(//*[count(//*) > 0]) > 0]"), XmlError);
    EXPECT_EQ(doc.selectNodes("//a").size(), 2000u);
}

TEST(XmlDocument, PrefixesInScopeCanBeUsedInPaths) {
    XmlDocument doc;
    Load(doc, "<r xmlns:p=\"urn:p\"><p:x>1</p:x><x>2</x></r>");
    EXPECT_EQ(doc.documentElement().selectSingleNode("p:x").text(), "1");
    EXPECT_EQ(doc.documentElement().selectSingleNode("x").text(), "2");
    EXPECT_EQ(doc.selectSingleNode("//p:x").nodeName(), "p:x");
}

TEST(XmlDocument, AttributesHaveATextChild) {
    XmlDocument doc;
    Load(doc, "<r><Item Name=\"a b\" Empty=\"\">a</Item></r>");
    XmlNode attr = doc.selectSingleNode("//Item/@Name");
    ASSERT_TRUE(attr.hasChildNodes());
    ASSERT_EQ(attr.childNodes().size(), 1u);
    XmlNode value = attr.firstChild();
    EXPECT_EQ(value.nodeTypeString(), "text");
    EXPECT_EQ(value.text(), "a b");
    value.setText("x  y");
    EXPECT_EQ(attr.text(), "x  y");
    EXPECT_EQ(doc.documentElement().xml(), "<r><Item Name=\"x  y\" Empty=\"\">a</Item></r>");

    XmlNode empty = doc.selectSingleNode("//Item/@Empty");
    EXPECT_FALSE(empty.hasChildNodes());
    empty.setText("z");
    EXPECT_EQ(doc.selectSingleNode("//Item").attribute("Empty"), "z");
    EXPECT_EQ(empty.xml(), "Empty=\"z\"");
    empty.setText("<\"&\t\n>");
    EXPECT_EQ(empty.xml(), "Empty=\"&lt;&quot;&amp;&#9;&#10;&gt;\"");
    EXPECT_EQ(doc.selectSingleNode("//Item").attributes().size(), 2u);
}

TEST(XmlDocument, MarkupEscapesAndRoundTrips) {
    XmlDocument doc;
    Load(doc, "<r xml:space=\"preserve\"><a/></r>");
    XmlNode a = doc.selectSingleNode("//a");
    const std::string text = "<&>\"' \r\n\t" + kPrivet + " \x98";
    a.setText(text);
    EXPECT_EQ(a.text(), text);
    const std::string markup = a.xml();
    EXPECT_EQ(markup.find('<', 1), markup.find("</a>"));  // no raw "<" inside
    EXPECT_NE(markup.find("&lt;&amp;&gt;"), std::string::npos);
    EXPECT_NE(markup.find(kPrivet), std::string::npos);  // windows-1251 bytes

    XmlDocument again;
    Load(again, doc.xml());
    EXPECT_EQ(again.selectSingleNode("//a").text(), text);
}

TEST(XmlDocument, CharactersOutsideTheCodePageBecomeReferencesInMarkup) {
    XmlDocument doc;
    Load(doc, "<r a=\"&#x263A;\">&#x263A;x</r>");
    EXPECT_EQ(doc.documentElement().text(), "?x");
    EXPECT_EQ(doc.documentElement().xml(), "<r a=\"&#x263A;\">&#x263A;x</r>");
    EXPECT_EQ(doc.documentElement().textUtf8(), "\xE2\x98\xBAx");
}

TEST(XmlDocument, NestedMarkupCarriesNamespaceDeclarations) {
    XmlDocument doc;
    Load(doc, "<List xmlns:q=\"urn:q\"><Item><q:x>1</q:x></Item></List>");
    XmlDocument item;
    EXPECT_TRUE(item.loadXML(doc.selectSingleNode("//Item").xml()))
        << doc.selectSingleNode("//Item").xml();
}

TEST(XmlDocument, SetTextReplacesChildrenAndKeepsHandlesUsable) {
    XmlDocument doc;
    Load(doc, "<r><a>x<b>y</b></a><!--c--></r>");
    XmlNode a = doc.selectSingleNode("//a");
    XmlNode b = doc.selectSingleNode("//b");
    a.setText("1 < 2");
    EXPECT_EQ(a.childNodes().size(), 1u);
    EXPECT_EQ(a.xml(), "<a>1 &lt; 2</a>");
    EXPECT_EQ(b.text(), "y");  // taken out of the tree, still readable
    a.setText("");
    EXPECT_FALSE(a.hasChildNodes());

    XmlNode comment = doc.selectSingleNode("//comment()");
    comment.setText("new");
    EXPECT_EQ(comment.xml(), "<!--new-->");
    EXPECT_THROW(comment.setText("a--b"), XmlError);
    EXPECT_THROW(comment.setText("a-"), XmlError);
    EXPECT_THROW(a.setText(std::string("\x01", 1)), XmlError);
    EXPECT_THROW(a.setText(std::string("\0", 1)), XmlError);
    EXPECT_THROW(doc.asNode().setText("x"), XmlError);
    EXPECT_THROW(XmlNode().setText("x"), XmlError);
}

TEST(XmlDocument, EditedSourceWritesSetTextsIntoTheLoadedText) {
    XmlDocument doc;
    const std::string text = "<r>\n <a>x<b>y</b></a>\n <!--c--><e/>\n</r>\n";
    Load(doc, text);
    EXPECT_EQ(doc.editedSource(), text);
    doc.selectSingleNode("//a").setText("1 < 2");
    doc.selectSingleNode("//comment()").setText("new");
    doc.selectSingleNode("//e").setText("z");
    doc.selectSingleNode("//e").setAttribute("n", "v");  // a new attribute has no place
    EXPECT_EQ(doc.editedSource(), std::nullopt);
    Load(doc, "<r>\n <a>x<b>y</b></a>\n <!--c--><e n='1'/>\n</r>\n");
    doc.selectSingleNode("//a").setText("1 < 2");
    doc.selectSingleNode("//comment()").setText("new");
    doc.selectSingleNode("//e").setText("z");
    doc.selectSingleNode("//e").setAttribute("n", "v");
    EXPECT_EQ(doc.editedSource(), "<r>\n <a>1 &lt; 2</a>\n <!--new--><e n='v'>z</e>\n</r>\n");
    // Built or loaded from a file, a document has no text to write into.
    doc.createRoot("r");
    EXPECT_EQ(doc.editedSource(), std::nullopt);
}

// Whatever text is set, the written file reads back with that text where it was set and every
// other node as it was.
TEST(XmlDocument, EditedSourceReadsBackAsSet) {
    const std::string documents[] = {
        "<?xml version=\"1.0\"?>\r\n<!DOCTYPE r [<!ENTITY e \"E\">]>\r\n<r a='1' b=\"&amp;\">\r\n"
        "  <t>&e; x &#233;</t><t/><t></t><![CDATA[c]]>\r\n  <!--c--><?p d?><s xml:space="
        "\"preserve\"> s </s>\r\n</r>\r\n",
        "<r xmlns:p=\"urn:p\"><p:t p:a=\"x\">y</p:t><u\n a\n =\n 'z'\n/></r>",
    };
    const std::string value = "a<b&c]]>d\"e'f\r\ng\th\xE0";  // ends in "а"
    const std::string literal = "a<b&c]d\"e'f\ng\th\xE0";    // for comments and instructions
    const std::string cdata = "a<b&c]]>d\"e'f\ng\th\xE0";
    for (const std::string& text : documents) {
        XmlDocument original;
        Load(original, text);
        // xml:space is left alone: it decides how the others read.
        const std::string path =
            "//text() | //@*[name() != 'xml:space'] | //comment() | //processing-instruction()";
        const std::vector<XmlNode> nodes = original.selectNodes(path);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            SCOPED_TRACE(text + " node " + std::to_string(i));
            XmlDocument doc;
            Load(doc, text);
            XmlNode node = doc.selectNodes(path)[i];
            const int type = node.nodeType();
            const std::string& set =
                type == XmlNode::kComment || type == XmlNode::kProcessingInstruction ? literal
                : type == XmlNode::kCData                                            ? cdata
                                                                                     : value;
            node.setText(set);
            const std::optional<std::string> edited = doc.editedSource();
            ASSERT_TRUE(edited.has_value());
            XmlDocument again;
            Load(again, *edited);
            const std::vector<XmlNode> read = again.selectNodes(path);
            ASSERT_EQ(read.size(), nodes.size()) << *edited;
            for (std::size_t j = 0; j < read.size(); ++j) {
                EXPECT_EQ(read[j].text(), j == i ? set : nodes[j].text()) << *edited;
            }
        }
    }
}

TEST(XmlDocument, EditedTextNeverMakesASectionEndOfItsNeighbours) {
    // The ">" after the change is kept from the file; after the new "]]" it must be a reference.
    for (const char* text : {"<r>a]]b>c</r>", "<r>a]x>c</r>", "<r>ab]>c</r>"}) {
        SCOPED_TRACE(text);
        XmlDocument doc;
        Load(doc, text);
        doc.selectSingleNode("/r/text()").setText("a]]>c");
        const std::optional<std::string> edited = doc.editedSource();
        ASSERT_TRUE(edited.has_value());
        XmlDocument again;
        Load(again, *edited);
        EXPECT_EQ(again.documentElement().text(), "a]]>c") << *edited;
    }
}

TEST(XmlDocument, CDataTextThatWouldCloseTheSectionStaysReadable) {
    XmlDocument doc;
    Load(doc, "<r><![CDATA[x]]></r>");
    XmlNode cdata = doc.documentElement().firstChild();
    cdata.setText("a]]>b");
    XmlDocument again;
    Load(again, doc.xml());
    EXPECT_EQ(again.documentElement().text(), "a]]>b");
}

TEST(XmlDocument, CarriageReturnsInCommentsCDataAndInstructionsAreHeldAsRead) {
    // None of the three can escape a CR; a reader makes CR LF and CR into LF, so they hold LF
    // at once, and the markup, the edited text and the saved file all read back the same.
    for (const char* path : {"//comment()", "//processing-instruction()", "/r/text()"}) {
        SCOPED_TRACE(path);
        XmlDocument doc;
        Load(doc, "<r><![CDATA[x]]><!--c--><?p d?></r>");
        XmlNode node = doc.selectSingleNode(path);
        node.setText("a\r\nb\rc\n\r\r\nd");
        EXPECT_EQ(node.text(), "a\nb\nc\n\n\nd");
        const std::string markup = doc.xml();
        EXPECT_EQ(markup.find('\r'), markup.rfind("\r\n")) << markup;  // only the last line end
        XmlDocument again;
        Load(again, markup);
        EXPECT_EQ(again.xml(), markup);
        EXPECT_EQ(again.selectSingleNode(path).text(), node.text());
        const std::optional<std::string> edited = doc.editedSource();
        ASSERT_TRUE(edited.has_value());
        XmlDocument fromEdited;
        Load(fromEdited, *edited);
        EXPECT_EQ(fromEdited.xml(), markup);
    }
}

TEST(XmlDocument, BuildsAndSavesUtf8WithoutDeclaration) {
    XmlDocument doc;
    XmlNode root = doc.createRoot("Settings");
    root.appendElement("Left").setText("409");
    root.appendElement("Filter").setText("a&b " + kPrivet);
    root.setAttribute("xml:space", "preserve");
    EXPECT_EQ(root.attribute("xml:space"), "preserve");
    EXPECT_THROW(root.appendElement("bad name"), XmlError);
    EXPECT_THROW(doc.asNode().appendElement("Second"), XmlError);

    TempDir dir;
    const fs::path file = dir.path() / "Settings.xml";
    doc.save(file);
    const std::string bytes = ReadFile(file);
    EXPECT_EQ(bytes.rfind("<Settings", 0), 0u);
    EXPECT_NE(bytes.find(Cp1251ToUtf8(kPrivet)), std::string::npos);
    XmlDocument back;
    ASSERT_TRUE(back.load(file));
    EXPECT_EQ(back.selectSingleNode("Settings/Filter").text(), "a&b " + kPrivet);
    EXPECT_EQ(back.selectSingleNode("Settings/Left").text(), "409");
    EXPECT_EQ(fs::directory_iterator(dir.path())->path(), file);  // no temporary left
}

TEST(XmlDocument, SavesInTheDeclaredEncoding) {
    TempDir dir;
    const fs::path file = dir.path() / "out.xml";
    XmlDocument doc;
    Load(doc, "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>" + kPrivet + "&#x263A;</r>");
    doc.save(file);
    EXPECT_EQ(ReadFile(file), "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<r>" + kPrivet +
                                  "&#x263A;</r>\r\n");

    Load(doc, "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>" + kPrivet + "</r>");
    doc.save(file);
    XmlDocument back;
    ASSERT_TRUE(back.load(file));
    EXPECT_EQ(back.documentElement().text(), kPrivet);
    EXPECT_EQ(ReadFile(file).substr(0, 2), "\xFF\xFE");
}

TEST(XmlDocument, FailedSaveThrowsAndKeepsTheOldFile) {
    TempDir dir;
    XmlDocument doc;
    doc.createRoot("r");
    EXPECT_THROW(doc.save(dir.path() / "missing" / "f.xml"), XmlError);

    const fs::path file = dir.Write("f.xml", "old");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir.path().c_str(), W_OK) != 0) {  // root may write anyway
        EXPECT_THROW(doc.save(file), XmlError);
        EXPECT_EQ(ReadFile(file), "old");
    }
    fs::permissions(dir.path(), fs::perms::owner_all);
}

}  // namespace
}  // namespace qx
