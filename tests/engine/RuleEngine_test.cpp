// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RuleEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "EngineDoubles.h"
#include "engine/CaseFoldSearcher.h"
#include "engine/CodePage.h"
#include "engine/ReplaceLoops.h"
#include "engine/TRegExpr.h"

namespace qx {
namespace {

using namespace std::string_literals;
using test::ListRows;
using test::Record;
using test::RecordingSinks;

const ReplaceFlags kAll = kReplaceAll;
const ReplaceFlags kAllIgnoreCase = kReplaceAll | kIgnoreCase;

// --- The counted plain replacement -----------------------------------------------------------

struct CountedRow {
    std::string text, find, replace;
    ReplaceFlags flags;
    std::string expected;
    std::vector<std::pair<std::string, std::string>> records;  // found, inserted
};

TEST(ReplaceCounted, Table) {
    const CountedRow rows[] = {
        {"xax", "x", "[nm].", kAll, "1.a2.", {{"x", "1."}, {"x", "2."}}},
        // Only the first [nm] of the inserted text is numbered.
        {"xax", "x", "[nm]-[nm]", kAll, "1-[nm]a2-[nm]", {{"x", "1-[nm]"}, {"x", "2-[nm]"}}},
        // Under IgnoreCase the records show the find as compared: lower-cased.
        {"AB ab", "Ab", "z", kAllIgnoreCase, "z z", {{"ab", "z"}, {"ab", "z"}}},
        {"AB ab", "ab", "z", kAll, "AB z", {{"ab", "z"}}},
        {"\xCF\xD0\xC8 \xEF\xF0\xE8 \xA8\xB8",
         "\xCF\xF0\xE8",
         "-",
         kAllIgnoreCase,
         "- - \xA8\xB8",
         {{"\xEF\xF0\xE8", "-"}, {"\xEF\xF0\xE8", "-"}}},  // ПРИ при Ёё
        {"\xA8\xB8", "\xB8", "e", kAllIgnoreCase, "ee", {{"\xB8", "e"}, {"\xB8", "e"}}},
        {"aaa", "aa", "b", kAll, "ba", {{"aa", "b"}}},  // occurrences never overlap
        {"abab", "ab", "[nm]", kReplaceNone, "1ab", {{"ab", "1"}}},
        {"abab", "ab", "", kAll, "", {{"ab", ""}, {"ab", ""}}},
        {"abc", "abc", "abc", kAllIgnoreCase, "abc", {}},  // find equals replace: nothing
        {"abc", "", "x", kAll, "abc", {}},
        {"ab", "abc", "x", kAll, "ab", {}},
        {"xyzzy", "zy", "!", kAll, "xyz!", {{"zy", "!"}}},  // at the very end
        {"a\0b\0"s, "\0"s, "0", kAll, "a0b0", {{"\0"s, "0"}, {"\0"s, "0"}}},
        {"Aa\0A"s, "a\0"s, "_", kAllIgnoreCase, "A_A", {{"a\0"s, "_"}}},
    };
    for (const CountedRow& row : rows) {
        SCOPED_TRACE("text '" + row.text + "' find '" + row.find + "' flags " +
                     std::to_string(row.flags));
        RecordingSinks sinks;
        const std::string file = "f.txt";
        RuleHooks hooks(sinks, file);
        EXPECT_EQ(ReplaceCounted(row.text, row.find, row.replace, row.flags, hooks), row.expected);
        ASSERT_EQ(sinks.records.size(), row.records.size());
        for (std::size_t i = 0; i < row.records.size(); ++i) {
            EXPECT_EQ(sinks.records[i].found, row.records[i].first);
            EXPECT_EQ(sinks.records[i].inserted, row.records[i].second);
            EXPECT_EQ(sinks.records[i].fileName, file);
        }
        EXPECT_EQ(hooks.ReplaceNumber(), static_cast<long long>(row.records.size()));
    }
}

TEST(ReplaceCounted, NumberRunsOnAcrossCallsUntilReset) {
    RecordingSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    EXPECT_EQ(ReplaceCounted("aa", "a", "[nm]", kAll, hooks), "12");
    EXPECT_EQ(ReplaceCounted("a", "a", "[nm]", kAll, hooks), "3");
    hooks.ResetNumber();
    EXPECT_EQ(ReplaceCounted("a", "a", "[nm]", kAll, hooks), "1");
}

TEST(ReplaceCounted, GrowthPastTheLimitRaisesInsteadOfExhaustingMemory) {
    RecordingSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    hooks.sizeLimit = 1000;
    std::string text(600, 'a');
    std::string scratch;
    EXPECT_THROW(ReplaceCountedInPlace(text, "a", "aa", kAll, hooks, scratch), ETextTooLarge);
    EXPECT_EQ(text, std::string(600, 'a'));  // the text is left as it was
    text.assign(400, 'a');
    EXPECT_TRUE(ReplaceCountedInPlace(text, "a", "aa", kAll, hooks, scratch));
    EXPECT_EQ(text.size(), 800u);
    EXPECT_GE(RuleEngine::SizeLimit(1000), std::size_t{512} << 20);
    EXPECT_GE(RuleEngine::SizeLimit(std::size_t{1} << 30), std::size_t{4} << 30);
}

// The searcher keeps memchr answers between calls and picks its method from the text; compare
// it with the plain definition on short texts and on texts long enough to be sampled, where
// both cases of the letters turn up in every order.
// The work buffer grows by what the text needs, not by doubling: a large text that grows by a
// few per cent must not hold twice its size. The output must be right at every rate of growth.
TEST(ReplaceCounted, OutputGrowsByWhatTheTextNeeds) {
    struct Row {
        const char* name;
        std::string unit;  // repeated to make the text
        std::string find, replace;
        std::string start = {};  // put before the repeated units
        double bound = 1.25;     // the largest capacity, in times the larger of the two texts
    };
    const std::vector<Row> rows = {
        {"one byte more per 100", std::string(96, '.') + "abc\n", "abc", "abcd"},
        {"twice as long", "xy", "x", "xx"},
        {"a hundred times as long", "x" + std::string(99, '.'), "x", std::string(100, 'z')},
        {"nothing replaced", std::string(99, '.'), ".", "."},
        {"shrinking", "abcd", "bc", ""},
        // The rate of the first matches would ask for a hundred times the text.
        {"a burst of growth at the start", ".", "x", std::string(100, 'z'), std::string(20000, 'x'),
         2.25},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string text = row.start;
        while (text.size() < (1u << 20)) text += row.unit;
        text += "abc";  // the last match lies at the very end
        std::string expected;
        for (std::size_t at = 0;;) {
            const std::size_t hit = text.find(row.find, at);
            if (hit == std::string::npos) {
                expected.append(text, at);
                break;
            }
            expected.append(text, at, hit - at).append(row.replace);
            at = hit + row.find.size();
        }
        RecordingSinks sinks;
        const std::string file;
        RuleHooks hooks(sinks, file);
        std::string out;
        const bool replaced = ReplaceCountedInto(text, row.find, row.replace, kAll, hooks, out);
        EXPECT_EQ(replaced, expected != text || row.find != row.replace);
        if (!replaced) continue;
        EXPECT_EQ(out, expected);
        EXPECT_LE(static_cast<double>(out.capacity()),
                  static_cast<double>(std::max(text.size(), out.size())) * row.bound);
    }
}

TEST(CaseFoldSearcher, AgreesWithPlainSearch) {
    std::mt19937 random(7);
    const std::string alphabet = "aAbB \xE0\xC0\xB8\xA8z\0"s;  // a A b B space а А ё Ё z NUL
    const std::vector<std::string> needles = {"a",
                                              "ab",
                                              "ba",
                                              "\xE0\xB8",
                                              "a b",
                                              "\0a"s,
                                              "z",
                                              "bbb",
                                              "a\xE0",
                                              " ",
                                              "abab",
                                              "BAAB",
                                              "a ba",
                                              "aaaa",
                                              "b ab",
                                              "ABBA b",
                                              "\xE0"
                                              "a\xB8"
                                              "a",
                                              "b\0ab"s,
                                              "zzzz",
                                              "AbBa\xC0\xE0\xC0\xE0 bA"};
    // Mostly spaces: the find texts turn up seldom, some of them at the very end.
    const std::string sparse = std::string(60, ' ') + "aBb\xC0\xE0\xB8z";
    for (int round = 0; round < 208; ++round) {
        // The last rounds are long enough for the searcher to sample the text.
        std::string text(round < 200 ? random() % 200 : 100000 + random() % 100000, ' ');
        const std::string& letters = round < 204 ? alphabet : sparse;
        for (char& c : text) c = letters[random() % letters.size()];
        const std::string lowerText = LowerCase(text);
        for (const std::string& needle : needles) {
            SCOPED_TRACE("round " + std::to_string(round) + " needle '" + needle + "'");
            const std::string lowerNeedle = LowerCase(needle);
            // Every width of vectors this processor has; the others search with the widest.
            for (const VectorWidth widest :
                 {VectorWidth::kNone, VectorWidth::kSixteen, VectorWidth::kSixtyFour}) {
                CaseFoldSearcher searcher(needle, widest);
                std::size_t from = 0;
                while (true) {
                    const std::size_t expected = lowerText.find(lowerNeedle, from);
                    const std::size_t found = searcher.Find(text, from);
                    ASSERT_EQ(found, expected) << "from " << from << " width " << int(widest);
                    if (found == std::string::npos) break;
                    from = found + 1 + random() % 2;
                }
            }
        }
    }
}

// --- The regular-expression replacement ------------------------------------------------------

TEST(ReplaceRegex, ReplacesEveryMatchAndRecordsTheWholeMatch) {
    RecordingSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    TRegExpr engine;
    EXPECT_EQ(ReplaceRegex(engine, "12px, 3px; px", "(\\d+)px", "$1", hooks), "12, 3; px");
    const std::vector<Record> expected = {{"12px", "12", ""}, {"3px", "3", ""}};
    EXPECT_EQ(sinks.records, expected);
    // [nm] is not a token of regular-expression rules, and the number stays untouched.
    EXPECT_EQ(ReplaceRegex(engine, "ab", "(a)(b)", "$2[nm]$1", hooks), "b[nm]a");
    EXPECT_EQ(hooks.ReplaceNumber(), 0);
}

TEST(ReplaceRegex, NoMatchLeavesTextWhole) {
    RecordingSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    TRegExpr engine;
    std::string text = "binary\0\xFF\0data"s;
    std::string scratch;
    EXPECT_FALSE(ReplaceRegexInPlace(engine, text, "q+z", "x", hooks, scratch));
    EXPECT_EQ(text, "binary\0\xFF\0data"s);
    EXPECT_TRUE(ReplaceRegexInPlace(engine, text, "\\x00", "0", hooks, scratch));
    EXPECT_EQ(text,
              "binary0\xFF"
              "0data");
    EXPECT_EQ(sinks.records.size(), 2u);
}

TEST(ReplaceRegex, EngineErrorsPropagate) {
    RecordingSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    TRegExpr engine;
    try {
        ReplaceRegex(engine, "text", "(a", "x", hooks);
        FAIL() << "no error for an unbalanced bracket";
    } catch (const ERegExpr& error) {
        EXPECT_EQ(std::string(error.what()).rfind("TRegExpr(comp): ", 0), 0u) << error.what();
    }
    try {
        ReplaceRegex(engine, "text", "", "x", hooks);
        FAIL() << "no error for an empty expression";
    } catch (const ERegExpr& error) {
        EXPECT_EQ(std::string(error.what()).rfind("TRegExpr(exec): ", 0), 0u) << error.what();
    }
}

// --- ApplyRules ------------------------------------------------------------------------------

std::string Apply(const ListRows& rows, RecordingSinks& sinks, std::string_view text,
                  ReplaceFlags flags = kAll) {
    RuleEngine engine(rows, sinks);
    engine.SetCurrentFileName("dir/file.txt");
    return engine.ApplyRules(text, flags);
}

TEST(ApplyRules, RulesRunInRowOrderEachOnThePreviousResult) {
    ListRows rows;
    rows.Add("a", "b");
    rows.Add("b", "c");
    rows.Add("c", "Z", "", 1, "", false);  // unchecked row: not applied
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, "ab"), "cc");
    EXPECT_EQ(sinks.progress, 2);
    const std::vector<Record> expected = {
        {"a", "b", "dir/file.txt"}, {"b", "c", "dir/file.txt"}, {"b", "c", "dir/file.txt"}};
    EXPECT_EQ(sinks.records, expected);
}

