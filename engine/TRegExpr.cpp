// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TRegExpr.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/Pcre2Handles.h"
#include "engine/RegexSyntax.h"
#include "engine/RegexTables.h"
#include "engine/RegexTemplate.h"

namespace qx {
namespace {

// Run-away protection. The interpreter of PCRE2 counts backtracking steps per start position; a
// realistic rule needs a few steps per byte it passes over (".*x" over a whole text backtracks
// through all of it), so the limit grows with the subject: ten million, plus 64 per byte, at most
// 2^32 - 1. The JIT counts the steps of a whole search over all start positions instead, so when
// it hits the limit the search is repeated by the interpreter, and only its verdict counts.
constexpr std::uint64_t kMatchLimitBase = 10'000'000;
constexpr std::uint64_t kMatchLimitPerByte = 64;
// Memory for the interpreter's backtracking frames (KiB) and for the JIT's stack (bytes).
constexpr std::uint32_t kHeapLimitKiB = 1024 * 1024;
constexpr std::size_t kJitStackStart = 64 * 1024;
constexpr std::size_t kJitStackMax = 256 * 1024 * 1024;

[[noreturn]] void FailExec(const std::string& text) { throw ERegExpr("TRegExpr(exec): " + text); }

// One JIT stack per thread, shared by every expression matched on it: its memory is reserved
// at its full size, so one per expression would reserve that again for every rule.
pcre2_jit_stack* ThreadJitStack() {
    thread_local const pcre2::JitStack stack(
        pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    return stack.get();
}

}  // namespace

struct TRegExpr::Impl {
    std::string expression;
    RegexModifiers modifiers;
    bool compiled = false;    // `code` belongs to `expression` and `modifiers`
    bool jit = false;         // `code` has JIT code
    bool jitPartial = false;  // ... also for partial matches (tried at the first MatchInPiece)
    bool partialTried = false;
    int loopDepth = 0;

    pcre2::CompileContext compileContext;
    pcre2::MatchContext matchContext;
    pcre2::Code code;
    pcre2::MatchData matchData;

    std::string_view input;
    bool executed = false;  // Exec was called since the last compilation
    bool found = false;     // the last Exec/ExecNext found a match
    int count = -1;         // SubExprMatchCount

    Impl() {
        compileContext.reset(pcre2_compile_context_create(nullptr));
        matchContext.reset(pcre2_match_context_create(nullptr));
        if (!compileContext || !matchContext) throw std::bad_alloc();
        pcre2_set_character_tables(compileContext.get(), Cp1251PcreTables());
        pcre2_set_heap_limit(matchContext.get(), kHeapLimitKiB);
    }

    void Invalidate() {
        compiled = false;
        ForgetMatch();
    }

    void ForgetMatch() {
        executed = false;
        found = false;
        count = -1;
    }

    pcre2::Code CompilePattern(const std::string& pattern, int& error) const {
        PCRE2_SIZE errorOffset = 0;
        return pcre2::Code(pcre2_compile(
            reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
            PCRE2_DOTALL | PCRE2_NEVER_UTF | PCRE2_NEVER_UCP | PCRE2_NEVER_BACKSLASH_C, &error,
            &errorOffset, compileContext.get()));
    }

    void Compile() {
        if (compiled) return;
        code.reset();
        matchData.reset();
        if (expression.empty()) FailExec("Not Assigned Expression Property");
        RegexTranslation translation = TranslateRegex(expression, modifiers);
        loopDepth = translation.loopDepth;
        int error = 0;
        code = CompilePattern(translation.pattern, error);
        if (!code && translation.largeCounts) {
            // Counts above 65535 are built from several repeats, which can outgrow PCRE2's
            // pattern size; rather than refuse the expression, cap them.
            translation = TranslateRegex(expression, modifiers, true);
            code = CompilePattern(translation.pattern, error);
        }
        if (!code) {
            // The translation is valid PCRE2 by construction; what PCRE2 can still refuse is
            // size (large counts over groups are written out in full).
            if (error == PCRE2_ERROR_PATTERN_TOO_LARGE || error == PCRE2_ERROR_HEAP_FAILED ||
                error == PCRE2_ERROR_PATTERN_TOO_COMPLICATED) {
                throw ERegExpr("TRegExpr(comp): Regexp Too Big (pos 0)");
            }
            throw ERegExpr("TRegExpr(comp): Internal Urp (pos 0): " + pcre2::ErrorMessage(error));
        }
        jit = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;
        jitPartial = false;
        partialTried = false;
        matchData.reset(pcre2_match_data_create_from_pattern(code.get(), nullptr));
        if (!matchData) throw std::bad_alloc();
        compiled = true;
    }

