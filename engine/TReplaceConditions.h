// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Replace conditions: whether a conditional correction may touch a text at all, depending on
// fragments the text must or must not contain. The conditions dialog edits one set for the
// life of the program; the list file stores it with the rules.

#include <string>
#include <string_view>

namespace qx {

struct TReplaceConditions {
    // "Заменять если:" (cbReplace): both of its conditions must hold.
    bool ReplaceGroup = false;
    bool ReplaceIfContains = false;
    bool ReplaceIfAbsent = false;
    // "НЕ заменять если:" (cbDontReplace): either of its conditions vetoes.
    bool DontReplaceGroup = false;
    bool DontReplaceIfContains = false;
    bool DontReplaceIfAbsent = false;

    // Each a single fragment taken literally (lines joined by CR LF, tokens not decoded).
    // An empty fragment makes its condition count as met.
    std::string ReplaceIfContainsText;
    std::string ReplaceIfAbsentText;
    std::string DontReplaceIfContainsText;
    std::string DontReplaceIfAbsentText;
};

// True when a correction of `text` (windows-1251, decoded) may proceed. Fragments are compared
// without regard to the letter case of the code page; an empty text never passes.
bool CheckConditions(const TReplaceConditions& conditions, std::string_view text);

}  // namespace qx
