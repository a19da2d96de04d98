// SPDX-License-Identifier: GPL-3.0-or-later
// Behaviour of TRegExpr beyond the recorded library cases: zero bytes, run-away matches,
// compiling only on change, iteration, limits, and dialect details the recorded set keeps back.

#include "engine/TRegExpr.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/CodePage.h"

using namespace std::string_literals;

namespace qx {
namespace {

// Test texts are written in UTF-8; the engine works on windows-1251.
std::string W(std::string_view utf8) { return Utf8ToCp1251Lenient(utf8); }

// The program's replace-all loop, with "<$0>" marking every match unless told otherwise.
std::string ReplaceAll(TRegExpr& re, std::string_view subject, std::string_view templ = "<$0>") {
    std::string out;
    std::size_t copied = 0;
    if (re.Exec(subject)) {
        do {
            const auto pos = static_cast<std::size_t>(re.MatchPos(0));
            out.append(subject.substr(copied, pos - copied));
            re.AppendSubstitute(templ, out);
            copied = pos + static_cast<std::size_t>(re.MatchLen(0));
        } while (re.ExecNext());
    }
    out.append(subject.substr(copied));
    return out;
}

std::string ReplaceAll(std::string_view modifiers, std::string_view expression,
                       std::string_view subject, std::string_view templ = "<$0>") {
    TRegExpr re;
    if (!modifiers.empty()) re.SetModifierStr(modifiers);
    re.SetExpression(expression);
    return ReplaceAll(re, subject, templ);
}

std::string ErrorOf(std::string_view modifiers, std::string_view expression,
                    std::string_view subject = "") {
    try {
        ReplaceAll(modifiers, expression, subject);
    } catch (const ERegExpr& e) {
        return e.what();
    }
    return "no error";
}

TEST(TRegExpr, ZeroBytesAreOrdinaryCharacters) {
    struct Row {
        std::string expression, subject, expected;
    };
    const std::vector<Row> rows = {
        {"\\x00", "a\0b"s, "a<\0>b"s},
        {"\\x{}", "\0"s, "<\0>"s},
        {"a\0b"s, "xa\0b a"s, "x<a\0b> a"s},  // a zero byte inside the expression
        {"a.b", "a\0b"s, "<a\0b>"s},
        {"[^a]+", "a\0\0a"s, "a<\0\0>a"s},
        {"\\w+", "ab\0cd"s, "<ab>\0<cd>"s},
        {"b$", "a\0b"s, "a\0<b>"s},
        {"^a", "\0a"s, "\0a"s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expression);
        EXPECT_EQ(ReplaceAll("", row.expression, row.subject), row.expected);
    }
    TRegExpr re;
    re.SetExpression("(b)");
    const std::string subject = "a\0b\0"s;  // matches point into the subject
    ASSERT_TRUE(re.Exec(subject));
    EXPECT_EQ(re.MatchPos(1), 2);
    EXPECT_EQ(re.Substitute("[\0$1\0]"s), "[\0b\0]"s);
}

TEST(TRegExpr, RunawayBacktrackingEndsWithExecError) {
    TRegExpr re;
    re.SetExpression("(a+)+$");
    const std::string subject = std::string(64, 'a') + "b";
    try {
        re.Exec(subject);
        FAIL() << "expected a run-away error";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(std::string(e.what()), "TRegExpr(exec): Match Limit Exceeded");
    }
    // The engine stays usable afterwards.
    re.SetExpression("a+b");
    ASSERT_TRUE(re.Exec(subject));
    EXPECT_EQ(re.MatchLen(0), 65);
}

TEST(TRegExpr, LongLinearBacktrackingIsNotARunaway) {
    // ".*x" backtracks once through the whole text: many steps, but proportional to its size.
    const std::string subject = "x" + std::string(1'000'000, 'a');
    TRegExpr re;
    re.SetExpression(".*x");
    ASSERT_TRUE(re.Exec(subject));
    EXPECT_EQ(re.MatchLen(0), 1);
    re.SetExpression("(?:a|b)+");  // not in the dialect: an error, not a crash
    EXPECT_THROW(re.Exec(subject), ERegExpr);
    re.SetExpression("(a|b)+");
    ASSERT_TRUE(re.Exec(subject));
    EXPECT_EQ(re.MatchLen(0), 1'000'000);
}

TEST(TRegExpr, ModerateBacktrackingAtEveryPositionIsNotARunaway) {
    // Each start position backtracks through the rest of its 200-byte sentence: many steps over
    // the whole text, few at any one position.
    std::string subject;
    while (subject.size() < 1'000'000) subject += std::string(199, 'a') + ". ";
    subject += "x";  // present, so no shortcut skips the search
    TRegExpr re;
    re.SetExpression("([a-z]| )*[a-z]\\.x");
    EXPECT_FALSE(re.Exec(subject));
    re.SetExpression("([a-z]| )*[a-z]\\. ");
    ASSERT_TRUE(re.Exec(subject));
    EXPECT_EQ(re.MatchLen(0), 201);
}

TEST(TRegExpr, SameExpressionKeepsTheCompiledStateAndMatches) {
    TRegExpr re;
    re.SetExpression("a");
    ASSERT_TRUE(re.Exec("aXa"));
    re.SetExpression("a");  // unchanged: no new compilation, the iteration goes on
    ASSERT_TRUE(re.ExecNext());
    EXPECT_EQ(re.MatchPos(0), 2);

    re.SetExpression("X");  // changed: compiled again at the next Exec
    EXPECT_EQ(re.SubExprMatchCount(), -1);
    EXPECT_THROW(re.ExecNext(), ERegExpr);
    ASSERT_TRUE(re.Exec("aXa"));
    EXPECT_EQ(re.MatchPos(0), 1);
}

TEST(TRegExpr, ModifierChangesTakeEffectAtTheNextExec) {
    TRegExpr re;
    const std::string subject = W("ЁЖ");
    re.SetExpression(W("ёж"));
    EXPECT_FALSE(re.Exec(subject));
    re.SetModifierI(true);
    EXPECT_TRUE(re.ModifierI());
    EXPECT_TRUE(re.Exec(subject));
    re.SetModifierStr("-i");
    EXPECT_FALSE(re.Exec(subject));

    re.SetExpression("^b");
    EXPECT_FALSE(re.Exec("a\r\nb"));
    re.SetModifierM(true);
    EXPECT_TRUE(re.ModifierM());
    EXPECT_TRUE(re.Exec("a\r\nb"));
}

TEST(TRegExpr, BadModifierLetterLeavesModifiersAlone) {
    TRegExpr re;
    EXPECT_THROW(re.SetModifierStr("iq"), ERegExpr);
    EXPECT_FALSE(re.ModifierI());
    re.SetModifierStr("IM");
    EXPECT_TRUE(re.ModifierI());
    EXPECT_TRUE(re.ModifierM());
}

TEST(TRegExpr, ExecNextAfterEmptyMatchMovesOnOneByte) {
    struct Row {
        std::string expression, subject, expected;
    };
    const std::vector<Row> rows = {
        {"a*|b", "b", "<>b<>"},  // b is never tried where the empty match was
        {"x*", "ab", "<>a<>b<>"},
        {"a*", "aab", "<aa><>b<>"},  // after a non-empty match, an empty one at its end
        {"\\b", "ab", "<>ab<>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expression);
        EXPECT_EQ(ReplaceAll("", row.expression, row.subject), row.expected);
    }
    TRegExpr re;
    re.SetExpression("$");
    ASSERT_TRUE(re.Exec("ab"));
    EXPECT_EQ(re.MatchPos(0), 2);
    EXPECT_FALSE(re.ExecNext());
    EXPECT_FALSE(re.ExecNext());  // stays finished
    EXPECT_EQ(re.SubExprMatchCount(), -1);
}

TEST(TRegExpr, FourteenGroupsAtMost) {
    const std::string fourteen = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)";
    TRegExpr re;
    re.SetExpression(fourteen);
    ASSERT_TRUE(re.Exec("abcdefghijklmn"));
    EXPECT_EQ(re.SubExprMatchCount(), 14);
    EXPECT_EQ(re.Match(14), "n");
    EXPECT_EQ(re.MatchPos(14), 13);
    EXPECT_EQ(re.MatchPos(15), -1);
    EXPECT_EQ(re.MatchLen(-1), -1);
    EXPECT_EQ(re.Match(15), "");
    EXPECT_EQ(re.Substitute("$14$15${15}$140"), "n");

    EXPECT_EQ(ErrorOf("", fourteen + "(o)"), "TRegExpr(comp): ParseReg Too Many () (pos 43)");
    // Modifier groups and comments are not groups.
    EXPECT_EQ(ReplaceAll("", fourteen + "(?i)(?#x)", "abcdefghijklmn", "$14"), "n");
}

TEST(TRegExpr, ExecErrors) {
    EXPECT_EQ(ErrorOf("", ""), "TRegExpr(exec): Not Assigned Expression Property");
    TRegExpr re;
    EXPECT_THROW(re.ExecNext(), ERegExpr);
    re.SetExpression("(");
    EXPECT_THROW(re.Compile(), ERegExpr);
    EXPECT_THROW(re.Exec("a"), ERegExpr);  // still invalid: fails again, not silently
}

TEST(TRegExpr, SubstituteTemplates) {
    TRegExpr re;
    re.SetExpression("(a)(x)?(b)");
    ASSERT_TRUE(re.Exec("-ab-"));
    struct Row {
        std::string templ, expected;
    };
    const std::vector<Row> rows = {
        {"${&}|${}|$&|$0|${0}", "ab|ab|ab|ab|ab"},
        {"[$2][${2}][$4][$99999999999999999999]", "[][][][]"},  // unset, missing, huge
        {"$3$1", "ba"},
        {"${3}1|$31", "b1|"},
        {"$", "$"},
        {"${", "${"},
        {"${&", "${&"},
        {"${1x}", "${1x}"},
        {"$$1", "$a"},
        {"\\\\\\$1\\", "\\$1\\"},      // escaped backslash and dollar, final backslash kept
        {"\\n\\r\\t\\x41", "nrtx41"},  // escapes are the letters themselves
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.templ);
        EXPECT_EQ(re.Substitute(row.templ), row.expected);
    }
    std::string out = "keep:";
    re.AppendSubstitute("$1", out);
    EXPECT_EQ(out, "keep:a");
}

// Loops over groups with counts or laziness nest ten deep at most; the eleventh level fails
// when matching starts.
TEST(TRegExpr, NestedCountedLoops) {
    auto nested = [](int levels) {
        std::string expression = "a";
        for (int i = 0; i < levels; ++i) expression = "(" + expression + "){1,2}";
        return expression;
    };
    EXPECT_EQ(ReplaceAll("", nested(10), "a"), "<a>");
    EXPECT_EQ(ErrorOf("", nested(11), "a"), "TRegExpr(exec): Loop Stack Exceeded");
    // Greedy * and + over groups are not such loops; without g they are.
    std::string star = "a";
    for (int i = 0; i < 12; ++i) star = "(" + star + "b)+";
    EXPECT_NE(ErrorOf("", star, "a"), "TRegExpr(exec): Loop Stack Exceeded");
    EXPECT_EQ(ErrorOf("-g", star, "a"), "TRegExpr(exec): Loop Stack Exceeded");
}

TEST(TRegExpr, LargeRepeatCounts) {
    const std::string x70000(70000, 'x');
    EXPECT_EQ(ReplaceAll("", "x{70000}", x70000 + "x", "<>"), "<>x");
    EXPECT_EQ(ReplaceAll("", "x{70001}", x70000, "<>"), x70000);
    EXPECT_EQ(ReplaceAll("", "^x{2,70000}$", x70000, "<>"), "<>");
    EXPECT_EQ(ReplaceAll("", "x{69999,}", x70000 + "xx", "<>"), "<>");
    EXPECT_EQ(ReplaceAll("", "[xy]{65536,65537}", x70000, "<>"), "<>" + std::string(4463, 'x'));
    EXPECT_EQ(ReplaceAll("", "x{99999999}", x70000, "<>"), x70000);
    // Counts over groups are written out in full; PCRE2 holds a few thousand copies at most.
    std::string ab;
    for (int i = 0; i < 1000; ++i) ab += "ab";
    EXPECT_EQ(ReplaceAll("", "(ab){1000}", ab + "ab", "<$1>"), "<ab>ab");
    EXPECT_EQ(ErrorOf("", "(ab){20000}"), "TRegExpr(comp): Regexp Too Big (pos 0)");
}

struct DialectRow {
    std::string modifiers, expression, subject, expected;
};

// Dialect details the recorded set keeps back, as the library's description states them.
TEST(TRegExpr, DialectDetails) {
    const std::vector<DialectRow> rows = {
        {"", "[а-Я]+", "ЁёАяa", "<ЁёАя>a"},           // a reversed range under r: 66 letters
        {"", "[\\xE0-\\xFF]", "ё", "<ё>"},            // escapes count for the r ranges
        {"", "[А-я]+", "ЁАя", "Ё<Ая>"},               // other ranges are byte ranges
        {"", "[а-яА-Я]+", "ёЁ", "<ёЁ>"},              //
        {"-r", "[а-яА-Я]+", "ёЁа", "ёЁ<а>"},          //
        {"", "[a-\\d]+", "a-5b", "<a-5>b"},           // a class escape as range end
        {"", "[\\d-z]+", "5-zy", "<5-z>y"},           //
        {"", "[\\W\\S\\D\\b]+", "WSDb.", "<WSDb>."},  // letters inside a class
        {"", "\\h\\v\\R\\N\\X\\C\\p\\Q\\E\\G\\K\\z", "hvRNXCpQEGKz", "<hvRNXCpQEGKz>"},
        {"", "\\cA", "cA", "<cA>"},
        {"", "\\10", "\\10 a0", "\\10 a0"},  // \1 (no group 1) then 0: never matches
        {"", "(a)\\10", "aa0 aa", "<aa0> aa"},
        {"", "\\x{}a", "\0a"s, "<\0a>"s},
        {"", "\\s+", "a\x0b \t\r\n\f\u00a0", "a\x0b< \t\r\n\f>\u00a0"},
        {"-s", ".+", "a\rb\nc\x0b", "<a>\r<b>\n<c\x0b>"},
        {"m", "^", "a\r\nb\rc\n", "<>a\r\n<>b\r<>c\n<>"},
        {"m", "$", "a\r\nb\rc\n", "a<>\r\nb<>\rc<>\n<>"},
        {"", "a$", "a\n", "a\n"},  // $ only at the very end
        {"", "a\\Z", "a\n", "a\n"},
        {"m", "x|$", "a\nx", "a<>\n<x><>"},     // m from the modifiers: $ at every line end
        {"", "(?m)x|$", "a\nx", "a\n<x><>"},    // m switched on inline: not before the LF
        {"", "(?m)$|\\n", "a\nx", "a<>\nx<>"},  // ...unless the line break can start a match
        {"", "(?m)a*$", "b\naa", "b\n<aa><>"},
        {"", "(?m)^$", "\n\n", "<>\n<>\n<>"},
        {"", "a{,2}{1,x}{ }", "a{,2}{1,x}{ }", "<a{,2}{1,x}{ }>"},
        {"", "(?x) a b  # comment\n c", "abc", "<abc>"},
        {"x", "a\x0b", "a\x0b", "<a\x0b>"},  // VT is not a blank for x
        {"", "(?i)[ё-ё]", "Ё", "<Ё>"},
        {"", "(?i)(а)(?-i)\\1", "аА аа", "аА <аа>"},
        {"-g", "a*?b", "aab", "<aab>"},
        {"-g", "(a|b)*c", "abc", "<abc>"},
        {"", "(?-g)a{2,}", "aaaaa", "<aa><aa>a"},
        {"", "(?i-i)a|(?I)b", "AB", "A<B>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("/" + row.expression + "/" + row.modifiers);
        EXPECT_EQ(ReplaceAll(row.modifiers, W(row.expression), W(row.subject)), W(row.expected));
    }
}

TEST(TRegExpr, CompileErrorTexts) {
    struct Row {
        std::string expression, expected;
    };
    const std::vector<Row> rows = {
        {"^*", "*+ Operand Could Be Empty (pos 1)"},
        {"a(?i)+", "*+ Operand Could Be Empty (pos 5)"},
        {"(a?){2}", "*+ Operand Could Be Empty (pos 4)"},
        {"(a|b?)+", "*+ Operand Could Be Empty (pos 6)"},
        {"a{3,2}", "BRACE Min Param Greater then Max (pos 5)"},
        {"a{1,999999999}", "BRACES Argument Too Big (pos 13)"},
        {"[a\\", "Parse Atom Trailing \\ (pos 3)"},
        {"[a-", "Unmatched [] (pos 3)"},
        {"[а-Я", "Unmatched [] (pos 4)"},
        {"(?i:a)", "Urecognized Modifier (pos 5)"},
        {"(?=a)", "Urecognized Modifier (pos 4)"},
        {"(*FAIL)", "?+*{ Follows Nothing (pos 2)"},
        {"a|*", "?+*{ Follows Nothing (pos 3)"},
        {"a{2}+", "Nested *?+ (pos 4)"},
        {"\\x{1g}", "Bad Hex Digit (pos 4)"},
        {"[\\x4]", "Bad Hex Digit (pos 4)"},
        {"((a)))", "ParseReg Unmatched () (pos 5)"},
        {"(?#", "Unclosed (?#Comment) (pos 3)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expression);
        EXPECT_EQ(ErrorOf("", W(row.expression)), "TRegExpr(comp): " + row.expected);
    }
    EXPECT_EQ(ErrorOf("-r", W("[а-Я]")), "TRegExpr(comp): Invalid [] Range (pos 3)");
}

// Any expression either fails with the dialect's compile error or runs: the translation never
// hands PCRE2 something it refuses, and matching never fails otherwise on short subjects.
TEST(TRegExpr, RandomExpressionsCompileOrFailCleanly) {
    std::vector<std::string> pieces = {
        "a",    "b",     "ё",    "Ё",          "(",     ")",       "|",      "*",
        "+",    "?",     "{2}",  "{1,3}",      "{2,}",  "{",       "}",      "[",
        "]",    "^",     "-",    "[а-я]",      "[^a]",  "\\",      "\\1",    "\\2",
        "\\b",  "\\w",   "\\s",  "\\d",        "\\x41", "\\x{",    ".",      "$",
        "(?i)", "(?-s)", "(?m)", "(?x)",       " ",     "#",       "\n",     "(?#c)",
        "\\Q",  "\\A",   "\\Z",  "{99999999}", "\0"s,   "[\\d-z]", "(?g-g)", "\\x{ff}"};
    for (auto& piece : pieces) piece = W(piece);
    std::mt19937 random(20261208);
    const std::vector<std::string> subjects = {"", "ab", W("aab\nЁё\r\nAbb"), "bbb a", "\0a\0"s};
    int compiled = 0;
    int tooBig = 0;
    for (int n = 0; n < 4000; ++n) {
        std::string expression;
        const int length = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < length; ++k) expression += pieces[random() % pieces.size()];
        SCOPED_TRACE(expression);
        TRegExpr re;
        if (random() % 2) re.SetModifierStr("im-g");
        re.SetExpression(expression);
        try {
            re.Compile();
        } catch (const ERegExpr& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind("TRegExpr(comp): ", 0), 0u) << text;
            EXPECT_EQ(text.find("Internal"), std::string::npos) << text;
            if (text.find("Regexp Too Big") != std::string::npos) ++tooBig;
            continue;
        }
        ++compiled;
        for (const auto& subject : subjects) {
            try {
                ReplaceAll(re, subject);
            } catch (const ERegExpr& e) {
                EXPECT_EQ(std::string(e.what()), "TRegExpr(exec): Loop Stack Exceeded");
            }
        }
    }
    EXPECT_GT(compiled, 1000);
    EXPECT_LT(tooBig, 20);
}

}  // namespace
}  // namespace qx
