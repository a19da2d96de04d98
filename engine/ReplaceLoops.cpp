// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReplaceLoops.h"

#include <algorithm>
#include <memory>
#include <string>

#include "engine/CaseFoldSearcher.h"
#include "engine/CodePage.h"
#include "engine/RuleEngine.h"
#include "engine/RuleObserver.h"
#include "engine/TRegExpr.h"

namespace qx {

void RuleHooks::NumberHook(std::string& inserted) {
    ++replaceNumber_;
    const std::size_t at = inserted.find(kTokenNumber);
    if (at != std::string::npos)
        inserted.replace(at, kTokenNumber.size(), std::to_string(replaceNumber_));
}

void RuleHooks::RecordHook(std::string_view found, std::string_view inserted) {
    ++records_;
    sinks_.AddDoneReplace(found, inserted, fileName_);
    if (observer_ != nullptr) observer_->Replaced(found, inserted);
}

void ThrowTextTooLarge(std::size_t limit) {
    throw ETextTooLarge("Текст после замены стал бы больше " + std::to_string(limit >> 20) +
                        " МБ; коррекция остановлена.");
}

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Makes room in `out` for `capacity` bytes. A fresh buffer is taken rather than reserve() because
// the standard library doubles a string it enlarges: on a large text that would hold twice its
// size for a replacement that lengthens it by a few per cent.
void Enlarge(std::string& out, std::size_t capacity) {
    if (capacity <= out.capacity()) return;
    std::string larger;
    larger.reserve(capacity);
    larger.append(out);
    out.swap(larger);
}

// The capacity to take when `out` is full: what the output already holds, plus the rest of the
// text grown by the rate seen so far, plus a margin; at least an eighth more than now, so that a
// rate that keeps rising still costs few copies, and at most twice as much, so that a burst of
// growth at the start of a large text does not claim memory the rest of it will not need.
std::size_t NextCapacity(const std::string& out, std::size_t needed, std::size_t consumed,
                         std::size_t rest, std::size_t limit) {
    const double rate =
        consumed > 0 ? std::max(1.0, static_cast<double>(needed) / static_cast<double>(consumed))
                     : 1.0;
    const double projected =
        (static_cast<double>(needed) + static_cast<double>(rest) * rate) * (1.0 + 1.0 / 32);
    const double capacity = static_cast<double>(out.capacity());
    const double wanted = std::min({std::max(projected, capacity * (1.0 + 1.0 / 8)), capacity * 2,
                                    static_cast<double>(limit)});
    return std::max(needed, static_cast<std::size_t>(wanted));
}

// One replace loop for both kinds of rule. The matcher finds the first occurrence, the next one
// from the end of the previous one, and forms the text that goes in its place (numbered or
// substituted). The result is built in `out`; `text` is only read, so it may be the caller's
// own text or a view of it. `out` is left as it was when nothing was found.
template <class Matcher>
bool ReplaceLoop(std::string_view text, Matcher& matcher, ReplaceHooks& hooks, std::string& out) {
    std::size_t pos = 0;
    std::size_t len = 0;
    if (!matcher.First(text, pos, len)) return false;
    out.clear();
    // A buffer kept from an earlier pass is used while it holds the text. A new one gets room
    // for a text grown by a sixteenth: most rules that lengthen a text do so by less, and every
    // enlargement holds the old and the new buffer at once.
    if (out.capacity() < text.size()) Enlarge(out, text.size() + text.size() / 16);
    std::size_t current = 0;
    do {
        const std::string_view inserted = matcher.Inserted();
        hooks.RecordHook(matcher.Found(), inserted);
        const std::size_t gap = pos - current;
        current = pos + len;
        // The final text is at least this long: stop before memory runs out, not after.
        const std::size_t rest = text.size() - current;
        if (rest > hooks.sizeLimit || gap > hooks.sizeLimit - rest ||
            out.size() + inserted.size() > hooks.sizeLimit - rest - gap)
            ThrowTextTooLarge(hooks.sizeLimit);
        const std::size_t needed = out.size() + gap + inserted.size();
        if (needed > out.capacity())
            Enlarge(out, NextCapacity(out, needed, current, rest,
                                      std::min(hooks.sizeLimit, out.max_size())));
        out.append(text, pos - gap, gap);
        out.append(inserted);
    } while (matcher.Next(text, current, pos, len));
    const std::size_t total = out.size() + (text.size() - current);
    if (total > out.capacity()) Enlarge(out, total + total / 16);
    out.append(text, current);
    return true;
}

// Occurrences of a literal find text, case-sensitive (memmem) or by the code page's letter case.
class PlainMatcher {
public:
    PlainMatcher(std::string_view compared, std::string_view replace, ReplaceFlags flags,
                 ReplaceHooks& hooks)
        : find_(compared),
          replace_(replace),
          all_((flags & kReplaceAll) != 0),
          hooks_(hooks),
          own_((flags & kIgnoreCase) != 0 ? std::make_unique<CaseFoldSearcher>(compared) : nullptr),
          folded_(own_.get()) {}
    // With a searcher made beforehand for `compared` (null: case-sensitive).
    PlainMatcher(std::string_view compared, std::string_view replace, ReplaceFlags flags,
                 ReplaceHooks& hooks, CaseFoldSearcher* folded)
        : find_(compared),
          replace_(replace),
          all_((flags & kReplaceAll) != 0),
          hooks_(hooks),
          folded_(folded) {
        if (folded_ != nullptr) folded_->Restart();
    }

