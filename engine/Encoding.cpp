// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Encoding.h"

#include "engine/CodePage.h"

namespace qx {
namespace {

bool IsLeadingWhiteSpace(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

}  // namespace

Utf8Answer IsUtf8Text(std::string_view text, bool utf8Option) {
    Utf8Answer answer{utf8Option, false};
    if (text.starts_with(kUtf8Bom)) answer = {true, true};
    if (answer.utf8 || text.empty()) return answer;

    // The skip stops on the last character, so a text of white space alone is looked at from
    // its last character and cannot read beyond its end.
    std::size_t pos = 0;
    while (pos + 1 < text.size() && IsLeadingWhiteSpace(text[pos])) ++pos;

    if (!EqualsIgnoreCase(text.substr(pos, 5), "<?xml")) return answer;
    const std::size_t close = text.find('>');
    if (close == std::string_view::npos) return answer;
    // Anywhere in the declaration, as in encoding="UTF-8"; "utf8" without the hyphen is not it.
    answer.utf8 = FindIgnoreCase(text.substr(0, close + 1), "utf-8") != std::string_view::npos;
    return answer;
}

std::optional<std::string> DecodeToWorking(std::string_view bytes, const Utf8Answer& answer,
                                           bool* lossless) {
    if (!answer.utf8) {
        if (lossless) *lossless = true;
        return std::string(bytes);
    }
    if (answer.hasBom && bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
    return Utf8ToCp1251(bytes, lossless);
}

std::string EncodeFromWorking(std::string_view text, const Utf8Answer& answer) {
    if (!answer.utf8) return std::string(text);
    std::string out;
    if (answer.hasBom) out = kUtf8Bom;
    out += Cp1251ToUtf8(text);
    return out;
}

}  // namespace qx