    bool Search(std::size_t offset) {
        found = false;
        count = -1;
        if (offset > input.size()) return false;
        const auto subject = reinterpret_cast<PCRE2_SPTR>(input.data());
        // The stack of the thread that matches (without one PCRE2 uses its small own).
        if (jit) pcre2_jit_stack_assign(matchContext.get(), nullptr, ThreadJitStack());
        int rc = pcre2_match(code.get(), subject, input.size(), offset, 0, matchData.get(),
                             matchContext.get());
        if (jit && (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT)) {
            rc = pcre2_match(code.get(), subject, input.size(), offset, PCRE2_NO_JIT,
                             matchData.get(), matchContext.get());
        }
        if (rc == PCRE2_ERROR_NOMATCH) return false;
        if (rc < 0) {
            switch (rc) {
                case PCRE2_ERROR_MATCHLIMIT:
                case PCRE2_ERROR_DEPTHLIMIT:
                case PCRE2_ERROR_HEAPLIMIT:
                case PCRE2_ERROR_JIT_STACKLIMIT:
                case PCRE2_ERROR_NOMEMORY:
                    FailExec("Match Limit Exceeded");
                default:
                    FailExec(pcre2::ErrorMessage(rc));
            }
        }
        found = true;
        // rc - 1 is the highest group that took part; PCRE2 returns 0 only when the vector is
        // too small, which match data made from the pattern never is.
        count = rc > 0 ? rc - 1 : 0;
        return true;
    }

    const PCRE2_SIZE* Vector() const { return pcre2_get_ovector_pointer(matchData.get()); }

    bool GroupSet(int index) const {
        if (!found || index < 0 || index > kMaxGroups || index > count) return false;
        return Vector()[2 * index] != PCRE2_UNSET;
    }

