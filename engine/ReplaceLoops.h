// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two replace loops of the rules: the counted plain replacement (with "[nm]" numbering)
// and the regular-expression replace-all. Both run through one loop that takes the way of
// finding the next occurrence and of forming the inserted text; both report every replacement
// to the same hooks. The in-place forms leave the text untouched (no copy) when nothing is
// found, which is what keeps a rule without matches at memory speed.

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "engine/RuleEngine.h"
#include "engine/TextRoutines.h"

namespace qx {

class CaseFoldSearcher;
class RuleObserver;
class TRegExpr;

// What a replace loop reports for each replacement it makes.
class ReplaceHooks {
public:
    virtual ~ReplaceHooks() = default;
    // Numbers the inserted text of a plain replacement; called once per replacement.
    virtual void NumberHook(std::string& inserted) = 0;
    // One call per replacement: the found text and what was put in its place.
    virtual void RecordHook(std::string_view found, std::string_view inserted) = 0;

    // A replacement that would make the text longer than this raises ETextTooLarge instead of
    // exhausting the memory (a rule like a -> aa repeated a thousand times).
    std::size_t sizeLimit = std::numeric_limits<std::size_t>::max();
};

// Raises ETextTooLarge for a text that would outgrow `limit`.
[[noreturn]] void ThrowTextTooLarge(std::size_t limit);

// The hooks of a running correction: `ReplaceNumber` and the performed-replacement records
// sent to the sinks under the current file name.
class RuleHooks final : public ReplaceHooks {
public:
    RuleHooks(EngineSinks& sinks, const std::string& fileName)
        : sinks_(sinks), fileName_(fileName) {}

    // Adds 1 to ReplaceNumber and puts its new value in place of the first "[nm]".
    void NumberHook(std::string& inserted) override;
    void RecordHook(std::string_view found, std::string_view inserted) override;

    // Hears every record too; null for none.
    void SetObserver(RuleObserver* observer) { observer_ = observer; }
    void ResetNumber() { replaceNumber_ = 0; }
    long long ReplaceNumber() const { return replaceNumber_; }
    // Records made so far through these hooks.
    std::size_t Records() const { return records_; }

private:
    EngineSinks& sinks_;
    const std::string& fileName_;
    RuleObserver* observer_ = nullptr;
    long long replaceNumber_ = 0;
    std::size_t records_ = 0;
};

// The plain-rule replacement. Nothing is numbered or recorded when the text or `find` is empty
// or `find` equals `replace` exactly. Under kIgnoreCase the comparison uses the code page's
// letter case and the record shows the lower-cased find; unreplaced characters keep their case.
// Without kReplaceAll only the first occurrence is replaced.
std::string ReplaceCounted(std::string_view text, std::string_view find, std::string_view replace,
                           ReplaceFlags flags, ReplaceHooks& hooks);
// In place; true when a replacement was made. `scratch` is a work buffer kept by the caller so
// that repeated passes reuse one allocation.
bool ReplaceCountedInPlace(std::string& text, std::string_view find, std::string_view replace,
                           ReplaceFlags flags, ReplaceHooks& hooks, std::string& scratch);
// Into `out` (its old content is dropped) from a text that is only read; true when a
// replacement was made, otherwise `out` is untouched and the text stands as it is.
bool ReplaceCountedInto(std::string_view text, std::string_view find, std::string_view replace,
                        ReplaceFlags flags, ReplaceHooks& hooks, std::string& out);

// A plain rule's find text with the letter-case searcher for it, made at the first use under
// kIgnoreCase and kept for every later text and pass. One walk at a time: not shared between
// threads.
struct PreparedFind {
    explicit PreparedFind(std::string text);
    ~PreparedFind();
    PreparedFind(PreparedFind&&) noexcept;
    PreparedFind& operator=(PreparedFind&&) noexcept;

    // The letter-case searcher, made at the first call.
    CaseFoldSearcher& Folded();

    std::string exact;
    std::string lower;
    std::unique_ptr<CaseFoldSearcher> folded;
};
// The same as above with the searcher kept in `find`.
bool ReplaceCountedInto(std::string_view text, PreparedFind& find, std::string_view replace,
                        ReplaceFlags flags, ReplaceHooks& hooks, std::string& out);

// The regular-expression replace-all: every non-overlapping match of `expression` gives way to
// `templ` substituted from that match; each is recorded with the whole match. Errors of the
// engine (an invalid or empty expression, a runaway match) propagate as ERegExpr.
std::string ReplaceRegex(TRegExpr& engine, std::string_view text, std::string_view expression,
                         std::string_view templ, ReplaceHooks& hooks);
bool ReplaceRegexInPlace(TRegExpr& engine, std::string& text, std::string_view expression,
                         std::string_view templ, ReplaceHooks& hooks, std::string& scratch);
bool ReplaceRegexInto(TRegExpr& engine, std::string_view text, std::string_view expression,
                      std::string_view templ, ReplaceHooks& hooks, std::string& out);

}  // namespace qx
