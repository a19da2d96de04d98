// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TextRoutines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/CodePage.h"

namespace qx {
namespace {

using namespace std::string_literals;

// The plain definition of the replacement, character by character, to check the fast one
// against: left to right, no overlaps, comparison on lower-cased characters.
std::string SlowReplace(const std::string& text, const std::string& pattern,
                        const std::string& replacement, ReplaceFlags flags) {
    if (text.empty() || pattern.empty() || pattern == replacement) return text;
    const bool ignoreCase = (flags & kIgnoreCase) != 0;
    std::string out;
    bool replaced = false;
    std::size_t i = 0;
    while (i < text.size()) {
        bool match = (!replaced || (flags & kReplaceAll) != 0) && i + pattern.size() <= text.size();
        for (std::size_t k = 0; match && k < pattern.size(); ++k) {
            match = ignoreCase ? LowerChar(text[i + k]) == LowerChar(pattern[k])
                               : text[i + k] == pattern[k];
        }
        if (match) {
            out += replacement;
            i += pattern.size();
            replaced = true;
        } else {
            out += text[i++];
        }
    }
    return out;
}

struct ReplaceRow {
    std::string text, pattern, replacement;
    ReplaceFlags flags;
    std::string expected;
};

TEST(ReplaceText, Table) {
    const auto all = kReplaceAll;
    const auto icase = kIgnoreCase;
    const auto both = kReplaceAll | kIgnoreCase;
    const ReplaceRow rows[] = {
        {"aaa", "aa", "b", all, "ba"},  // no overlapping occurrences
        {"aaaa", "aa", "b", all, "bb"},
        {"AbA", "a", "x", both, "xbx"},
        {"AbA", "a", "x", icase, "xbA"},
        {"AbA", "a", "x", all, "AbA"},  // case-sensitive: no "a" at all
        {"abab", "ab", "xyz", kReplaceNone, "xyzab"},
        {"abab", "ab", "", all, ""},  // everything matched, empty replacement
        {"abc", "abc", "abc", both, "abc"},
        {"aAa", "a", "A", both, "AAA"},  // equal only without regard to case: still replaced
        {"", "a", "b", all, ""},
        {"abc", "", "x", all, "abc"},
        {"abc", "abcd", "x", all, "abc"},
        {"abc", "c", "xyz", all, "abxyz"},           // at the very end
        {"abc", "a", "xyz", all, "xyzbc"},           // at the very start
        {"a.b.c", ".", "[nw]", all, "a[nw]b[nw]c"},  // the replacement is literal
        {"x$1y", "$1", "\\0", all, "x\\0y"},
        // Zero bytes are ordinary characters: in the text, the pattern and the replacement.
        {"a\0b\0c"s, "\0"s, "-", all, "a-b-c"},
        {"a\0b\0c"s, "b\0"s, "\0\0\0"s, all, "a\0\0\0\0c"s},
        {"a\0B"s, "\0b"s, "!", both, "a!"},
        // High bytes: windows-1251 Cyrillic capitals and smalls (А=C0, а=E0, Ё=A8, ё=B8).
        {"\xC0\xE0\xC0", "\xE0", "x", both, "xxx"},
        {"\xC0\xE0\xC0", "\xE0", "x", all, "\xC0x\xC0"},
        {"\xA8\xB8", "\xB8", "e", both, "ee"},
        {"\xFF\xDF", "\xFF", "\x80", both, "\x80\x80"},  // я and Я, same-length overwrite
        {"\x98\x98", "\x98", "?", both, "??"},           // an unassigned byte matches only itself
        // Characters without case under IgnoreCase are compared exactly.
        {"1+1=2", "+1", "", both, "1=2"},
        {"\r\n\r\n", "\r\n", "\n", both, "\n\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.text) + " / " +
                     testing::PrintToString(row.pattern) + " -> " +
                     testing::PrintToString(row.replacement) + " flags " +
                     std::to_string(row.flags));
        EXPECT_EQ(ReplaceText(row.text, row.pattern, row.replacement, row.flags), row.expected);
    }
}

TEST(ReplaceText, AgreesWithThePlainDefinitionOnRandomTexts) {
    // A small alphabet with case pairs, a zero byte and high bytes makes many matches,
    // neighbouring and overlapping candidates.
    const std::string alphabet = "aAb\0\xC0\xE0\xFF"s;
    std::mt19937 random(12345);
    auto randomText = [&](std::size_t maxLength) {
        std::string text(random() % (maxLength + 1), ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        return text;
    };
    const ReplaceFlags flagSets[] = {kReplaceNone, kReplaceAll, kIgnoreCase,
                                     kReplaceAll | kIgnoreCase};
    for (int round = 0; round < 4000; ++round) {
        const std::string text = randomText(24);
        const std::string pattern = randomText(3);
        const std::string replacement = randomText(4);
        for (auto flags : flagSets) {
            SCOPED_TRACE(testing::PrintToString(text) + " / " + testing::PrintToString(pattern) +
                         " -> " + testing::PrintToString(replacement) + " flags " +
                         std::to_string(flags));
            ASSERT_EQ(ReplaceText(text, pattern, replacement, flags),
                      SlowReplace(text, pattern, replacement, flags));
        }
    }
}

TEST(ReplaceText, LongTextWithManyOccurrences) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "ab\xC0\xE0";
    const std::string expected = SlowReplace(text, "b\xE0\xC0", "<>", kReplaceAll | kIgnoreCase);
    EXPECT_EQ(ReplaceText(text, "B\xC0\xC0", "<>", kReplaceAll | kIgnoreCase), expected);
    EXPECT_EQ(ReplaceText(text, "ab\xC0\xE0", "", kReplaceAll), "");
}

struct TokenRow {
    std::string input, expected;
};

TEST(Tokens, Encode) {
    const TokenRow rows[] = {
        {"   ", "[sp][sp][sp]"},
        {"  \t", "  [t]"},  // spaces stay when anything else is there
        {"\r\r\n", "\r[nw]"},
        {"a\r\nb\nc\td", "a[nw]b[nu]c[t]d"},
        {"\n\r", "[nu]\r"},  // LF CR is not a Windows line break
        {"\r\n\n", "[nw][nu]"},
        {"", ""},
        {" [nw] ", " [nw] "},  // tokens have no escape: a literal token stays as it is
        {"\0\r\n\xFF"s, "\0[nw]\xFF"s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.input));
        EXPECT_EQ(EncodeTokens(row.input), row.expected);
    }
}

TEST(Tokens, Decode) {
    struct Row {
        std::string input;
        std::string lineBreaksOnly;
        std::string allTokens;
    };
    const Row rows[] = {
        {"a[nw]b[nu]c", "a\r\nb\nc", "a\r\nb\nc"},
        {"[t][sp]", "[t][sp]", "\t "},
        {"[NW][Nu][T][SP]", "[NW][Nu][T][SP]", "[NW][Nu][T][SP]"},  // capitals never decode
        {"[nw[nu]]", "[nw\n]", "[nw\n]"},
        {"[[t]sp]", "[[t]sp]", "[\tsp]"},
        {"\0[nu]\xC0"s, "\0\n\xC0"s, "\0\n\xC0"s},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.input));
        EXPECT_EQ(DecodeTokens(row.input, true), row.lineBreaksOnly);
        EXPECT_EQ(DecodeTokens(row.input, false), row.allTokens);
    }
}

