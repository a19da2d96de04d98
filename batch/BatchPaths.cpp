// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchPaths.h"

#include <system_error>

#include "engine/CodePage.h"
#include "engine/Encoding.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The folder (ending in "/") and the relative name appended as text. Built from one string:
// path::operator+= with a path argument leaves the parts of the result wrong in the standard
// library of GCC 12 when the folder ends in a separator, and parent_path() then loses a folder.
fs::path Joined(const fs::path& folder, std::string_view relative) {
    std::string text = folder.native();
    text += relative;
    return fs::path(std::move(text));
}

}  // namespace

std::vector<std::string> FileListLines(std::string_view bytes) {
    // Paths are UTF-8 on Linux; a list in windows-1251 is converted to it.
    const Utf8Answer answer = IsUtf8Text(bytes, false);
    std::string text;
    if (answer.hasBom) {
        text = bytes.substr(kUtf8Bom.size());
    } else if (answer.utf8) {
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
    const fs::path inProgramFolder = Joined(programFolder, argument);
    if (IsFile(inProgramFolder)) return inProgramFolder;
    return given;
}

fs::path ResolveListed(std::string_view line, const fs::path& baseFolder) {
    const fs::path given{std::string(line)};
    if (given.is_absolute()) return given;
    return Joined(baseFolder, line);
}

}  // namespace qx
