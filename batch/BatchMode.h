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
// kBatchEngineError      a regular expression of the list does not compile (nothing is
//                        corrected), or a rule raised an error on a file: the files before it
//                        stay corrected, that file and the rest are not touched;
// kBatchFileNotWritten   a file could not be written back (its content is kept as it was);
//                        the run goes on with the next file.
// The files are corrected on one thread per core; each is written only once every file before
// it in the list has passed the rules, and the lines come in the order of the list.
// A file left untouched because windows-1251 cannot hold some of its characters gets one line
// too, but does not fail the run.

#include <filesystem>
#include <string_view>

#include "platform/Messages.h"

namespace qx {

enum BatchStatus : int {
    kBatchOk = 0,
    kBatchFileNotWritten = 1,
    kBatchMissingArgument = 2,
    kBatchListNotLoaded = 3,
    kBatchEngineError = 4,
};

// Runs batch mode; `messages` receives every error (the list file's parse error included) and
// the per-file notes. Gives a BatchStatus.
int RunBatch(std::string_view fileListArgument, std::string_view listFileArgument,
             const std::filesystem::path& programFolder, Messages& messages);

}  // namespace qx
