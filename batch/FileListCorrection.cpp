// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileListCorrection.h"

#include <sched.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
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

// The cores this process may run on: `taskset -c 0` or a container's CPU set leaves one worker,
// where the number of cores in the machine would start threads that only take turns.
unsigned UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

// What the workers share. A file's rules have "passed" when they ran without an error, or the
// file was left before any rule ran; the frontier is the first file whose rules have not.
// Threads are woken only when what they wait for has come: a worker when the frontier reaches
// the file it waits to write, the calling thread when a batch of reports is ready, so that a
// list of small files does not cost a few context switches per file.
//
// Files are taken in list order, except that a large file coming up soon is taken first: the
// largest files start early, so that the cores finish together instead of one correcting the
// last large file alone. A worker whose file must wait for earlier ones that nobody has taken
// corrects the earliest of them meanwhile (one at a time), so no worker sits idle behind a file
// taken out of order, and a worker holds at most two files.
class ParallelRun {
public:
    ParallelRun(const std::vector<std::filesystem::path>& files)
        : files_(files),
          reports_(files.size()),
          passed_(files.size(), false),
          taken_(files.size(), false),
          looks_(files.size()) {}

    struct Taken {
        std::size_t index;
        const PathLook* look;  // null when the path was not looked at yet
    };

    // The next file to take, or nothing when the list is done or a rule failed before it.
    std::optional<Taken> Take() {
        const std::lock_guard lock(mutex_);
        const std::optional<std::size_t> lowest = LowestUntaken();
        if (!lowest) return std::nullopt;
        std::size_t chosen = *lowest;
        // The last file it may take: nothing past a failed one (`chosen` is not past it).
        const std::size_t last = std::min({files_.size() - 1, chosen + kLookAhead - 1, failedAt_});
        LookUpTo(last + 1);
        off_t chosenSize = SizeOf(chosen);
        for (std::size_t index = chosen + 1; index <= last; ++index) {
            if (!taken_[index] && SizeOf(index) > chosenSize) {
                chosen = index;
                chosenSize = SizeOf(index);
            }
        }
        if (chosenSize < kLargeFile) chosen = *lowest;
        return Mark(chosen);
    }

    // For a file the rules changed: its rules passed; true once every earlier file passed
    // without an error. `help` corrects an earlier file that nobody took, while this one waits.
    bool MayWrite(std::size_t index, const std::function<void(const Taken&)>& help) {
        std::unique_lock lock(mutex_);
        MarkPassed(index, false);
        while (frontier_ < index && failedAt_ >= index) {
            const std::optional<std::size_t> lowest = help ? LowestUntaken() : std::nullopt;
            if (lowest && *lowest < index) {
                const Taken earlier = Mark(*lowest);
                lock.unlock();
                help(earlier);
                lock.lock();
                continue;
            }
            ++waitingWriters_;
            writers_.wait(lock, [&] { return frontier_ >= index || failedAt_ < index; });
            --waitingWriters_;
        }
        return failedAt_ > index;
    }

    // The file is done with: its rules passed (or failed), and this is its report.
    void Finish(std::size_t index, bool failed, FileReport report) {
        bool wakeCaller = false;
        {
            const std::lock_guard lock(mutex_);
            MarkPassed(index, failed);
            reports_[index] = std::move(report);
            while (reported_ < reports_.size() && reports_[reported_]) ++reported_;
            wakeCaller = awaiting_ && CallerMayGoOn();
        }
        if (wakeCaller) caller_.notify_one();
    }

    // The report of file `index`, the next one the calling thread has not had, waiting for it
    // and the batch after it; nothing when no worker will make it.
    std::optional<FileReport> Await(std::size_t index) {
        std::unique_lock lock(mutex_);
        if (index >= reported_ && failedAt_ >= index) {
            target_ = std::min(index + kBatch, reports_.size());
            awaiting_ = true;
            caller_.wait(lock, [&] { return CallerMayGoOn() || failedAt_ < index; });
            awaiting_ = false;
        }
        if (index >= reported_) return std::nullopt;
        return std::move(*reports_[index]);
    }

private:
    // Reports handed to the calling thread at a time, at most.
    static constexpr std::size_t kBatch = 32;
    // How far ahead of the list order a large file is taken, and what counts as one.
    static constexpr std::size_t kLookAhead = 64;
    static constexpr off_t kLargeFile = off_t{1} << 20;

    // Under the mutex: the first file nobody took, unless a rule failed before it.
    std::optional<std::size_t> LowestUntaken() {
        while (lowest_ < taken_.size() && taken_[lowest_]) ++lowest_;
        if (lowest_ >= taken_.size() || lowest_ > failedAt_) return std::nullopt;
        return lowest_;
    }

    Taken Mark(std::size_t index) {
        taken_[index] = true;
        return {index, index < looked_ ? &looks_[index] : nullptr};
    }

