// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReplaceLoops.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "engine/CodePage.h"
#include "engine/RuleEngine.h"
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
}

namespace {

constexpr std::size_t npos = std::string_view::npos;

// How often a (lower-case) byte turns up in ordinary Russian and English text, roughly: the
// searcher anchors on the rarest byte of the find text so that memchr stops seldom.
int Commonness(unsigned char c) {
    // Letters by falling frequency in their language.
    static constexpr std::string_view kLatin = "etaoinshrdlcumwfgypbvkjxqz";
    static constexpr std::string_view kCyrillic =
        "\xEE\xE5\xE0\xE8\xED\xF2\xF1\xF0\xE2\xEB\xEA\xEC\xE4\xEF\xF3\xFF\xFB\xFC\xE3\xE7"
        "\xE1\xF7\xE9\xF5\xE6\xF8\xFE\xF6\xF9\xFD\xF4\xFA\xB8";  // о е а и ... ъ ё
    if (c == ' ') return 100;
    if (const std::size_t k = kLatin.find(static_cast<char>(c)); k != npos)
        return 80 - static_cast<int>(k) * 2;
    if (const std::size_t k = kCyrillic.find(static_cast<char>(c)); k != npos)
        return 80 - static_cast<int>(k) * 2;
    if (c >= '0' && c <= '9') return 12;
    if (c == '\n' || c == '\r' || c == ',' || c == '.') return 12;
    return 5;
}

}  // namespace

void ThrowTextTooLarge(std::size_t limit) {
    throw ETextTooLarge("Текст после замены стал бы больше " + std::to_string(limit >> 20) +
                        " МБ; коррекция остановлена.");
}

namespace {

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
          folded_((flags & kIgnoreCase) != 0 ? std::make_unique<CaseFoldSearcher>(compared)
                                             : nullptr) {}

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
        if (folded_) {
            pos = folded_->Find(text, from);
        } else {
            const void* hit = from <= text.size() ? memmem(text.data() + from, text.size() - from,
                                                           find_.data(), find_.size())
                                                  : nullptr;
            pos = hit != nullptr
                      ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
                      : npos;
        }
        len = find_.size();
        return pos != npos;
    }

    std::string_view find_;
    std::string_view replace_;
    bool all_;
    ReplaceHooks& hooks_;
    std::unique_ptr<CaseFoldSearcher> folded_;
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

CaseFoldSearcher::CaseFoldSearcher(std::string_view needle) : needle_(LowerCase(needle)) {
    int best = INT_MAX;
    for (std::size_t i = 0; i < needle_.size(); ++i) {
        if (!Anchorable(i)) continue;
        const int score = Commonness(static_cast<unsigned char>(needle_[i]));
        if (score < best) {
            best = score;
            anchor_ = i;
        }
    }
    if (best != INT_MAX) UseAnchor(anchor_);
}

bool CaseFoldSearcher::Anchorable(std::size_t index) const {
    // memchr looks for a byte and its capital; that must be every byte whose lower case it is.
    static const std::array<int, 256> cases = [] {
        std::array<int, 256> n{};
        for (const unsigned char small : LowerTable()) ++n[small];
        return n;
    }();
    const unsigned char c = static_cast<unsigned char>(needle_[index]);
    const unsigned char upper = UpperTable()[c];
    const bool pair = upper != c && LowerTable()[upper] == c;
    return cases[c] == (pair ? 2 : 1) && (pair || upper == c);
}

void CaseFoldSearcher::UseSkipping() {
    method_ = Method::kSkip;
    const auto& lower = LowerTable();
    const std::size_t last = needle_.size() - 1;
    std::array<std::size_t, 256> folded;
    folded.fill(needle_.size());
    for (std::size_t i = 0; i < last; ++i)
        folded[static_cast<unsigned char>(needle_[i])] = last - i;
    for (std::size_t b = 0; b < 256; ++b) shift_[b] = folded[lower[b]];
}

void CaseFoldSearcher::UseAnchor(std::size_t index) {
    method_ = Method::kAnchor;
    anchor_ = index;
    const unsigned char c = static_cast<unsigned char>(needle_[index]);
    const unsigned char upper = UpperTable()[c];
    anchorCases_[0] = static_cast<char>(c);
    anchorCases_[1] = static_cast<char>(upper);
    twoCases_ = upper != c;
}

