// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/JournalUndo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <new>

#include "batch/ContentHash.h"
#include "batch/RunJournal.h"
#include "engine/CorrectionResult.h"
#include "engine/FileIo.h"
#include "engine/UniqueFd.h"

namespace qx {
namespace {

constexpr std::string_view kChangedSince = "изменён после коррекции";
constexpr std::string_view kUnconfirmed =
    "изменён, а журнал не подтверждает, что это сделала коррекция";
constexpr std::string_view kJournalDamaged = "копия в журнале повреждена";

struct Outcome {
    enum class Kind { Restored, AlreadyOriginal, LeftAlone, Passing } kind;
    std::string reason;
};

Outcome Left(std::string_view reason) { return {Outcome::Kind::LeftAlone, std::string(reason)}; }
Outcome Passing(CorrectionOutcome outcome, int error = 0) {
    return {Outcome::Kind::Passing, ReasonText(outcome, error)};
}

bool ReadOriginal(const std::filesystem::path& runFile, const JournalEntry& entry,
                  std::string& out) {
    const UniqueFd fd(::open(runFile.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return false;
    out.resize(static_cast<std::size_t>(entry.size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::pread(fd.Get(), out.data() + done, out.size() - done,
                                    static_cast<off_t>(entry.bytesOffset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return ContentHash::Of(out) == entry.originalHash;
}

Outcome Restore(const std::filesystem::path& runFile, const JournalEntry& entry) {
    struct stat info {};
    if (::stat(entry.path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Left(ReasonText(CorrectionOutcome::Missing))
                                                   : Passing(CorrectionOutcome::CannotOpen, errno);
    if (!S_ISREG(info.st_mode)) return Left(ReasonText(CorrectionOutcome::NotRegularFile));
    UniqueFd fd(::open(entry.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) return Passing(CorrectionOutcome::ReadOnly);
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return Passing(CorrectionOutcome::Locked);
    if (::fstat(fd.Get(), &info) != 0) return Passing(CorrectionOutcome::CannotOpen, errno);

    std::string now;
    std::string original;
    try {
        if (const int error =
                ReadRegularFile(fd.Get(), static_cast<std::size_t>(info.st_size), now))
            return Passing(CorrectionOutcome::CannotRead, error);
        const ContentHash::Digest nowHash = ContentHash::Of(now);
        if (now.size() == entry.size && nowHash == entry.originalHash)
            return {Outcome::Kind::AlreadyOriginal, {}};
        // Only what the run wrote is undone; anything else is someone's later work.
        if (!entry.writtenHash) return Left(kUnconfirmed);
        if (now.size() != entry.writtenSize || nowHash != *entry.writtenHash)
            return Left(kChangedSince);
        if (!ReadOriginal(runFile, entry, original)) return Left(kJournalDamaged);
    } catch (const std::bad_alloc&) {
        return Passing(CorrectionOutcome::CannotRead, ENOMEM);
    }
    const RewriteResult written = RewriteInPlace(fd.Get(), now, original);
    switch (written.status) {
        case RewriteResult::Status::Written:
            break;
        case RewriteResult::Status::Restored:
            return Passing(CorrectionOutcome::WriteFailed, written.error);
        case RewriteResult::Status::RestoreFailed:
            return {Outcome::Kind::Passing, RestoreFailedText(written.error, written.restoreError)};
    }
    if (fd.Close() != 0) return Passing(CorrectionOutcome::WriteFailed, errno);
    return {Outcome::Kind::Restored, {}};
}

}  // namespace

JournalUndo::JournalUndo(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::optional<JournalUndo::RunInfo> JournalUndo::LastRun() const {
    const std::vector<std::filesystem::path> runs = RunJournal::Runs(folder_);
    if (runs.empty()) return std::nullopt;
    RunInfo info;
    info.files = RunJournal::Read(runs.back()).size();
    struct stat status {};
    if (::stat(runs.back().c_str(), &status) == 0) info.started = status.st_mtime;
    return info;
}

UndoReport JournalUndo::UndoLast() {
    UndoReport report;
    std::vector<std::filesystem::path> runs = RunJournal::Runs(folder_);
    std::error_code error;
    // A run whose first record never reached the disk holds nothing to undo.
    std::vector<JournalEntry> entries;
    while (!runs.empty() && (entries = RunJournal::Read(runs.back())).empty()) {
        std::filesystem::remove(runs.back(), error);
        runs.pop_back();
    }
    if (runs.empty()) {
        report.nothingToUndo = true;
        return report;
    }
    bool passing = false;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        const Outcome outcome = Restore(runs.back(), *entry);
        switch (outcome.kind) {
            case Outcome::Kind::Restored:
                report.restored.push_back(entry->path);
                break;
            case Outcome::Kind::AlreadyOriginal:
                ++report.alreadyOriginal;
                break;
            case Outcome::Kind::Passing:
                passing = true;
                [[fallthrough]];
            case Outcome::Kind::LeftAlone:
                report.leftAlone.emplace_back(entry->path, outcome.reason);
                break;
        }
    }
    if (!passing) std::filesystem::remove(runs.back(), error);
    return report;
}

}  // namespace qx
