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
#include "engine/TRegExpr.h"
#include "engine/TextRoutines.h"
#include "engine/TextScan.h"

namespace qx {

class RuleObserver;
class TReplace;

// An error of a regular-expression rule, with the row of the rule that raised it. what() is the
// engine's own text, unchanged, so that every caller that shows it shows what it did before.
class ERuleRegExpr : public ERegExpr {
public:
    ERuleRegExpr(const ERegExpr& error, std::size_t row, std::string find)
        : ERegExpr(error), row_(row), find_(std::move(find)) {}
    std::size_t Row() const { return row_; }
    const std::string& Find() const { return find_; }  // the rule's find text as stored

private:
    std::size_t row_;
    std::string find_;
};

// Raised when the rules would make a text grow beyond RuleEngine::SizeLimit (for example a -> aa
// with Repeat 0, which doubles the text a thousand times): the correction stops with this error
// like with a regular-expression error, instead of exhausting the memory. what() is the message
// to show.
class ETextTooLarge : public std::length_error {
public:
    using std::length_error::length_error;
};

// The find and replace texts a rule works with: tokens decoded and, for an xPath rule, XML
// entities decoded too. For a regular-expression rule the find text is its expression.
std::string WorkingFind(const TReplace& rule);
std::string WorkingReplace(const TReplace& rule);
// An xPath rule with no find text: it sets the text of the selected nodes instead of replacing.
bool SetsNodeText(const TReplace& rule);

class RuleEngine {
public:
    RuleEngine(const ActiveRules& rows, EngineSinks& sinks);
    ~RuleEngine();
    RuleEngine(const RuleEngine&) = delete;
    RuleEngine& operator=(const RuleEngine&) = delete;

    // The file being corrected as the file list shows it; empty for the clipboard.
    void SetCurrentFileName(std::string name);
    const std::string& CurrentFileName() const;

    // Hears every step of ApplyRules; null (the default) for none. Must outlive the calls.
    void SetObserver(RuleObserver* observer);

    // Makes the active rules ready to run: decodes their texts and compiles every regular
    // expression (JIT included), so that each text and pass reuses them. Throws ERuleRegExpr for
    // an expression that does not compile, before any text is touched. A run over many texts calls
    // it first; ApplyRules prepares again by itself whenever the rows' rules have changed (then
    // compiling each expression when its rule is reached, as without Prepare).
    void Prepare();

    // Applies the active rules to `text`, in row order. Errors propagate to the caller, which
    // shows what() and does not write the text back: ERuleRegExpr (an invalid expression, a
    // runaway match, naming the rule's row), XmlError (an xPath the XML service rejects),
    // ETextTooLarge. All derive from std::exception.
    std::string ApplyRules(std::string_view text, ReplaceFlags flags);
    // The same into `result`, with `scratch` as the other buffer of the passes; both keep their
    // memory for the next text. False when no rule replaced anything: the text is then `text`
    // itself and `result` holds nothing of it.
    bool ApplyRules(std::string_view text, ReplaceFlags flags, std::string& result,
                    std::string& scratch);

    // A TextScan for whether ApplyRules would replace anything in a text, with the rules as they
    // are now; valid while they stay so. Null when that cannot be told a piece at a time: for an
    // xPath rule (it reads the document whole), an expression with a long lookbehind, or an
    // observer, which hears every rule run even where none replaces anything.
    std::unique_ptr<TextScan> StartScan(ReplaceFlags flags);

    // The longest text ApplyRules lets a correction of `inputSize` bytes grow to.
    static std::size_t SizeLimit(std::size_t inputSize);

    // Number of checked rows holding a rule (the progress maximum of a correction).
    std::size_t ActiveRuleCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qx
