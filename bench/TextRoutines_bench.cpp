// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the routines that run on whole file contents.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "engine/TReplaceConditions.h"
#include "engine/TextRoutines.h"

namespace {

// Russian-looking windows-1251 prose with Latin words and CR LF line breaks, `size` bytes.
std::string SampleText(std::size_t size) {
    const std::string words[] = {"\xEF\xF0\xE8\xEC\xE5\xF0",
                                 "\xD2\xE5\xEA\xF1\xF2",
                                 "text",
                                 "Replace",
                                 "\xE8",
                                 "\xE4\xEB\xFF",
                                 "qx",
                                 "\xC0\xC1\xC2"};
    std::mt19937 random(42);
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size) {
        text += words[random() % std::size(words)];
        text += random() % 12 == 0 ? "\r\n" : " ";
    }
    text.resize(size);
    return text;
}

void Replace(benchmark::State& state, std::string pattern, std::string replacement,
             qx::ReplaceFlags flags) {
    const std::string text = SampleText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(qx::ReplaceText(text, pattern, replacement, flags));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

constexpr int64_t kFile = 8 << 20;

BENCHMARK_CAPTURE(Replace, word_grows, "text", "texts", qx::kReplaceAll)->Arg(kFile);
BENCHMARK_CAPTURE(Replace, word_same_length, "text", "TEXT", qx::kReplaceAll)->Arg(kFile);
BENCHMARK_CAPTURE(Replace, line_breaks, "\r\n", "\n", qx::kReplaceAll)->Arg(kFile);
BENCHMARK_CAPTURE(Replace, one_char_everywhere, " ", "  ", qx::kReplaceAll)->Arg(kFile);
BENCHMARK_CAPTURE(Replace, no_match, "absent word", "x", qx::kReplaceAll)->Arg(kFile);
BENCHMARK_CAPTURE(Replace, ignore_case_latin, "TEXT", "word", qx::kReplaceAll | qx::kIgnoreCase)
    ->Arg(kFile);
BENCHMARK_CAPTURE(Replace, ignore_case_cyrillic, "\xF2\xE5\xEA\xF1\xF2", "\xF1\xEB\xEE\xE2\xEE",
                  qx::kReplaceAll | qx::kIgnoreCase)
    ->Arg(kFile);
BENCHMARK_CAPTURE(Replace, ignore_case_one_letter, "\xC8", "\xE8",
                  qx::kReplaceAll | qx::kIgnoreCase)
    ->Arg(kFile);
BENCHMARK_CAPTURE(Replace, ignore_case_no_letters, "\r\n", " ", qx::kReplaceAll | qx::kIgnoreCase)
    ->Arg(kFile);

void JoinLines(benchmark::State& state) {
    const std::vector<std::string> lines(static_cast<std::size_t>(state.range(0)),
                                         "a line of a list file");
    for (auto _ : state) benchmark::DoNotOptimize(qx::JoinStrings(lines, "\r\n"));
}
BENCHMARK(JoinLines)->Arg(100000);

void Conditions(benchmark::State& state) {
    const std::string text = SampleText(static_cast<std::size_t>(state.range(0)));
    qx::TReplaceConditions conditions;
    conditions.ReplaceGroup = conditions.ReplaceIfContains = true;
    conditions.ReplaceIfContainsText = "absent FRAGMENT";
    for (auto _ : state) benchmark::DoNotOptimize(qx::CheckConditions(conditions, text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(Conditions)->Arg(kFile);

}  // namespace
