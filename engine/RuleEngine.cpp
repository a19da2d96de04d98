// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RuleEngine.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/CodePage.h"
#include "engine/ReplaceLoops.h"
#include "engine/RuleObserver.h"
#include "engine/RuleScan.h"
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

// One active row made ready to run: its texts decoded, its expression compiled, its searcher
// built, once for every text and pass until the rules change. The rule's own fields are kept
// to see that change.
struct PreparedRow {
    std::size_t row = 0;
    std::string sourceFind, sourceReplace, sourceFlags, sourceXPath;
    std::int32_t repeat = 0;

    bool regex = false;
    PreparedFind find{{}};
    std::string replace;
    std::string xmlFind, xmlReplace;  // xPath rules: entities decoded
    std::unique_ptr<TRegExpr> expression;

    bool MadeFrom(std::size_t r, const TReplace& rule) const {
        return row == r && repeat == rule.Repeat && sourceFind == rule.Find &&
               sourceReplace == rule.Replace && sourceFlags == rule.Flags &&
               sourceXPath == rule.xPath;
    }
};

PreparedRow PrepareRow(std::size_t row, const TReplace& rule, bool compile) {
    PreparedRow p;
    p.row = row;
    p.sourceFind = rule.Find;
    p.sourceReplace = rule.Replace;
    p.sourceFlags = rule.Flags;
    p.sourceXPath = rule.xPath;
    p.repeat = rule.Repeat;
    p.regex = IsRegexFlags(rule.Flags);
    p.find = PreparedFind(DecodeTokens(rule.Find, true));
    p.replace = DecodeTokens(rule.Replace, true);
    if (!rule.xPath.empty()) {
        p.xmlFind = XmlUnescape(p.find.exact);
        p.xmlReplace = XmlUnescape(p.replace);
    }
    if (p.regex) {
        p.expression = std::make_unique<TRegExpr>();
        p.expression->SetExpression(rule.xPath.empty() ? p.find.exact : p.xmlFind);
        // One that does not compile stops here. An xPath rule with no find text sets the nodes'
        // text and never runs its expression.
        if (compile && !SetsNodeText(rule)) p.expression->Compile();
    }
    return p;
}

}  // namespace

std::string WorkingFind(const TReplace& rule) {
    std::string find = DecodeTokens(rule.Find, true);
    return rule.xPath.empty() ? find : XmlUnescape(find);
}

std::string WorkingReplace(const TReplace& rule) {
    std::string replace = DecodeTokens(rule.Replace, true);
    return rule.xPath.empty() ? replace : XmlUnescape(replace);
}

bool SetsNodeText(const TReplace& rule) { return !rule.xPath.empty() && rule.Find.empty(); }

struct RuleEngine::Impl {
    // Spelled out: clang 14, which builds the fuzzers, has no parenthesised aggregate init.
    Impl(const ActiveRules& activeRows, EngineSinks& engineSinks)
        : rows(activeRows), sinks(engineSinks) {}

    const ActiveRules& rows;
    EngineSinks& sinks;
    RuleObserver* observer = nullptr;
    std::string fileName;
    std::vector<PreparedRow> prepared;
    bool ready = false;
    TRegExpr spare;  // for xPath rules that run no expression of their own

    // `compile`: every expression now; otherwise each when its rule first runs, so that the
    // rules before a faulty one still run on the text at hand (and report what they did).
    void Prepare(bool compile) {
        ready = false;
        prepared.clear();
        for (std::size_t row = 0; row < rows.RowCount(); ++row)
            if (const TReplace* rule = rows.ActiveRule(row)) {
                try {
                    prepared.push_back(PrepareRow(row, *rule, compile));
                } catch (const ERegExpr& error) {
                    throw ERuleRegExpr(error, row, rule->Find);
                }
            }
        ready = true;
    }

    // True while the rows hold exactly the rules that were prepared.
    bool Current() const {
        if (!ready) return false;
        std::size_t k = 0;
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            const TReplace* rule = rows.ActiveRule(row);
            if (rule == nullptr) continue;
            if (k == prepared.size() || !prepared[k].MadeFrom(row, *rule)) return false;
            ++k;
        }
        return k == prepared.size();
    }
};

RuleEngine::RuleEngine(const ActiveRules& rows, EngineSinks& sinks)
    : impl_(std::make_unique<Impl>(rows, sinks)) {}

RuleEngine::~RuleEngine() = default;

void RuleEngine::SetCurrentFileName(std::string name) { impl_->fileName = std::move(name); }

const std::string& RuleEngine::CurrentFileName() const { return impl_->fileName; }

void RuleEngine::SetObserver(RuleObserver* observer) { impl_->observer = observer; }

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

