// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "engine/BufferCorrection.h"
#include "engine/TReplaceConditions.h"
#include "tests/engine/CorrectionDoubles.h"
#include "tests/engine/EngineDoubles.h"

namespace qx {
namespace {

using test::Cp;
using test::FakeRules;

const std::string kBom = "\xEF\xBB\xBF";      // U+FEFF in UTF-8
const std::string kChinese = "\xE4\xB8\xAD";  // U+4E2D, not in windows-1251

class FakeClipboard final : public Clipboard {
public:
    bool HasText() const override { return text.has_value(); }
    std::string Text() const override { return text.value_or(""); }
    bool SetText(std::string_view utf8) override {
        ++sets;
        if (failure == Failure::Throw) throw std::runtime_error("clipboard busy");
        if (failure == Failure::ReturnFalse) return false;
        text = std::string(utf8);
        return true;
    }
    void Clear() override { text.reset(); }
    std::optional<std::string> SelectedText() const override { return std::nullopt; }

    enum class Failure { None, ReturnFalse, Throw };
    std::optional<std::string> text;
    Failure failure = Failure::None;
    int sets = 0;
};

class FakePage final : public ClipboardBox {
public:
    std::string BoxText() const override { return box; }
    void SetBoxText(std::string_view utf8) override {
        box = std::string(utf8);
        ++boxSets;
    }
    void StartProgress(std::size_t maximum) override {
        progressMaximum = maximum;
        ++progressStarts;
    }

