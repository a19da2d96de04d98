// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchMode.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "batch/ReplaceConditions.h"
#include "batch/RuleRows.h"
#include "engine/CodePage.h"
#include "engine/Encoding.h"
#include "engine/FileCorrection.h"
#include "engine/RuleEngine.h"
#include "engine/TReplace.h"
#include "storage/ListFile.h"
#include "storage/ProgramFolder.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

// Batch mode keeps no records: memory stays flat however many replacements a run makes.
// Log lines (an xPath rule meeting a text that is not XML) go to the messages.
class BatchSinks : public EngineSinks {
public:
    explicit BatchSinks(Messages& messages) : messages_(messages) {}
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {}
    void StepProgress() override {}
    void AppendLog(std::string_view line) override {
        messages_.Show(Cp1251ToUtf8(line), "", Messages::Icon::Warning);
    }

private:
    Messages& messages_;
};

bool IsValidUtf8(std::string_view text) { return Utf8ToCp1251(text).has_value(); }

bool HasNonAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

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

std::vector<std::string> FileListLines(std::string_view bytes) {
    std::string text;
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text = bytes.substr(kUtf8Bom.size());
    } else if (HasNonAscii(bytes) && IsValidUtf8(bytes)) {
        text = bytes;
    } else {
        text = Cp1251ToUtf8(bytes);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        if (i > start) lines.push_back(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return lines;
}

fs::path ResolveArgument(std::string_view argument, const fs::path& programFolder) {
    const fs::path given{std::string(argument)};
    if (given.is_absolute()) return given;
    fs::path inProgramFolder = programFolder;
    inProgramFolder += given;  // appended as text, the folder ends in "/"
    if (IsFile(inProgramFolder)) return inProgramFolder;
    return given;
}

fs::path ResolveListed(std::string_view line, const fs::path& baseFolder) {
    const fs::path given{std::string(line)};
    if (given.is_absolute()) return given;
    fs::path result = baseFolder;
    result += given;
    return result;
}

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
    if (!listFile.LoadList(listFilePath, false)) return kBatchListNotLoaded;

    const std::optional<std::string> fileList = ReadWhole(fileListPath);
    if (!fileList) {
        messages.Show("Не удалось прочитать файл: " + fileListPath.native(), "",
                      Messages::Icon::Error);
        return kBatchMissingArgument;
    }
    const fs::path baseFolder = FolderWithSeparator(fileListPath);

    BatchSinks sinks(messages);
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

std::string OneLine(std::string_view text) {
    std::string line;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        if (i > start) {
            if (!line.empty()) line += "; ";
            line += text.substr(start, i - start);
        }
        start = i + 1;
    }
    return line;
}

void StderrMessages::Show(std::string_view text, std::string_view caption, Icon) {
    std::string line = "qxquendro: ";
    if (!caption.empty()) {
        line += caption;
        line += ": ";
    }
    line += OneLine(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

bool StderrMessages::Ask(std::string_view text, std::string_view caption) {
    Show(text, caption, Icon::Question);
    return false;
}

}  // namespace qx
