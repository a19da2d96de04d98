// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of regular-expression rules over whole file contents: the replace-all loop of the
// rules (Exec, ExecNext, Substitute) over a windows-1251 text.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "engine/CodePage.h"
#include "engine/TRegExpr.h"

namespace {

// Russian prose with prices, numbers, quotes and CR LF line breaks (windows-1251), `size` bytes.
std::string SampleText(std::size_t size) {
    const std::string words[] = {qx::Utf8ToCp1251Lenient("привет"),
                                 qx::Utf8ToCp1251Lenient("Текст"),
                                 qx::Utf8ToCp1251Lenient("цена 100 руб."),
                                 "text",
                                 qx::Utf8ToCp1251Lenient("\"слово\""),
                                 "2024",
                                 qx::Utf8ToCp1251Lenient("и"),
                                 qx::Utf8ToCp1251Lenient("ёлка  ")};
    std::mt19937 random(42);
    std::string text;
    text.reserve(size + 32);
    while (text.size() < size) {
        text += words[random() % std::size(words)];
        text += random() % 12 == 0 ? "\r\n" : " ";
    }
    text.resize(size);
    return text;
}

std::size_t ReplaceAll(qx::TRegExpr& re, const std::string& text, const std::string& templ,
                       std::string& out) {
    out.clear();
    std::size_t copied = 0;
    std::size_t count = 0;
    if (re.Exec(text)) {
        do {
            const auto pos = static_cast<std::size_t>(re.MatchPos(0));
            out.append(text, copied, pos - copied);
            re.AppendSubstitute(templ, out);
            copied = pos + static_cast<std::size_t>(re.MatchLen(0));
            ++count;
        } while (re.ExecNext());
    }
    out.append(text, copied);
    return count;
}

void Rule(benchmark::State& state, const char* modifiers, const char* expressionUtf8,
          const char* templUtf8) {
    const std::string text = SampleText(static_cast<std::size_t>(state.range(0)));
    const std::string expression = qx::Utf8ToCp1251Lenient(expressionUtf8);
    const std::string templ = qx::Utf8ToCp1251Lenient(templUtf8);
    qx::TRegExpr re;
    if (*modifiers != '\0') re.SetModifierStr(modifiers);
    re.SetExpression(expression);
    std::string out;
    out.reserve(text.size() * 2);
    std::size_t matches = 0;
    for (auto _ : state) {
        matches = ReplaceAll(re, text, templ, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["matches"] = static_cast<double>(matches);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

void BM_Prices(benchmark::State& state) { Rule(state, "", "(\\d+)\\s*руб\\.?", "$1 руб."); }
void BM_CaselessWord(benchmark::State& state) { Rule(state, "i", "ёлка", "ель"); }
void BM_Quotes(benchmark::State& state) { Rule(state, "", "\"([^\"]*)\"", "«$1»"); }
void BM_TrailingBlanks(benchmark::State& state) { Rule(state, "m", "[ \\t]+$", ""); }
void BM_RussianRange(benchmark::State& state) { Rule(state, "", "[а-я]+", "<$0>"); }
void BM_NoMatch(benchmark::State& state) { Rule(state, "", "qwerty\\d", "x"); }

constexpr std::int64_t kSize = 16 << 20;
BENCHMARK(BM_Prices)->Arg(kSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaselessWord)->Arg(kSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quotes)->Arg(kSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrailingBlanks)->Arg(kSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RussianRange)->Arg(kSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoMatch)->Arg(kSize)->Unit(benchmark::kMillisecond);

// Setting an unchanged expression costs no compilation.
void BM_SetSameExpression(benchmark::State& state) {
    qx::TRegExpr re;
    re.SetExpression("(\\d+)\\s*x");
    re.Compile();
    for (auto _ : state) {
        re.SetExpression("(\\d+)\\s*x");
        re.Compile();
    }
}
BENCHMARK(BM_SetSameExpression);

void BM_Compile(benchmark::State& state) {
    qx::TRegExpr re;
    int n = 0;
    for (auto _ : state) {
        re.SetExpression((n++ % 2) ? "(\\d+)\\s*x" : "(\\d+)\\s*y");
        re.Compile();
    }
}
BENCHMARK(BM_Compile);

}  // namespace
