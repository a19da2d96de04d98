// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program folder: the folder of the running executable, where the rule list
// "Default.lst", "Settings.xml", "Strings.xml" and "Help.htm" live, and against which batch
// mode resolves its relative arguments.

#include <filesystem>
#include <string>

namespace qx {

// The folder of /proc/self/exe, ending in "/". Falls back to the current folder (also with a
// trailing "/") when the link cannot be read.
std::filesystem::path ProgramFolder();

// The folder part of `file` with a trailing "/": "/a/b/c.txt" -> "/a/b/", "c.txt" -> "./".
std::filesystem::path FolderWithSeparator(const std::filesystem::path& file);

}  // namespace qx
