// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The words of the rule warnings, shared by the list tester and the marks of the rule list, and
// the message of a correction refused because of a rule.

#include <QString>
#include <cstddef>
#include <exception>

#include "engine/RuleWarnings.h"

namespace qx {

class ActiveRules;
class TReplace;

// Where the facts behind "found nothing" come from.
enum class TallySource { None, Run, Sample };

// "№3 «colour»": the row's number as the list shows it and the rule's find text.
QString RuleName(std::size_t row, const TReplace& rule);
// One warning in a line; `rows` names the later rule of FoundAgain.
QString WarningText(const RuleWarning& warning, const ActiveRules& rows, TallySource source);
// The error that ended a correction, naming the rule that raised it when the error knows it:
// "Замена №2 «a(»:" and the engine's own text on the next line.
QString RuleErrorText(const std::exception& error);
// A correction that did not start because of `error`: RuleErrorText and that nothing was done.
QString RefusedRunText(const std::exception& error);

}  // namespace qx
