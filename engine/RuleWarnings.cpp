// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RuleWarnings.h"

#include <memory>
#include <optional>

#include "engine/CodePage.h"
#include "engine/RuleEngine.h"
#include "engine/RuleTally.h"
#include "engine/TRegExpr.h"
#include "engine/TReplace.h"

namespace qx {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// A checked rule as the warnings see it.
struct Checked {
    std::size_t row = 0;
    const TReplace* rule = nullptr;
    std::string find;                      // working form
    std::string replace;                   // working form
    std::unique_ptr<TRegExpr> expression;  // compiled, for a regular-expression rule
    bool matchesEmpty = false;
};

// Texts the rule is sure to insert, known without a text: a plain rule's replacement with its
// first number filled in, a template that refers to no group and escapes nothing.
std::vector<std::string> LiteralInserts(const Checked& rule) {
    if (rule.replace.empty()) return {};
    if (!rule.rule->IsRegex()) {
        const std::string_view replace = rule.replace;
        const std::size_t at = replace.find(kTokenNumber);
        if (at == npos) return {rule.replace};
        std::string inserted(replace.substr(0, at));
        inserted += '1';
        inserted += replace.substr(at + kTokenNumber.size());
        return {inserted};
    }
    if (rule.replace.find_first_of("$\\") != std::string::npos) return {};
    return {rule.replace};
}

// Whether `later` finds a non-empty piece of `text` (an empty match is the other warning's).
bool FindsIn(Checked& later, std::string_view text, ReplaceFlags flags) {
    if (later.find.empty() || text.empty()) return false;
    if (!later.rule->IsRegex()) {
        if (later.find == later.replace) return false;  // replaces nothing
        return (flags & kIgnoreCase) != 0 ? FindIgnoreCase(text, later.find, 0) != npos
                                          : text.find(later.find) != npos;
    }
    if (!later.expression) return false;
    // The inserted text stands in the middle of some text: between two separators, "^" and "$"
    // do not match at its ends and a match has to take in some of it.
    constexpr char kSeparator = '\x1F';
    std::string framed;
    framed.reserve(text.size() + 2);
    framed += kSeparator;
    framed += text;
    framed += kSeparator;
    const auto end = static_cast<std::ptrdiff_t>(text.size() + 1);
    // A few empty matches are stepped over before giving up on this text.
    constexpr int kTries = 64;
    int tries = 0;
    for (bool found = later.expression->Exec(framed); found && tries < kTries;
         found = later.expression->ExecNext(), ++tries) {
        const std::ptrdiff_t from = later.expression->MatchPos(0);
        const std::ptrdiff_t to = from + later.expression->MatchLen(0);
        if (to > from && to > 1 && from < end) return true;
    }
    return false;
}

// Whether a text the earlier rule inserted can be where the later rule looks: a later rule over
// the whole text looks everywhere; one scoped by an xPath is taken to look only at what an
// earlier rule of the same scope inserted (other scopes cannot be told apart without the text).
bool SameScope(const Checked& earlier, const Checked& later) {
    return later.rule->xPath.empty() || later.rule->xPath == earlier.rule->xPath;
}

}  // namespace

std::string ExpressionError(const TReplace& rule) {
    if (!rule.IsRegex() || SetsNodeText(rule)) return {};
    TRegExpr expression;
    expression.SetExpression(WorkingFind(rule));
    try {
        expression.CanMatchEmpty();  // compiles it
    } catch (const ERegExpr& error) {
        return error.what();
    }
    return {};
}

std::vector<RuleWarning> FindRuleWarnings(const ActiveRules& rows, ReplaceFlags flags,
                                          const RuleTally* tally) {
    std::vector<Checked> rules;
    std::vector<std::vector<RuleWarning>> byRule;
    for (std::size_t row = 0; row < rows.RowCount(); ++row) {
        const TReplace* rule = rows.ActiveRule(row);
        if (rule == nullptr) continue;
        Checked checked{row, rule, WorkingFind(*rule), WorkingReplace(*rule), nullptr, false};
        std::vector<RuleWarning> warnings;
        if (rule->IsRegex() && !SetsNodeText(*rule)) {
            auto expression = std::make_unique<TRegExpr>();
            expression->SetExpression(checked.find);
            try {
                checked.matchesEmpty = expression->CanMatchEmpty();
                checked.expression = std::move(expression);
            } catch (const ERegExpr& error) {
                warnings.push_back({row, RuleWarningKind::NotCompiled, error.what(), 0});
            }
        }
        if (checked.matchesEmpty) warnings.push_back({row, RuleWarningKind::MatchesEmpty, {}, 0});
        rules.push_back(std::move(checked));
        byRule.push_back(std::move(warnings));
    }

    for (std::size_t i = 0; i < rules.size(); ++i) {
        std::vector<std::string> inserted = LiteralInserts(rules[i]);
        if (tally != nullptr && rules[i].row < tally->Rows().size())
            for (const std::string& text : tally->Rows()[rules[i].row].inserted)
                inserted.push_back(text);
        for (std::size_t j = i + 1; j < rules.size(); ++j) {
            if (!SameScope(rules[i], rules[j])) continue;
            bool found = false;
            try {
                for (const std::string& text : inserted)
                    if ((found = FindsIn(rules[j], text, flags))) break;
            } catch (const ERegExpr&) {
                found = false;  // a match that runs away on a short text says nothing here
            }
            if (found) {
                byRule[i].push_back({rules[i].row, RuleWarningKind::FoundAgain, {}, rules[j].row});
                break;  // the first such rule is the one to look at
            }
        }
        if (tally != nullptr && rules[i].row < tally->Rows().size()) {
            const RuleFacts& facts = tally->Rows()[rules[i].row];
            if (facts.texts > 0 && facts.replacements == 0)
                byRule[i].push_back({rules[i].row, RuleWarningKind::FoundNothing, {}, 0});
        }
    }

    std::vector<RuleWarning> all;
    for (auto& warnings : byRule)
        for (auto& warning : warnings) all.push_back(std::move(warning));
    return all;
}

}  // namespace qx
