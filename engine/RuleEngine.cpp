// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RuleEngine.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/ReplaceLoops.h"
#include "engine/TRegExpr.h"
#include "engine/TReplace.h"
#include "engine/XPathReplace.h"
#include "engine/XmlDocument.h"

namespace qx {

namespace {

constexpr std::int32_t kMaxPasses = 1000;

// 0 ("while there is something to replace") and anything above 1000 make 1000 passes; a
// negative count makes one.
std::int32_t PassCount(std::int32_t repeat) {
    if (repeat == 0 || repeat > kMaxPasses) return kMaxPasses;
    return std::max<std::int32_t>(repeat, 1);
}

bool IsRegexFlags(std::string_view flags) {
    return flags.find_first_of("rR") != std::string_view::npos;
}

}  // namespace

struct RuleEngine::Impl {
    const ActiveRules& rows;
    EngineSinks& sinks;
    std::string fileName;
};

RuleEngine::RuleEngine(const ActiveRules& rows, EngineSinks& sinks)
    : impl_(std::make_unique<Impl>(Impl{rows, sinks, {}})) {}

RuleEngine::~RuleEngine() = default;

void RuleEngine::SetCurrentFileName(std::string name) { impl_->fileName = std::move(name); }

const std::string& RuleEngine::CurrentFileName() const { return impl_->fileName; }

std::size_t RuleEngine::SizeLimit(std::size_t inputSize) {
    // Room for any ordinary growth (line breaks doubled, long replacements) without letting
    // a runaway rule take all the memory.
    constexpr std::size_t kFloor = std::size_t{512} << 20;
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    if (inputSize > kMax / 4) return kMax;
    return std::max(kFloor, inputSize * 4);
}

std::size_t RuleEngine::ActiveRuleCount() const {
    std::size_t count = 0;
    for (std::size_t row = 0; row < impl_->rows.RowCount(); ++row)
        if (impl_->rows.ActiveRule(row) != nullptr) ++count;
    return count;
}

std::string RuleEngine::ApplyRules(std::string_view text, ReplaceFlags flags) {
    if (text.empty()) return {};

    EngineSinks& sinks = impl_->sinks;
    TRegExpr engine;  // one per call: compiled expressions are not kept from text to text
    RuleHooks hooks(sinks, impl_->fileName);
    hooks.sizeLimit = SizeLimit(text.size());
    std::unique_ptr<XmlDocument> document;  // made at the first xPath rule, then reused
    // The caller's text is read until a rule changes it; only then is there a text of our own,
    // so that a large text is not held twice for rules that find nothing.
    std::string result;
    bool own = false;
    std::string scratch;  // work buffer shared by all passes

    const ActiveRules& rows = impl_->rows;
    for (std::size_t row = 0; row < rows.RowCount(); ++row) {
        hooks.ResetNumber();  // also for rows that are not applied
        const TReplace* rule = rows.ActiveRule(row);
        if (rule == nullptr) continue;

        const std::string find = DecodeTokens(rule->Find, true);
        const std::string replace = DecodeTokens(rule->Replace, true);
        const bool regex = IsRegexFlags(rule->Flags);
        std::int32_t passes = PassCount(rule->Repeat);

        // A pass that replaced nothing and left the text as it was would be followed by passes
        // that do exactly the same, so the remaining passes are skipped: same text, same
        // records, same numbering as making all of them.
        if (!rule->xPath.empty()) {
            if (!document) document = std::make_unique<XmlDocument>();
            XPathContext context{*document, engine, hooks, flags, sinks, scratch};
            // Entities are decoded once per rule, so every pass looks for the same text.
            const std::string xmlFind = XmlUnescape(find);
            const std::string xmlReplace = XmlUnescape(replace);
            for (; passes > 0; --passes) {
                const std::string_view current = own ? std::string_view(result) : text;
                const std::size_t recordsBefore = hooks.Records();
                XPathResult pass =
                    ApplyXPathRule(context, current, rule->xPath, xmlFind, xmlReplace, regex);
                const bool idle = hooks.Records() == recordsBefore && pass.text == current;
                result = std::move(pass.text);
                own = true;
                if (pass.parseFailed || idle) break;
            }
        } else {
            for (; passes > 0; --passes) {
                const std::string_view current = own ? std::string_view(result) : text;
                const bool replaced =
                    regex ? ReplaceRegexInto(engine, current, find, replace, hooks, scratch)
                          : ReplaceCountedInto(current, find, replace, flags, hooks, scratch);
                if (!replaced) break;
                result.swap(scratch);  // the scratch keeps the old text's memory, if any
                own = true;
            }
        }
        sinks.StepProgress();
    }
    if (!own) result.assign(text);
    return result;
}

}  // namespace qx
