// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RuleScan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/RuleEngine.h"
#include "tests/engine/EngineDoubles.h"

namespace qx {
namespace {

using test::ListRows;
using test::RecordingSinks;

// Words that make matches of the rules below rare but not absent, several kilobytes apart.
std::string RandomText(std::mt19937& random, std::size_t size) {
    static const std::vector<std::string> common = {
        "lorem ", "ipsum ", "\xEF\xF0\xE8\xE2\xE5\xF2 ", "dolor", " ", "\n", ".", "a", "b",
        "q",      "1"};
    static const std::vector<std::string> rare = {"12px",
                                                  " ,",
                                                  "foo",
                                                  "FOO",
                                                  "abc",
                                                  "x",
                                                  "\nx",
                                                  "y",
                                                  "zqxj",
                                                  "ZQxJ",
                                                  "\xDA\xFA\xFB\xFA",
                                                  "q",
                                                  "qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq",
                                                  "<b>",
                                                  "</b>",
                                                  "\ny",
                                                  std::string(250, '-')};
    std::string text;
    while (text.size() < size) {
        const auto& pool = random() % 400 == 0 ? rare : common;
        text += pool[random() % pool.size()];
    }
    return text;
}

bool ScanSays(RuleEngine& engine, std::string_view text, std::size_t piece) {
    const std::unique_ptr<TextScan> scan = engine.StartScan(kReplaceAll | kIgnoreCase);
    EXPECT_NE(scan, nullptr);
    if (!scan) return true;
    for (std::size_t at = 0;; at += piece) {
        const bool last = at + piece >= text.size();
        // What the scan keeps of the text before, then the piece; a copy, so that reading past
        // its ends shows under the address sanitizer.
        const std::size_t kept = scan->Kept();
        EXPECT_LE(kept, std::min(at, text.size()));
        const std::size_t from = std::min(at, text.size()) - kept;
        const std::string window(text.substr(from, std::min(at + piece, text.size()) - from));
        if (scan->MayReplace(window, last)) return true;
        if (last) return false;
    }
}

TEST(RuleScan, TellsWhatTheWholeTextTellsWhereverThePiecesEnd) {
    const struct {
        const char* find;
        const char* flags;
    } rules[] = {
        {"zqxj", ""},              // Latin, letter case ignored
        {"\xFA\xFA\xFB\xFA", ""},  // Cyrillic, letter case ignored
        {"(\\d+)px", "r"},         // a match that may go on into the next piece
        {" +,", "r"},              //
        {"\\bfoo\\b", "r"},        // word boundaries read the byte before the start
        {"x$", "r"},               // the text's end, which a piece's end is not
        {"(?m)^y", "r"},           // line starts after a break in the piece before
        {"<b>.*?</b>", "r"},       // a match spread over many pieces
        {"q{40,}", "r"},           //
        {"[^\\n]{200}", "r"},      // longer than most lines
    };
    const std::size_t pieces[] = {1, 7, 100, 4097, 300000};
    std::mt19937 random(11);
    for (const auto& rule : rules) {
        ListRows rows;
        rows.Add(rule.find, "#", rule.flags);
        RecordingSinks sinks;
        RuleEngine engine(rows, sinks);
        engine.Prepare();
        int found = 0;
        for (int round = 0; round < 24; ++round) {
            std::string text = RandomText(random, 2000 + random() % 14000);
            if (round % 4 == 0) text += 'x';
            std::string result;
            std::string scratch;
            const bool replaces =
                engine.ApplyRules(text, kReplaceAll | kIgnoreCase, result, scratch);
            found += replaces ? 1 : 0;
            for (const std::size_t piece : pieces)
                EXPECT_EQ(ScanSays(engine, text, piece), replaces)
                    << rule.find << " round " << round << " piece " << piece;
        }
        // Both answers came up for every rule.
        EXPECT_GT(found, 0) << rule.find;
        EXPECT_LT(found, 24) << rule.find;
    }
}

TEST(RuleScan, RulesThatCannotBeToldFromPiecesAreNotScanned) {
    RecordingSinks sinks;
    {
        ListRows rows;
        rows.Add("a", "b", "", 1, "//p");  // xPath rules read the document whole
        RuleEngine engine(rows, sinks);
        EXPECT_EQ(engine.StartScan(kReplaceAll), nullptr);
    }
    {
        // A plain rule that puts back what it finds leaves every text as it is.
        ListRows rows;
        rows.Add("same", "same");
        rows.Add("", "x");
        RuleEngine engine(rows, sinks);
        const std::unique_ptr<TextScan> scan = engine.StartScan(kReplaceAll);
        ASSERT_NE(scan, nullptr);
        EXPECT_FALSE(scan->MayReplace("same", true));
    }
}

}  // namespace
}  // namespace qx
