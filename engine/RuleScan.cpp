// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RuleScan.h"

#include <algorithm>

#include "engine/CaseFoldSearcher.h"
#include "engine/TRegExpr.h"

namespace qx {

RuleScan::RuleScan(std::vector<Rule> rules) : rules_(std::move(rules)), resume_(rules_.size(), 0) {
    for (const Rule& rule : rules_)
        if (rule.folded != nullptr) rule.folded->Restart();
}

bool RuleScan::Found(std::size_t index, bool last) {
    Rule& rule = rules_[index];
    std::size_t& resume = resume_[index];
    const std::size_t from = resume - windowStart_;
    const std::size_t end = windowStart_ + window_.size();
    if (rule.expression != nullptr) {
        using Kind = TRegExpr::PieceMatch::Kind;
        TRegExpr::PieceMatch match;
        try {
            match = rule.expression->MatchInPiece(window_, from, windowStart_ == 0, last);
        } catch (const ERegExpr&) {
            return true;  // the correction of the whole text meets the error and reports it
        }
        if (match.kind == Kind::kFound) return true;
        resume = match.kind == Kind::kNone ? end : windowStart_ + match.start;
        return false;
    }
    // Each piece is a new text to the searcher, searched the way the first piece's sample chose.
    if (rule.folded != nullptr) rule.folded->MoveOn();
    const std::size_t at = rule.folded != nullptr ? rule.folded->Find(window_, from)
                                                  : FindBytes(window_, rule.find, from);
    if (at != std::string_view::npos) return true;
    // Every start from which the find text would end inside the window is ruled out.
    if (window_.size() >= rule.find.size()) resume = std::max(resume, end - rule.find.size() + 1);
    return false;
}

bool RuleScan::MayReplace(std::string_view window, bool last) {
    window_ = window;
    for (std::size_t i = 0; i < rules_.size(); ++i)
        if (Found(i, last)) return true;
    if (last) return false;

    const std::size_t end = windowStart_ + window_.size();
    std::size_t keep = end;
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const std::size_t context = rules_[i].expression != nullptr ? kContext : 0;
        keep = std::min(keep, resume_[i] - std::min(resume_[i], context));
    }
    keep = std::max(keep, windowStart_);
    if (end - keep > kMaxKept) return true;
    kept_ = end - keep;
    windowStart_ = keep;
    return false;
}

}  // namespace qx
