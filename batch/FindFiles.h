// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The folder walk behind the file list. Files of a folder are reported before those of its
// subfolders, and subfolders are walked depth first. Only regular files are reported (also
// through a symbolic link); folders whose name begins with "." are not entered, and symbolic
// links to folders are not followed, so a link loop cannot trap the walk. A folder that
// cannot be read is skipped without a word.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "batch/NameMatch.h"

namespace qx {

// Receives each full path found; returns false to stop reporting the files of the current
// folder (its subfolders are still walked).
using FileReport = std::function<bool(const std::filesystem::path& path)>;

// `pattern` is a folder, one "/" and a file-name mask ("/home/u/texts/*.txt").
void FindFiles(const std::filesystem::path& pattern, const FileReport& report, bool recursive);

// One walk for several masks: a file is reported once when any mask matches its name. The
// path comes as the file system's bytes, which spares a large scan building path objects;
// `link` tells a symbolic link to a file from the file itself.
using FilePathReport = std::function<bool(const std::string& path, bool link)>;
void FindFiles(const std::filesystem::path& folder, const std::vector<FileMask>& masks,
               const FilePathReport& report, bool recursive);

}  // namespace qx
