// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test doubles for the rule engine's two interfaces: rows given as a list of rules, and sinks
// that keep everything they are told.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RuleEngine.h"
#include "engine/TReplace.h"

namespace qx::test {

struct Record {
    std::string found, inserted, fileName;
    bool operator==(const Record&) const = default;
};

class RecordingSinks : public EngineSinks {
public:
    void AddDoneReplace(std::string_view found, std::string_view inserted,
                        std::string_view fileName) override {
        records.push_back({std::string(found), std::string(inserted), std::string(fileName)});
    }
    void StepProgress() override { ++progress; }
    void AppendLog(std::string_view line) override { log.emplace_back(line); }

    std::vector<Record> records;
    int progress = 0;
    std::vector<std::string> log;
};

// Rows in order; a row is active when it was added checked.
class ListRows : public ActiveRules {
public:
    TReplace& Add(std::string find, std::string replace, std::string flags = "",
                  std::int32_t repeat = 1, std::string xPath = "", bool checked = true) {
        auto rule = std::make_unique<TReplace>();
        rule->Find = std::move(find);
        rule->Replace = std::move(replace);
        rule->Flags = std::move(flags);
        rule->Repeat = repeat;
        rule->xPath = std::move(xPath);
        rule->Checked = checked;
        rows_.push_back(std::move(rule));
        return *rows_.back();
    }
    std::size_t RowCount() const override { return rows_.size(); }
    // The row's mark decides, as in the window (the rule's own Checked is what the row shows).
    const TReplace* ActiveRule(std::size_t row) const override {
        return rows_[row]->Checked ? rows_[row].get() : nullptr;
    }

private:
    std::vector<std::unique_ptr<TReplace>> rows_;
};

}  // namespace qx::test