// On a large text the choice is made from a sample of the text itself: the anchor is the byte of
// the find text that turns up least, and when even that one is frequent, a find text long
// enough is skipped along instead (stopping for memchr at every few bytes costs more).
void CaseFoldSearcher::ChooseBySample(std::string_view haystack, std::size_t from) {
    constexpr std::size_t kChunk = 16 * 1024;
    constexpr std::size_t kChunks = 4;
    std::array<std::size_t, 256> count{};
    std::size_t sampled = 0;
    const std::size_t span = haystack.size() - from;
    for (std::size_t k = 0; k < kChunks; ++k) {
        const std::size_t begin = from + span / kChunks * k;
        const std::size_t end = std::min(begin + kChunk, haystack.size());
        for (std::size_t i = begin; i < end; ++i) ++count[static_cast<unsigned char>(haystack[i])];
        sampled += end - begin;
    }
    std::size_t best = npos;
    std::size_t bestCount = npos;
    for (std::size_t i = 0; i < needle_.size(); ++i) {
        if (!Anchorable(i)) continue;
        const unsigned char c = static_cast<unsigned char>(needle_[i]);
        const unsigned char upper = UpperTable()[c];
        const std::size_t n = count[c] + (upper != c ? count[upper] : 0);
        if (n < bestCount) {
            bestCount = n;
            best = i;
        }
    }
    constexpr std::size_t kDenseAnchor = 64;  // more than one hit in this many bytes
    if (needle_.size() >= kSkipFrom && (best == npos || bestCount * kDenseAnchor > sampled))
        UseSkipping();
    else if (best != npos)
        UseAnchor(best);
}

bool CaseFoldSearcher::MatchesAt(std::string_view haystack, std::size_t start) const {
    const auto& lower = LowerTable();
    for (std::size_t i = 0; i < needle_.size(); ++i)
        if (lower[static_cast<unsigned char>(haystack[start + i])] !=
            static_cast<unsigned char>(needle_[i]))
            return false;
    return true;
}

std::size_t CaseFoldSearcher::NextAnchor(std::string_view haystack, std::size_t from) {
    std::size_t best = npos;
    for (int k = 0; k < (twoCases_ ? 2 : 1); ++k) {
        // memchr is asked again only once the scan has passed its last answer.
        if (!known_[k] || next_[k] < from) {
            const void* hit =
                from < haystack.size()
                    ? std::memchr(haystack.data() + from, anchorCases_[k], haystack.size() - from)
                    : nullptr;
            next_[k] =
                hit != nullptr
                    ? static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data())
                    : npos;
            known_[k] = true;
        }
        best = std::min(best, next_[k]);
    }
    return best;
}

std::size_t CaseFoldSearcher::FindBySkipping(std::string_view haystack, std::size_t from) const {
    const auto& lower = LowerTable();
    const std::size_t last = needle_.size() - 1;
    const unsigned char lastByte = static_cast<unsigned char>(needle_[last]);
    const unsigned char* text = reinterpret_cast<const unsigned char*>(haystack.data());
    for (std::size_t start = from; start + last < haystack.size();) {
        const unsigned char c = text[start + last];
        if (lower[c] == lastByte && MatchesAt(haystack, start)) return start;
        start += shift_[c];
    }
    return npos;
}

std::size_t CaseFoldSearcher::Find(std::string_view haystack, std::size_t from) {
    const std::size_t n = needle_.size();
    if (n == 0) return from <= haystack.size() ? from : npos;
    if (haystack.size() < n || from > haystack.size() - n) return npos;
    const std::size_t lastStart = haystack.size() - n;
    if (!sampled_) {
        sampled_ = true;
        if (haystack.size() - from >= kSampleFrom && n > 1) ChooseBySample(haystack, from);
    }
    switch (method_) {
        case Method::kSkip:
            return FindBySkipping(haystack, from);
        case Method::kEveryPosition:
            for (std::size_t s = from; s <= lastStart; ++s)
                if (MatchesAt(haystack, s)) return s;
            return npos;
        case Method::kAnchor:
            break;
    }
    while (from <= lastStart) {
        const std::size_t a = NextAnchor(haystack, from + anchor_);
        if (a == npos) return npos;
        const std::size_t start = a - anchor_;
        if (start > lastStart) return npos;
        if (MatchesAt(haystack, start)) return start;
        from = start + 1;
    }
    return npos;
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