TEST(ApplyRules, NumberingStartsAgainAtEveryRow) {
    ListRows rows;
    rows.Add("x", "[nm]");
    rows.Add("y", "never", "", 1, "", false);
    rows.Add("z", "<[nm]>");
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, "xzxz"), "1<1>2<2>");
}

TEST(ApplyRules, EmptyTextIsReturnedWithoutTouchingTheSinks) {
    ListRows rows;
    rows.Add("", "x", "r");  // would raise if it were applied
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, ""), "");
    EXPECT_EQ(sinks.progress, 0);
    EXPECT_TRUE(sinks.records.empty());
}

TEST(ApplyRules, LineBreakTokensAreDecodedButTabAndSpaceTokensAreLiteral) {
    ListRows rows;
    rows.Add("[nw]", "[nu]");
    rows.Add("[t]", "T");
    rows.Add("[sp]", "S");
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, "a\r\nb\t[t][sp]"), "a\nb\tTS");
}

TEST(ApplyRules, FlagsWithTheLetterRInEitherCaseMakeARegularExpression) {
    const struct {
        std::string flags, expected;
    } table[] = {{"r", "X X"}, {"R", "X X"}, {"xr", "X X"}, {"", "abc X"}, {"x", "abc X"}};
    for (const auto& row : table) {
        SCOPED_TRACE("flags '" + row.flags + "'");
        ListRows rows;
        rows.Add("a.c", "X", row.flags);
        RecordingSinks sinks;
        EXPECT_EQ(Apply(rows, sinks, "abc a.c"), row.expected);
    }
}

