// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RuleTally.h"

#include <algorithm>

#include "engine/TReplace.h"

namespace qx {

RuleFacts& RuleTally::At(std::size_t row) {
    if (row >= rows_.size()) rows_.resize(row + 1);
    return rows_[row];
}

void RuleTally::RuleStarting(std::size_t row, std::string_view /*text*/) {
    current_ = row;
    ++At(row).texts;
}

void RuleTally::Replaced(std::string_view /*found*/, std::string_view inserted) {
    std::vector<std::string>& kept = At(current_).inserted;
    if (kept.size() >= kKeptInserted || inserted.empty()) return;
    const std::string_view cut = inserted.substr(0, kKeptLength);
    if (std::find(kept.begin(), kept.end(), cut) == kept.end()) kept.emplace_back(cut);
}

void RuleTally::RuleApplied(std::size_t row, std::string_view /*text*/, std::size_t replacements) {
    At(row).replacements += replacements;
}

std::string RuleKey(const TReplace& rule) {
    std::string key;
    for (const std::string* part : {&rule.Find, &rule.Replace, &rule.Flags, &rule.xPath}) {
        key += *part;
        key += '\0';
    }
    key += std::to_string(rule.Repeat);
    return key;
}

}  // namespace qx
