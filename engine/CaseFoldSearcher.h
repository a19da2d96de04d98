// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one search for a find text that every plain replacement, the token and escaping routines,
// the rule filter and the replace conditions go through: exact (memchr and memmem, glibc's
// two-way search) or without regard to the code page's letter case.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/VectorWidth.h"

namespace qx {

// Position of the first occurrence of a non-empty `needle` at or after `from`, compared byte
// for byte; std::string_view::npos when there is none.
std::size_t FindBytes(std::string_view haystack, std::string_view needle, std::size_t from);

// Finds `needle` in `haystack` without regard to letter case (the code page's), without a
// lower-cased copy of the text. It scans with memchr for the two cases of the find text's rarest
// byte. On a large text (judged from a sample) a find text of two bytes or more is looked for
// sixteen places at a time by its two rarest bytes, unless memchr stops seldom enough; without
// that, when every byte of it is frequent in the text, a find text of four bytes or more is
// skipped along (Horspool) with a case-folded shift table. One searcher serves one left-to-right
// walk.
class CaseFoldSearcher {
public:
    // `widest`: the vectors its loops may use (narrower ones to compare them in the tests).
    explicit CaseFoldSearcher(std::string_view needle, VectorWidth widest = WidestVectors());
    // First occurrence at or after `from`, or npos. `from` must not decrease between calls.
    std::size_t Find(std::string_view haystack, std::size_t from);
    // Readies the searcher for a new walk (another text, or the same one from its start), with
    // the set-up of the find text kept: one searcher serves every text a rule is applied to.
    void Restart();
    // Readies the searcher for another stretch of the same text (a text searched a piece at a
    // time), keeping the method its sample of the first stretch chose.
    void MoveOn();

private:
    static constexpr std::size_t kSkipFrom = 4;        // shortest find text worth skipping along
    static constexpr std::size_t kSampleFrom = 65536;  // texts this long are sampled first

    bool Anchorable(std::size_t index) const;
    void UseAnchor(std::size_t index);
    void UseSkipping();
    static bool OneBitCases(unsigned char lower);
    std::size_t FindByPair(std::string_view haystack, std::size_t from) const;
    std::size_t FindByPairWide(std::string_view haystack, std::size_t& start) const;
    void ChooseBySample(std::string_view haystack, std::size_t from);
    bool MatchesAt(std::string_view haystack, std::size_t start) const;
    std::size_t NextAnchor(std::string_view haystack, std::size_t from);
    std::size_t FindBySkipping(std::string_view haystack, std::size_t from) const;

    std::string needle_;  // lower-cased
    VectorWidth widest_;
    enum class Method { kAnchor, kSkip, kPair, kEveryPosition } method_ = Method::kEveryPosition;
    std::size_t anchor_ = 0;  // index in the needle of the byte memchr looks for
    char anchorCases_[2] = {0, 0};
    bool twoCases_ = false;
    std::size_t next_[2] = {0, 0};  // last answers of memchr for each case
    bool known_[2] = {false, false};
    std::array<std::size_t, 256> shift_{};  // by the text byte under the needle's last byte
    std::size_t pair_[2] = {0, 0};          // indexes in the needle of the bytes compared by 16
    bool sampled_ = false;
    Method firstMethod_ = Method::kEveryPosition;  // the choice made from the find text alone
    std::size_t firstAnchor_ = 0;
};

}  // namespace qx
