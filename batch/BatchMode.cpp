// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchMode.h"

#include <cstddef>
#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "batch/BatchPaths.h"
#include "batch/FileListCorrection.h"
#include "engine/CodePage.h"
#include "engine/EngineRules.h"
#include "engine/FileIo.h"
#include "engine/RuleEngine.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "storage/ListFile.h"
#include "storage/ProgramFolder.h"

namespace qx {
namespace {

// Files at least this large are written to a new file and renamed over the old one.
constexpr std::size_t kBatchRenameAtLeast = std::size_t{1} << 20;

namespace fs = std::filesystem;

// Batch mode keeps no records: memory stays flat however many replacements a run makes. The
// log lines of xPath rules that meet a text that is no XML document are dropped as well: a
// mixed file list meets such texts as a matter of course, and a run that succeeds is silent.
class DroppingSinks : public EngineSinks {
public:
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {}
    void StepProgress() override {}
    void AppendLog(std::string_view) override {}
};

// One worker's rules: its own engine over the shared rows, every expression compiled up front.
class PreparedRules final : public TextRules {
public:
    PreparedRules(const ActiveRules& rows, EngineSinks& sinks)
        : engine_(rows, sinks), rules_(engine_, kReplaceAll | kIgnoreCase) {
        engine_.Prepare();
    }
    bool Apply(std::string_view text, std::string& corrected) override {
        return rules_.Apply(text, corrected);
    }
    std::size_t ActiveRuleCount() const override { return rules_.ActiveRuleCount(); }
    void SetCurrentFileName(std::string name) override {
        rules_.SetCurrentFileName(std::move(name));
    }
    std::unique_ptr<TextScan> StartScan() override { return rules_.StartScan(); }

private:
    RuleEngine engine_;
    EngineRules rules_;
};

bool IsValidUtf8(std::string_view text) { return Utf8ToCp1251(text).has_value(); }

// Error texts may carry windows-1251 bytes (a piece of the expression); the messages take UTF-8.
std::string AsUtf8(std::string_view text) {
    return IsValidUtf8(text) ? std::string(text) : Cp1251ToUtf8(text);
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace

int RunBatch(std::string_view fileListArgument, std::string_view listFileArgument,
             const fs::path& programFolder, Messages& messages) {
    const fs::path fileListPath = ResolveArgument(fileListArgument, programFolder);
    const fs::path listFilePath = ResolveArgument(listFileArgument, programFolder);
    for (const fs::path& path : {fileListPath, listFilePath}) {
        if (!IsFile(path)) {
            messages.Show("Файл не найден: " + path.native(), "", Messages::Icon::Error);
            return kBatchMissingArgument;
        }
    }

    // The window's pieces, headless: the settings are not read, so neither the checked-only
    // view nor the filter is on and the active rules are the rules the file marks checked.
    TReplaces rules;
    TRuleRows rows(&rules);
    TReplaceConditions conditions;
    TListFile listFile(rules, rows, conditions, messages);
    try {
        if (!listFile.LoadList(listFilePath, false)) return kBatchListNotLoaded;
    } catch (const std::exception& error) {
        // A failure of the XML service other than a parse error: still one line, not an abort.
        messages.Show(listFilePath.native() + ": " + AsUtf8(error.what()), "",
                      Messages::Icon::Error);
        return kBatchListNotLoaded;
    }

    std::string fileList;
    if (ReadWholeFile(fileListPath, fileList) != 0) {
        messages.Show("Не удалось прочитать файл: " + fileListPath.native(), "",
                      Messages::Icon::Error);
        return kBatchMissingArgument;
    }
    const fs::path baseFolder = FolderWithSeparator(fileListPath);
    std::vector<fs::path> files;
    for (const std::string& line : FileListLines(fileList))
        files.push_back(ResolveListed(line, baseFolder));

    // The sinks keep nothing, so the workers share them.
    DroppingSinks sinks;
    std::unique_ptr<TextRules> first;
    try {
        // A rule list with an expression that does not compile corrects no file at all.
        first = std::make_unique<PreparedRules>(rows, sinks);
    } catch (const std::exception& error) {
        messages.Show(listFilePath.native() + ": " + AsUtf8(error.what()), "",
                      Messages::Icon::Error);
        return kBatchEngineError;
    }
    FileListCorrection correction(*first);
    int status = kBatchOk;
    correction.onFileDone = [&](const FileReport& report) {
        switch (report.verdict) {
            case FileReport::Verdict::Corrected:
                return;
            case FileReport::Verdict::Error:
                messages.Show(report.path.native() + ": " + AsUtf8(report.error), "",
                              Messages::Icon::Error);
                return;
            case FileReport::Verdict::Skipped:
                if (!report.result.ShouldReport()) return;
                messages.Show(report.path.native() + ": " + report.result.reason, "",
                              Messages::Icon::Warning);
                if (report.result.outcome != CorrectionOutcome::WouldLoseCharacters)
                    status = kBatchFileNotWritten;
                return;
        }
    };
    const auto workerRules = [&]() -> std::unique_ptr<TextRules> {
        if (first) return std::move(first);
        return std::make_unique<PreparedRules>(rows, sinks);
    };
    // As fast and as silent as sed: no wait for the disk per file, and a new file only where a
    // rewrite takes long enough for a kill to cut it in two.
    correction.rewrite.syncRenamed = false;
    correction.rewrite.renameAtLeast = kBatchRenameAtLeast;
    if (correction.RunParallel(files, workerRules).failed) return kBatchEngineError;
    return status;
}

}  // namespace qx
