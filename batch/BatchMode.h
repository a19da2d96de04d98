// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Batch mode: `qxquendro FILELIST LISTFILE` corrects every file named in FILELIST with the
// checked rules of LISTFILE and ends, without any window, question or saved state. Plain rules
// are compared without regard to letter case; the replace conditions, backups, the settings
// and the default rule list play no part.
//
// Success prints nothing and gives status 0. A failure prints one line on standard error:
// kBatchMissingArgument  an argument names no file (nothing is corrected);
// kBatchListNotLoaded    the list file does not parse (nothing is corrected);
// kBatchEngineError      a rule raised an error: the files before it stay corrected, the rest
//                        are not touched;
// kBatchFileNotWritten   a file could not be written back (its content is kept as it was);
//                        the run goes on with the next file.
// A file left untouched because windows-1251 cannot hold some of its characters gets one line
// too, but does not fail the run.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"

namespace qx {

enum BatchStatus : int {
    kBatchOk = 0,
    kBatchFileNotWritten = 1,
    kBatchMissingArgument = 2,
    kBatchListNotLoaded = 3,
    kBatchEngineError = 4,
};

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

// Runs batch mode; `messages` receives every error (the list file's parse error included) and
// the per-file notes. Gives a BatchStatus.
int RunBatch(std::string_view fileListArgument, std::string_view listFileArgument,
             const std::filesystem::path& programFolder, Messages& messages);

// Messages for batch mode: each message is written as one line on standard error, prefixed
// with the program name; questions are answered no.
class StderrMessages : public Messages {
public:
    void Show(std::string_view text, std::string_view caption, Icon icon) override;
    bool Ask(std::string_view text, std::string_view caption) override;
};

// A message text flattened to one line: its non-empty lines joined by "; ".
std::string OneLine(std::string_view text);

}  // namespace qx
