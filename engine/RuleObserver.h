// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a caller can see of ApplyRules rule by rule: the text each active rule starts from, each
// replacement it makes, and the text and count it ends with. The list tester shows the steps; a
// correction run counts what every rule found. Without an observer the engine makes no call.

#include <cstddef>
#include <string_view>

namespace qx {

class RuleObserver {
public:
    virtual ~RuleObserver() = default;
    // Before the first pass of the active rule in `row`. May throw to stop the correction.
    virtual void RuleStarting(std::size_t row, std::string_view text) = 0;
    // One call per replacement of the current rule (what the performed-replacement record gets).
    virtual void Replaced(std::string_view found, std::string_view inserted) = 0;
    // After the last pass of the rule: the text it produced and how many replacements it made.
    virtual void RuleApplied(std::size_t row, std::string_view text, std::size_t replacements) = 0;
};

}  // namespace qx
