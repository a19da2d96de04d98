// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CaseFoldSearcher.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "engine/CodePage.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QX_PAIR_SEARCH 1
#endif

namespace qx {
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

std::size_t FindBytes(std::string_view haystack, std::string_view needle, std::size_t from) {
    if (from > haystack.size() || haystack.size() - from < needle.size()) return npos;
    const char* start = haystack.data() + from;
    const std::size_t length = haystack.size() - from;
    const void* hit = needle.size() == 1 ? std::memchr(start, needle[0], length)
                                         : ::memmem(start, length, needle.data(), needle.size());
    if (hit == nullptr) return npos;
    return static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data());
}

CaseFoldSearcher::CaseFoldSearcher(std::string_view needle, VectorWidth widest)
    : needle_(LowerCase(needle)), widest_(std::min(widest, WidestVectors())) {
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
    firstMethod_ = method_;
    firstAnchor_ = anchor_;
}

void CaseFoldSearcher::Restart() {
    known_[0] = known_[1] = false;
    sampled_ = false;
    if (firstMethod_ == Method::kAnchor)
        UseAnchor(firstAnchor_);
    else
        method_ = firstMethod_;
}

void CaseFoldSearcher::MoveOn() { known_[0] = known_[1] = false; }

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
#ifdef QX_PAIR_SEARCH
    // The two rarest bytes whose cases differ in one bit only, as nearly all letters' do.
    std::size_t pair[2] = {npos, npos};
    std::size_t pairCount[2] = {npos, npos};
    for (std::size_t i = 0; i < needle_.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(needle_[i]);
        if (!OneBitCases(c)) continue;
        const std::size_t n = count[c] + count[c ^ 0x20];
        if (n < pairCount[0]) {
            pair[1] = pair[0];
            pairCount[1] = pairCount[0];
            pair[0] = i;
            pairCount[0] = n;
        } else if (n < pairCount[1]) {
            pair[1] = i;
            pairCount[1] = n;
        }
    }
    // memchr for a byte of one case that turns up seldom is faster still.
    constexpr std::size_t kRareAnchor = 4096;  // less than one hit in this many bytes
    const bool rareAnchor = best != npos && bestCount * kRareAnchor < sampled &&
                            UpperTable()[static_cast<unsigned char>(needle_[best])] ==
                                static_cast<unsigned char>(needle_[best]);
    if (widest_ != VectorWidth::kNone && pair[1] != npos && !rareAnchor) {
        method_ = Method::kPair;
        pair_[0] = std::min(pair[0], pair[1]);
        pair_[1] = std::max(pair[0], pair[1]);
        return;
    }
#endif
    constexpr std::size_t kDenseAnchor = 64;  // more than one hit in this many bytes
    if (needle_.size() >= kSkipFrom && (best == npos || bestCount * kDenseAnchor > sampled))
        UseSkipping();
    else if (best != npos)
        UseAnchor(best);
}

// True when every byte whose lower case is `lower` equals it but for bit 0x20 (so that both
// compare equal once that bit is set): Latin letters, the Cyrillic А-я, and bytes without case.
bool CaseFoldSearcher::OneBitCases(unsigned char lower) {
    static const std::array<bool, 256> oneBit = [] {
        std::array<bool, 256> table;
        table.fill(true);
        for (unsigned b = 0; b < 256; ++b) {
            const unsigned char small = LowerTable()[b];
            if ((b | 0x20) != (small | 0x20u)) table[small] = false;
        }
        return table;
    }();
    return oneBit[lower];
}

// Sixty-four starts at a time: those whose two chosen bytes match (bit 0x20 set on both sides)
// are compared in full, leftmost first.
std::size_t CaseFoldSearcher::FindByPair(std::string_view haystack, std::size_t from) const {
    const std::size_t lastStart = haystack.size() - needle_.size();
    std::size_t start = from;
#ifdef QX_PAIR_SEARCH
    if (widest_ == VectorWidth::kSixtyFour) {
        if (const std::size_t found = FindByPairWide(haystack, start); found != npos) return found;
    }
    constexpr std::size_t kStarts = 64;
    const char* const first = haystack.data() + pair_[0];
    const char* const second = haystack.data() + pair_[1];
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i firstByte = _mm_set1_epi8(static_cast<char>(needle_[pair_[0]] | 0x20));
    const __m128i secondByte = _mm_set1_epi8(static_cast<char>(needle_[pair_[1]] | 0x20));
    const auto matches = [&](std::size_t at) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + at));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fold), firstByte),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, fold), secondByte));
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(both)));
    };
    // The starts from `start` on all fit, so every byte read is inside the text.
    while (start <= lastStart && lastStart - start >= kStarts - 1) {
        std::uint64_t mask = matches(start) | matches(start + 16) << 16 |
                             matches(start + 32) << 32 | matches(start + 48) << 48;
        for (; mask != 0; mask &= mask - 1) {
            const std::size_t candidate = start + static_cast<std::size_t>(__builtin_ctzll(mask));
            if (MatchesAt(haystack, candidate)) return candidate;
        }
        start += kStarts;
    }
#endif
    for (; start <= lastStart; ++start)
        if (MatchesAt(haystack, start)) return start;
    return npos;
}

#ifdef QX_PAIR_SEARCH
// The same sixty-four starts in one comparison each, where the processor has AVX-512BW: the first
// match, or npos with `start` moved to where the narrower loop goes on.
__attribute__((target("avx512f,avx512bw"))) std::size_t CaseFoldSearcher::FindByPairWide(
    std::string_view haystack, std::size_t& start) const {
    const std::size_t lastStart = haystack.size() - needle_.size();
    const char* const first = haystack.data() + pair_[0];
    const char* const second = haystack.data() + pair_[1];
    const __m512i fold = _mm512_set1_epi8(0x20);
    const __m512i firstByte = _mm512_set1_epi8(static_cast<char>(needle_[pair_[0]] | 0x20));
    const __m512i secondByte = _mm512_set1_epi8(static_cast<char>(needle_[pair_[1]] | 0x20));
    while (start <= lastStart && lastStart - start >= 63) {
        const __m512i a = _mm512_or_si512(_mm512_loadu_si512(first + start), fold);
        const __m512i b = _mm512_or_si512(_mm512_loadu_si512(second + start), fold);
        __mmask64 mask =
            _mm512_mask_cmpeq_epi8_mask(_mm512_cmpeq_epi8_mask(a, firstByte), b, secondByte);
        for (; mask != 0; mask &= mask - 1) {
            const std::size_t candidate = start + static_cast<std::size_t>(__builtin_ctzll(mask));
            if (MatchesAt(haystack, candidate)) return candidate;
        }
        start += 64;
    }
    return npos;
}
#endif

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
        case Method::kPair:
            return FindByPair(haystack, from);
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

}  // namespace qx
