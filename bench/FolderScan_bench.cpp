// SPDX-License-Identifier: GPL-3.0-or-later
// The folder scan over a tree of 100,000 files, beside `find` doing the same walk. The tree is
// built once in the temporary folder (kept between runs, as building it takes longer than
// scanning it) and read from a warm cache by both.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "batch/FileList.h"
#include "batch/FolderScan.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTop = 10;
constexpr int kMiddle = 10;
constexpr int kLeaf = 10;
constexpr int kFilesPerLeaf = 100;  // 10 * 10 * 10 * 100 = 100,000 files

// Half the names end in .txt, in mixed letter case; the rest are .html and .dat.
std::string FileName(int i) {
    switch (i % 4) {
        case 0:
            return "note" + std::to_string(i) + ".txt";
        case 1:
            return "Report " + std::to_string(i) + ".TXT";
        case 2:
            return "page" + std::to_string(i) + ".html";
        default:
            return "data" + std::to_string(i) + ".dat";
    }
}

const fs::path& Tree() {
    static const fs::path root = [] {
        const fs::path base = fs::temp_directory_path() / "qx-scan-bench-100k";
        const fs::path path = base / "tree";
        if (fs::exists(base / "complete")) return path;
        fs::remove_all(base);
        for (int a = 0; a < kTop; ++a) {
            for (int b = 0; b < kMiddle; ++b) {
                for (int c = 0; c < kLeaf; ++c) {
                    const fs::path leaf = path / ("top" + std::to_string(a)) /
                                          ("Middle" + std::to_string(b)) /
                                          ("leaf" + std::to_string(c));
                    fs::create_directories(leaf);
                    for (int i = 0; i < kFilesPerLeaf; ++i) std::ofstream(leaf / FileName(i));
                }
            }
        }
        std::ofstream(base / "complete");
        return path;
    }();
    return root;
}

void ScanAll(benchmark::State& state, const char* masks) {
    const std::string folder = Tree().string();
    qx::TFiles files;
    std::vector<std::string> history;
    for (auto _ : state) {
        qx::ScanFolder(folder, masks, true, files, history);
        benchmark::DoNotOptimize(files.Count());
    }
    state.counters["files"] = files.Count();
}

void BM_ScanEveryFile(benchmark::State& state) { ScanAll(state, "*.*"); }
void BM_ScanTextFiles(benchmark::State& state) { ScanAll(state, "*.txt"); }
void BM_ScanTwoMasks(benchmark::State& state) { ScanAll(state, "*.txt;*.html"); }

double ChildCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Find(benchmark::State& state, const std::string& tests) {
    const std::string command = "find '" + Tree().string() + "' -type f " + tests + " >/dev/null";
    double childSeconds = 0;
    for (auto _ : state) {
        const double before = ChildCpuSeconds();
        if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
        childSeconds += ChildCpuSeconds() - before;
    }
    // The CPU column shows only this process; find's own time is this counter.
    state.counters["find_cpu_ms"] =
        benchmark::Counter(childSeconds * 1000, benchmark::Counter::kAvgIterations);
}

void BM_FindEveryFile(benchmark::State& state) { Find(state, ""); }
void BM_FindTextFiles(benchmark::State& state) { Find(state, "-iname '*.txt'"); }
void BM_FindTwoMasks(benchmark::State& state) {
    Find(state, "\\( -iname '*.txt' -o -iname '*.html' \\)");
}

BENCHMARK(BM_ScanEveryFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindEveryFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanTextFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindTextFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanTwoMasks)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindTwoMasks)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
