// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TRuleRows: the rows of the rule list view, one per shown rule, each with a check mark. The
// selection is the view's alone. The rows are authoritative for which rules run: the engine
// applies, in row order, the rule of every checked row. The rules' own `Checked` fields are brought
// up to date from the rows only by StoreChecks (at the start of a refill and before a list is
// saved).
//
// The model knows nothing of Qt; a view wraps it and hears about changes through
// RuleRowsListener (a whole refill, one row rewritten, a row inserted or removed, a check mark
// changed).
//
// A row refers to its rule through the list's weak handle: a rule the list deletes leaves its
// rows without a rule (never applied, never saved) instead of with a dangling pointer.

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RuleEngine.h"

namespace qx {

class TReplace;
class TReplaces;

enum RuleColumn : int {
    kColumnFind = 0,     // display form of Find (the row's caption)
    kColumnReplace = 1,  // display form of Replace
    kColumnXPath = 2,    // xPath as stored
    kColumnFlags = 3,    // Flags as stored
    kColumnRepeat = 4,   // RepeatText of Repeat
    kRuleColumnCount = 5,
};

struct RuleRow {
    std::weak_ptr<TReplace> rule;  // the rule list owns the rules
    bool checked = false;
    std::array<std::string, kRuleColumnCount> texts;  // windows-1251
};

// What a view hears. Every method may be a no-op.
class RuleRowsListener {
public:
    virtual ~RuleRowsListener() = default;
    virtual void RowsAboutToBeReset() {}
    virtual void RowsReset() {}
    virtual void RowAboutToBeInserted(std::size_t /*row*/) {}
    virtual void RowInserted(std::size_t /*row*/) {}
    virtual void RowAboutToBeRemoved(std::size_t /*row*/) {}
    virtual void RowRemoved(std::size_t /*row*/) {}
    // Texts or check mark of one row changed.
    virtual void RowChanged(std::size_t /*row*/) {}
};

class TRuleRows : public ActiveRules {
public:
    // `list` is the rule list the rows show; it must outlive the rows (or be set to null).
    explicit TRuleRows(TReplaces* list = nullptr);

    void SetList(TReplaces* list) { list_ = list; }
    TReplaces* List() const { return list_; }
    void SetListener(RuleRowsListener* listener) { listener_ = listener; }

    // The panel's "checked only" switch: callers that refill on their own (loading a list
    // file) pass it as FillReplaceList's checkedOnly.
    void SetCheckedOnlyView(bool on) { checkedOnlyView_ = on; }
    bool CheckedOnlyView() const { return checkedOnlyView_; }

    // The panel's filter switch and filter text (windows-1251), read by FillReplaceList.
    void SetFilter(bool on, std::string text);
    bool FilterOn() const { return filterOn_; }
    const std::string& FilterText() const { return filterText_; }

    // Writes the rule into the row: the five texts, the check mark from the rule's Checked,
    // the row's rule reference (empty for a rule that is not in the list). Nothing happens for
    // a row index out of range or a null rule.
    void ShowReplace(std::size_t row, TReplace* rule);
    // Copies the rows' check marks into the rules. With no list or no row, every rule keeps its
    // mark; otherwise every rule is unchecked first, then the rules of checked rows checked.
    void StoreChecks();
    // Rebuilds every row from the rule list, in list order: StoreChecks first unless
    // `keepRuleChecks`; rules hidden by `checkedOnly` or by the filter get no row.
    void FillReplaceList(bool checkedOnly, bool keepRuleChecks);
    // Removes every row; the rules are not touched.
    void Clear();

    // Row editing for the panel's commands; a rule not in the list gives a row without one.
    std::size_t AppendRow(TReplace* rule);            // gives the new row's index
    void InsertRow(std::size_t row, TReplace* rule);  // row may equal RowCount()
    void RemoveRow(std::size_t row);                  // the rule is not touched

    // Read access, in row order.
    std::size_t RowCount() const override { return rows_.size(); }
    const TReplace* ActiveRule(std::size_t row) const override;
    const RuleRow& Row(std::size_t row) const { return rows_.at(row); }
    // The row's rule; nullptr when the list no longer holds it.
    TReplace* Rule(std::size_t row) const { return rows_.at(row).rule.lock().get(); }
    const std::string& Text(std::size_t row, RuleColumn column) const;

    bool Checked(std::size_t row) const { return rows_.at(row).checked; }
    void SetChecked(std::size_t row, bool checked);

    std::size_t CheckedCount() const;
    // The rules of the given rows (a view's selection, in any order) that still hold one, in
    // row order; rows out of range are skipped.
    std::vector<TReplace*> RulesOfRows(std::vector<std::size_t> rows) const;

    // The five column texts of a rule.
    static std::array<std::string, kRuleColumnCount> ColumnTexts(const TReplace& rule);
    // Whether a rule passes the text filter (Find or Replace as stored contains the text,
    // without regard to letter case); an empty filter passes every rule.
    static bool MatchesFilter(const TReplace& rule, std::string_view filterText);

private:
    TReplaces* list_ = nullptr;
    RuleRowsListener* listener_ = nullptr;
    std::vector<RuleRow> rows_;
    bool checkedOnlyView_ = false;
    bool filterOn_ = false;
    std::string filterText_;
};

}  // namespace qx
