// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// RuleScan: the TextScan of plain and regular-expression rules. Each piece is searched together
// with what it keeps of the pieces before it: the bytes a plain find text could still need, the
// bytes an expression's lookbehind or \b reads before its next start, and the start of a match an
// expression may complete only in a later piece (PCRE2's partial matching). A match in progress
// over more than kMaxKept bytes ends the scan with "may replace", so memory stays small.

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/TextScan.h"

namespace qx {

class CaseFoldSearcher;
class TRegExpr;

class RuleScan final : public TextScan {
public:
    // One rule: a find text (searched by `folded` when compared without regard to letter case)
    // or an expression. The searchers and expressions are the rule engine's, borrowed for the
    // scan.
    struct Rule {
        std::string_view find;
        CaseFoldSearcher* folded = nullptr;
        TRegExpr* expression = nullptr;
    };
    // Expressions that look further back than this are not scanned: nested lookbehinds can reach
    // back several times as far, and kContext must cover that.
    static constexpr std::size_t kMaxLookbehind = 255;
    static constexpr std::size_t kContext = 4096;

    explicit RuleScan(std::vector<Rule> rules);
    bool MayReplace(std::string_view window, bool last) override;
    std::size_t Kept() const override { return kept_; }

private:
    bool Found(std::size_t index, bool last);

    std::vector<Rule> rules_;
    std::vector<std::size_t> resume_;  // per rule: no match of it starts before this offset
    std::string_view window_;          // the text from windowStart_ on
    std::size_t windowStart_ = 0;
    std::size_t kept_ = 0;
};

}  // namespace qx
