// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TRegExpr: the regular-expression engine of the rules. It reproduces the dialect of the
// TRegExpr library that stored rule lists were written for (Perl-style syntax, modifiers
// i m s g r x, windows-1251 letter case, groups 1 to 14, its substitution templates and its
// error texts) on top of PCRE2 (8-bit, JIT when available). Subjects are windows-1251 byte
// strings; a zero byte is an ordinary character.
//
//   TRegExpr re;                        // i off, r on, s on, g on, m off, x off
//   re.SetExpression("(\\d+)px");
//   if (re.Exec(text)) do {
//       out += re.Substitute("$1");
//   } while (re.ExecNext());
//
// Errors are thrown as ERegExpr with the library's texts: "TRegExpr(comp): ..." for an
// expression that does not compile, "TRegExpr(exec): ..." for matching errors (an empty
// expression, a match that runs away). A match attempt that backtracks more than ten million
// steps plus 64 per byte of the subject (at most 2^32 - 1) at one start position gives up with
// "TRegExpr(exec): Match Limit Exceeded". Counts over groups are written out in full for PCRE2;
// an expression whose compiled form outgrows PCRE2 ("(ab){20000}") fails with
// "TRegExpr(comp): Regexp Too Big (pos 0)".

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qx {

class ERegExpr : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TRegExpr {
public:
    static constexpr int kMaxGroups = 14;  // groups above this insert nothing

    TRegExpr();
    ~TRegExpr();
    TRegExpr(const TRegExpr&) = delete;
    TRegExpr& operator=(const TRegExpr&) = delete;

    // Compiled lazily, and again only when the expression or a modifier changed.
    void SetExpression(std::string_view expression);
    const std::string& Expression() const;

    // "i", "-m", "gsr-imx" ...: letters switch modifiers on, letters after "-" switch them off.
    // Throws ERegExpr for an unknown letter.
    void SetModifierStr(std::string_view modifiers);
    void SetModifierI(bool on);
    bool ModifierI() const;
    void SetModifierM(bool on);
    bool ModifierM() const;

    // Compiles the expression now if it changed (Exec does so by itself); throws ERegExpr for
    // an expression that does not compile.
    void Compile();

    // Whether the expression can match empty text (as "a*" or a word boundary can), so that a
    // replace-all inserts at positions where nothing was found. Compiles first; throws as Compile
    // does.
    bool CanMatchEmpty();

    // Searches `input` from its start. The input must outlive the matches read from it.
    bool Exec(std::string_view input);
    // Searches on from the end of the last match; after an empty match from one character
    // further on (no second try at the same place).
    bool ExecNext();

    // For a text searched a piece at a time (see TextScan): whether a match starts at or after
    // `from` in `window`, a stretch of the text that begins at the text's start when `atStart`
    // and ends at its end when `atEnd`. kPartial: a match may start at `start` and go on beyond
    // the window, so the next window must hold the text from there. The window must also hold
    // the MaxLookbehind() bytes before `from`. Throws as Exec does; the last match is forgotten.
    struct PieceMatch {
        enum class Kind { kFound, kNone, kPartial } kind = Kind::kNone;
        std::size_t start = 0;
    };
    PieceMatch MatchInPiece(std::string_view window, std::size_t from, bool atStart, bool atEnd);
    // The longest lookbehind of the expression (\b counts one), in bytes. Compiles first.
    std::size_t MaxLookbehind();

    // Highest group that took part in the last match (0 when none did); -1 when the last
    // Exec/ExecNext found nothing.
    int SubExprMatchCount() const;
    // 0-based position and length of the whole match (index 0) or of a group (1 to 14);
    // -1 for a group that took no part, or an index out of range.
    std::ptrdiff_t MatchPos(int index) const;
    std::ptrdiff_t MatchLen(int index) const;
    std::string_view Match(int index) const;

    // The template with $n, ${n}, $0, $& and backslash escapes filled from the last match.
    std::string Substitute(std::string_view templ) const;
    // The same, appended to `out` (no allocation once `out` has grown).
    void AppendSubstitute(std::string_view templ, std::string& out) const;

private:
    void PrepareMatch(std::size_t subjectSize);  // compiles; limits for a subject of that size

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qx
