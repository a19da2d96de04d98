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

// The rows that decide which rules run.
class RuleRows {
public:
    virtual ~RuleRows() = default;
    virtual std::size_t RowCount() const = 0;
    // The rule of a checked row; nullptr for an unchecked row or one that holds no rule.
    virtual const TReplace* ActiveRule(std::size_t row) const = 0;
};

// Where the engine reports while it works. Every method may be a no-op.
class EngineSinks {
public:
    virtual ~EngineSinks() = default;
    // One call per replacement made.
    virtual void AddDoneReplace(std::string_view found, std::string_view inserted,
                                std::string_view fileName) = 0;
    // One call per applied active rule.
    virtual void StepProgress() = 0;
    // One line for the log page (an XML parse failure under an xPath rule).
    virtual void AppendLog(std::string_view line) = 0;
};

class RuleEngine {
public:
    RuleEngine(const RuleRows& rows, EngineSinks& sinks);
    ~RuleEngine();
    RuleEngine(const RuleEngine&) = delete;
    RuleEngine& operator=(const RuleEngine&) = delete;

    // The file being corrected as the file list shows it; empty for the clipboard.
    void SetCurrentFileName(std::string name);
    const std::string& CurrentFileName() const;

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