TEST(ApplyRules, RegularExpressionsIgnoreThePlainRuleCaseOption) {
    ListRows rows;
    rows.Add("ab", "-", "r");
    rows.Add("(?i)cd", "+", "r");
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, "ab AB cd CD", kAllIgnoreCase), "- AB + +");
}

// "^" matches once per pass, so the text counts the passes made.
TEST(ApplyRules, RepeatGivesTheNumberOfPasses) {
    const struct {
        std::int32_t repeat;
        std::size_t passes;
    } table[] = {{1, 1},
                 {2, 2},
                 {7, 7},
                 {1000, 1000},
                 {0, 1000},
                 {1001, 1000},
                 {2147483647, 1000},
                 {-1, 1},
                 {-2147483647 - 1, 1}};
    for (const auto& row : table) {
        SCOPED_TRACE("repeat " + std::to_string(row.repeat));
        ListRows rows;
        rows.Add("^", "a", "r", row.repeat);
        RecordingSinks sinks;
        EXPECT_EQ(Apply(rows, sinks, "x"), std::string(row.passes, 'a') + "x");
        EXPECT_EQ(sinks.records.size(), row.passes);
        EXPECT_EQ(sinks.progress, 1);
    }
}

TEST(ApplyRules, RepeatedPlainRules) {
    {
        ListRows rows;
        rows.Add("a", "aa", "", 3);
        RecordingSinks sinks;
        EXPECT_EQ(Apply(rows, sinks, "a"), std::string(8, 'a'));
        EXPECT_EQ(sinks.records.size(), 1u + 2u + 4u);
    }
    {
        // The number runs on across the passes of a rule: 1 2, then 3 4.
        ListRows rows;
        rows.Add("x", "[nm]x", "", 2);
        RecordingSinks sinks;
        EXPECT_EQ(Apply(rows, sinks, "xx"), "13x24x");
    }
}

