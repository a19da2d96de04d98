// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile bytes through the text routines and the encoding steps of a file correction: no
// crash, no read past the input, and the round trips that the program relies on hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/Encoding.h"
#include "engine/TReplaceConditions.h"
#include "engine/TextRoutines.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // A file: detected, decoded and written back unchanged when nothing was replaced.
    for (bool option : {false, true}) {
        const qx::Utf8Answer answer = qx::IsUtf8Text(input, option);
        Require(!answer.hasBom || answer.utf8);
        bool lossless = false;
        const auto text = qx::DecodeToWorking(input, answer, &lossless);
        if (text && lossless) Require(qx::EncodeFromWorking(*text, answer) == input);
    }

    // The first bytes as a pattern and a replacement, the rest as the text.
    const std::size_t cut = size < 4 ? size : 4;
    const std::string_view head = input.substr(0, cut);
    const std::string_view text = input.substr(cut);
    const std::string_view pattern = head.substr(0, head.size() / 2);
    const std::string_view replacement = head.substr(head.size() / 2);
    for (unsigned flags = 0; flags < 4; ++flags) {
        (void)qx::ReplaceText(text, pattern, replacement, static_cast<qx::ReplaceFlags>(flags));
    }

    Require(qx::XmlUnescape(qx::XmlEscapeChars(input, "<>&'\"")) == input);
    Require(qx::XmlUnescape(qx::XmlEscapeText(input)) == input);
    // Without a "[" in the text every token in the display form stands for a character.
    if (input.find('[') == std::string_view::npos) {
        Require(qx::DecodeTokens(qx::EncodeTokens(input), false) == input);
    }

    std::size_t newStart = 0;
    (void)qx::TextBetween(text, pattern, replacement, cut, newStart);

    qx::TReplaceConditions conditions;
    conditions.ReplaceGroup = conditions.ReplaceIfContains = true;
    conditions.DontReplaceGroup = conditions.DontReplaceIfAbsent = true;
    conditions.ReplaceIfContainsText = std::string(pattern);
    conditions.DontReplaceIfAbsentText = std::string(replacement);
    (void)qx::CheckConditions(conditions, text);
    return 0;
}
