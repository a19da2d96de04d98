// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// JournalUndo: undoes the newest run of the undo journal (see RunJournal). Every file of the
// run that still holds what the run wrote gets its original bytes back, through the same
// in-place rewrite the correction uses (inode, mode, owner and hard links stay); a file that
// changed since, or whose write the journal never saw completed, is left alone and listed.
// Files are put back in the reverse order of the run, so that a file rewritten twice ends with
// the bytes it had before the first time. The run then leaves the journal, unless a file could
// not be put back for a passing reason (locked, a failed write): undo may be tried again.
//
// Example:
//     const UndoReport report = JournalUndo(StateFolder()).UndoLast();
//     for (const auto& [path, why] : report.leftAlone) log(path, why);

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qx {

struct UndoReport {
    bool nothingToUndo = false;
    std::vector<std::filesystem::path> restored;
    std::size_t alreadyOriginal = 0;  // held their original bytes already
    // The files left as they are, each with the reason (UTF-8, Russian).
    std::vector<std::pair<std::filesystem::path, std::string>> leftAlone;
};

class JournalUndo {
public:
    explicit JournalUndo(std::filesystem::path folder);

    // The newest run: how many files it rewrote and when it began; nothing when there is none.
    struct RunInfo {
        std::size_t files = 0;
        std::time_t started = 0;
    };
    std::optional<RunInfo> LastRun() const;

    UndoReport UndoLast();

private:
    std::filesystem::path folder_;
};

}  // namespace qx
