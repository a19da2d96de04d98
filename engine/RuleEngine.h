// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// ApplyRules, the core of the program: applies the active rules, in row order, each to the
// result of the one before, to one text in the working code page. The rules and the places
// it reports to (replacement records, progress, log lines) come in through two small
// interfaces, so the engine runs the same in the window, in batch mode and in tests.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/ActiveRules.h"
#include "engine/EngineSinks.h"
#include "engine/TextRoutines.h"

namespace qx {

class TReplace;

// Raised when the rules would make a text grow beyond RuleEngine::SizeLimit (for example a -> aa
// with Repeat 0, which doubles the text a thousand times): the correction stops with this error
// like with a regular-expression error, instead of exhausting the memory. what() is the message
// to show.
class ETextTooLarge : public std::length_error {
public:
    using std::length_error::length_error;
};

class RuleEngine {
public:
    RuleEngine(const ActiveRules& rows, EngineSinks& sinks);
    ~RuleEngine();
    RuleEngine(const RuleEngine&) = delete;
    RuleEngine& operator=(const RuleEngine&) = delete;

    // The file being corrected as the file list shows it; empty for the clipboard.
    void SetCurrentFileName(std::string name);
    const std::string& CurrentFileName() const;

    // Makes the active rules ready to run: decodes their texts and compiles every regular
    // expression (JIT included), so that each text and pass reuses them. Throws ERegExpr for an
    // expression that does not compile, before any text is touched. A run over many texts calls
    // it first; ApplyRules prepares again by itself whenever the rows' rules have changed (then
    // compiling each expression when its rule is reached, as without Prepare).
    void Prepare();

    // Applies the active rules to `text`, in row order. Errors propagate to the caller, which
    // shows what() and does not write the text back: ERegExpr (an invalid expression, a runaway
    // match), XmlError (an xPath the XML service rejects), ETextTooLarge. All derive from
    // std::exception.
    std::string ApplyRules(std::string_view text, ReplaceFlags flags);

    // The longest text ApplyRules lets a correction of `inputSize` bytes grow to.
    static std::size_t SizeLimit(std::size_t inputSize);

    // Number of checked rows holding a rule (the progress maximum of a correction).
    std::size_t ActiveRuleCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qx
