// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the rule engine on a 100 MB text: a rule that finds nothing against memmem over
// the same text, regular expressions, and Repeat 0 rules that stop changing the text.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/ReplaceLoops.h"
#include "engine/RuleEngine.h"
#include "engine/TRegExpr.h"
#include "engine/TReplace.h"

namespace qx {
namespace {

constexpr std::size_t kTextSize = 100u << 20;

// Russian and English prose-like text in windows-1251, with line breaks.
const std::string& Text() {
    static const std::string text = [] {
        const std::vector<std::string> words = {"the",
                                                "of",
                                                "and",
                                                "replace",
                                                "rule",
                                                "text",
                                                "Window",
                                                "file",
                                                "list",
                                                "Quick",
                                                "12px",
                                                "2024",
                                                "\xE8",
                                                "\xE2",
                                                "\xED\xE5",
                                                "\xF2\xE5\xEA\xF1\xF2",
                                                "\xEF\xF0\xE0\xE2\xE8\xEB\xEE",  // текст правило
                                                "\xD4\xE0\xE9\xEB",
                                                "\xE7\xE0\xEC\xE5\xED\xE0",  // Файл замена
                                                "\xF1\xEF\xE8\xF1\xEE\xEA",
                                                "\xEE\xEA\xED\xEE,",  // список окно,
                                                "\xCC\xEE\xF1\xEA\xE2\xE0.",
                                                "\xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0"};
        std::mt19937 random(1);
        std::string t;
        t.reserve(kTextSize + 64);
        int column = 0;
        while (t.size() < kTextSize) {
            const std::string& w = words[random() % words.size()];
            t += w;
            column += static_cast<int>(w.size()) + 1;
            if (column > 70) {
                t += "\r\n";
                column = 0;
            } else {
                t += ' ';
            }
        }
        return t;
    }();
    return text;
}

class NullSinks : public EngineSinks {
public:
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {}
    void StepProgress() override {}
    void AppendLog(std::string_view) override {}
};

class OneRule : public ActiveRules {
public:
    explicit OneRule(TReplace rule) : rule_(std::move(rule)) {}
    std::size_t RowCount() const override { return 1; }
    const TReplace* ActiveRule(std::size_t) const override { return &rule_; }

private:
    TReplace rule_;
};

TReplace MakeRule(std::string find, std::string replace, std::string flags, std::int32_t repeat) {
    TReplace rule;
    rule.Find = std::move(find);
    rule.Replace = std::move(replace);
    rule.Flags = std::move(flags);
    rule.Repeat = repeat;
    rule.Checked = true;
    return rule;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(Text().size()));
}

const char kMissing[] = "synchrophasotron";

void BM_Memmem(benchmark::State& state, const char* find) {
    const std::string& text = Text();
    for (auto _ : state) {
        const void* hit = memmem(text.data(), text.size(), find, std::strlen(find));
        benchmark::DoNotOptimize(hit);
    }
    SetBytes(state);
}
BENCHMARK_CAPTURE(BM_Memmem, missing, kMissing)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Memmem, frequent_bytes, "the rule the texts")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Memmem, short_frequent, "eh")->Unit(benchmark::kMillisecond);

// The scan of one pass of a plain rule (no copy of the text).
void BM_PlainPassNoMatch(benchmark::State& state) {
    const ReplaceFlags flags = state.range(0) != 0 ? kReplaceAll | kIgnoreCase : kReplaceAll;
    std::string text = Text();
    std::string scratch;
    NullSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplaceCountedInPlace(text, kMissing, "x", flags, hooks, scratch));
    SetBytes(state);
}
BENCHMARK(BM_PlainPassNoMatch)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"ignoreCase"})
    ->Unit(benchmark::kMillisecond);

// Find texts under IgnoreCase: one whose letters all turn up often, one made of frequent bytes
// only (skipped along), a short one of frequent bytes (memchr stops every few bytes).
void BM_PlainPassIgnoreCase(benchmark::State& state, const char* find) {
    std::string text = Text();
    std::string scratch;
    NullSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ReplaceCountedInPlace(text, find, "x", kReplaceAll | kIgnoreCase, hooks, scratch));
    SetBytes(state);
}
BENCHMARK_CAPTURE(BM_PlainPassIgnoreCase, cyrillic, "\xF2\xE5\xEA\xF1\xF2\xFB")  // тексты
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainPassIgnoreCase, frequent_bytes, "the rule the texts")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainPassIgnoreCase, short_frequent, "eh")->Unit(benchmark::kMillisecond);

void BM_RegexPassNoMatch(benchmark::State& state) {
    std::string text = Text();
    std::string scratch;
    NullSinks sinks;
    const std::string file;
    RuleHooks hooks(sinks, file);
    TRegExpr engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ReplaceRegexInPlace(engine, text, "(\\d+)pt\\b", "$1", hooks, scratch));
    SetBytes(state);
}
BENCHMARK(BM_RegexPassNoMatch)->Unit(benchmark::kMillisecond);

// Whole ApplyRules calls, the copy of the text in and out included.
void BM_ApplyRules(benchmark::State& state, TReplace rule) {
    OneRule rows(std::move(rule));
    NullSinks sinks;
    RuleEngine engine(rows, sinks);
    for (auto _ : state) {
        std::string result = engine.ApplyRules(Text(), kReplaceAll | kIgnoreCase);
        benchmark::DoNotOptimize(result.data());
    }
    SetBytes(state);
}
BENCHMARK_CAPTURE(BM_ApplyRules, plain_no_match_repeat1, MakeRule(kMissing, "x", "", 1))
    ->Unit(benchmark::kMillisecond);
// While there is something to replace, on a text where nothing is: about one pass.
BENCHMARK_CAPTURE(BM_ApplyRules, plain_no_match_repeat0, MakeRule(kMissing, "x", "", 0))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ApplyRules, regex_no_match_repeat0, MakeRule("(\\d+)pt\\b", "$1", "r", 0))
    ->Unit(benchmark::kMillisecond);
// Replaces on the first pass, finds nothing on the second.
BENCHMARK_CAPTURE(BM_ApplyRules, regex_px_repeat0, MakeRule("(\\d+)px", "$1 pt", "r", 0))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ApplyRules, plain_line_breaks_repeat0, MakeRule("[nw]", "[nu]", "", 0))
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qx
