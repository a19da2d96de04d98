// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where batch mode finds its files: the two arguments, the lines of the file list and the
// paths they name.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// The lines of a file list: split at CR LF, lone CR and lone LF; empty lines are dropped.
// A file list in UTF-8 (byte-order mark, or valid UTF-8 with non-ASCII characters) is taken as
// UTF-8, any other as windows-1251; the lines come back as UTF-8 paths.
std::vector<std::string> FileListLines(std::string_view bytes);

// An argument: used unchanged when absolute; else the file in the program folder if there is
// one, else the path relative to the current folder.
std::filesystem::path ResolveArgument(std::string_view argument,
                                      const std::filesystem::path& programFolder);

// A line of the file list: used unchanged when absolute, else appended to the base folder.
std::filesystem::path ResolveListed(std::string_view line, const std::filesystem::path& baseFolder);

}  // namespace qx