    RegexGroups Groups() const {
        RegexGroups groups;
        for (int i = 0; i <= std::min(count, kMaxGroups); ++i) {
            if (GroupSet(i)) {
                const PCRE2_SIZE* v = Vector();
                groups[static_cast<std::size_t>(i)] =
                    input.substr(v[2 * i], v[2 * i + 1] - v[2 * i]);
            }
        }
        return groups;
    }
};

TRegExpr::TRegExpr() : impl_(std::make_unique<Impl>()) {}
TRegExpr::~TRegExpr() = default;

void TRegExpr::SetExpression(std::string_view expression) {
    if (impl_->compiled && expression == impl_->expression) return;
    impl_->expression.assign(expression);
    impl_->Invalidate();
}

const std::string& TRegExpr::Expression() const { return impl_->expression; }

void TRegExpr::SetModifierStr(std::string_view modifiers) {
    RegexModifiers changed = impl_->modifiers;
    if (!ApplyModifierLetters(modifiers, changed)) throw ERegExpr("Unknown error");
    if (changed == impl_->modifiers) return;
    impl_->modifiers = changed;
    impl_->Invalidate();
}

void TRegExpr::SetModifierI(bool on) {
    if (impl_->modifiers.i == on) return;
    impl_->modifiers.i = on;
    impl_->Invalidate();
}

bool TRegExpr::ModifierI() const { return impl_->modifiers.i; }

void TRegExpr::SetModifierM(bool on) {
    if (impl_->modifiers.m == on) return;
    impl_->modifiers.m = on;
    impl_->Invalidate();
}

bool TRegExpr::ModifierM() const { return impl_->modifiers.m; }

void TRegExpr::Compile() { impl_->Compile(); }

bool TRegExpr::CanMatchEmpty() {
    impl_->Compile();
    // PCRE2's lower bound on the length of any match: zero exactly when an empty match is
    // possible, as far as PCRE2 can tell (a back reference counts as possibly empty).
    std::uint32_t minLength = 0;
    if (pcre2_pattern_info(impl_->code.get(), PCRE2_INFO_MINLENGTH, &minLength) != 0) return true;
    return minLength == 0;
}

void TRegExpr::PrepareMatch(std::size_t subjectSize) {
    impl_->Compile();
    if (impl_->loopDepth > kMaxLoopDepth) FailExec("Loop Stack Exceeded");
    const std::uint64_t limit =
        std::min<std::uint64_t>(std::numeric_limits<std::uint32_t>::max(),
                                kMatchLimitBase + kMatchLimitPerByte * subjectSize);
    pcre2_set_match_limit(impl_->matchContext.get(), static_cast<std::uint32_t>(limit));
    pcre2_set_depth_limit(impl_->matchContext.get(), static_cast<std::uint32_t>(limit));
}

bool TRegExpr::Exec(std::string_view input) {
    PrepareMatch(input.size());
    impl_->input = input;
    impl_->executed = true;
    return impl_->Search(0);
}

TRegExpr::PieceMatch TRegExpr::MatchInPiece(std::string_view window, std::size_t from, bool atStart,
                                            bool atEnd) {
    using Kind = PieceMatch::Kind;
    PrepareMatch(window.size());
    Impl& impl = *impl_;
    impl.ForgetMatch();  // the match data is about to hold another subject's
    if (!atEnd && impl.jit && !impl.partialTried) {
        impl.partialTried = true;
        impl.jitPartial = pcre2_jit_compile(impl.code.get(), PCRE2_JIT_PARTIAL_HARD) == 0;
    }
    // A window that stops before the text's end must not take its end for the text's: the hard
    // partial mode reports a match that reaches it (or a $, \b or \z there) as partial.
    std::uint32_t options = (atStart ? 0 : PCRE2_NOTBOL) | (atEnd ? 0 : PCRE2_PARTIAL_HARD);
    const bool jit = atEnd ? impl.jit : impl.jitPartial;
    if (!jit) options |= PCRE2_NO_JIT;
    if (jit) pcre2_jit_stack_assign(impl.matchContext.get(), nullptr, ThreadJitStack());
    const int rc =
        pcre2_match(impl.code.get(), reinterpret_cast<PCRE2_SPTR>(window.data()), window.size(),
                    from, options, impl.matchData.get(), impl.matchContext.get());
    if (rc == PCRE2_ERROR_NOMATCH) return {Kind::kNone, 0};
    if (rc == PCRE2_ERROR_PARTIAL) return {Kind::kPartial, impl.Vector()[0]};
    // A match, or an error, which the search of the whole text will meet and report.
    return {Kind::kFound, 0};
}

std::size_t TRegExpr::MaxLookbehind() {
    impl_->Compile();
    std::uint32_t length = 0;
    pcre2_pattern_info(impl_->code.get(), PCRE2_INFO_MAXLOOKBEHIND, &length);
    return length;
}

bool TRegExpr::ExecNext() {
    if (!impl_->executed) FailExec("ExecNext Without Exec[Pos]");
    if (!impl_->found) return false;
    const PCRE2_SIZE* v = impl_->Vector();
    const std::size_t start = v[0];
    const std::size_t end = v[1];
    // After an empty match the search moves on by one byte, without trying a longer match at
    // the same place.
    return impl_->Search(end == start ? end + 1 : end);
}

int TRegExpr::SubExprMatchCount() const { return impl_->found ? impl_->count : -1; }

std::ptrdiff_t TRegExpr::MatchPos(int index) const {
    if (!impl_->GroupSet(index)) return -1;
    return static_cast<std::ptrdiff_t>(impl_->Vector()[2 * index]);
}

std::ptrdiff_t TRegExpr::MatchLen(int index) const {
    if (!impl_->GroupSet(index)) return -1;
    const PCRE2_SIZE* v = impl_->Vector();
    return static_cast<std::ptrdiff_t>(v[2 * index + 1] - v[2 * index]);
}

std::string_view TRegExpr::Match(int index) const {
    if (!impl_->GroupSet(index)) return {};
    const PCRE2_SIZE* v = impl_->Vector();
    return impl_->input.substr(v[2 * index], v[2 * index + 1] - v[2 * index]);
}

std::string TRegExpr::Substitute(std::string_view templ) const {
    std::string out;
    AppendSubstitute(templ, out);
    return out;
}

void TRegExpr::AppendSubstitute(std::string_view templ, std::string& out) const {
    AppendSubstitution(templ, impl_->Groups(), out);
}

}  // namespace qx
