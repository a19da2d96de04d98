// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ListTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "EngineDoubles.h"
#include "engine/Encoding.h"
#include "engine/FileCorrection.h"
#include "engine/RuleEngine.h"
#include "engine/RuleWarnings.h"
#include "engine/TextDiff.h"
#include "tests/support/TempFolder.h"

namespace qx {
namespace {

using test::ListRows;
using test::RecordingSinks;
using W = RuleWarningKind;

struct Rule {
    Rule(std::string f, std::string r, std::string fl = "", std::int32_t rep = 1,
         std::string x = "", bool c = true)
        : find(std::move(f)),
          replace(std::move(r)),
          flags(std::move(fl)),
          repeat(rep),
          xPath(std::move(x)),
          checked(c) {}
    std::string find, replace, flags;
    std::int32_t repeat;
    std::string xPath;
    bool checked;
};

void Fill(ListRows& rows, const std::vector<Rule>& rules) {
    for (const Rule& r : rules) rows.Add(r.find, r.replace, r.flags, r.repeat, r.xPath, r.checked);
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The tester must show what a correction of the same text writes: every kind of rule, each
// rule's step starting from the text the one before left, its count adding up to the records.
TEST(ListTest, GivesWhatACorrectionOfTheFileWrites) {
    const char* const xml = "<?xml version=\"1.0\"?>\r\n<r><Item Name=\"a1\">a2</Item></r>";
    const struct {
        const char* name;
        std::vector<Rule> rules;
        std::string fileBytes;
        ReplaceFlags flags;
    } table[] = {
        {"plain, case ignored", {{"Ab", "x"}}, "AB ab aB", kReplaceAll | kIgnoreCase},
        {"plain, case kept", {{"Ab", "x"}}, "AB ab Ab", kReplaceAll},
        {"numbering", {{"x", "[nm]."}, {"y", "<[nm]>"}}, "xyxyx", kReplaceAll},
        {"regular expression with groups", {{"(\\d+)px", "$1", "r"}}, "12px 3px", kReplaceAll},
        {"flag R as r", {{"(\\w)(\\w)", "$2$1", "R"}}, "abcd", kReplaceAll},
        {"repeat 3 and repeat 0",
         {{"a", "aa", "", 3}, {"bb", "b", "", 0}},
         "a bbbbbbbb",
         kReplaceAll},
        {"tokens", {{"[nw]", "[sp]"}, {"[t]", "-"}}, "a\r\nb\tc\r\n", kReplaceAll},
        {"a chain, an unchecked rule between",
         {{"cat", "dog"}, {"dog", "wolf", "", 1, "", false}, {"dog", "fox"}},
         "cat dog",
         kReplaceAll},
        {"xPath: attribute, element, set text",
         {{"a", "b", "", 1, "//Item/@Name"},
          {"\\d", "#", "r", 1, "//Item"},
          {"", "new", "r", 1, "//r/Item"}},
         xml,
         kReplaceAll},
        {"xPath over prose: logged, later rules still run",
         {{"a", "b", "", 1, "//x"}, {"prose", "text"}},
         "  prose a",
         kReplaceAll},
        {"UTF-8 file, decoded as the correction decodes it",
         {{"\xEF\xF0\xE8", "\xCF\xD0\xC8"}},  // при -> ПРИ in windows-1251
         "\xEF\xBB\xBF\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",  // BOM + привет
         kReplaceAll | kIgnoreCase},
        {"nothing found", {{"zzz", "y"}, {"q+", "", "r"}}, "abc", kReplaceAll},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        ListRows rows;
        Fill(rows, row.rules);

        test::TempFolder folder;
        const std::filesystem::path file = folder.Write("a.txt", row.fileBytes);
        RecordingSinks sinks;
        RuleEngine engine(rows, sinks);
        engine.Prepare();
        CorrectFile(file, row.flags, nullptr, false, engine);
        const std::string written = ReadAll(file);

        const Utf8Answer answer = IsUtf8Text(row.fileBytes, false);
        const std::optional<std::string> sample = DecodeToWorking(row.fileBytes, answer);
        ASSERT_TRUE(sample.has_value());
        const ListTestResult result = RunListTest(RuleSnapshot(rows), row.flags, *sample);
        ASSERT_FALSE(result.failed) << result.error;
        EXPECT_EQ(EncodeFromWorking(result.text, answer), written);
        EXPECT_EQ(result.log, sinks.log);

        std::size_t replacements = 0;
        std::string text = *sample;
        std::size_t checked = 0;
        for (const Rule& rule : row.rules) checked += rule.checked ? 1 : 0;
        ASSERT_EQ(result.steps.size(), checked);
        for (const ListTestStep& step : result.steps) {
            ASSERT_TRUE(step.before && step.after);
            EXPECT_EQ(*step.before, text) << "row " << step.row;
            text = *step.after;
            replacements += step.replacements;
            EXPECT_EQ(result.tally.Rows().at(step.row).replacements, step.replacements);
        }
        EXPECT_EQ(text, result.text);
        EXPECT_EQ(replacements, sinks.records.size());
    }
}

TEST(ListTest, AnExpressionThatDoesNotCompileStopsEveryRuleAndIsNamed) {
    ListRows rows;
    Fill(rows,
         {{"a", "b"}, {"", "set", "r", 1, "//p"}, {"x", "y", "", 1, "", false}, {"a(", "c", "r"}});
    const ListTestResult result = RunListTest(RuleSnapshot(rows), kReplaceAll, "aaa");
    EXPECT_TRUE(result.failed);
    EXPECT_TRUE(result.failedRowKnown);
    EXPECT_EQ(result.failedRow, 3u);
    EXPECT_EQ(result.error.rfind("TRegExpr(comp): ", 0), 0u) << result.error;
    EXPECT_TRUE(result.steps.empty());
    EXPECT_EQ(result.text, "aaa");

    // A correction refuses the same list before the first text, naming the same row; its text
    // is the engine's own, as batch mode prints it.
    RecordingSinks sinks;
    RuleEngine engine(rows, sinks);
    try {
        engine.Prepare();
        ADD_FAILURE() << "the list was prepared";
    } catch (const ERuleRegExpr& error) {
        EXPECT_EQ(error.Row(), 3u);
        EXPECT_EQ(error.Find(), "a(");
        EXPECT_EQ(std::string(error.what()), result.error);
    }
}

TEST(ListTest, ACancelledRunStopsBeforeTheNextRule) {
    ListRows rows;
    Fill(rows, {{"a", "b"}, {"b", "c"}});
    const std::atomic<bool> cancel{true};
    const ListTestResult result = RunListTest(RuleSnapshot(rows), kReplaceAll, "a", &cancel);
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.steps.empty());
}

// Each warning where it belongs and nowhere else. `sample`, when given, is run first and its
// tally judged.
TEST(RuleWarnings, Table) {
    const struct {
        const char* name;
        std::vector<Rule> rules;
        std::optional<std::string> sample;
        ReplaceFlags flags;
        std::vector<RuleWarning> expected;  // `error` only compared by its first 16 characters
    } table[] = {
        {"a sound list",
         {{"colour", "color"}, {"(\\d+)px", "$1", "r"}},
         "colour 1px",
         kReplaceAll,
         {}},
        {"does not compile, also when unchecked rules around it do not",
         {{"a(", "x", "r"}, {"b(", "x", "r", 1, "", false}, {"", "x", "r"}},
         std::nullopt,
         kReplaceAll,
         {{0, W::NotCompiled, "TRegExpr(comp): ", 0}, {2, W::NotCompiled, "TRegExpr(exec): ", 0}}},
        {"an xPath rule with no find text sets text: nothing to compile",
         {{"", "x", "r", 1, "//a"}},
         std::nullopt,
         kReplaceAll,
         {}},
        {"can match empty text",
         {{"a*", "-", "r"}, {"a+", "-", "r"}, {"\\b", "|", "r"}, {"x?", "", "r", 1, "//p"}},
         std::nullopt,
         kReplaceAll,
         {{0, W::MatchesEmpty, "", 0}, {2, W::MatchesEmpty, "", 0}, {3, W::MatchesEmpty, "", 0}}},
        {"one rule undoes another, named by the later rule",
         {{"colour", "color"}, {"x", "y"}, {"color", "colour"}},
         std::nullopt,
         kReplaceAll,
         {{0, W::FoundAgain, "", 2}}},
        {"the later rule unchecked, or finding only with the case ignored",
         {{"colour", "color"}, {"color", "colour", "", 1, "", false}, {"COLOR", "c"}},
         std::nullopt,
         kReplaceAll,
         {}},
        {"with the case ignored, a later expression too",
         {{"colour", "color"}, {"COLOR", "c"}, {"n(\\d)", "[$1]", "r"}, {"\\[\\d", "", "r"}},
         std::nullopt,
         kReplaceAll | kIgnoreCase,
         {{0, W::FoundAgain, "", 1}}},
        {"what a template inserted, seen in the sample",
         {{"n(\\d)", "[$1]", "r"}, {"\\[\\d", "", "r"}},
         "n1",
         kReplaceAll,
         {{0, W::FoundAgain, "", 1}}},
        {"anchors match at the ends of the whole text, not of an inserted piece",
         {{"-", " x"}, {"^\\s+", "", "r"}, {"x$", "y", "r"}, {"\\sx", "", "r"}},
         std::nullopt,
         kReplaceAll,
         {{0, W::FoundAgain, "", 3}}},
        {"xPath scopes: the same scope or the whole text, not another scope",
         {{"a", "1", "", 1, "//p"},
          {"\\d", "#", "r", 1, "//q"},
          {"b", "2", "", 1, "//p"},
          {"1", "one", "", 1, "//p"},
          {"2", "two"}},
         std::nullopt,
         kReplaceAll,
         {{0, W::FoundAgain, "", 3}, {2, W::FoundAgain, "", 4}}},
        {"numbering: the number counts as inserted text",
         {{"x", "<[nm]>"}, {"<1", "?"}},
         std::nullopt,
         kReplaceAll,
         {{0, W::FoundAgain, "", 1}}},
        {"found nothing in the sample; an unchecked rule is not judged",
         {{"zzz", "y"}, {"a", "b"}, {"qqq", "w", "", 1, "", false}, {"c+", "", "r"}},
         "abc",
         kReplaceAll,
         {{0, W::FoundNothing, "", 0}}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        ListRows rows;
        Fill(rows, row.rules);
        std::optional<ListTestResult> run;
        if (row.sample) {
            run = RunListTest(RuleSnapshot(rows), row.flags, *row.sample);
            ASSERT_FALSE(run->failed) << run->error;
        }
        std::vector<RuleWarning> warnings =
            FindRuleWarnings(rows, row.flags, run ? &run->tally : nullptr);
        for (RuleWarning& warning : warnings) warning.error = warning.error.substr(0, 16);
        EXPECT_EQ(warnings, row.expected);
        for (std::size_t i = 0; i < warnings.size() && i < row.expected.size(); ++i)
            EXPECT_EQ(warnings[i], row.expected[i]) << "warning " << i;
    }
}

TEST(TextDiff, MarksTheChangedWords) {
    const struct {
        std::string before, after;
        std::vector<TextChange> expected;
        std::size_t maxEdits = 1500;
    } table[] = {
        {"the same", "the same", {}},
        {"the cat sat", "the dog sat", {{4, 3, 4, 3}}},
        {"a cat, a cat", "a dog, a dog", {{2, 3, 2, 3}, {9, 3, 9, 3}}},
        {"end", "end.", {{3, 0, 3, 1}}},
        {"12px 3px", "12 3", {{0, 4, 0, 2}, {5, 3, 3, 1}}},
        {"\xEF\xF0\xE8 x", "\xCF\xD0\xC8 x", {{0, 3, 0, 3}}},  // windows-1251 letters form words
        // Beyond the edits allowed: one piece from the first to the last difference.
        {"a b c d", "x b c y", {{0, 7, 0, 7}}, 2},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.before + " -> " + row.after);
        EXPECT_EQ(DiffTexts(row.before, row.after, row.maxEdits), row.expected);
    }
}

}  // namespace
}  // namespace qx
