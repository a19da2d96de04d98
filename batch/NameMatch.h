// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File names compared the way the program compares texts: letters without regard to case by
// the windows-1251 case table (Latin and Cyrillic), everything else exactly. Names stay UTF-8
// as the file system has them; a byte that is not part of valid UTF-8 compares as itself.

#include <string>
#include <string_view>

namespace qx {

// The name with every letter the code page knows turned to its small form; still UTF-8.
// Two names equal without regard to case have equal folded forms, and the folded forms sort
// by code point.
std::string FoldCase(std::string_view utf8);

bool EqualsFolded(std::string_view a, std::string_view b);
// True when `text` contains `part` without regard to case; an empty part is always contained.
bool ContainsFolded(std::string_view text, std::string_view part);

// Order of paths in the file list: ascending without regard to case; names that differ only
// in case are told apart by their bytes so that neither is dropped.
bool FileNameLess(std::string_view a, std::string_view b);

// A file-name mask such as "*.txt" or "data??.*", ready to match names. "*" matches any run
// of characters (also none), "?" exactly one character, letters match without regard to case.
// As on the desktop the program comes from, a mask ending in ".*" also matches names without
// any extension ("*.*" matches every name) and a mask ending in a single "." matches only names
// without a dot. An empty mask matches nothing.
class FileMask {
public:
    explicit FileMask(std::string_view mask);
    bool Matches(std::string_view name) const;
    // For a name already turned into FoldedCodePoints (once for all masks of a walk).
    bool MatchesFolded(std::u32string_view folded) const;
    // "*" or "*.*": every non-empty name.
    bool MatchesEverything() const { return matchesEverything_; }

private:
    bool matchesEverything_ = false;
    std::u32string pattern_;
    bool emptyExtensionToo_ = false;  // "name.*" also matches "name"
    bool noDotOnly_ = false;          // "name." matches "name" only
};

// Decodes the folded form of a name into code points; invalid bytes get values no valid
// character has. Exposed for the matcher and its tests.
std::u32string FoldedCodePoints(std::string_view utf8);
// The same into a buffer the caller reuses.
void FoldedCodePoints(std::string_view utf8, std::u32string& points);

}  // namespace qx
