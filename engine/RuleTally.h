// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// RuleTally: what every active rule did over the texts of one run (a correction over files, or
// the list tester's sample): on how many texts it ran, how many replacements it made, and a few
// of the texts it inserted. The rule warnings read it to tell which rules found nothing and
// whose inserted text a later rule finds again.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RuleObserver.h"

namespace qx {

class TReplace;

struct RuleFacts {
    std::size_t texts = 0;  // texts the rule was applied to
    std::size_t replacements = 0;
    std::vector<std::string> inserted;  // distinct inserted texts, the first few only
};

class RuleTally final : public RuleObserver {
public:
    static constexpr std::size_t kKeptInserted = 8;
    static constexpr std::size_t kKeptLength = 256;

    void RuleStarting(std::size_t row, std::string_view text) override;
    void Replaced(std::string_view found, std::string_view inserted) override;
    void RuleApplied(std::size_t row, std::string_view text, std::size_t replacements) override;

    // Indexed by row; rows that never ran have texts == 0.
    const std::vector<RuleFacts>& Rows() const { return rows_; }
    std::vector<RuleFacts>& Rows() { return rows_; }
    RuleFacts& At(std::size_t row);

private:
    std::vector<RuleFacts> rows_;
    std::size_t current_ = 0;
};

// Names a rule by everything that decides what it does: facts about it stay attached while it
// keeps this key, and an edited rule starts without them.
std::string RuleKey(const TReplace& rule);

}  // namespace qx