TEST(Tokens, DisplayFormRoundTrips) {
    for (const std::string& text : {"a\r\nb\nc\td"s, "    "s, "x\0\t\r\n"s, "\r"s}) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(DecodeTokens(EncodeTokens(text), false), text);
    }
}

TEST(JoinStrings, Table) {
    struct Row {
        std::vector<std::string> parts;
        std::string separator, expected;
    };
    const Row rows[] = {
        {{}, ",", ""},          {{"a"}, ",", "a"},          {{"a", "b", "c"}, ", ", "a, b, c"},
        {{"a", "b"}, "", "ab"}, {{"", ""}, "\r\n", "\r\n"}, {{"\0"s, "\xFF"}, "\0"s, "\0\0\xFF"s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.parts));
        EXPECT_EQ(JoinStrings(row.parts, row.separator), row.expected);
    }
}

TEST(XmlEscaping, EscapeText) {
    const TokenRow rows[] = {
        {"a&lt;", "a&amp;lt;"},
        {"<a href=\"x\">'&'</a>", "&lt;a href=\"x\"&gt;'&amp;'&lt;/a&gt;"},
        {"\0<\xC0"s, "\0&lt;\xC0"s},
        {"plain", "plain"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.input));
        EXPECT_EQ(XmlEscapeText(row.input), row.expected);
    }
}

