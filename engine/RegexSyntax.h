// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads an expression in the dialect of the rules (the TRegExpr library's Perl-style syntax) and
// writes the equivalent PCRE2 pattern. The dialect differs from PCRE2 in many small ways (line
// breaks CR/LF/CRLF for ^ and $, `\s` without VT, windows-1251 letter case, `а-я` covering `ё`,
// unknown escapes being literal letters, no `(?:`, at most 14 groups, ...), so nothing of the
// expression is handed to PCRE2 as written: every construct is parsed and re-emitted in a form
// whose meaning does not depend on PCRE2's options or tables, except `\b`/`\B` (the word
// characters of the tables) and back references under `i` (their case table).

#include <string>
#include <string_view>

namespace qx {

// The modifiers of the dialect; the defaults are those of a new engine object.
struct RegexModifiers {
    bool i = false;  // letter case ignored, windows-1251 pairs included
    bool m = false;  // ^ and $ also at line breaks (CR, LF, CR LF)
    bool s = true;   // . also matches CR and LF
    bool g = true;   // quantifiers greedy; off makes every quantifier lazy
    bool r = true;   // the ranges а-я and А-Я also cover ё and Ё
    bool x = false;  // blanks and # comments in the expression are ignored
    friend bool operator==(const RegexModifiers&, const RegexModifiers&) = default;
};

// Applies a modifier list such as "gsr-imx": a letter (either case) switches its modifier on,
// letters after "-" switch theirs off. Returns false at an unknown letter (modifiers before it
// are applied).
bool ApplyModifierLetters(std::string_view letters, RegexModifiers& modifiers);

struct RegexTranslation {
    std::string pattern;       // for PCRE2 8-bit, compiled with PCRE2_DOTALL and no other option
    int groupCount = 0;        // capturing groups, at most 14
    int loopDepth = 0;         // deepest nesting of counted ({n,m}) or lazy loops over groups
    bool largeCounts = false;  // a count above PCRE2's limit was built from several repeats
};

// Throws ERegExpr "TRegExpr(comp): <text> (pos N)" for an expression the dialect rejects, N being
// the 0-based byte offset where reading stopped. The expression must not be empty.
// `clampCounts` caps repeat counts at PCRE2's limit instead (for when the exact form would make
// a compiled pattern too large for PCRE2).
RegexTranslation TranslateRegex(std::string_view expression, const RegexModifiers& modifiers,
                                bool clampCounts = false);

// Nesting of counted or lazy loops over groups the engine supports; deeper nesting fails when
// matching starts.
inline constexpr int kMaxLoopDepth = 10;

}  // namespace qx
