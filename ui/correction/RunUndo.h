// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// RunUndo: the window's side of the undo journal. A correction of files from the window (a run,
// a write from the preview, dropped files) is journalled through Attach and Finish; a run
// larger than the journal's limit, or too large for the free space of its disk, is announced as one
// that cannot be undone, and runs only when the user agrees. Undo is "Отменить последнюю
// коррекцию": it asks, puts back the files of the newest run and says which it left alone.
//
// Example:
//     if (!undo.Attach(correction, paths)) return;  // the user declined
//     correction.Run(paths);
//     undo.Finish();

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace qx {

class FileListCorrection;
class LogPage;
class Messages;
class RunJournal;

class RunUndo {
public:
    // `folder` empty: no journal, nothing to undo. `log` takes a line per file left alone.
    RunUndo(std::filesystem::path folder, Messages& messages, LogPage& log);
    ~RunUndo();
    RunUndo(const RunUndo&) = delete;
    RunUndo& operator=(const RunUndo&) = delete;

    // The journal's limit in megabytes; 0 keeps no journal.
    void SetLimitMegabytes(int megabytes) { limitMegabytes_ = megabytes; }
    int LimitMegabytes() const { return limitMegabytes_; }

    // Journals the run that `correction` is about to make over `files`; false when the run
    // could not be undone and the user chose not to start it.
    bool Attach(FileListCorrection& correction, const std::vector<std::filesystem::path>& files);
    // After the run.
    void Finish();

    bool CanUndo() const { return canUndo_; }
    // The command: asks, undoes the newest run, reports.
    void Undo();

private:
    void Refresh();

    std::filesystem::path folder_;
    Messages& messages_;
    LogPage& log_;
    int limitMegabytes_ = 1024;
    std::unique_ptr<RunJournal> journal_;
    bool canUndo_ = false;
};

}  // namespace qx
