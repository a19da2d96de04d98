// SPDX-License-Identifier: GPL-3.0-or-later
// Corrects one file with a single plain rule, as the correction run does, so that
// correct_large_file.sh can measure the peak memory of a large file's correction.
//
//     correct_large_file FILE [utf8]
//
// The rule replaces "мир" by "свет" without regard to case. Prints the outcome and the number
// of replacements.

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "engine/CodePage.h"
#include "engine/FileCorrection.h"
#include "engine/TReplace.h"

namespace {

class Rows final : public qx::ActiveRules {
public:
    explicit Rows(std::vector<const qx::TReplace*> rules) : rules_(std::move(rules)) {}
    std::size_t RowCount() const override { return rules_.size(); }
    const qx::TReplace* ActiveRule(std::size_t row) const override { return rules_[row]; }

private:
    std::vector<const qx::TReplace*> rules_;
};

// Counts the replacements instead of keeping records, so that only the correction is measured.
class CountingSinks final : public qx::EngineSinks {
public:
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {
        ++replacements;
    }
    void StepProgress() override {}
    void AppendLog(std::string_view) override {}
    std::size_t replacements = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [utf8]\n", argv[0]);
        return 2;
    }
    const bool utf8Option = argc == 3 && std::strcmp(argv[2], "utf8") == 0;

    qx::TReplace rule;
    rule.Checked = true;
    rule.Find = qx::Utf8ToCp1251Lenient("мир");
    rule.Replace = qx::Utf8ToCp1251Lenient("свет");
    Rows rows({&rule});
    CountingSinks sinks;
    qx::RuleEngine engine(rows, sinks);
    try {
        const qx::CorrectionResult result = qx::CorrectFile(
            argv[1], qx::kReplaceAll | qx::kIgnoreCase, nullptr, utf8Option, engine);
        std::printf("outcome %d, %zu replacements%s%s\n", static_cast<int>(result.outcome),
                    sinks.replacements, result.reason.empty() ? "" : ": ", result.reason.c_str());
        return result.Handled() ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
