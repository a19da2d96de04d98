// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchMode.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "batch/BatchPaths.h"
#include "engine/CodePage.h"
#include "engine/Encoding.h"
#include "engine/FileCorrection.h"
#include "engine/RuleEngine.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "storage/ListFile.h"
#include "storage/ProgramFolder.h"

namespace qx {
namespace {

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

bool IsValidUtf8(std::string_view text) { return Utf8ToCp1251(text).has_value(); }

// Error texts may carry windows-1251 bytes (a piece of the expression); the messages take UTF-8.
std::string AsUtf8(std::string_view text) {
    return IsValidUtf8(text) ? std::string(text) : Cp1251ToUtf8(text);
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::optional<std::string> ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return bytes;
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

    const std::optional<std::string> fileList = ReadWhole(fileListPath);
    if (!fileList) {
        messages.Show("Не удалось прочитать файл: " + fileListPath.native(), "",
                      Messages::Icon::Error);
        return kBatchMissingArgument;
    }
    const fs::path baseFolder = FolderWithSeparator(fileListPath);

    DroppingSinks sinks;
    RuleEngine engine(rows, sinks);
    int status = kBatchOk;
    for (const std::string& line : FileListLines(*fileList)) {
        const fs::path path = ResolveListed(line, baseFolder);
        engine.SetCurrentFileName(Utf8ToCp1251Lenient(path.native()));
        CorrectionResult result;
        try {
            result = CorrectFile(path, kReplaceAll | kIgnoreCase, nullptr, false, engine);
        } catch (const std::exception& error) {
            messages.Show(path.native() + ": " + AsUtf8(error.what()), "", Messages::Icon::Error);
            return kBatchEngineError;
        }
        if (result.Handled() || !result.ShouldReport()) continue;
        messages.Show(path.native() + ": " + result.reason, "", Messages::Icon::Warning);
        if (result.outcome != CorrectionOutcome::WouldLoseCharacters) status = kBatchFileNotWritten;
    }
    return status;
}

}  // namespace qx
