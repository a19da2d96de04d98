// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// FileListCorrection: corrects a list of files one after the other with the same rules. Batch
// mode runs it over the files of its file list; a window's correction run plugs in the backup
// copies, its progress bar, its records and its stop button through the hooks, each of which
// may be left empty.
//
// Example:
//     FileListCorrection correction(rules);
//     correction.onFileDone = [&](const FileReport& report) { log(report); };
//     const FileListCorrection::Summary summary = correction.Run(paths);

#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CorrectionResult.h"
#include "engine/FileCorrection.h"

namespace qx {

class TextRules;
struct TReplaceConditions;

// The ".bak" copy beside a file about to be rewritten (a BackupCopy): replaced whole through
// a temporary file, so a full disk leaves the previous copy; a link found under the copy's name
// is replaced, not written through. 0 or the errno that stopped it.
int WriteBackupCopy(const std::filesystem::path& path, std::string_view bytes);

// What became of one file of the list.
struct FileReport {
    enum class Verdict {
        Corrected,  // handled: rewritten, or nothing to change (result.outcome tells which)
        Skipped,    // not touched; result.reason says why
        Error,      // a rule failed on it (`error`); it and the rest of the list stay untouched
    };
    std::filesystem::path path;
    Verdict verdict = Verdict::Corrected;
    CorrectionResult result;
    std::string error;         // what() of the rule's error, for Verdict::Error
    std::exception_ptr cause;  // the error itself, for Verdict::Error (it may name its rule)
};

class FileListCorrection {
public:
    struct Summary {
        std::size_t done = 0;  // files the loop went through, the failed one included
        bool stopped = false;  // `stopRequested` ended the run before the last file
        bool failed = false;   // a rule's error ended the run
    };

    // `rules` and `conditions` (null: none) must outlive the object.
    explicit FileListCorrection(TextRules& rules, const TReplaceConditions* conditions = nullptr,
                                bool utf8Option = false);

    // Corrects the files in order. Before each file but the first, `stopRequested` may end the
    // run; a rule's error ends it after that file's report.
    Summary Run(const std::vector<std::filesystem::path>& files);

    // The rules of one worker thread: each worker applies its own (a regular-expression engine
    // holds per-thread match data); they must all hold the same rules.
    using WorkerRules = std::function<std::unique_ptr<TextRules>()>;

    // Corrects the files on `workers` threads (0: one per core it may run on) with rules made by
    // `makeRules`, with everything observable as Run(files) gives it: the reports come to
    // onFileDone and onProgress in list order on the calling thread, and a file is written only
    // once every file before it has passed its rules, so that a rule's error on a file leaves it
    // and every later file untouched (their results, computed ahead, are dropped). A large file
    // coming up soon may be corrected ahead of its turn; at most two files per worker are open
    // at a time. makeBackup and recordName are called on the worker threads; stopRequested is
    // not asked. The rules given to the constructor are not used. A list
    // that names one path twice is corrected on one thread, in order.
    Summary RunParallel(const std::vector<std::filesystem::path>& files,
                        const WorkerRules& makeRules, unsigned workers = 0);

    // Makes the backup copy of a file about to be rewritten (see BackupCopy); a failure leaves
    // that file uncorrected and is reported as a skip.
    BackupCopy makeBackup;
    // What a symbolic link found at a path of the list means (see LinkUse); by default it
    // leads to its file. A window run refuses one where its scan saw a regular file.
    std::function<LinkUse(const std::filesystem::path&)> linkUse;
    // The file name the replacement records carry; by default the path in windows-1251.
    std::function<std::string(const std::filesystem::path&)> recordName;
    // After each file: how many are done, of how many.
    std::function<void(std::size_t done, std::size_t total)> onProgress;
    // After each file: what became of it.
    std::function<void(const FileReport&)> onFileDone;
    // Asked between two files; true ends the run.
    std::function<bool()> stopRequested;
    // How the files are written (see RewriteOptions).
    RewriteOptions rewrite;

private:
    TextRules& rules_;
    const TReplaceConditions* conditions_;
    bool utf8Option_;
};

}  // namespace qx
