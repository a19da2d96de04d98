// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile rules and texts through ApplyRules: plain, case-folded, regular-expression and xPath
// rules over any bytes. Errors of the expression engine and the XML service are expected; a
// crash, a read past the input or a wrong plain search is not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/CaseFoldSearcher.h"
#include "engine/CodePage.h"
#include "engine/ReplaceLoops.h"
#include "engine/RuleEngine.h"
#include "engine/TRegExpr.h"
#include "engine/TReplace.h"
#include "engine/XmlDocument.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

class Sinks : public qx::EngineSinks {
public:
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {}
    void StepProgress() override {}
    void AppendLog(std::string_view) override {}
};

class OneRow : public qx::ActiveRules {
public:
    explicit OneRow(const qx::TReplace& rule) : rule_(rule) {}
    std::size_t RowCount() const override { return 1; }
    const qx::TReplace* ActiveRule(std::size_t) const override { return &rule_; }

private:
    const qx::TReplace& rule_;
};

// The next field up to a 0x1F byte.
std::string_view Field(std::string_view& input) {
    const std::size_t end = input.find('\x1F');
    const std::string_view field = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned control = data[0];
    qx::TReplace rule;
    rule.Checked = true;
    rule.Find = std::string(Field(input));
    rule.Replace = std::string(Field(input).substr(0, 32));  // keeps growth small
    rule.xPath = (control & 1) != 0 ? std::string(Field(input)) : std::string();
    rule.Flags = (control & 2) != 0 ? "r" : "";
    rule.Repeat = static_cast<std::int32_t>((control >> 2) & 1) + 1;
    const qx::ReplaceFlags flags =
        (control & 8) != 0 ? qx::kReplaceAll | qx::kIgnoreCase : qx::ReplaceFlags(qx::kReplaceAll);
    const std::string_view text = input;

    // The case-folded search agrees with the plain definition.
    if (!rule.Find.empty()) {
        qx::CaseFoldSearcher searcher(rule.Find);
        Require(searcher.Find(text, 0) == qx::LowerCase(text).find(qx::LowerCase(rule.Find)));
    }

    Sinks sinks;
    OneRow rows(rule);
    qx::RuleEngine engine(rows, sinks);
    try {
        const std::string result = engine.ApplyRules(text, flags);
        // A plain whole-text rule whose find text is absent changes nothing.
        if (rule.xPath.empty() && rule.Flags.empty() && rule.Find.find('[') == std::string::npos &&
            qx::FindIgnoreCase(text, rule.Find, 0) == std::string_view::npos)
            Require(result == text);
    } catch (const qx::ERegExpr&) {
    } catch (const qx::XmlError&) {
    }
    return 0;
}
