// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rules as file and clipboard correction use them: EngineRules binds the program's
// RuleEngine with the caller's plain-rule flags; tests give their own.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "engine/TextScan.h"

namespace qx {

class TextRules {
public:
    virtual ~TextRules() = default;
    // Applies the active rules to a text in the working code page. False when no rule replaced
    // anything (the text is as it was; `corrected` holds nothing of it), true with the result in
    // `corrected`, whose memory is reused from text to text. Errors propagate.
    virtual bool Apply(std::string_view text, std::string& corrected) = 0;
    // Number of active rules (the progress maximum).
    virtual std::size_t ActiveRuleCount() const = 0;
    // The file name the replacement records carry.
    virtual void SetCurrentFileName(std::string name) = 0;
    // A scan of a text that comes in pieces for whether Apply would replace anything in it; null
    // when the rules cannot tell from pieces. Valid until the rules change.
    virtual std::unique_ptr<TextScan> StartScan() { return nullptr; }
};

}  // namespace qx
