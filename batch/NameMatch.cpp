// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/NameMatch.h"

#include <algorithm>

#include "engine/CodePage.h"

namespace qx {
namespace {

// Invalid bytes decode to the low surrogate range, which valid UTF-8 never yields.
constexpr char32_t kRawByteBase = 0xDC00;

// Decodes one character at text[pos] and advances pos; strict like the code page's decoder
// (no overlong forms, no surrogates, nothing above U+10FFFF).
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    }
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return kRawByteBase + lead;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kRawByteBase + lead;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kRawByteBase + lead;
    }
    pos += length;
    return cp;
}

char32_t FoldCodePoint(char32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(LowerChar(static_cast<char>(cp)));
    // Only the Cyrillic block and a few signs are in the code page; letters are all Cyrillic.
    if (cp < 0x400 || cp > 0x4FF) return cp;
    const auto byte = CodePointToCp1251(cp);
    if (!byte) return cp;
    return Cp1251ToCodePoint(LowerTable()[*byte]);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// "*" and "?" against code points; the usual greedy walk that returns to the last star.
bool WildcardMatch(std::u32string_view pattern, std::u32string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::u32string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u32string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

}  // namespace

std::string FoldCase(std::string_view utf8) {
    std::string folded;
    folded.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        if (lead < 0x80) {
            folded.push_back(LowerChar(static_cast<char>(lead)));
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(utf8, pos);
        if (cp >= kRawByteBase && cp < kRawByteBase + 0x100 && pos == start + 1) {
            folded.push_back(static_cast<char>(lead));  // an invalid byte stays as it is
        } else {
            AppendUtf8(folded, FoldCodePoint(cp));
        }
    }
    return folded;
}

std::u32string FoldedCodePoints(std::string_view utf8) {
    std::u32string points;
    points.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) points.push_back(FoldCodePoint(NextCodePoint(utf8, pos)));
    return points;
}

bool EqualsFolded(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

bool ContainsFolded(std::string_view text, std::string_view part) {
    if (part.empty()) return true;
    return FoldCase(text).find(FoldCase(part)) != std::string::npos;
}

bool FileNameLess(std::string_view a, std::string_view b) {
    const std::string foldedA = FoldCase(a);
    const std::string foldedB = FoldCase(b);
    if (foldedA != foldedB) return foldedA < foldedB;
    return a < b;
}

FileMask::FileMask(std::string_view mask) {
    pattern_ = FoldedCodePoints(mask);
    const std::size_t n = pattern_.size();
    if (n >= 2 && pattern_[n - 2] == U'.' && pattern_[n - 1] == U'*') {
        emptyExtensionToo_ = true;
    } else if (n >= 1 && pattern_[n - 1] == U'.' && (n == 1 || pattern_[n - 2] != U'.')) {
        noDotOnly_ = true;
        pattern_.pop_back();
    }
}

bool FileMask::Matches(std::string_view name) const {
    if (pattern_.empty() || name.empty()) return false;
    const std::u32string folded = FoldedCodePoints(name);
    if (noDotOnly_) {
        return folded.find(U'.') == std::u32string::npos && WildcardMatch(pattern_, folded);
    }
    if (WildcardMatch(pattern_, folded)) return true;
    return emptyExtensionToo_ && folded.find(U'.') == std::u32string::npos &&
           WildcardMatch(std::u32string_view(pattern_).substr(0, pattern_.size() - 2), folded);
}

}  // namespace qx
