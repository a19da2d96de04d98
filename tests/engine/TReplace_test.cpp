// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TReplace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/CodePage.h"
#include "engine/XmlDocument.h"

namespace qx {
namespace {

using namespace std::string_literals;

std::unique_ptr<TReplace> Rule(std::string find, std::string replace, std::string xPath = "",
                               std::string flags = "", bool checked = false, int repeat = 1) {
    auto rule = std::make_unique<TReplace>(find, replace, xPath, flags, checked);
    rule->Repeat = repeat;
    return rule;
}

// A list file as the list writer lays it out.
std::string ListText(const TReplaces& rules) {
    std::string text = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n";
    text += "<List xml:space=\"preserve\">\r\n";
    for (int i = 0; i < rules.Count(); ++i) text += rules.Items(i)->ToXml() + "\r\n";
    return text + "</List>\r\n";
}

void ExpectSameRule(const TReplace& got, const TReplace& want) {
    EXPECT_EQ(got.Find, want.Find);
    EXPECT_EQ(got.Replace, want.Replace);
    EXPECT_EQ(got.xPath, want.xPath);
    EXPECT_EQ(got.Flags, want.Flags);
    EXPECT_EQ(got.Checked, want.Checked);
    EXPECT_EQ(got.Repeat, want.Repeat);
}

std::string Names(const TReplaces& rules) {
    std::string names;
    for (int i = 0; i < rules.Count(); ++i) names += rules.Items(i)->Find;
    return names;
}

TEST(TReplace, ToXmlWritesOneLine) {
    struct Row {
        std::unique_ptr<TReplace> rule;
        std::string line;
    };
    Row rows[] = {
        {Rule("a<b", "c", "", "r", true, 0),
         "  <Item> <Find>a&lt;b</Find> <Replace>c</Replace>  <Checked>1</Checked>  "
         "<Flags>r</Flags>  <Repeat>0</Repeat>  </Item>"},
        {Rule("a", "b"), "  <Item> <Find>a</Find> <Replace>b</Replace>  </Item>"},
        {Rule("", "", "//Item/@Name", "x", false, -3),
         "  <Item> <Find></Find> <Replace></Replace>  <xPath>//Item/@Name</xPath>  "
         "<Flags>x</Flags>  <Repeat>-3</Repeat>  </Item>"},
        {Rule("&'\"<>", "[nw]", "//a[b>1]", "", true, 1000),
         "  <Item> <Find>&amp;'\"&lt;&gt;</Find> <Replace>[nw]</Replace>  <Checked>1</Checked>  "
         "<xPath>//a[b&gt;1]</xPath>  <Repeat>1000</Repeat>  </Item>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(row.rule->ToXml(), row.line);
    }
}

TEST(TReplace, LoadFromXmlReadsFieldsWithDefaults) {
    struct Row {
        const char* item;
        const char* find;
        bool checked;
        int repeat;
    };
    const Row rows[] = {
        {"<Item><Find>x</Find></Item>", "x", false, 1},
        {"<Item><Find>x</Find><Checked>true</Checked><Repeat>abc</Repeat></Item>", "x", false, 1},
        {"<Item><Find>x</Find><Checked>0</Checked><Repeat>0</Repeat></Item>", "x", false, 0},
        {"<Item><Checked>1</Checked><Repeat>-7</Repeat></Item>", "", true, -7},
        {"<Item><Repeat>5000</Repeat></Item>", "", false, 5000},
        {"<Item><Repeat>99999999999</Repeat></Item>", "", false, 1},
        {"<Item><Repeat>+4</Repeat></Item>", "", false, 4},
        {"<Item><Repeat>+-4</Repeat></Item>", "", false, 1},
        {"<Item><Repeat>4x</Repeat></Item>", "", false, 1},
        {"<Item><Repeat></Repeat></Item>", "", false, 1},
        {"<Item><Find>&#x41;<![CDATA[<b>]]></Find></Item>", "A<b>", false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        TReplace rule("old", "old", "old", "old", true);
        rule.Repeat = 9;
        rule.LoadFromXml(row.item);
        EXPECT_EQ(rule.Find, row.find);
        EXPECT_EQ(rule.Replace, "");
        EXPECT_EQ(rule.xPath, "");
        EXPECT_EQ(rule.Flags, "");
        EXPECT_EQ(rule.Checked, row.checked);
        EXPECT_EQ(rule.Repeat, row.repeat);
    }
}

TEST(TReplace, LoadFromXmlLeavesTheRuleAloneForOtherTexts) {
    for (const char* text : {"", "<Item>", "plain", "<Rule><Find>x</Find></Rule>",
                             "<List><Item><Find>x</Find></Item></List>"}) {
        SCOPED_TRACE(text);
        TReplace rule("f", "r", "p", "r", true);
        rule.Repeat = 3;
        rule.LoadFromXml(text);
        ExpectSameRule(rule, *Rule("f", "r", "p", "r", true, 3));
    }
}

TEST(TReplace, RegexFlagRepeatTextAndClone) {
    EXPECT_TRUE(Rule("", "", "", "r")->IsRegex());
    EXPECT_TRUE(Rule("", "", "", "R")->IsRegex());
    EXPECT_TRUE(Rule("", "", "", "xr")->IsRegex());
    EXPECT_FALSE(Rule("", "", "", "x")->IsRegex());
    EXPECT_FALSE(Rule("", "", "", "")->IsRegex());

    EXPECT_EQ(RepeatText(0), "?");
    EXPECT_EQ(RepeatText(1), "");
    EXPECT_EQ(RepeatText(2), "2");
    EXPECT_EQ(RepeatText(-1), "-1");

    auto rule = Rule("f", "r", "//x", "x", true, 5);
    auto copy = rule->Clone();
    EXPECT_NE(copy.get(), rule.get());
    ExpectSameRule(*copy, *rule);
    EXPECT_EQ(TReplace("a", "b", "", "", false).Repeat, 1);
}

// Texts that must come back unchanged after writing the list and reading it again.
struct RoundTripRow {
    const char* name;
    std::string find;
    std::string replace;
};

std::vector<RoundTripRow> RoundTripRows() {
    std::string controls, high;
    for (int c = 0; c < 0x20; ++c) controls += static_cast<char>(c);
    for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
    return {
        {"one space by two", " ", "  "},
        {"xml characters", "&<>'\"", "a&amp;b\"'"},
        {"tabs", "\t", "\t x \t"},
        {"edge spaces", "  a  ", " \t"},
        {"windows line break", "a\r\nb", "\r\n"},
        {"lone carriage return", "a\rb", "\r\r"},
        {"line feed", "a\nb", "\n\n"},
        {"zero bytes", "\0a\0"s, "\0"s},
        {"control characters", controls, controls + "x"},
        {"bytes 80 to FF", high, "\x98\xA0\xFF"},
        {"markup-like text", "]]><!--", "<Item>&#13;"},
        {"tokens", "[nw][nu]", "[t][sp][nm]"},
    };
}

TEST(TReplaces, RoundTripThroughListText) {
    for (const RoundTripRow& row : RoundTripRows()) {
        SCOPED_TRACE(row.name);
        TReplaces rules;
        rules.Add(Rule(row.find, row.replace, row.find, row.replace, true, 7));
        rules.Add(Rule("second", ""));
        TReplaces read;
        read.LoadFromXml(ListText(rules));
        ASSERT_EQ(read.Count(), 2);
        ExpectSameRule(*read.Items(0), *rules.Items(0));
        ExpectSameRule(*read.Items(1), *rules.Items(1));
    }
}

TEST(TReplaces, RoundTripThroughAFileAndTheDocumentMarkup) {
    // The list file is loaded from disk and its markup handed to the rule list.
    const auto dir =
        std::filesystem::temp_directory_path() / ("qx-treplace-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const RoundTripRow& row : RoundTripRows()) {
        SCOPED_TRACE(row.name);
        TReplaces rules;
        rules.Add(Rule(row.find, row.replace, "", "r", false, 0));
        std::ofstream(dir / "list.lst", std::ios::binary) << ListText(rules);
        XmlDocument doc;
        ASSERT_TRUE(doc.load(dir / "list.lst")) << doc.parseError().reason;
        TReplaces read;
        read.LoadFromXml(doc.xml());
        ASSERT_EQ(read.Count(), 1);
        ExpectSameRule(*read.Items(0), *rules.Items(0));
    }
    std::filesystem::remove_all(dir);
}

TEST(TReplaces, LoadFromXmlCollectsItemsOfListElements) {
    struct Row {
        const char* text;
        const char* finds;
    };
    const Row rows[] = {
        {"<List><Item><Find>a</Find></Item><Item><Find>b</Find></Item></List>", "ab"},
        {"<Other><Item><Find>a</Find></Item></Other>", ""},
        {"<List><Group><Item><Find>a</Find></Item></Group></List>", ""},
        {"<Root><List><Item><Find>a</Find></Item></List></Root>", "a"},
        {"<List><Item><Find>a</Find></Item><List><Item><Find>b</Find></Item></List>"
         "<Item><Find>c</Find></Item></List>",
         "abc"},
        {"<List><Item><Find>a</Find></Item>", ""},  // not well-formed
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TReplaces rules;
        rules.Add(Rule("old", ""));
        rules.LoadFromXml(row.text);
        EXPECT_EQ(Names(rules), row.finds);
    }
}

TEST(TReplaces, ItemsKeepWhiteSpaceOnlyWithoutAttributes) {
    TReplaces rules;
    rules.LoadFromXml(
        "<List xml:space=\"preserve\"><Item> <Find> a </Find><Checked> 1</Checked></Item>"
        "<Item id=\"2\"><Find> a </Find></Item></List>");
    ASSERT_EQ(rules.Count(), 2);
    EXPECT_EQ(rules.Items(0)->Find, " a ");
    EXPECT_FALSE(rules.Items(0)->Checked);  // " 1" is not "1"
    EXPECT_EQ(rules.Items(1)->Find, "a");   // an Item with attributes is read trimmed
}

TEST(TReplaces, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    TReplaces rules;
    rules.LoadFromXml("<List><Item><Find>&#x263A;x</Find></Item></List>");
    ASSERT_EQ(rules.Count(), 1);
    EXPECT_EQ(rules.Items(0)->Find, "?x");
}

TEST(TReplaces, ListOperations) {
    TReplaces rules;
    EXPECT_EQ(rules.Add(nullptr), -1);
    EXPECT_EQ(rules.Add(Rule("A", "")), 0);
    EXPECT_EQ(rules.Add(Rule("B", "")), 1);
    EXPECT_EQ(rules.Add(Rule("C", "")), 2);
    EXPECT_EQ(rules.Items(3), nullptr);
    EXPECT_EQ(rules.Items(-1), nullptr);
    TReplace* b = rules.Items(1);
    EXPECT_EQ(rules.IndexOf(b), 1);
    auto twin = b->Clone();
    EXPECT_EQ(rules.IndexOf(twin.get()), -1);  // identity, not contents

    struct Row {
        bool move;
        int a, b;
        bool result;
        const char* order;
    };
    const Row rows[] = {
        {true, 0, 2, true, "BCA"},   {true, 2, 0, true, "CAB"},   {true, 1, 1, true, "ABC"},
        {true, 0, 3, false, "ABC"},  {true, -1, 0, false, "ABC"}, {false, 0, 2, true, "CBA"},
        {false, 0, 3, false, "ABC"}, {false, 3, 0, false, "ABC"}, {false, 1, 1, true, "ABC"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.move ? "Move " : "Exchange ") + std::to_string(row.a) + " " +
                     std::to_string(row.b));
        TReplaces list;
        for (const char* n : {"A", "B", "C"}) list.Add(Rule(n, ""));
        EXPECT_EQ(row.move ? list.Move(row.a, row.b) : list.Exchange(row.a, row.b), row.result);
        EXPECT_EQ(Names(list), row.order);
    }

    rules.Delete(3);
    rules.Delete(-1);
    EXPECT_EQ(rules.Count(), 3);
    rules.Delete(0);
    EXPECT_EQ(Names(rules), "BC");
    rules.Clear();
    EXPECT_EQ(rules.Count(), 0);
}

}  // namespace
}  // namespace qx
