// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TRuleRows.h"

#include <algorithm>
#include <utility>

#include "engine/CodePage.h"
#include "engine/TReplace.h"
#include "engine/TextRoutines.h"

namespace qx {

TRuleRows::TRuleRows(TReplaces* list) : list_(list) {}

void TRuleRows::SetFilter(bool on, std::string text) {
    filterOn_ = on;
    filterText_ = std::move(text);
}

std::array<std::string, kRuleColumnCount> TRuleRows::ColumnTexts(const TReplace& rule) {
    return {EncodeTokens(rule.Find), EncodeTokens(rule.Replace), rule.xPath, rule.Flags,
            RepeatText(rule.Repeat)};
}

bool TRuleRows::MatchesFilter(const TReplace& rule, std::string_view filterText) {
    if (filterText.empty()) return true;
    // The stored texts with their tokens, not the display form; xPath and Flags are not searched.
    return FindIgnoreCase(rule.Find, filterText) != std::string_view::npos ||
           FindIgnoreCase(rule.Replace, filterText) != std::string_view::npos;
}

void TRuleRows::ShowReplace(std::size_t row, TReplace* rule) {
    if (row >= rows_.size() || rule == nullptr) return;
    RuleRow& target = rows_[row];
    target.texts = ColumnTexts(*rule);
    target.checked = rule->Checked;
    target.rule = list_ != nullptr ? list_->Handle(rule) : std::weak_ptr<TReplace>();
    if (listener_) listener_->RowChanged(row);
}

void TRuleRows::StoreChecks() {
    // With no row shown the rows say nothing about the marks: every rule keeps its own.
    if (list_ == nullptr || rows_.empty()) return;
    for (int i = 0; i < list_->Count(); ++i) list_->Items(i)->Checked = false;
    for (const RuleRow& row : rows_) {
        if (const auto rule = row.rule.lock(); row.checked && rule) rule->Checked = true;
    }
}

void TRuleRows::FillReplaceList(bool checkedOnly, bool keepRuleChecks) {
    if (!keepRuleChecks) StoreChecks();
    const std::string filter = filterOn_ ? filterText_ : std::string();
    if (listener_) listener_->RowsAboutToBeReset();
    rows_.clear();
    if (list_ != nullptr) {
        for (int i = 0; i < list_->Count(); ++i) {
            TReplace* rule = list_->Items(i);
            if (rule == nullptr) continue;
            if (checkedOnly && !rule->Checked) continue;
            if (!MatchesFilter(*rule, filter)) continue;
            RuleRow row;
            row.texts = ColumnTexts(*rule);
            row.checked = rule->Checked;
            row.rule = list_->HandleAt(i);
            rows_.push_back(std::move(row));
        }
    }
    if (listener_) listener_->RowsReset();
}

void TRuleRows::Clear() {
    if (listener_) listener_->RowsAboutToBeReset();
    rows_.clear();
    if (listener_) listener_->RowsReset();
}

std::size_t TRuleRows::AppendRow(TReplace* rule) {
    InsertRow(rows_.size(), rule);
    return rows_.size() - 1;
}

void TRuleRows::InsertRow(std::size_t row, TReplace* rule) {
    if (row > rows_.size()) row = rows_.size();
    RuleRow entry;
    if (rule != nullptr) {
        entry.texts = ColumnTexts(*rule);
        entry.checked = rule->Checked;
        if (list_ != nullptr) entry.rule = list_->Handle(rule);
    }
    if (listener_) listener_->RowAboutToBeInserted(row);
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row), std::move(entry));
    if (listener_) listener_->RowInserted(row);
}

void TRuleRows::RemoveRow(std::size_t row) {
    if (row >= rows_.size()) return;
    if (listener_) listener_->RowAboutToBeRemoved(row);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    if (listener_) listener_->RowRemoved(row);
}

const TReplace* TRuleRows::ActiveRule(std::size_t row) const {
    if (row >= rows_.size() || !rows_[row].checked) return nullptr;
    return rows_[row].rule.lock().get();
}

const std::string& TRuleRows::Text(std::size_t row, RuleColumn column) const {
    return rows_.at(row).texts.at(static_cast<std::size_t>(column));
}

void TRuleRows::SetChecked(std::size_t row, bool checked) {
    if (row >= rows_.size() || rows_[row].checked == checked) return;
    rows_[row].checked = checked;
    if (listener_) listener_->RowChanged(row);
}

std::size_t TRuleRows::CheckedCount() const {
    std::size_t count = 0;
    for (const RuleRow& row : rows_) count += row.checked ? 1 : 0;
    return count;
}

std::vector<TReplace*> TRuleRows::RulesOfRows(std::vector<std::size_t> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<TReplace*> rules;
    for (const std::size_t row : rows) {
        if (row >= rows_.size()) break;
        if (TReplace* rule = Rule(row)) rules.push_back(rule);
    }
    return rules;
}

}  // namespace qx
