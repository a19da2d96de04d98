// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The warnings on the checked rules of a list, for the list tester and the marks of the rule
// list: an expression that does not compile, one that can match empty text, a rule whose
// inserted text a later checked rule finds again, and a rule that found nothing over the texts
// of the last run. The first three need no text; the last needs a tally of a run.

#include <cstddef>
#include <string>
#include <vector>

#include "engine/ActiveRules.h"
#include "engine/TextRoutines.h"

namespace qx {

class RuleTally;
class TReplace;

enum class RuleWarningKind {
    NotCompiled,   // `error` holds the engine's text; a correction with it checked refuses
    MatchesEmpty,  // inserts its replacement wherever the expression matches nothing
    FoundAgain,    // `laterRow` finds text this rule inserted
    FoundNothing,  // ran over the texts of the last run and replaced nothing
};

struct RuleWarning {
    std::size_t row = 0;
    RuleWarningKind kind = RuleWarningKind::NotCompiled;
    std::string error;
    std::size_t laterRow = 0;

    bool operator==(const RuleWarning&) const = default;
};

// The warnings on the rules of the checked rows, in row order (for one row in the order of the
// kinds above). `flags` are the plain-rule flags a correction would use; `tally`, when not null,
// is the run to judge "found nothing" by, and gives the texts its rules actually inserted.
std::vector<RuleWarning> FindRuleWarnings(const ActiveRules& rows, ReplaceFlags flags,
                                          const RuleTally* tally);

// The engine's text for a regular-expression rule whose expression does not compile, checked
// or not; empty for one that compiles and for every other rule.
std::string ExpressionError(const TReplace& rule);

}  // namespace qx