TEST(XmlEscaping, EscapeChars) {
    struct Row {
        std::string text, charset, expected;
    };
    const Row rows[] = {
        {"<\"'&>", "<>&'\"", "&lt;&quot;&apos;&amp;&gt;"},
        {"<\"'&>", "", "<\"'&>"},
        {"<\"'&>", "\"", "<&quot;'&>"},
        {"a&b<", "<", "a&b&lt;"},  // without "&" in the set, "&" stays
        {"&quot;", "&\"", "&amp;quot;"},
        {"a-b", "-ab", "a-b"},  // other characters of the set change nothing
        {"\0'\xE0"s, "'", "\0&apos;\xE0"s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.text) + " set " +
                     testing::PrintToString(row.charset));
        EXPECT_EQ(XmlEscapeChars(row.text, row.charset), row.expected);
    }
}

TEST(XmlEscaping, Unescape) {
    const TokenRow rows[] = {
        {"a&amp;lt;", "a&lt;"},
        {"&lt;&gt;&apos;&quot;&amp;", "<>'\"&"},
        {"&amp;amp;", "&amp;"},
        {"&#60;&nbsp;&LT;&lt", "&#60;&nbsp;&LT;&lt"},  // nothing else is decoded
        {"&&lt;;", "&<;"},
        {"&", "&"},
        {"\0&gt;\xFF"s, "\0>\xFF"s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.input));
        EXPECT_EQ(XmlUnescape(row.input), row.expected);
    }
}

TEST(XmlEscaping, UnescapeAgreesWithReplacementsInTurn) {
    const std::string alphabet = "&;ltgapoqusm<";
    std::mt19937 random(777);
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 16, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        std::string expected = text;
        for (auto [from, to] : {std::pair{"&lt;", "<"},
                                {"&gt;", ">"},
                                {"&apos;", "'"},
                                {"&quot;", "\""},
                                {"&amp;", "&"}}) {
            expected = ReplaceText(expected, from, to, kReplaceAll);
        }
        SCOPED_TRACE(text);
        ASSERT_EQ(XmlUnescape(text), expected);
    }
}

TEST(XmlEscaping, EscapedTextComesBack) {
    const std::string text = "<\"'&>&amp;\0\xC0"s;
    EXPECT_EQ(XmlUnescape(XmlEscapeText(text)), text);
    EXPECT_EQ(XmlUnescape(XmlEscapeChars(text, "<>&'\"")), text);
}

TEST(TextBetween, Table) {
    constexpr auto npos = std::string_view::npos;
    struct Row {
        std::string text, start, end;
        std::size_t from;
        std::string expected;
        std::size_t newStart;
    };
    const Row rows[] = {
        {"<a>x</a>", "<A>", "</A>", 0, "x", 0},
        {"12<b>yy<b>zz</b>", "<b>", "</b>", 3, "zz", 7},
        {"ab/cd", "", "/", 0, "ab", 0},  // no start marker: from the start position
        {"ab/cd", "", "/", 2, "", 2},
        {"ab/cd", "/", "", 0, "cd", 2},  // no end marker: to the end of the text
        {"ab/cd", "x", "/", 0, "", npos},
        {"ab/cd", "a", "x", 0, "", 0},  // end marker missing
        {"ab", "a", "", 5, "", npos},   // start beyond the text
        {"\xC0\xE1\0\xDF"s, "\xE0", "\xFF", 0, "\xE1\0"s, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.text) + " from " + std::to_string(row.from));
        std::size_t newStart = 12345;
        EXPECT_EQ(TextBetween(row.text, row.start, row.end, row.from, newStart), row.expected);
        EXPECT_EQ(newStart, row.newStart);
    }
    // The last component of a path, as the list file's error message takes it.
    std::string reversed = "/home/user/lists/My.lst";
    std::reverse(reversed.begin(), reversed.end());
    std::string name = TextBetween(reversed, "", "/");
    std::reverse(name.begin(), name.end());
    EXPECT_EQ(name, "My.lst");
}

TEST(HasNonSpace, Table) {
    const std::pair<std::string, bool> rows[] = {
        {"", false}, {"   ", false}, {" \t ", true}, {"\0"s, true}, {"  \xA0", true}, {"x", true},
    };
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(HasNonSpace(text), expected);
    }
}

}  // namespace
}  // namespace qx
