// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TRuleRows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/TReplace.h"

namespace {

using qx::TReplace;
using qx::TReplaces;
using qx::TRuleRows;

// Adds a rule and gives the list's pointer to it.
TReplace* Add(TReplaces& list, std::string find, std::string replace, bool checked,
              std::string xPath = "", std::string flags = "") {
    auto rule = std::make_unique<TReplace>(std::move(find), std::move(replace), std::move(xPath),
                                           std::move(flags), checked);
    TReplace* raw = rule.get();
    list.Add(std::move(rule));
    return raw;
}

std::vector<std::string> Captions(const TRuleRows& rows) {
    std::vector<std::string> captions;
    for (std::size_t i = 0; i < rows.RowCount(); ++i) {
        captions.push_back(rows.Text(i, qx::kColumnFind));
    }
    return captions;
}

TEST(TRuleRows, ColumnTextsShowTokensAndRepeat) {
    struct Row {
        const char* name;
        std::string find, replace, xPath, flags;
        int repeat;
        std::array<std::string, qx::kRuleColumnCount> texts;
    };
    const Row rows[] = {
        {"spaces only", "   ", " ", "", "", 1, {"[sp][sp][sp]", "[sp]", "", "", ""}},
        {"empty stays empty", "", "", "", "", 1, {"", "", "", "", ""}},
        {"words keep spaces", "a b", " x ", "", "", 1, {"a b", " x ", "", "", ""}},
        {"line breaks and tab",
         "a\r\nb\nc\td",
         "\r\r\n",
         "",
         "",
         1,
         {"a[nw]b[nu]c[t]d", "\r[nw]", "", "", ""}},
        {"repeat while found", "a", "b", "", "r", 0, {"a", "b", "", "r", "?"}},
        {"repeat five, xPath",
         "a",
         "b",
         "//p/text()",
         "xr",
         5,
         {"a", "b", "//p/text()", "xr", "5"}},
        {"negative repeat shown", "a", "b", "", "", -2, {"a", "b", "", "", "-2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TReplace rule(row.find, row.replace, row.xPath, row.flags, true);
        rule.Repeat = row.repeat;
        EXPECT_EQ(TRuleRows::ColumnTexts(rule), row.texts);
    }
}

TEST(TRuleRows, ShowReplaceTakesTheRulesMarkAndIgnoresMissingParts) {
    TReplaces list;
    TReplace* rule = Add(list, "a", "b", false);
    TRuleRows rows(&list);
    rows.AppendRow(nullptr);
    rows.SetChecked(0, true);
    rows.ShowReplace(0, rule);
    EXPECT_EQ(rows.Rule(0), rule);
    EXPECT_FALSE(rows.Checked(0));
    EXPECT_EQ(rows.Text(0, qx::kColumnReplace), "b");

    rows.ShowReplace(0, nullptr);  // no rule: the row stays as it was
    EXPECT_EQ(rows.Rule(0), rule);
    rows.ShowReplace(5, rule);  // no such row
    EXPECT_EQ(rows.RowCount(), 1u);
}

TEST(TRuleRows, FilterAndCheckedOnlyDecideTheRows) {
    struct Row {
        const char* name;
        bool checkedOnly, filterOn;
        std::string filter;
        std::vector<std::string> captions;
    };
    const Row rows[] = {
        {"everything", false, false, "", {"Alpha", "beta", "a[nw]b", "\xc4\xee\xec"}},
        {"filter text ignored while switched off",
         false,
         false,
         "beta",
         {"Alpha", "beta", "a[nw]b", "\xc4\xee\xec"}},
        {"filter on but empty shows all",
         false,
         true,
         "",
         {"Alpha", "beta", "a[nw]b", "\xc4\xee\xec"}},
        {"capital filter finds a small Replace", false, true, "GAMMA", {"beta"}},
        // Cyrillic: capital filter, small letters in the rule.
        {"Cyrillic without regard to case", false, true, "\xc4\xce\xcc", {"\xc4\xee\xec"}},
        {"xPath is not searched", false, true, "body", {}},
        {"stored token form is searched", false, true, "[NW]", {"a[nw]b"}},
        {"tokens are not decoded for the search", false, true, "a\r\nb", {}},
        {"checked only", true, false, "", {"Alpha", "a[nw]b"}},
        {"checked only and filter", true, true, "alp", {"Alpha"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TReplaces list;
        Add(list, "Alpha", "x", true);
        Add(list, "beta", "gamma", false);
        Add(list, "a[nw]b", "y", true, "//body");  // stored in token form
        Add(list, "\xc4\xee\xec", "z", false);     // Дом
        TRuleRows view(&list);
        view.SetFilter(row.filterOn, row.filter);
        view.FillReplaceList(row.checkedOnly, true);
        EXPECT_EQ(Captions(view), row.captions);
    }
}

TEST(TRuleRows, RowsAreAuthoritativeForActiveRules) {
    TReplaces list;
    TReplace* a = Add(list, "a", "1", true);
    Add(list, "b", "2", true);
    TReplace* c = Add(list, "c", "3", false);
    TRuleRows rows(&list);
    rows.FillReplaceList(false, true);
    rows.SetChecked(1, false);  // unchecked in the row only
    rows.SetChecked(2, true);
    c->Checked = false;

    ASSERT_EQ(rows.RowCount(), 3u);
    EXPECT_EQ(rows.ActiveRule(0), a);
    EXPECT_EQ(rows.ActiveRule(1), nullptr);
    EXPECT_EQ(rows.ActiveRule(2), c);
    EXPECT_EQ(rows.ActiveRule(3), nullptr);
    EXPECT_EQ(rows.CheckedCount(), 2u);

    list.Delete(0);  // a row whose rule is gone is never active, nor stored, nor listed
    EXPECT_EQ(rows.ActiveRule(0), nullptr);
    EXPECT_EQ(rows.Rule(0), nullptr);
    EXPECT_EQ(rows.ActiveRule(2), c);
    rows.StoreChecks();
    EXPECT_TRUE(c->Checked);
    EXPECT_EQ(rows.RulesOfRows({0, 2}), (std::vector<TReplace*>{c}));
}

TEST(TRuleRows, HiddenCheckedRuleComesBackUnchecked) {
    TReplaces list;
    TReplace* a = Add(list, "apple", "1", true);
    TReplace* b = Add(list, "berry", "2", true);
    TRuleRows rows(&list);
    rows.FillReplaceList(false, true);

    rows.SetFilter(true, "apple");
    rows.FillReplaceList(false, false);
    ASSERT_EQ(rows.RowCount(), 1u);
    // The hidden rule is not applied while it has no row.
    EXPECT_EQ(rows.ActiveRule(0), a);

    rows.SetFilter(false, "apple");
    rows.FillReplaceList(false, false);
    ASSERT_EQ(rows.RowCount(), 2u);
    EXPECT_TRUE(rows.Checked(0));
    EXPECT_FALSE(rows.Checked(1));
    EXPECT_FALSE(b->Checked);
}

TEST(TRuleRows, FilterHidingEverythingKeepsAllMarks) {
    TReplaces list;
    TReplace* a = Add(list, "apple", "1", true);
    TReplace* b = Add(list, "berry", "2", false);
    TRuleRows rows(&list);
    rows.SetFilter(true, "nothing matches");
    rows.FillReplaceList(false, false);
    ASSERT_EQ(rows.RowCount(), 0u);

    rows.SetFilter(false, "");
    rows.FillReplaceList(false, false);  // stores nothing: no row was shown
    EXPECT_TRUE(a->Checked);
    EXPECT_FALSE(b->Checked);
    EXPECT_TRUE(rows.Checked(0));
}

TEST(TRuleRows, StoreChecksCopiesRowMarksIntoRules) {
    TReplaces list;
    TReplace* a = Add(list, "a", "1", false);
    TReplace* b = Add(list, "b", "2", true);
    TRuleRows rows(&list);
    rows.FillReplaceList(false, true);
    rows.SetChecked(0, true);
    rows.SetChecked(1, false);

    // Keeping the rules' marks throws the row changes away.
    rows.FillReplaceList(false, true);
    EXPECT_FALSE(rows.Checked(0));
    EXPECT_TRUE(rows.Checked(1));

    rows.SetChecked(0, true);
    rows.SetChecked(1, false);
    rows.StoreChecks();
    EXPECT_TRUE(a->Checked);
    EXPECT_FALSE(b->Checked);
}

TEST(TRuleRows, SelectedRulesInRowOrder) {
    TReplaces list;
    Add(list, "a", "1", false);
    TReplace* b = Add(list, "b", "2", false);
    TReplace* c = Add(list, "c", "3", false);
    TRuleRows rows(&list);
    rows.FillReplaceList(false, true);
    // A view's selection comes in the order it was made, maybe twice, maybe stale.
    EXPECT_EQ(rows.RulesOfRows({2, 1, 2, 9}), (std::vector<TReplace*>{b, c}));
    EXPECT_EQ(rows.RulesOfRows({}), std::vector<TReplace*>{});
}

TEST(TRuleRows, ListenerHearsOnlyRealChanges) {
    struct Recorder : qx::RuleRowsListener {
        std::vector<std::string> events;
        void RowsAboutToBeReset() override { events.push_back("about"); }
        void RowsReset() override { events.push_back("reset"); }
        void RowAboutToBeInserted(std::size_t row) override {
            events.push_back("before-ins" + std::to_string(row));
        }
        void RowInserted(std::size_t row) override {
            events.push_back("ins" + std::to_string(row));
        }
        void RowRemoved(std::size_t row) override { events.push_back("rem" + std::to_string(row)); }
        void RowChanged(std::size_t row) override { events.push_back("chg" + std::to_string(row)); }
    } recorder;
    TReplaces list;
    TReplace* a = Add(list, "a", "1", true);
    TRuleRows rows(&list);
    rows.SetListener(&recorder);
    rows.FillReplaceList(false, true);
    rows.SetChecked(0, true);  // already checked
    rows.SetChecked(0, false);
    rows.InsertRow(0, a);
    rows.RemoveRow(1);
    rows.RemoveRow(7);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"about", "reset", "chg0", "before-ins0", "ins0", "rem1"}));
}

TEST(TRuleRows, EngineAppliesExactlyTheCheckedRowsInRowOrder) {
    struct NoSinks : qx::EngineSinks {
        void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {}
        void StepProgress() override {}
        void AppendLog(std::string_view) override {}
    } sinks;
    TReplaces list;
    Add(list, "a", "b", true);
    Add(list, "b", "c", true);
    Add(list, "x", "y", true);  // checked, but hidden by the filter below
    Add(list, "c", "d", true);  // checked, but hidden by the filter below
    TRuleRows rows(&list);
    rows.SetFilter(true, "B");
    rows.FillReplaceList(false, true);
    ASSERT_EQ(rows.RowCount(), 2u);
    qx::RuleEngine engine(rows, sinks);
    EXPECT_EQ(engine.ApplyRules("aX", qx::kReplaceAll | qx::kIgnoreCase), "cX");
    rows.SetChecked(1, false);  // the row decides, not the rule's own mark
    EXPECT_EQ(engine.ApplyRules("aX", qx::kReplaceAll | qx::kIgnoreCase), "bX");
}

TEST(TRuleRows, NoListMeansNoRowsAndNoCrash) {
    TRuleRows rows;
    rows.StoreChecks();
    rows.FillReplaceList(true, false);
    EXPECT_EQ(rows.RowCount(), 0u);
}

}  // namespace
