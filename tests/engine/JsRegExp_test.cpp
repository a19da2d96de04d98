// SPDX-License-Identifier: GPL-3.0-or-later
// The JavaScript-style engine of the second test window: its dialect, every match of a text
// (empty ones included, moving on by whole characters), groups that take no part, errors and
// run-away matches.

#include "engine/JsRegExp.h"

#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

// Every match as "text" or "text[g1,g2]" joined by "|".
std::string AllMatches(std::string_view pattern, bool multiline, std::string_view subject) {
    JsRegExp re;
    re.SetPattern(pattern);
    re.SetMultiline(multiline);
    std::string out;
    bool first = true;
    if (re.Exec(subject)) {
        do {
            if (!first) out += '|';
            first = false;
            out += re.Match(0);
            if (re.GroupCount() > 0) {
                out += '[';
                for (int g = 1; g <= re.GroupCount(); ++g) {
                    if (g > 1) out += ',';
                    out += re.Match(g);
                }
                out += ']';
            }
        } while (re.ExecNext());
    }
    return out;
}

struct Case {
    const char* pattern;
    bool multiline;
    const char* subject;
    const char* expected;
};

TEST(JsRegExp, DialectTable) {
    const Case cases[] = {
        {"(a)|(b)", false, "ab", "a[a,]|b[,b]"},  // a group that took no part is empty
        {"ABC", false, "abc ABC", "ABC"},         // letter case matters
        {"\\w+", false, "привет world_1", "world_1"},
        {"\\d", false, "١2", "2"},                // ASCII digits only
        {"a*", false, "baa", "|aa|"},             // empty matches, as a script sees them
        {"^\\w", true, "ab\r\ncd\ner", "a|c|e"},  // every line start, CR LF or LF
        {"^\\w", false, "ab\r\ncd", "a"},
        {"b$", false, "ab\n", ""},  // "$" is the end of the text only
        {"b$", true, "ab\r\nab", "b|b"},
        {".+", false, "x\r\ny", "x|y"},  // the dot stops at CR and LF
        {"\\u0416\\x41", false, "ЖA", "ЖA"},
        {"(x)?\\1b", false, "b", "b[]"},  // reference to an unset group
        {"[^]", false, "\n", "\n"},
        {"[]", false, "abc", ""},
        {"я+", false, "ёяяё", "яя"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(AllMatches(c.pattern, c.multiline, c.subject), c.expected);
    }
}

TEST(JsRegExp, EmptyMatchesMoveOnByWholeCharacters) {
    JsRegExp re;
    re.SetPattern("");
    const std::string subject = "яёa";
    std::vector<std::size_t> positions;
    if (re.Exec(subject)) do
            positions.push_back(re.MatchPos());
        while (re.ExecNext());
    EXPECT_EQ(positions, (std::vector<std::size_t>{0, 2, 4, 5}));
}

TEST(JsRegExp, ErrorsAndRunAwayMatchesThrow) {
    JsRegExp re;
    re.SetPattern("(");
    EXPECT_THROW(re.Exec("abc"), EJsRegExp);
    re.SetPattern("a");
    EXPECT_THROW(re.Exec("\xFF"), EJsRegExp);  // not UTF-8
    EXPECT_TRUE(re.Exec("a"));

    // Catastrophic backtracking ends with an error instead of hanging the window.
    re.SetPattern("(a+)+$");
    const std::string subject = std::string(40, 'a') + "b";
    EXPECT_THROW(re.Exec(subject), EJsRegExp);

    // A legitimate search over a long text is not cut short.
    const std::string big(4 << 20, 'x');
    re.SetPattern("x{3}$");
    ASSERT_TRUE(re.Exec(big));
    EXPECT_EQ(re.MatchPos(), big.size() - 3);
}

}  // namespace
}  // namespace qx
