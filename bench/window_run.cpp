// SPDX-License-Identifier: GPL-3.0-or-later
// Corrects the files of a file list the way the window's correction run does, without the
// window: one thread, one rule engine whose records of each file are held until the file is
// known to be rewritten and then kept in a TDoneReplaces, the names the records carry, and the
// same rules and letter case as batch mode, so that bench/batch_vs_sed.sh can time it against
// batch mode on the same trees. Prints the number of records kept.
//
// Usage: window_run <file list> <list file>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "batch/BatchPaths.h"
#include "batch/FileListCorrection.h"
#include "batch/TDoneReplaces.h"
#include "engine/CodePage.h"
#include "engine/EngineRules.h"
#include "engine/EngineSinks.h"
#include "engine/FileIo.h"
#include "engine/RuleEngine.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "platform/Messages.h"
#include "storage/ListFile.h"
#include "storage/ProgramFolder.h"

namespace {

using namespace qx;

class PrintedMessages final : public Messages {
public:
    void Show(std::string_view text, std::string_view, Icon) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool Ask(std::string_view, std::string_view) override { return true; }
};

// As the window's sinks do: a file's records wait until it is known to be rewritten.
class RecordingSinks final : public EngineSinks {
public:
    void AddDoneReplace(std::string_view found, std::string_view inserted,
                        std::string_view fileName) override {
        held_.push_back({std::string(found), std::string(inserted), std::string(fileName)});
    }
    void FileDone(bool rewritten) {
        if (rewritten)
            for (const Held& record : held_)
                records.AddDoneReplace(record.found, record.inserted, record.fileName);
        held_.clear();
    }
    void StepProgress() override { ++steps_; }
    void AppendLog(std::string_view) override {}

    TDoneReplaces records;

private:
    struct Held {
        std::string found;
        std::string inserted;
        std::string fileName;
    };
    std::vector<Held> held_;
    std::size_t steps_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <file list> <list file>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path fileListPath = argv[1];
    PrintedMessages messages;
    TReplaces rules;
    TRuleRows rows(&rules);
    TReplaceConditions conditions;
    TListFile listFile(rules, rows, conditions, messages);
    std::string fileList;
    if (!listFile.LoadList(argv[2], false) || ReadWholeFile(fileListPath, fileList) != 0) return 2;
    std::vector<std::filesystem::path> paths;
    for (const std::string& line : FileListLines(fileList))
        paths.push_back(ResolveListed(line, FolderWithSeparator(fileListPath)));

    const auto start = std::chrono::steady_clock::now();
    RecordingSinks sinks;
    RuleEngine engine(rows, sinks);
    try {
        engine.Prepare();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 4;
    }
    EngineRules engineRules(engine, kReplaceAll | kIgnoreCase);
    FileListCorrection correction(engineRules);
    // The file list shows names relative to its folder; the full path is as long or longer.
    correction.recordName = [](const std::filesystem::path& path) {
        return Utf8ToCp1251Lenient(path.native());
    };
    std::string failure;
    correction.onFileDone = [&](const FileReport& report) {
        sinks.FileDone(report.verdict == FileReport::Verdict::Corrected);
        if (report.verdict == FileReport::Verdict::Error) failure = report.error;
    };
    const FileListCorrection::Summary summary = correction.Run(paths);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (summary.failed) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 4;
    }
    std::printf("%zu records, %.3f s, %zu bytes held\n", sinks.records.Count(), seconds,
                sinks.records.HeldBytes());
    return 0;
}
