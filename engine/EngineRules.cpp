// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EngineRules.h"

#include <utility>

namespace qx {

bool EngineRules::Apply(std::string_view text, std::string& corrected) {
    return engine_.ApplyRules(text, flags_, corrected, scratch_);
}

std::size_t EngineRules::ActiveRuleCount() const { return engine_.ActiveRuleCount(); }

std::unique_ptr<TextScan> EngineRules::StartScan() { return engine_.StartScan(flags_); }

void EngineRules::SetCurrentFileName(std::string name) {
    engine_.SetCurrentFileName(std::move(name));
}

}  // namespace qx