    bool First(std::string_view text, std::size_t& pos, std::size_t& len) {
        return Search(text, 0, pos, len);
    }
    bool Next(std::string_view text, std::size_t from, std::size_t& pos, std::size_t& len) {
        return all_ && Search(text, from, pos, len);
    }
    std::string_view Inserted() {
        numbered_.assign(replace_);
        hooks_.NumberHook(numbered_);
        return numbered_;
    }
    std::string_view Found() const { return find_; }

private:
    bool Search(std::string_view text, std::size_t from, std::size_t& pos, std::size_t& len) {
        pos = folded_ ? folded_->Find(text, from) : FindBytes(text, find_, from);
        len = find_.size();
        return pos != npos;
    }

    std::string_view find_;
    std::string_view replace_;
    bool all_;
    ReplaceHooks& hooks_;
    std::unique_ptr<CaseFoldSearcher> own_;
    CaseFoldSearcher* folded_;
    std::string numbered_;
};

// Matches of the regular-expression engine; the engine remembers where it stands.
class RegexMatcher {
public:
    RegexMatcher(TRegExpr& engine, std::string_view templ) : engine_(engine), templ_(templ) {}

    bool First(std::string_view text, std::size_t& pos, std::size_t& len) {
        return engine_.Exec(text) && Take(pos, len);
    }
    bool Next(std::string_view, std::size_t, std::size_t& pos, std::size_t& len) {
        return engine_.ExecNext() && Take(pos, len);
    }
    std::string_view Inserted() {
        substituted_.clear();  // keeps its memory from match to match
        engine_.AppendSubstitute(templ_, substituted_);
        return substituted_;
    }
    std::string_view Found() const { return engine_.Match(0); }

private:
    bool Take(std::size_t& pos, std::size_t& len) const {
        pos = static_cast<std::size_t>(engine_.MatchPos(0));
        len = static_cast<std::size_t>(engine_.MatchLen(0));
        return true;
    }

    TRegExpr& engine_;
    std::string_view templ_;
    std::string substituted_;
};

}  // namespace

PreparedFind::PreparedFind(std::string text) : exact(std::move(text)) {}
PreparedFind::~PreparedFind() = default;
PreparedFind::PreparedFind(PreparedFind&&) noexcept = default;
PreparedFind& PreparedFind::operator=(PreparedFind&&) noexcept = default;

CaseFoldSearcher& PreparedFind::Folded() {
    if (!folded) {
        lower = LowerCase(exact);
        folded = std::make_unique<CaseFoldSearcher>(lower);
    }
    return *folded;
}

bool ReplaceCountedInto(std::string_view text, std::string_view find, std::string_view replace,
                        ReplaceFlags flags, ReplaceHooks& hooks, std::string& out) {
    if (text.empty() || find.empty() || find == replace) return false;
    if ((flags & kIgnoreCase) != 0) {
        // The lower-cased find is both what is searched for and what the records show.
        const std::string compared = LowerCase(find);
        PlainMatcher matcher(compared, replace, flags, hooks);
        return ReplaceLoop(text, matcher, hooks, out);
    }
    PlainMatcher matcher(find, replace, flags, hooks);
    return ReplaceLoop(text, matcher, hooks, out);
}

bool ReplaceCountedInto(std::string_view text, PreparedFind& find, std::string_view replace,
                        ReplaceFlags flags, ReplaceHooks& hooks, std::string& out) {
    if (text.empty() || find.exact.empty() || find.exact == replace) return false;
    if ((flags & kIgnoreCase) != 0) {
        CaseFoldSearcher& folded = find.Folded();
        PlainMatcher matcher(find.lower, replace, flags, hooks, &folded);
        return ReplaceLoop(text, matcher, hooks, out);
    }
    PlainMatcher matcher(find.exact, replace, flags, hooks, nullptr);
    return ReplaceLoop(text, matcher, hooks, out);
}

bool ReplaceCountedInPlace(std::string& text, std::string_view find, std::string_view replace,
                           ReplaceFlags flags, ReplaceHooks& hooks, std::string& scratch) {
    if (!ReplaceCountedInto(text, find, replace, flags, hooks, scratch)) return false;
    text.swap(scratch);  // the scratch keeps the old text's memory for the next pass
    return true;
}

std::string ReplaceCounted(std::string_view text, std::string_view find, std::string_view replace,
                           ReplaceFlags flags, ReplaceHooks& hooks) {
    std::string result;
    if (!ReplaceCountedInto(text, find, replace, flags, hooks, result)) result.assign(text);
    return result;
}

bool ReplaceRegexInto(TRegExpr& engine, std::string_view text, std::string_view expression,
                      std::string_view templ, ReplaceHooks& hooks, std::string& out) {
    engine.SetExpression(expression);  // compiled only when it differs from the last one
    RegexMatcher matcher(engine, templ);
    return ReplaceLoop(text, matcher, hooks, out);
}

bool ReplaceRegexInPlace(TRegExpr& engine, std::string& text, std::string_view expression,
                         std::string_view templ, ReplaceHooks& hooks, std::string& scratch) {
    if (!ReplaceRegexInto(engine, text, expression, templ, hooks, scratch)) return false;
    text.swap(scratch);
    return true;
}

std::string ReplaceRegex(TRegExpr& engine, std::string_view text, std::string_view expression,
                         std::string_view templ, ReplaceHooks& hooks) {
    std::string result;
    if (!ReplaceRegexInto(engine, text, expression, templ, hooks, result)) result.assign(text);
    return result;
}

}  // namespace qx
