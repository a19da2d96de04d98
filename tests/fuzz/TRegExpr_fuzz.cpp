// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the regular-expression engine: any expression either compiles or fails with the
// dialect's compile error, and matching it over any subject ends (a match or a clean error).
// Input: one byte of modifier choices, the expression, a zero byte, the subject.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/TRegExpr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t split = input.find('\0');
    const std::string_view expression = input.substr(0, split);
    const std::string_view subject =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    static const char* const kModifiers[] = {"", "i", "m", "-s", "-g", "x", "-r", "im-sg"};
    qx::TRegExpr re;
    re.SetModifierStr(kModifiers[data[0] % 8]);
    re.SetExpression(expression);
    try {
        re.Compile();
    } catch (const qx::ERegExpr& e) {
        // A failure of our own translation would be a bug, not the user's error.
        if (std::string_view(e.what()).find("Internal") != std::string_view::npos) std::abort();
        return 0;
    }
    try {
        if (re.Exec(subject)) {
            std::string out;
            do {
                if (re.MatchPos(0) < 0 ||
                    static_cast<std::size_t>(re.MatchPos(0) + re.MatchLen(0)) > subject.size()) {
                    std::abort();
                }
                re.AppendSubstitute("$0${1}$&\\$14", out);
            } while (re.ExecNext());
        }
    } catch (const qx::ERegExpr&) {
    }
    return 0;
}