TEST(ApplyRules, WhileThereIsSomethingToReplaceHalvesDownToOne) {
    ListRows rows;
    rows.Add("aa", "a", "", 0);
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, std::string(8, 'a')), "a");
    EXPECT_EQ(sinks.records.size(), 4u + 2u + 1u);
}

TEST(ApplyRules, ZeroBytesAreOrdinaryCharacters) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>(i * 7 % 256));
    ListRows rows;
    rows.Add("never there", "x");
    rows.Add("nor (this)+", "x", "r");
    RecordingSinks sinks;
    EXPECT_EQ(Apply(rows, sinks, binary), binary);
    EXPECT_EQ(sinks.progress, 2);

    ListRows zeros;
    zeros.Add("\0\a"s, "<>");  // NUL followed by 7
    zeros.Add("\\x00", "0", "r");
    RecordingSinks sinks2;
    const std::string result = Apply(zeros, sinks2, binary);
    EXPECT_EQ(result.find('\0'), std::string::npos);
    EXPECT_NE(result.find("<>"), std::string::npos);
}

TEST(ApplyRules, ErrorsPropagateAndEarlierRulesKeepTheirRecords) {
    const struct {
        std::string find, flags, messageStart;
    } table[] = {{"a(", "r", "TRegExpr(comp): "}, {"", "r", "TRegExpr(exec): "}};
    for (const auto& row : table) {
        SCOPED_TRACE("find '" + row.find + "'");
        ListRows rows;
        rows.Add("x", "y");
        rows.Add(row.find, "z", row.flags);
        rows.Add("y", "never");
        RecordingSinks sinks;
        try {
            Apply(rows, sinks, "xx");
            ADD_FAILURE() << "no error";
        } catch (const ERegExpr& error) {
            EXPECT_EQ(std::string(error.what()).rfind(row.messageStart, 0), 0u) << error.what();
        }
        EXPECT_EQ(sinks.records.size(), 2u);
        EXPECT_EQ(sinks.progress, 1);
    }
}

