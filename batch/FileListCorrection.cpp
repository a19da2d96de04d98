// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileListCorrection.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>

#include "engine/CodePage.h"
#include "engine/FileIo.h"
#include "engine/TextRules.h"

namespace qx {
namespace {

bool NamesAPathTwice(const std::vector<std::filesystem::path>& files) {
    std::unordered_set<std::string> seen;
    seen.reserve(files.size());
    for (const std::filesystem::path& path : files)
        if (!seen.insert(path.lexically_normal().native()).second) return true;
    return false;
}

// What the workers share. A file's rules have "passed" when they ran without an error, or the
// file was left before any rule ran; the frontier is the first file whose rules have not.
class ParallelRun {
public:
    explicit ParallelRun(std::size_t count) : reports_(count), passed_(count, false) {}

    // The next file to take, or nothing when the list is done or a rule failed before it.
    std::optional<std::size_t> Take() {
        const std::lock_guard lock(mutex_);
        if (next_ >= reports_.size() || next_ > failedAt_) return std::nullopt;
        return next_++;
    }

    // Called when file `index` has passed its rules (or failed them); idempotent.
    void Pass(std::size_t index, bool failed) {
        {
            const std::lock_guard lock(mutex_);
            if (passed_[index]) return;
            passed_[index] = true;
            if (failed) failedAt_ = std::min(failedAt_, index);
            while (frontier_ < passed_.size() && passed_[frontier_]) ++frontier_;
        }
        changed_.notify_all();
    }

    // For a file the rules changed: true once every earlier file passed without an error.
    bool MayWrite(std::size_t index) {
        Pass(index, false);
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return frontier_ >= index || failedAt_ < index; });
        return failedAt_ > index;
    }

    void Report(std::size_t index, FileReport report) {
        {
            const std::lock_guard lock(mutex_);
            reports_[index] = std::move(report);
        }
        changed_.notify_all();
    }

    // The report of file `index`, waiting for it; nothing when no worker will make it.
    std::optional<FileReport> Await(std::size_t index) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return reports_[index].has_value() || failedAt_ < index; });
        if (!reports_[index]) return std::nullopt;
        return std::move(*reports_[index]);
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::optional<FileReport>> reports_;
    std::vector<bool> passed_;
    std::size_t next_ = 0;
    std::size_t frontier_ = 0;
    std::size_t failedAt_ = static_cast<std::size_t>(-1);
};

}  // namespace

int WriteBackupCopy(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path copy = path;
    copy += ".bak";
    int error = 0;
    WriteFileReplacing(copy, bytes, &error, /*followLink=*/false);
    return error;
}

FileListCorrection::FileListCorrection(TextRules& rules, const TReplaceConditions* conditions,
                                       bool utf8Option)
    : rules_(rules), conditions_(conditions), utf8Option_(utf8Option) {}

FileListCorrection::Summary FileListCorrection::Run(
    const std::vector<std::filesystem::path>& files) {
    Summary summary;
    const FileSizeSignalScope signalHold;  // once for all the writes of the run
    for (const std::filesystem::path& path : files) {
        if (summary.done > 0 && stopRequested && stopRequested()) {
            summary.stopped = true;
            break;
        }
        rules_.SetCurrentFileName(recordName ? recordName(path)
                                             : Utf8ToCp1251Lenient(path.native()));
        FileReport report;
        report.path = path;
        try {
            report.result = CorrectFile(path, conditions_, utf8Option_, rules_, makeBackup, {},
                                        linkUse ? linkUse(path) : LinkUse::Follow);
            report.verdict = report.result.Handled() ? FileReport::Verdict::Corrected
                                                     : FileReport::Verdict::Skipped;
        } catch (const std::exception& error) {
            report.verdict = FileReport::Verdict::Error;
            report.error = error.what();
            summary.failed = true;
        }
        ++summary.done;
        if (onFileDone) onFileDone(report);
        if (onProgress) onProgress(summary.done, files.size());
        if (summary.failed) break;
    }
    return summary;
}

FileListCorrection::Summary FileListCorrection::RunParallel(
    const std::vector<std::filesystem::path>& files, const WorkerRules& makeRules,
    unsigned workers) {
    if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
    workers = static_cast<unsigned>(std::min<std::size_t>(workers, files.size()));
    if (workers <= 1 || NamesAPathTwice(files)) {
        // One thread: the list's order is the order of the work, as Run gives it.
        const std::unique_ptr<TextRules> rules = makeRules();
        FileListCorrection single(*rules, conditions_, utf8Option_);
        single.makeBackup = makeBackup;
        single.recordName = recordName;
        single.linkUse = linkUse;
        single.onProgress = onProgress;
        single.onFileDone = onFileDone;
        return single.Run(files);
    }

    ParallelRun run(files.size());
    // Each worker's rules are made on the calling thread, before any file is opened.
    std::vector<std::unique_ptr<TextRules>> rules;
    for (unsigned k = 0; k < workers; ++k) rules.push_back(makeRules());

    const auto work = [&](TextRules& own) {
        const FileSizeSignalScope signalHold;
        while (const std::optional<std::size_t> index = run.Take()) {
            const std::filesystem::path& path = files[*index];
            FileReport report;
            report.path = path;
            bool failed = false;
            try {
                own.SetCurrentFileName(recordName ? recordName(path)
                                                  : Utf8ToCp1251Lenient(path.native()));
                report.result = CorrectFile(
                    path, conditions_, utf8Option_, own, makeBackup,
                    [&] { return run.MayWrite(*index); },
                    linkUse ? linkUse(path) : LinkUse::Follow);
                report.verdict = report.result.Handled() ? FileReport::Verdict::Corrected
                                                         : FileReport::Verdict::Skipped;
            } catch (const std::exception& error) {
                report.verdict = FileReport::Verdict::Error;
                report.error = error.what();
                failed = true;
            }
            run.Pass(*index, failed);
            run.Report(*index, std::move(report));
        }
    };
    // Joined also when a hook throws: the workers finish the list by themselves.
    struct Threads {
        std::vector<std::thread> list;
        ~Threads() {
            for (std::thread& thread : list) thread.join();
        }
    } threads;
    for (unsigned k = 0; k < workers; ++k) threads.list.emplace_back(work, std::ref(*rules[k]));

    Summary summary;
    for (std::size_t index = 0; index < files.size(); ++index) {
        std::optional<FileReport> report = run.Await(index);
        if (!report) break;
        ++summary.done;
        summary.failed = report->verdict == FileReport::Verdict::Error;
        if (onFileDone) onFileDone(*report);
        if (onProgress) onProgress(summary.done, files.size());
        if (summary.failed) break;
    }
    return summary;
}

}  // namespace qx
