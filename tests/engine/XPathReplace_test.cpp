// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/XPathReplace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineDoubles.h"
#include "engine/RuleEngine.h"
#include "engine/TRegExpr.h"
#include "engine/XmlDocument.h"

namespace qx {
namespace {

using namespace std::string_literals;
using test::ListRows;
using test::RecordingSinks;

std::string Apply(const ListRows& rows, RecordingSinks& sinks, std::string_view text,
                  ReplaceFlags flags = kReplaceAll) {
    RuleEngine engine(rows, sinks);
    return engine.ApplyRules(text, flags);
}

struct XPathRow {
    const char* what;
    std::string xPath, find, replace, flags;
    std::string text, expected;
    std::size_t records;
};

TEST(XPathRule, Table) {
    const XPathRow rows[] = {
        {"only the selected attributes change", "//Item/@Name", "a", "b", "",
         R"(<r><Item Name="abc">a</Item><Item Name="xa"/></r>)",
         R"(<r><Item Name="bbc">a</Item><Item Name="xb"/></r>)", 2},
        {"an empty find sets the content, also of empty elements", "//Value", "", "x", "",
         "<r><Value>1</Value><Value/><Value><b>2</b>3</Value></r>",
         "<r><Value>x</Value><Value>x</Value><Value><b>x</b>x</Value></r>", 0},
        {"entities in the rule name the characters", "//t", "&lt;", "&gt;", "",
         "<r><t>a&lt;b</t><u>&lt;</u></r>", "<r><t>a&gt;b</t><u>&lt;</u></r>", 1},
        {"numbers run on across the selected nodes", "//t", "a", "[nm]", "",
         "<r><t>a</t><t>ba</t><t>a</t></r>", "<r><t>1</t><t>b2</t><t>3</t></r>", 3},
        {"descendants are searched, comments are not", "/r", "a", "b", "",
         "<r><!--a--><s><t>a<?pi a?></t></s><![CDATA[a<]]></r>",
         "<r><!--a--><s><t>b<?pi a?></t></s><![CDATA[b<]]></r>", 2},
        {"a node under two selected nodes is processed twice", "//*", "x", "xx", "",
         "<r><a>x</a></r>", "<r><a>xxxx</a></r>", 3},
        {"regular expressions with groups", "//t", "(\\d+)px", "$1 pt", "r",
         "<r><t>1px 22px</t><u>3px</u></r>", "<r><t>1 pt 22 pt</t><u>3px</u></r>", 2},
        {"an empty selection leaves the text as it was", "//none", "a", "b", "", "\r\n  <r>a</r>",
         "\r\n  <r>a</r>", 0},
        {"text starting with markup is not cut", "//none", "a", "b", "", "<r>a</r>  ", "<r>a</r>  ",
         0},
        {"the declaration comes back as it was", "//t", "a", "b", "",
         "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r><t>a\xE0</t></r>",
         "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r><t>b\xE0</t></r>", 1},
        {"a CR LF document keeps CR LF", "//t", "a", "b", "",
         "<?xml version=\"1.0\"?>\r\n<r xml:space=\"preserve\">\r\n<t>a\r\nx</t>\r\n</r>",
         "<?xml version=\"1.0\"?>\r\n<r xml:space=\"preserve\">\r\n<t>b\r\nx</t>\r\n</r>", 1},
        {"the line break after the document stays", "//t", "a", "b", "",
         "<?xml version=\"1.0\"?>\r\n<r><t>a</t></r>\r\n\r\n",
         "<?xml version=\"1.0\"?>\r\n<r><t>b</t></r>\r\n\r\n", 1},
        {"an LF document keeps LF", "//t", "a", "b", "",
         "<?xml version=\"1.0\"?>\n<r xml:space=\"preserve\">\n<t>a\nx</t>\n</r>",
         "<?xml version=\"1.0\"?>\n<r xml:space=\"preserve\">\n<t>b\nx</t>\n</r>", 1},
    };
    for (const XPathRow& row : rows) {
        SCOPED_TRACE(row.what);
        ListRows list;
        list.Add(row.find, row.replace, row.flags, 1, row.xPath);
        RecordingSinks sinks;
        EXPECT_EQ(Apply(list, sinks, row.text), row.expected);
        EXPECT_EQ(sinks.records.size(), row.records);
        EXPECT_TRUE(sinks.log.empty());
        EXPECT_EQ(sinks.progress, 1);
    }
}

// What a pass writes: the changed texts, escaped as they need, and every other byte as it was.
TEST(XPathRule, WritesOnlyTheChangedTextsIntoTheFile) {
    const XPathRow rows[] = {
        {"nothing replaced: not a byte changes", "//family", "sans", "SANS", "",
         "\n <?xml version='1.0'?>\n<f>\n  <family>serif</family>\n  <e/>\n</f>\n",
         "\n <?xml version='1.0'?>\n<f>\n  <family>serif</family>\n  <e/>\n</f>\n", 0},
        {"prolog, comments and layout stay", "//family", "sans", "SANS", "",
         "<?xml version=\"1.0\"?>\n"
         "<!DOCTYPE fontconfig [\n  <!ENTITY co \"Corp\">\n  <!-- ] > -->\n"
         "  <!ATTLIST alias binding CDATA 'same'>\n]>\n"
         "<?pi  x ?>\n<fontconfig>\n\t<!-- sans -->\n"
         "\t<alias binding='same'>\n\t\t<family>DejaVu sans</family> <!-- c -->\n"
         "\t\t<prefer><family>sans-serif</family><empty/><pair></pair></prefer>\n"
         "\t</alias>\n</fontconfig>\n",
         "<?xml version=\"1.0\"?>\n"
         "<!DOCTYPE fontconfig [\n  <!ENTITY co \"Corp\">\n  <!-- ] > -->\n"
         "  <!ATTLIST alias binding CDATA 'same'>\n]>\n"
         "<?pi  x ?>\n<fontconfig>\n\t<!-- sans -->\n"
         "\t<alias binding='same'>\n\t\t<family>DejaVu SANS</family> <!-- c -->\n"
         "\t\t<prefer><family>SANS-serif</family><empty/><pair></pair></prefer>\n"
         "\t</alias>\n</fontconfig>\n",
         2},
        {"references in untouched text keep their form", "//t", "sans", "SANS", "",
         "<!DOCTYPE r [<!ENTITY co \"Corp\">]><r><t>caf&#233; sans &amp; &co;&#x41;</t>"
         "<u>&#233;&amp;</u></r>",
         "<!DOCTYPE r [<!ENTITY co \"Corp\">]><r><t>caf&#233; SANS &amp; &co;&#x41;</t>"
         "<u>&#233;&amp;</u></r>",
         1},
        {"white space the rule did not see stays", "//t", "a", "b", "",
         "<r>\r\n  <t>\r\n    a\r\n  </t>\r\n</r>\r\n",
         "<r>\r\n  <t>\r\n    b\r\n  </t>\r\n</r>\r\n", 1},
        {"CR LF inside a changed text stays", "//t", "a", "x", "",
         "<r>\r\n<t>a one\r\ntwo a</t>\r\n<t>a\r\n&#13;\na</t>\r\n</r>",
         "<r>\r\n<t>x one\r\ntwo x</t>\r\n<t>x\r\n&#13;\r\nx</t>\r\n</r>", 4},
        {"line breaks a rule brings follow the file", "//t", "-", "\n", "", "<r>\r\n<t>a-b</t></r>",
         "<r>\r\n<t>a\r\nb</t></r>", 1},
        {"new text is escaped", "//t", "b", "&lt;&amp;&gt;\"'", "", "<r><t>a b c</t></r>",
         "<r><t>a &lt;&amp;&gt;\"' c</t></r>", 1},
        {"attributes keep their quotes", "//font/@name", "sans", "'SANS\"", "",
         "<r><font name='sans &amp; co'  size=\"1\"/><font\n name = \"sans\"/>sans</r>",
         "<r><font name='&apos;SANS\" &amp; co'  size=\"1\"/><font\n name = "
         "\"'SANS&quot;\"/>sans</r>",
         2},
        {"a namespaced attribute", "//x:t/@x:a", "sans", "SANS", "",
         "<r xmlns:x=\"urn:x\"><x:t x:a=\"sans\" b=\"sans\">sans</x:t></r>",
         "<r xmlns:x=\"urn:x\"><x:t x:a=\"SANS\" b=\"sans\">sans</x:t></r>", 1},
        {"CDATA is written as CDATA", "//t", "sans", "]]>", "",
         "<r><t><![CDATA[sans <b>\r\nx]]></t></r>",
         "<r><t><![CDATA[]]]]><![CDATA[> <b>\r\nx]]></t></r>", 1},
        {"empty elements take content in their own form", "//e", "", "x", "",
         "<r><e/><e  /><e></e><e a='1'/><e>x</e></r>",
         "<r><e>x</e><e  >x</e><e>x</e><e a='1'>x</e><e>x</e></r>", 0},
        {"comments and instructions take content", "//comment() | //processing-instruction()", "",
         "new", "", "<r><!--old--><?pi?><?pj old?></r>", "<r><!--new--><?pi new?><?pj new?></r>",
         0},
        {"an empty attribute takes content", "//e/@a", "", "v", "", "<r><e a=\"\" b=''/></r>",
         "<r><e a=\"v\" b=''/></r>", 0},
        {"an element and its attribute both take content", "//e | //e/@a", "", "v", "",
         "<r>\n<e a=\"\"/>\n</r>", "<r>\n<e a=\"v\">v</e>\n</r>", 0},
        {"preserved white space is the rule's to change", "//t", " ", "_", "",
         "<r xml:space=\"preserve\">\n <t> a </t>\n</r>",
         "<r xml:space=\"preserve\">\n <t>_a_</t>\n</r>", 2},
    };
    for (const XPathRow& row : rows) {
        SCOPED_TRACE(row.what);
        ListRows list;
        list.Add(row.find, row.replace, row.flags, 1, row.xPath);
        RecordingSinks sinks;
        EXPECT_EQ(Apply(list, sinks, row.text), row.expected);
        EXPECT_EQ(sinks.records.size(), row.records);
        EXPECT_TRUE(sinks.log.empty());
    }
}

// Where the text cannot be followed node for node, the document is written as the document
// service writes it: the rule still applies.
TEST(XPathRule, MarkupFromAnEntityIsWrittenAsTheServiceWritesIt) {
    ListRows list;
    list.Add("sans", "SANS", "", 1, "//b");
    RecordingSinks sinks;
    const std::string result =
        Apply(list, sinks, "<!DOCTYPE r [<!ENTITY e \"<b>sans</b>\">]>\n<r>\n  <t>&e;</t>\n</r>\n");
    EXPECT_NE(result.find("<t><b>SANS</b></t>"), std::string::npos) << result;
    EXPECT_EQ(sinks.records.size(), 1u);
    XmlDocument document;
    EXPECT_TRUE(document.loadXML(result));
}

TEST(XPathRule, TextThatIsNotXmlIsLoggedOnceAndLeftWhole) {
    const struct {
        std::string text, expected;
    } table[] = {
        {"plain prose, no markup", "plain prose, no markup"},
        {"abc<", "abc<"},  // the last character is not looked at
        {"preface <r><unclosed></r>", "preface <r><unclosed></r>"},
        {"\0\0<r>\0</r>"s, "\0\0<r>\0</r>"s},
        // Prose before a well-formed tail is not cut off: the text is no XML document.
        {"Hello, <r>a</r>", "Hello, <r>a</r>"},
        {"The colour of <b>x</b> line\r\nbreak", "The colour of <b>x</b> line\r\nbreak"},
        {"\r\n  <r>a</r> tail", "\r\n  <r>a</r> tail"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.text);
        ListRows rows;
        rows.Add("a", "b", "", 0, "//r");  // 1000 passes: the first failure ends them
        rows.Add("o", "0");                // the following rules still run
        RecordingSinks sinks;
        std::string expected = row.expected;
        for (char& c : expected)
            if (c == 'o') c = '0';
        EXPECT_EQ(Apply(rows, sinks, row.text), expected);
        ASSERT_EQ(sinks.log.size(), 1u);
        EXPECT_EQ(sinks.log[0].rfind("Doc.loadXML failed: ", 0), 0u) << sinks.log[0];
        EXPECT_NE(sinks.log[0].find(" ["), std::string::npos) << sinks.log[0];
        EXPECT_EQ(sinks.progress, 2);
    }
}

TEST(XPathRule, RejectedPathsAndRejectedTextsRaiseErrors) {
    const struct {
        std::string xPath, replace;
    } table[] = {{"//[", "x"}, {"count(//r)", "x"}, {"//t", "\x01"}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.xPath);
        ListRows rows;
        rows.Add("a", row.replace, "", 1, row.xPath);
        RecordingSinks sinks;
        EXPECT_THROW(Apply(rows, sinks, "<r><t>a</t></r>"), XmlError);
    }
}

TEST(XPathRule, EntitiesOfTheRuleAreDecodedOncePerRule) {
    // The node holds the characters "&lt;<". Decoded once, the find is the four characters
    // "&lt;" on every pass; the "<" is never touched.
    ListRows rows;
    rows.Add("&amp;lt;", "", "", 3, "//t");
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, "<r><t>&amp;lt;&lt;</t></r>"), "<r><t>&lt;</t></r>");
    EXPECT_EQ(sinks.records.size(), 1u);
}