TEST(ApplyRules, ActiveRuleCountCountsCheckedRows) {
    ListRows rows;
    rows.Add("a", "b");
    rows.Add("a", "b", "", 1, "", false);
    rows.Add("a", "b", "r");
    RecordingSinks sinks;
    EXPECT_EQ(RuleEngine(rows, sinks).ActiveRuleCount(), 2u);
}

// --- Ten rules over a large document, against the same rules applied by hand ----------------

// Replaces every occurrence, left to right, calling `make` for each inserted text.
template <class Make>
std::size_t HandReplace(std::string& text, const std::string& find, bool ignoreCase, Make make) {
    std::string out;
    std::size_t count = 0, from = 0;
    const std::string lowerText = LowerCase(text);
    const std::string lowerFind = LowerCase(find);
    while (true) {
        const std::size_t at = ignoreCase ? lowerText.find(lowerFind, from) : text.find(find, from);
        if (at == std::string::npos) break;
        out.append(text, from, at - from);
        out += make(++count);
        from = at + find.size();
    }
    out.append(text, from);
    text = out;
    return count;
}

bool IsWordChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string MakeDocument(std::size_t size) {
    const std::vector<std::string> words = {"cat",
                                            "Cat",
                                            "CAT",
                                            "dog",
                                            "12px",
                                            "7px",
                                            "px",
                                            "zz",
                                            "ZZzz",
                                            "q!",
                                            "hello",
                                            "HeLLo",
                                            "name@host",
                                            "a_1@b_2",
                                            "Q!",
                                            "\xCA\xCE\xD2",  // КОТ
                                            "\xEA\xEE\xF2",
                                            "\xCA\xEE\xF2\xFB",  // кот Коты
                                            "  ",
                                            "word",
                                            "3",
                                            "\"quoted\"",
                                            "\xB8\xEB\xEA\xE0"};
    std::mt19937 random(2024);
    std::string text = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<doc>";
    int id = 0;
    auto phrase = [&] {
        std::string p = words[random() % words.size()];
        for (int n = random() % 6; n > 0; --n) p += " " + words[random() % words.size()];
        return "w" + p + "w";  // text nodes carry no leading or trailing white space
    };
    while (text.size() < size) {
        text += "<Item id=\"" + std::to_string(++id) + "\"><Name>" + phrase() + "</Name><Value>" +
                phrase() + "</Value></Item>";
    }
    return text + "</doc>";
}

