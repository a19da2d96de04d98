// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/NameMatch.h"

#include "engine/CodePage.h"
#include "engine/Utf8.h"

namespace qx {
namespace {

char32_t FoldCodePoint(char32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(LowerChar(static_cast<char>(cp)));
    // Only the Cyrillic block and a few signs are in the code page; letters are all Cyrillic.
    if (cp < 0x400 || cp > 0x4FF) return cp;
    const auto byte = CodePointToCp1251(cp);
    if (!byte) return cp;
    return Cp1251ToCodePoint(LowerTable()[*byte]);
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
    const auto& lower = LowerTable();
    std::size_t pos = 0;
    // The usual all-ASCII name goes byte by byte through the table.
    while (pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) < 0x80) ++pos;
    std::string folded(utf8);
    for (std::size_t i = 0; i < pos; ++i) {
        folded[i] = static_cast<char>(lower[static_cast<unsigned char>(folded[i])]);
    }
    if (pos == utf8.size()) return folded;
    folded.resize(pos);
    while (pos < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        if (lead < 0x80) {
            folded.push_back(static_cast<char>(lower[lead]));
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(utf8, pos);
        if (IsInvalidUtf8Byte(cp) && pos == start + 1) {
            folded.push_back(static_cast<char>(lead));  // an invalid byte stays as it is
        } else {
            AppendUtf8(folded, FoldCodePoint(cp));
        }
    }
    return folded;
}

void FoldedCodePoints(std::string_view utf8, std::u32string& points) {
    const auto& lower = LowerTable();
    points.clear();
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (byte < 0x80) {
            points.push_back(lower[byte]);
            ++pos;
        } else {
            points.push_back(FoldCodePoint(NextCodePoint(utf8, pos)));
        }
    }
}

std::u32string FoldedCodePoints(std::string_view utf8) {
    std::u32string points;
    FoldedCodePoints(utf8, points);
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
    matchesEverything_ = !noDotOnly_ && (pattern_ == U"*" || pattern_ == U"*.*");
}

bool FileMask::Matches(std::string_view name) const {
    if (pattern_.empty() || name.empty()) return false;
    if (matchesEverything_) return true;
    return MatchesFolded(FoldedCodePoints(name));
}

bool FileMask::MatchesFolded(std::u32string_view folded) const {
    if (pattern_.empty() || folded.empty()) return false;
    if (matchesEverything_) return true;
    if (noDotOnly_) {
        return folded.find(U'.') == std::u32string_view::npos && WildcardMatch(pattern_, folded);
    }
    if (WildcardMatch(pattern_, folded)) return true;
    return emptyExtensionToo_ && folded.find(U'.') == std::u32string_view::npos &&
           WildcardMatch(std::u32string_view(pattern_).substr(0, pattern_.size() - 2), folded);
}

}  // namespace qx