void RuleEngine::Prepare() { impl_->Prepare(true); }

std::unique_ptr<TextScan> RuleEngine::StartScan(ReplaceFlags flags) {
    if (impl_->observer != nullptr) return nullptr;
    if (!impl_->Current()) impl_->Prepare(false);
    std::vector<RuleScan::Rule> rules;
    for (PreparedRow& row : impl_->prepared) {
        if (!row.sourceXPath.empty()) return nullptr;
        if (row.regex) {
            try {
                if (row.expression->MaxLookbehind() > RuleScan::kMaxLookbehind) return nullptr;
            } catch (const ERegExpr&) {
                return nullptr;  // ApplyRules reports it
            }
            rules.push_back({.find = {}, .folded = nullptr, .expression = row.expression.get()});
        } else if (!row.find.exact.empty() && row.find.exact != row.replace) {
            // (A plain rule that puts back what it finds never replaces anything.)
            rules.push_back({.find = row.find.exact,
                             .folded = (flags & kIgnoreCase) != 0 ? &row.find.Folded() : nullptr,
                             .expression = nullptr});
        }
    }
    return std::make_unique<RuleScan>(std::move(rules));
}

std::string RuleEngine::ApplyRules(std::string_view text, ReplaceFlags flags) {
    std::string result;
    std::string scratch;
    if (!ApplyRules(text, flags, result, scratch)) result.assign(text);
    return result;
}

bool RuleEngine::ApplyRules(std::string_view text, ReplaceFlags flags, std::string& result,
                            std::string& scratch) {
    if (text.empty()) return false;
    if (!impl_->Current()) impl_->Prepare(false);

    EngineSinks& sinks = impl_->sinks;
    RuleHooks hooks(sinks, impl_->fileName);
    RuleObserver* const observer = impl_->observer;
    hooks.SetObserver(observer);
    hooks.sizeLimit = SizeLimit(text.size());
    std::unique_ptr<XmlDocument> document;  // made at the first xPath rule, then reused
    // The caller's text is read until a rule changes it; only then is there a text of our own,
    // so that a large text is not held twice for rules that find nothing.
    bool own = false;

    const std::size_t rowCount = impl_->rows.RowCount();
    std::size_t next = 0;  // the next prepared rule
    for (std::size_t row = 0; row < rowCount; ++row) {
        hooks.ResetNumber();  // also for rows that are not applied
        if (next == impl_->prepared.size() || impl_->prepared[next].row != row) continue;
        PreparedRow& rule = impl_->prepared[next++];
        std::int32_t passes = PassCount(rule.repeat);
        const std::size_t recordsBefore = hooks.Records();
        if (observer != nullptr) observer->RuleStarting(row, own ? std::string_view(result) : text);
        try {
            // A pass that replaced nothing and left the text as it was would be followed by passes
            // that do exactly the same, so the remaining passes are skipped: same text, same
            // records, same numbering as making all of them.
            if (!rule.sourceXPath.empty()) {
                if (!document) document = std::make_unique<XmlDocument>();
                TRegExpr& engine = rule.expression ? *rule.expression : impl_->spare;
                XPathContext context{*document, engine, hooks, flags, sinks, scratch};
                for (; passes > 0; --passes) {
                    const std::string_view current = own ? std::string_view(result) : text;
                    const std::size_t passRecords = hooks.Records();
                    XPathResult pass = ApplyXPathRule(context, current, rule.sourceXPath,
                                                      rule.xmlFind, rule.xmlReplace, rule.regex);
                    const bool idle = hooks.Records() == passRecords && pass.text == current;
                    result = std::move(pass.text);
                    own = true;
                    if (pass.parseFailed || idle) break;
                }
            } else {
                for (; passes > 0; --passes) {
                    const std::string_view current = own ? std::string_view(result) : text;
                    const bool replaced =
                        rule.regex ? ReplaceRegexInto(*rule.expression, current, rule.find.exact,
                                                      rule.replace, hooks, scratch)
                                   : ReplaceCountedInto(current, rule.find, rule.replace, flags,
                                                        hooks, scratch);
                    if (!replaced) break;
                    result.swap(scratch);  // the scratch keeps the old text's memory, if any
                    own = true;
                }
            }
        } catch (const ERegExpr& error) {
            throw ERuleRegExpr(error, row, rule.sourceFind);
        }
        if (observer != nullptr)
            observer->RuleApplied(row, own ? std::string_view(result) : text,
                                  hooks.Records() - recordsBefore);
        sinks.StepProgress();
    }
    ReleaseIfLarge(scratch);
    return own;
}

}  // namespace qx