    std::string box;
    int boxSets = 0;
    std::size_t progressMaximum = 99;
    int progressStarts = 0;
};

struct BufferRow {
    const char* name;
    std::optional<std::string> clipboard;  // nullopt: the clipboard holds no text
    std::string box;                       // the box's text before
    bool utf8Option;
    CorrectionOutcome outcome;
    std::optional<std::string> seen;  // what the rules were given (UTF-8); nullopt: not run
    std::optional<std::string> put;   // clipboard and box afterwards; nullopt: not written
};

TEST(CorrectBuffer, FollowsTheClipboardSteps) {
    const BufferRow rows[] = {
        {"clipboard text replaces the box and is corrected", "Привет, мир", "old box", false,
         CorrectionOutcome::Rewritten, "Привет, мир", "Привет, свет"},
        {"no clipboard text: the box is corrected", std::nullopt, "мир", false,
         CorrectionOutcome::Rewritten, "мир", "свет"},
        {"no clipboard text and an empty box: the clipboard keeps its picture", std::nullopt, "",
         false, CorrectionOutcome::Empty, std::nullopt, std::nullopt},
        {"written back even when no rule changed anything", "ничего", "", false,
         CorrectionOutcome::Unchanged, "ничего", "ничего"},
        {"an empty text reaches the rules and the clipboard", "", "old box", false,
         CorrectionOutcome::Unchanged, "", ""},
        {"an empty text under the UTF-8 option stops", "", "old box", true,
         CorrectionOutcome::NotDecodable, std::nullopt, std::nullopt},
        {"nothing after a byte-order mark stops", kBom, "", false, CorrectionOutcome::NotDecodable,
         std::nullopt, std::nullopt},
        {"the byte-order mark is dropped for the rules and put back", kBom + "мир", "", false,
         CorrectionOutcome::Rewritten, "мир", kBom + "свет"},
        {"a UTF-8 declaration changes nothing for Unicode text",
         "<?xml encoding=\"utf-8\"?><a>мир</a>", "", false, CorrectionOutcome::Rewritten,
         "<?xml encoding=\"utf-8\"?><a>мир</a>", "<?xml encoding=\"utf-8\"?><a>свет</a>"},
        {"a character windows-1251 lacks: nothing is written", "мир " + kChinese, "", false,
         CorrectionOutcome::WouldLoseCharacters, std::nullopt, std::nullopt},
        {"text that is not UTF-8 at all", "\xFF\xFE", "", false, CorrectionOutcome::NotDecodable,
         std::nullopt, std::nullopt},
    };
    for (const BufferRow& row : rows) {
        SCOPED_TRACE(row.name);
        FakeClipboard clipboard;
        clipboard.text = row.clipboard;
        FakePage page;
        page.box = row.box;
        FakeRules rules{{"мир", "свет"}, {"qq", "zz"}};

        const CorrectionResult result =
            CorrectBuffer(clipboard, page, nullptr, row.utf8Option, rules);
        EXPECT_EQ(result.outcome, row.outcome);
        EXPECT_EQ(result.Handled(), result.reason.empty()) << result.reason;
        EXPECT_EQ(rules.currentFileName, "");
        EXPECT_EQ(page.progressStarts, 1);
        EXPECT_EQ(page.progressMaximum, 2u);
        if (row.seen) {
            EXPECT_EQ(rules.applyCalls, 1);
            EXPECT_EQ(rules.seen, Cp(*row.seen));
        } else {
            EXPECT_EQ(rules.applyCalls, 0);
        }
        if (row.put) {
            EXPECT_EQ(clipboard.sets, 1);
            EXPECT_EQ(clipboard.text, *row.put);
            EXPECT_EQ(page.box, *row.put);
        } else {
            EXPECT_EQ(clipboard.sets, 0);
            EXPECT_EQ(clipboard.text, row.clipboard);
            // The box shows what was pasted into it, never a corrected text.
            EXPECT_EQ(page.box, row.clipboard.value_or(row.box));
        }
    }
}

TEST(CorrectBuffer, ClipboardErrorsAreSwallowedAndTheBoxStillShowsTheResult) {
    for (const auto failure :
         {FakeClipboard::Failure::ReturnFalse, FakeClipboard::Failure::Throw}) {
        SCOPED_TRACE(static_cast<int>(failure));
        FakeClipboard clipboard;
        clipboard.text = "мир";
        clipboard.failure = failure;
        FakePage page;
        FakeRules rules{{"мир", "свет"}};
        EXPECT_EQ(CorrectBuffer(clipboard, page, nullptr, false, rules).outcome,
                  CorrectionOutcome::Rewritten);
        EXPECT_EQ(page.box, "свет");
    }
}

TEST(CorrectBuffer, ConditionsRefusingTheTextChangeNothing) {
    TReplaceConditions conditions;
    conditions.DontReplaceGroup = true;
    conditions.DontReplaceIfContains = true;
    conditions.DontReplaceIfContainsText = Cp("МИР");
    FakeClipboard clipboard;
    clipboard.text = "Привет, мир";
    FakePage page;
    FakeRules rules{{"мир", "свет"}};
    const CorrectionResult result = CorrectBuffer(clipboard, page, &conditions, false, rules);
    EXPECT_EQ(result.outcome, CorrectionOutcome::RefusedByConditions);
    EXPECT_TRUE(result.Handled());
    EXPECT_EQ(rules.applyCalls, 0);
    EXPECT_EQ(clipboard.sets, 0);
    EXPECT_EQ(page.box, "Привет, мир");

    // Without the conditions argument the same text is corrected.
    FakeRules unconditional{{"мир", "свет"}};
    EXPECT_EQ(CorrectBuffer(clipboard, page, nullptr, false, unconditional).outcome,
              CorrectionOutcome::Rewritten);
}

TEST(CorrectBuffer, RuleErrorsPropagateAndLeaveTheClipboard) {
    FakeClipboard clipboard;
    clipboard.text = "мир";
    FakePage page;
    FakeRules rules{{"мир", "свет"}};
    rules.beforeApply = [] { throw std::runtime_error("TRegExpr(exec): failed"); };
    EXPECT_THROW(CorrectBuffer(clipboard, page, nullptr, false, rules), std::runtime_error);
    EXPECT_EQ(clipboard.sets, 0);
    EXPECT_EQ(clipboard.text, "мир");
}

TEST(CorrectBuffer, RecordsOfTheRuleEngineNameNoFile) {
    test::ListRows rows;
    rows.Add(Cp("мир"), Cp("свет"));
    rows.Add("unused", "x", "", 1, "", /*checked=*/false);
    test::RecordingSinks sinks;
    RuleEngine engine(rows, sinks);
    engine.SetCurrentFileName("earlier.txt");
    FakeClipboard clipboard;
    clipboard.text = "Мир и мир";
    FakePage page;
    EXPECT_EQ(
        CorrectBuffer(clipboard, page, kReplaceAll | kIgnoreCase, nullptr, false, engine).outcome,
        CorrectionOutcome::Rewritten);
    EXPECT_EQ(clipboard.text, "свет и свет");
    EXPECT_EQ(page.progressMaximum, 1u);
    ASSERT_EQ(sinks.records.size(), 2u);
    for (const test::Record& record : sinks.records) EXPECT_EQ(record.fileName, "");
}

TEST(PutClipboardText, IgnoresEveryClipboardError) {
    FakeClipboard clipboard;
    clipboard.failure = FakeClipboard::Failure::Throw;
    EXPECT_NO_THROW(PutClipboardText(clipboard, "text"));
    clipboard.failure = FakeClipboard::Failure::None;
    PutClipboardText(clipboard, "text");
    EXPECT_EQ(clipboard.text, "text");
}

}  // namespace
}  // namespace qx
