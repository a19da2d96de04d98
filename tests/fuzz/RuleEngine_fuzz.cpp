// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile rule lists and texts through ApplyRules: plain, case-folded, regular-expression and
// xPath rules over any bytes. Errors of the expression engine and the XML service are expected;
// a crash, a read past the input, a wrong plain search or a text changed by rules that found
// nothing is not.
// Input: one control byte (flags, number of rules), then per rule one control byte and its
// find, replace and xPath texts each ended by a 0x1F byte; the rest is the text.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CaseFoldSearcher.h"
#include "engine/CodePage.h"
#include "engine/ReplaceLoops.h"
#include "engine/RuleEngine.h"
#include "engine/TRegExpr.h"
#include "engine/TReplace.h"
#include "engine/XmlDocument.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

class Sinks : public qx::EngineSinks {
public:
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {
        ++records;
    }
    void StepProgress() override {}
    void AppendLog(std::string_view) override {}
    std::size_t records = 0;
};

class Rows : public qx::ActiveRules {
public:
    explicit Rows(const std::vector<qx::TReplace>& rules) : rules_(rules) {}
    std::size_t RowCount() const override { return rules_.size(); }
    const qx::TReplace* ActiveRule(std::size_t row) const override {
        return rules_[row].Checked ? &rules_[row] : nullptr;
    }

private:
    const std::vector<qx::TReplace>& rules_;
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
    if (size < 2) return 0;
    const unsigned control = data[0];
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const qx::ReplaceFlags flags =
        (control & 8) != 0 ? qx::kReplaceAll | qx::kIgnoreCase : qx::ReplaceFlags(qx::kReplaceAll);
    const std::size_t ruleCount = 1 + (control >> 6);  // up to four

    std::vector<qx::TReplace> rules(ruleCount);
    for (qx::TReplace& rule : rules) {
        if (input.empty()) return 0;
        const unsigned bits = static_cast<unsigned char>(input.front());
        input.remove_prefix(1);
        rule.Checked = (bits & 16) == 0;
        rule.Find = std::string(Field(input));
        rule.Replace = std::string(Field(input).substr(0, 32));  // keeps growth small
        rule.xPath = (bits & 1) != 0 ? std::string(Field(input)) : std::string();
        rule.Flags.assign((bits & 2) != 0 ? 1 : 0, 'r');
        rule.Repeat = static_cast<std::int32_t>((bits >> 2) & 3);
        // 0 (until nothing changes) only where each pass shrinks the text, so that a run ends
        // quickly; growth has its own limit, tried elsewhere.
        if (rule.Repeat == 0 && (!rule.Flags.empty() || rule.Replace.size() >= rule.Find.size()))
            rule.Repeat = 1;
    }
    const std::string_view text = input;

    // Texts stay small enough to be fuzzed quickly. Each pass of a rule can make the text at
    // most 1 + |Replace| times longer (an expression that matches the empty text at every
    // position, or whose template repeats the match), so the replace texts are cut to keep
    // the product of all passes within a budget. Growth up to the engine's own limit takes
    // seconds, not an error, and is tried by the engine's tests.
    constexpr double kBudget = 1 << 18;
    double growth = static_cast<double>(text.size() + 1);
    for (qx::TReplace& rule : rules) {
        if (!rule.Checked || rule.Repeat == 0) continue;  // Repeat 0 only where it shrinks
        const int passes = std::max<int>(rule.Repeat, 1);
        while (!rule.Replace.empty() &&
               growth * std::pow(1.0 + static_cast<double>(rule.Replace.size()), passes) > kBudget)
            rule.Replace.pop_back();
        growth *= std::pow(1.0 + static_cast<double>(rule.Replace.size()), passes);
    }

    // The case-folded search agrees with the plain definition.
    for (const qx::TReplace& rule : rules) {
        if (rule.Find.empty()) continue;
        qx::CaseFoldSearcher searcher(rule.Find);
        Require(searcher.Find(text, 0) == qx::LowerCase(text).find(qx::LowerCase(rule.Find)));
    }

    // An xPath rule with an empty find text gives its nodes the replace text without finding
    // anything, so it makes no record.
    bool setsContent = false;
    for (const qx::TReplace& rule : rules)
        if (rule.Checked && !rule.xPath.empty() && rule.Find.empty()) setsContent = true;

    Sinks sinks;
    Rows rows(rules);
    qx::RuleEngine engine(rows, sinks);
    try {
        const std::string result = engine.ApplyRules(text, flags);
        // Rules that made no replacement leave the text byte for byte as it was, whatever else
        // they are (an xPath rule too: the document is not written anew).
        if (sinks.records == 0 && !setsContent) Require(result == text);
        // Applying the same rules again to the same text gives the same result.
        sinks.records = 0;
        Require(engine.ApplyRules(text, flags) == result);
    } catch (const qx::ERegExpr&) {
    } catch (const qx::XmlError&) {
    } catch (const qx::ETextTooLarge&) {
    }
    return 0;
}