TEST(XPathRule, RepeatedPassesWorkOnTheWrittenDocument) {
    ListRows rows;
    rows.Add("a", "aa", "", 3, "//t");
    rows.Add("", "set", "", 0, "//e");  // sets content on every pass, records nothing
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, "<r><t>a</t><e/></r>"), "<r><t>aaaaaaaa</t><e>set</e></r>");
    EXPECT_EQ(sinks.records.size(), 7u);
    EXPECT_EQ(sinks.progress, 2);
}

// Every pass reads the document from the text as the rules before have left it.
TEST(XPathRule, EachPassReadsTheCurrentText) {
    ListRows rows;
    rows.Add("a", "b", "", 1, "//t");
    rows.Add("b", "c", "", 1, "//u");
    rows.Add("u>", "v>");
    rows.Add("c", "d", "", 1, "//v");
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, "<r><t>a</t><u>b</u></r>"), "<r><t>b</t><v>d</v></r>");
}

// Nodes that each stay small must not add up past the limit either.
TEST(XPathRule, GrowthOfAllNodesTogetherIsLimited) {
    XmlDocument document;
    TRegExpr engine;
    RecordingSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    std::string scratch;
    XPathContext context{document, engine, hooks, kReplaceAll, sinks, scratch};
    const std::string a30(30, 'a');
    const std::string text = "<r><t>" + a30 + "</t><t>" + a30 + "</t></r>";  // 81 bytes
    hooks.sizeLimit = 140;  // each node alone fits, both do not
    EXPECT_THROW(ApplyXPathRule(context, text, "//t", "a", "aa", false), ETextTooLarge);
    EXPECT_THROW(ApplyXPathRule(context, text, "//t", "", std::string(80, 'b'), false),
                 ETextTooLarge);
    hooks.sizeLimit = 141;
    EXPECT_EQ(ApplyXPathRule(context, text, "//t", "a", "aa", false).text,
              "<r><t>" + a30 + a30 + "</t><t>" + a30 + a30 + "</t></r>");
    EXPECT_EQ(hooks.sizeLimit, 141u);
}

TEST(SerializeDocument, DeclarationThenTopLevelNodesWithNothingBetween) {
    XmlDocument document;
    ASSERT_TRUE(document.loadXML("<?xml version=\"1.0\"?>\n<!--c--><r/><?pi x?>"));
    EXPECT_EQ(SerializeDocument(document), "<?xml version=\"1.0\"?>\r\n<!--c--><r/><?pi x?>");
    EXPECT_EQ(SerializeDocument(document, LineBreak::kLf),
              "<?xml version=\"1.0\"?>\n<!--c--><r/><?pi x?>");
    ASSERT_TRUE(document.loadXML("<r/>"));
    EXPECT_EQ(SerializeDocument(document), "<r/>");
}

TEST(DetectLineBreak, FirstLineBreakDecides) {
    EXPECT_EQ(DetectLineBreak("a\r\nb\nc"), LineBreak::kCrLf);
    EXPECT_EQ(DetectLineBreak("a\nb\r\nc"), LineBreak::kLf);
    EXPECT_EQ(DetectLineBreak("\nb"), LineBreak::kLf);
    EXPECT_EQ(DetectLineBreak("one line"), LineBreak::kCrLf);
}

}  // namespace
}  // namespace qx