    // Under the mutex: lstat of every path before `end`. It stands for the look the correction
    // makes before opening a file, so it costs no system call more.
    void LookUpTo(std::size_t end) {
        for (; looked_ < end; ++looked_) {
            PathLook& look = looks_[looked_];
            if (::lstat(files_[looked_].c_str(), &look.info) != 0) look.error = errno;
        }
    }

    off_t SizeOf(std::size_t index) const {
        return looks_[index].error == 0 ? looks_[index].info.st_size : 0;
    }

    // Under the mutex. Idempotent: a file that failed after it passed stays passed.
    void MarkPassed(std::size_t index, bool failed) {
        if (failed && index < failedAt_) failedAt_ = index;
        if (passed_[index]) {
            if (failed && waitingWriters_ > 0) writers_.notify_all();
            return;
        }
        passed_[index] = true;
        const std::size_t before = frontier_;
        while (frontier_ < passed_.size() && passed_[frontier_]) ++frontier_;
        if (waitingWriters_ > 0 && (frontier_ != before || failed)) writers_.notify_all();
    }

    // Under the mutex: the batch is ready, or the failing file's report is, after which no
    // more reports are handed on.
    bool CallerMayGoOn() const { return reported_ >= target_ || failedAt_ < reported_; }

    const std::vector<std::filesystem::path>& files_;
    std::mutex mutex_;
    std::condition_variable writers_;
    std::condition_variable caller_;
    std::vector<std::optional<FileReport>> reports_;
    std::vector<bool> passed_;
    std::vector<bool> taken_;
    std::vector<PathLook> looks_;
    std::size_t looked_ = 0;  // every path before it was looked at
    std::size_t lowest_ = 0;  // every file before it was taken
    std::size_t failedAt_ = static_cast<std::size_t>(-1);
    std::size_t frontier_ = 0;
    std::size_t reported_ = 0;  // every file before it has its report
    std::size_t target_ = 0;
    std::size_t waitingWriters_ = 0;
    bool awaiting_ = false;
};

// One file's report: what its correction did, or the error a rule raised on it.
template <class Correct>
FileReport ReportOf(const std::filesystem::path& path, const Correct& correct) {
    FileReport report;
    report.path = path;
    try {
        report.result = correct();
        report.verdict =
            report.result.Handled() ? FileReport::Verdict::Corrected : FileReport::Verdict::Skipped;
    } catch (const std::exception& error) {
        report.verdict = FileReport::Verdict::Error;
        report.error = error.what();
        report.cause = std::current_exception();
    }
    return report;
}

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
        const FileReport report = ReportOf(path, [&] {
            return CorrectFile(path, conditions_, utf8Option_, rules_, makeBackup, {},
                               linkUse ? linkUse(path) : LinkUse::Follow, rewrite);
        });
        summary.failed = report.verdict == FileReport::Verdict::Error;
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
    if (workers == 0) workers = UsableCores();
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
        single.rewrite = rewrite;
        return single.Run(files);
    }

    ParallelRun run(files);
    // Each worker's rules are made on the calling thread, before any file is opened.
    std::vector<std::unique_ptr<TextRules>> rules;
    for (unsigned k = 0; k < workers; ++k) rules.push_back(makeRules());

    // A worker's file, and the earlier file it may correct while that one waits, each with
    // buffers of its own.
    std::function<void(TextRules&, const ParallelRun::Taken&, CorrectionBuffers&,
                       CorrectionBuffers*)>
        correct;
    correct = [&](TextRules& own, const ParallelRun::Taken& taken, CorrectionBuffers& buffers,
                  CorrectionBuffers* helperBuffers) {
        const std::filesystem::path& path = files[taken.index];
        std::function<void(const ParallelRun::Taken&)> help;
        if (helperBuffers != nullptr) {
            help = [&](const ParallelRun::Taken& earlier) {
                correct(own, earlier, *helperBuffers, nullptr);
            };
        }
        FileReport report = ReportOf(path, [&] {
            own.SetCurrentFileName(recordName ? recordName(path)
                                              : Utf8ToCp1251Lenient(path.native()));
            return CorrectFile(
                path, conditions_, utf8Option_, own, makeBackup,
                [&] { return run.MayWrite(taken.index, help); },
                linkUse ? linkUse(path) : LinkUse::Follow, rewrite, &buffers, taken.look);
        });
        const bool failed = report.verdict == FileReport::Verdict::Error;
        run.Finish(taken.index, failed, std::move(report));
    };
    const auto work = [&](TextRules& own) {
        const FileSizeSignalScope signalHold;
        CorrectionBuffers buffers;
        CorrectionBuffers helperBuffers;
        while (const std::optional<ParallelRun::Taken> taken = run.Take())
            correct(own, *taken, buffers, &helperBuffers);
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
