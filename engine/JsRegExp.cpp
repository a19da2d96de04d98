// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JsRegExp.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/Pcre2Handles.h"

namespace qx {
namespace {

// The same bounds as the rule engine's: per start position, ten million backtracking steps
// plus 64 per byte of the subject; frames of the interpreter and the JIT stack are capped too.
constexpr std::uint64_t kMatchLimitBase = 10'000'000;
constexpr std::uint64_t kMatchLimitPerByte = 64;
constexpr std::uint32_t kHeapLimitKiB = 256 * 1024;
constexpr std::size_t kJitStackStart = 64 * 1024;
constexpr std::size_t kJitStackMax = 64 * 1024 * 1024;

constexpr std::uint32_t kCompileOptions = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                                          PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY |
                                          PCRE2_NEVER_BACKSLASH_C;

}  // namespace

struct JsRegExp::Impl {
    std::string pattern;
    bool multiline = false;
    bool compiled = false;
    bool jit = false;
    int groups = 0;

    pcre2::CompileContext compileContext;
    pcre2::MatchContext matchContext;
    pcre2::JitStack jitStack;
    pcre2::Code code;
    pcre2::MatchData matchData;

    std::string_view subject;
    bool executed = false;
    bool found = false;

    Impl() {
        compileContext.reset(pcre2_compile_context_create(nullptr));
        matchContext.reset(pcre2_match_context_create(nullptr));
        if (!compileContext || !matchContext) throw std::bad_alloc();
        pcre2_set_compile_extra_options(compileContext.get(), PCRE2_EXTRA_ALT_BSUX);
        // Line terminators of JavaScript that a text of this program can hold.
        pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
        pcre2_set_heap_limit(matchContext.get(), kHeapLimitKiB);
    }

    void Invalidate() {
        compiled = false;
        executed = false;
        found = false;
    }

    void Compile() {
        if (compiled) return;
        code.reset();
        matchData.reset();
        int error = 0;
        PCRE2_SIZE errorOffset = 0;
        code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                 kCompileOptions | (multiline ? PCRE2_MULTILINE : 0u), &error,
                                 &errorOffset, compileContext.get()));
        if (!code)
            throw EJsRegExp(pcre2::ErrorMessage(error) + " (pos " + std::to_string(errorOffset) +
                            ")");
        std::uint32_t captures = 0;
        pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
        groups = static_cast<int>(captures);
        jit = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;
        if (jit && !jitStack) {
            jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
            if (jitStack) pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
        }
        matchData.reset(pcre2_match_data_create_from_pattern(code.get(), nullptr));
        if (!matchData) throw std::bad_alloc();
        compiled = true;
    }

    bool Search(std::size_t offset, std::uint32_t options) {
        found = false;
        if (offset > subject.size()) return false;
        const auto text = reinterpret_cast<PCRE2_SPTR>(subject.data());
        int rc = pcre2_match(code.get(), text, subject.size(), offset, options, matchData.get(),
                             matchContext.get());
        // The JIT counts its limit over the whole search; only the interpreter's verdict, which
        // counts per start position like the rule engine, ends a search as run away.
        if (jit && (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT)) {
            rc = pcre2_match(code.get(), text, subject.size(), offset, options | PCRE2_NO_JIT,
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
                    throw EJsRegExp("Match limit exceeded");
                default:
                    throw EJsRegExp(pcre2::ErrorMessage(rc));
            }
        }
        found = true;
        return true;
    }

    const PCRE2_SIZE* Vector() const { return pcre2_get_ovector_pointer(matchData.get()); }
};

JsRegExp::JsRegExp() : impl_(std::make_unique<Impl>()) {}
JsRegExp::~JsRegExp() = default;

void JsRegExp::SetPattern(std::string_view pattern) {
    if (impl_->compiled && pattern == impl_->pattern) return;
    impl_->pattern.assign(pattern);
    impl_->Invalidate();
}

void JsRegExp::SetMultiline(bool on) {
    if (impl_->multiline == on) return;
    impl_->multiline = on;
    impl_->Invalidate();
}

bool JsRegExp::Exec(std::string_view subject) {
    impl_->Compile();
    impl_->subject = subject;
    impl_->executed = true;
    const std::uint64_t limit =
        std::min<std::uint64_t>(std::numeric_limits<std::uint32_t>::max(),
                                kMatchLimitBase + kMatchLimitPerByte * subject.size());
    pcre2_set_match_limit(impl_->matchContext.get(), static_cast<std::uint32_t>(limit));
    pcre2_set_depth_limit(impl_->matchContext.get(), static_cast<std::uint32_t>(limit));
    // The subject is checked for UTF-8 once here, not again by every following search.
    return impl_->Search(0, 0);
}

bool JsRegExp::ExecNext() {
    if (!impl_->executed || !impl_->found) return false;
    const PCRE2_SIZE* v = impl_->Vector();
    std::size_t next = v[1];
    if (v[1] == v[0]) {
        // One character further: past the continuation bytes of a multi-byte character.
        ++next;
        while (next < impl_->subject.size() &&
               (static_cast<unsigned char>(impl_->subject[next]) & 0xC0) == 0x80)
            ++next;
    }
    return impl_->Search(next, PCRE2_NO_UTF_CHECK);
}

int JsRegExp::GroupCount() const { return impl_->compiled ? impl_->groups : 0; }

std::string_view JsRegExp::Match(int index) const {
    if (!impl_->found || index < 0 || index > impl_->groups) return {};
    const PCRE2_SIZE* v = impl_->Vector();
    const auto i = static_cast<std::size_t>(index);
    if (v[2 * i] == PCRE2_UNSET) return {};
    return impl_->subject.substr(v[2 * i], v[2 * i + 1] - v[2 * i]);
}

std::size_t JsRegExp::MatchPos() const { return impl_->found ? impl_->Vector()[0] : 0; }

}  // namespace qx
