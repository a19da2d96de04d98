// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program folder: the folder of the running executable, against which batch mode resolves
// its relative arguments. A program run from its build folder keeps all its files there: the
// rule list "Default.lst", "Settings.xml", "Strings.xml" and "Help.htm"; an installed program
// has its read-only files in the data folder below and the others in the user's folder
// (storage/ConfigLocation.h).

#include <filesystem>
#include <string>

namespace qx {

// The folder of /proc/self/exe, ending in "/". Falls back to the current folder (also with a
// trailing "/") when the link cannot be read.
std::filesystem::path ProgramFolder();

// The folder of the program's read-only files: "Help.htm" with its pictures and the
// "Default.lst" a first start begins with. An installed program keeps them apart from the
// executable, in <prefix>/share/qxquendro/ beside its <prefix>/bin/ (so that a package staged
// under any prefix finds its own); a program run from its build folder keeps them beside
// itself, in the program folder. Ends in "/".
std::filesystem::path DataFolder();

// The choice itself, for a given program folder: "<prefix>/share/qxquendro/" when the program
// folder is "<prefix>/bin/" and that folder exists, else the program folder.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& programFolder);

// The folder part of `file` with a trailing "/": "/a/b/c.txt" -> "/a/b/", "c.txt" -> "./".
std::filesystem::path FolderWithSeparator(const std::filesystem::path& file);

}  // namespace qx
