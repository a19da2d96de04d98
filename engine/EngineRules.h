// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// EngineRules: the TextRules of the program, the RuleEngine with the plain-rule flags of the
// correction at hand.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/RuleEngine.h"
#include "engine/TextRoutines.h"
#include "engine/TextRules.h"

namespace qx {

class EngineRules final : public TextRules {
public:
    EngineRules(RuleEngine& engine, ReplaceFlags flags) : engine_(engine), flags_(flags) {}
    bool Apply(std::string_view text, std::string& corrected) override;
    std::size_t ActiveRuleCount() const override;
    void SetCurrentFileName(std::string name) override;
    std::unique_ptr<TextScan> StartScan() override;

private:
    RuleEngine& engine_;
    ReplaceFlags flags_;
    std::string scratch_;  // the passes' second buffer, kept from text to text
};

}  // namespace qx
