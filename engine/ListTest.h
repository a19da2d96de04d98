// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The list tester's run: the checked rules applied to a sample text by the same ApplyRules a
// correction makes, with every rule's step kept (the text it started from, the text it left,
// its replacements), the log lines of xPath rules and the error that stopped the run, if any.
// The rules are a copy taken when the run is asked for, so that it can run on another thread
// while the user goes on editing the list.

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ActiveRules.h"
#include "engine/RuleTally.h"
#include "engine/TextRoutines.h"

namespace qx {

class TReplace;

// A copy of the checked rules in their rows: unchecked rows stay, without a rule, so that the
// row numbers are those of the list.
class RuleSnapshot final : public ActiveRules {
public:
    RuleSnapshot() = default;
    explicit RuleSnapshot(const ActiveRules& rows);

    std::size_t RowCount() const override { return rules_.size(); }
    const TReplace* ActiveRule(std::size_t row) const override;

private:
    std::vector<std::shared_ptr<const TReplace>> rules_;
};

struct ListTestStep {
    std::size_t row = 0;
    std::size_t replacements = 0;
    // The texts around the rule; null when the run kept no more texts (see RunListTest).
    std::shared_ptr<const std::string> before;
    std::shared_ptr<const std::string> after;
};

struct ListTestResult {
    std::string text;  // the final text; the sample itself when a rule failed
    std::vector<ListTestStep> steps;
    std::vector<std::string> log;
    RuleTally tally;
    bool failed = false;
    std::size_t failedRow = 0;  // the row of the rule that raised `error`, when known
    bool failedRowKnown = false;
    std::string error;
    bool cancelled = false;
};

// Applies the rules of `rows` to `sample` as a correction with `flags` would. A rule that leaves
// the text as it was shares its text with the step before; texts are kept until they add up to
// `keptBytes`. `cancel`, when set during the run, stops it before the next rule.
ListTestResult RunListTest(const ActiveRules& rows, ReplaceFlags flags, std::string_view sample,
                           const std::atomic<bool>* cancel = nullptr,
                           std::size_t keptBytes = std::size_t{256} << 20);

}  // namespace qx
