// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ListTest.h"

#include <exception>

#include "engine/EngineSinks.h"
#include "engine/RuleEngine.h"
#include "engine/TReplace.h"

namespace qx {
namespace {

// The records a correction would make go nowhere: the tally counts them. Log lines are kept.
class TestSinks final : public EngineSinks {
public:
    explicit TestSinks(std::vector<std::string>& log) : log_(log) {}
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {}
    void StepProgress() override {}
    void AppendLog(std::string_view line) override { log_.emplace_back(line); }

private:
    std::vector<std::string>& log_;
};

struct Cancelled {};

// Keeps the steps and passes everything on to the tally.
class StepRecorder final : public RuleObserver {
public:
    StepRecorder(ListTestResult& result, const std::atomic<bool>* cancel, std::size_t keptBytes)
        : result_(result), cancel_(cancel), budget_(keptBytes) {}

    void RuleStarting(std::size_t row, std::string_view text) override {
        if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) throw Cancelled{};
        current_ = row;
        result_.tally.RuleStarting(row, text);
        if (!last_ || *last_ != text) last_ = Keep(text);
        before_ = last_;
    }
    void Replaced(std::string_view found, std::string_view inserted) override {
        result_.tally.Replaced(found, inserted);
    }
    void RuleApplied(std::size_t row, std::string_view text, std::size_t replacements) override {
        result_.tally.RuleApplied(row, text, replacements);
        if (!before_ || *before_ != text) last_ = Keep(text);
        result_.steps.push_back({row, replacements, before_, last_});
    }
    std::size_t Current() const { return current_; }

private:
    std::shared_ptr<const std::string> Keep(std::string_view text) {
        if (text.size() > budget_) {
            budget_ = 0;
            return nullptr;
        }
        budget_ -= text.size();
        return std::make_shared<const std::string>(text);
    }

    ListTestResult& result_;
    const std::atomic<bool>* cancel_;
    std::size_t budget_;
    std::size_t current_ = 0;
    std::shared_ptr<const std::string> last_;
    std::shared_ptr<const std::string> before_;
};

}  // namespace

RuleSnapshot::RuleSnapshot(const ActiveRules& rows) {
    rules_.reserve(rows.RowCount());
    for (std::size_t row = 0; row < rows.RowCount(); ++row) {
        const TReplace* rule = rows.ActiveRule(row);
        rules_.push_back(rule ? std::shared_ptr<const TReplace>(rule->Clone()) : nullptr);
    }
}

const TReplace* RuleSnapshot::ActiveRule(std::size_t row) const {
    return row < rules_.size() ? rules_[row].get() : nullptr;
}

ListTestResult RunListTest(const ActiveRules& rows, ReplaceFlags flags, std::string_view sample,
                           const std::atomic<bool>* cancel, std::size_t keptBytes) {
    ListTestResult result;
    TestSinks sinks(result.log);
    StepRecorder recorder(result, cancel, keptBytes);
    RuleEngine engine(rows, sinks);
    engine.SetObserver(&recorder);
    try {
        // As a correction over files does: no rule runs while one of them cannot.
        engine.Prepare();
        result.text = engine.ApplyRules(sample, flags);
    } catch (const Cancelled&) {
        result.cancelled = true;
        result.text.assign(sample);
    } catch (const ERuleRegExpr& error) {
        result.failed = true;
        result.failedRow = error.Row();
        result.failedRowKnown = true;
        result.error = error.what();
        result.text.assign(sample);
    } catch (const std::exception& error) {
        // The rule that was running raised it (an xPath the XML service rejects, a text grown
        // too large).
        result.failed = true;
        result.failedRow = recorder.Current();
        result.failedRowKnown = !result.tally.Rows().empty();
        result.error = error.what();
        result.text.assign(sample);
    }
    return result;
}

}  // namespace qx