TEST(ApplyRules, TenRuleMixMatchesTheRulesAppliedByHand) {
    const std::string input = MakeDocument(10u << 20);
    ListRows rows;
    rows.Add("cat", "dog");                            // 1 plain, case ignored
    rows.Add("\xEA\xEE\xF2", "\xEA\xEE\xF8\xEA\xE0");  // 2 кот -> кошка, Cyrillic case
    rows.Add("(\\d+)px", "$1 pt", "r");                // 3 regex with a group
    rows.Add("zz", "#[nm]");                           // 4 numbered
    rows.Add("q!", "q!q!", "", 3);                     // 5 three passes
    rows.Add("dog", "XXX", "", 1, "", false);          // 6 unchecked
    rows.Add("(\\w+)@(\\w+)", "$2 at $1", "R");        // 7 regex, two groups
    rows.Add("  ", " ", "", 0);                        // 8 until nothing is left
    rows.Add("dog", "DOG", "", 2, "//Value");          // 9 only inside Value elements
    rows.Add("(?i)hello", "Hi", "r");                  // 10 inline modifier

    RecordingSinks sinks;
    const std::string result = Apply(rows, sinks, input, kAllIgnoreCase);

    std::string text = input;
    std::size_t records = 0;
    records += HandReplace(text, "cat", true, [](std::size_t) { return "dog"s; });
    records += HandReplace(text, "\xEA\xEE\xF2", true,
                           [](std::size_t) { return "\xEA\xEE\xF8\xEA\xE0"s; });
    {  // (\d+)px: a run of digits right before "px"
        std::string out;
        for (std::size_t i = 0; i < text.size();) {
            std::size_t end = i;
            while (end < text.size() && IsDigit(text[end])) ++end;
            if (end > i && text.compare(end, 2, "px") == 0) {
                out.append(text, i, end - i) += " pt";
                ++records;
                i = end + 2;
            } else {
                out.append(text, i, std::max(end, i + 1) - i);
                i = std::max(end, i + 1);
            }
        }
        text = out;
    }
    records += HandReplace(text, "zz", true, [](std::size_t n) { return "#" + std::to_string(n); });
    for (int pass = 0; pass < 3; ++pass)
        records += HandReplace(text, "q!", true, [](std::size_t) { return "q!q!"s; });
    {  // (\w+)@(\w+): the words around each "@"
        std::string out;
        std::size_t from = 0;
        for (std::size_t at = text.find('@'); at != std::string::npos;
             at = text.find('@', at + 1)) {
            std::size_t left = at, right = at + 1;
            while (left > from && IsWordChar(text[left - 1])) --left;
            while (right < text.size() && IsWordChar(text[right])) ++right;
            ASSERT_TRUE(left < at && right > at + 1);
            out.append(text, from, left - from);
            out += text.substr(at + 1, right - at - 1) + " at " + text.substr(left, at - left);
            ++records;
            from = right;
        }
        out.append(text, from);
        text = out;
    }
    while (std::size_t n = HandReplace(text, "  ", true, [](std::size_t) { return " "s; }))
        records += n;
    {  // dog -> DOG inside each Value element, twice (the second pass finds DOG as dog again)
        std::string out;
        std::size_t from = 0;
        for (std::size_t open = text.find("<Value>"); open != std::string::npos;
             open = text.find("<Value>", from)) {
            const std::size_t close = text.find("</Value>", open);
            std::string value = text.substr(open + 7, close - open - 7);
            for (int pass = 0; pass < 2; ++pass)
                records += HandReplace(value, "dog", true, [](std::size_t) { return "DOG"s; });
            out.append(text, from, open + 7 - from) += value;
            from = close;
        }
        out.append(text, from);
        text = out;
    }
    {  // (?i)hello: Latin letters only
        records += HandReplace(text, "hello", true, [](std::size_t) { return "Hi"s; });
    }

    EXPECT_EQ(sinks.progress, 9);
    EXPECT_EQ(sinks.records.size(), records);
    ASSERT_EQ(result.size(), text.size());
    EXPECT_TRUE(result == text) << "first difference at "
                                << std::mismatch(result.begin(), result.end(), text.begin()).first -
                                       result.begin();
}

}  // namespace
}  // namespace qx
