// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FileCorrection.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <optional>

#include "engine/CodePage.h"
#include "engine/Encoding.h"
#include "engine/FileIo.h"
#include "engine/LargeFileScan.h"
#include "engine/TReplaceConditions.h"
#include "engine/UniqueFd.h"

namespace qx {
namespace {

CorrectionResult Done(CorrectionOutcome outcome) { return {outcome, {}}; }

CorrectionResult Refused(CorrectionOutcome outcome, int error = 0) {
    return {outcome, ReasonText(outcome, error)};
}

CorrectionResult RefusedOnOpen(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Refused(CorrectionOutcome::Missing);
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return Refused(CorrectionOutcome::ReadOnly);
        default:
            return Refused(CorrectionOutcome::CannotOpen, error);
    }
}

// Only regular files with a write bit are corrected. The mode bits are checked here because
// the super-user could open a read-only file for writing all the same.
std::optional<CorrectionResult> RefuseByMode(mode_t mode) {
    if (!S_ISREG(mode)) return Refused(CorrectionOutcome::NotRegularFile);
    if ((mode & kAnyWriteBit) == 0) return Refused(CorrectionOutcome::ReadOnly);
    return std::nullopt;
}

// The UTF-8 form of a windows-1251 text, encoded a piece at a time while it is written.
class Utf8Content final : public ContentSource {
public:
    Utf8Content(std::string_view text, bool bom)
        : whole_(text), text_(text), bom_(bom), hasBom_(bom) {}

    std::size_t Size() const override {
        return (hasBom_ ? kUtf8Bom.size() : 0) + Cp1251Utf8Size(whole_);
    }

    std::string_view Next() override {
        const std::string_view part = text_.substr(0, kPieceSize);
        text_.remove_prefix(part.size());
        // The mark goes out with the first piece: a small file is one write.
        const std::size_t mark = bom_ ? kUtf8Bom.size() : 0;
        bom_ = false;
        // One piece of memory for all the pieces, grown only for the first.
        const std::size_t room = mark + Cp1251ToUtf8Room(part.size());
        if (piece_.size() < room) ResizeForOverwrite(piece_, room);
        std::copy_n(kUtf8Bom.data(), mark, piece_.data());
        return {piece_.data(), mark + Cp1251ToUtf8Into(part, piece_.data() + mark)};
    }

    void Rewind() override {
        text_ = whole_;
        bom_ = hasBom_;
    }

private:
    static constexpr std::size_t kPieceSize = 1 << 20;
    std::string_view whole_;
    std::string_view text_;
    bool bom_;
    bool hasBom_;
    std::string piece_;
};

// Reused buffers keep the memory of small files only (ReleaseIfLarge), whichever way the call
// ends.
class TrimmedOnExit {
public:
    explicit TrimmedOnExit(CorrectionBuffers& buffers) : buffers_(buffers) {}
    TrimmedOnExit(const TrimmedOnExit&) = delete;
    TrimmedOnExit& operator=(const TrimmedOnExit&) = delete;
    ~TrimmedOnExit() {
        ReleaseIfLarge(buffers_.bytes);
        ReleaseIfLarge(buffers_.decoded);
        ReleaseIfLarge(buffers_.corrected);
    }

private:
    CorrectionBuffers& buffers_;
};

}  // namespace

CorrectionResult CorrectFile(const std::filesystem::path& path,
                             const TReplaceConditions* conditions, bool utf8Option,
                             TextRules& rules, const BackupCopy& backup) {
    return CorrectFile(path, conditions, utf8Option, rules, backup, {});
}

CorrectionResult CorrectFile(const std::filesystem::path& path,
                             const TReplaceConditions* conditions, bool utf8Option,
                             TextRules& rules, const BackupCopy& backup, const WriteGate& gate,
                             LinkUse links, RewriteOptions rewrite, CorrectionBuffers* buffers,
                             const PathLook* look) {
    // Look before opening: opening a named pipe or a device could block or have effects.
    struct stat info {};
    if (look != nullptr) {
        if (look->error != 0) return RefusedOnOpen(look->error);
        info = look->info;
    } else if (::lstat(path.c_str(), &info) != 0) {
        return RefusedOnOpen(errno);
    }
    const bool link = S_ISLNK(info.st_mode);
    if (link && links == LinkUse::Refuse) return Refused(CorrectionOutcome::LinkAppeared);
    if (link && ::stat(path.c_str(), &info) != 0) return RefusedOnOpen(errno);
    if (auto refusal = RefuseByMode(info.st_mode)) return *refusal;

    // O_NONBLOCK: should the path have been swapped for a pipe meanwhile, open does not hang.
    UniqueFd fd(
        ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (link ? 0 : O_NOFOLLOW)));
    if (!fd.Valid()) {
        if (errno == ELOOP && !link) return Refused(CorrectionOutcome::LinkAppeared);
        return RefusedOnOpen(errno);
    }
    if (::fstat(fd.Get(), &info) != 0) return Refused(CorrectionOutcome::CannotOpen, errno);
    if (auto refusal = RefuseByMode(info.st_mode)) return *refusal;
    // Held until the descriptor closes, so that no cooperating program changes the file
    // between reading and writing.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return Refused(CorrectionOutcome::Locked);
        return Refused(CorrectionOutcome::CannotOpen, errno);
    }

    // The bytes read and the corrected text are held together, a decoded copy of UTF-8 besides.
    // A file that small is read without asking (which costs a few system calls): should memory
    // be that short, the read fails by itself.
    constexpr std::size_t kReadWithoutAsking = std::size_t{4} << 20;
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    if (size > kReadWithoutAsking && size > MemoryForReading() / 3)
        return Refused(CorrectionOutcome::TooLarge);

    CorrectionBuffers own;
    CorrectionBuffers& buffer = buffers != nullptr ? *buffers : own;
    const TrimmedOnExit trim(buffer);
    std::string& bytes = buffer.bytes;
    // Files whose memory is not kept from file to file are looked through a piece at a time
    // first; only one the rules may change is read whole. Conditions need the whole text.
    constexpr std::size_t kScanAbove = std::size_t{4} << 20;
    if (size > kScanAbove && conditions == nullptr) {
        if (ScanLargeFile(fd.Get(), utf8Option, rules, bytes, buffer.decoded) ==
            ScanVerdict::kUnchanged)
            return Done(CorrectionOutcome::Unchanged);
        if (::lseek(fd.Get(), 0, SEEK_SET) != 0)
            return Refused(CorrectionOutcome::CannotRead, errno);
    }
    try {
        if (const int error =
                ReadRegularFile(fd.Get(), static_cast<std::size_t>(info.st_size), bytes))
            return Refused(CorrectionOutcome::CannotRead, error);
    } catch (const std::bad_alloc&) {
        return Refused(CorrectionOutcome::CannotRead, ENOMEM);
    } catch (const std::length_error&) {
        return Refused(CorrectionOutcome::CannotRead, ENOMEM);
    }
    if (bytes.empty()) return Done(CorrectionOutcome::Empty);

    // A windows-1251 file is corrected straight from the bytes read; only UTF-8 needs a copy.
    const WorkingText working = DecodeFileText(bytes, utf8Option, buffer.decoded);
    const Utf8Answer answer = working.answer;
    if (!working.decodable) return Refused(CorrectionOutcome::NotDecodable);
    const std::string_view text = answer.utf8 ? std::string_view(buffer.decoded) : bytes;
    if (text.empty()) return Refused(CorrectionOutcome::NotDecodable);

    if (conditions != nullptr && !CheckConditions(*conditions, text))
        return Done(CorrectionOutcome::RefusedByConditions);
    // Refused before any rule runs, so that no replacement is recorded that never reaches disk.
    if (!working.lossless) return Refused(CorrectionOutcome::WouldLoseCharacters);

    std::string& corrected = buffer.corrected;
    if (!rules.Apply(text, corrected) || corrected == text)
        return Done(CorrectionOutcome::Unchanged);
    // The decoded text is not needed for the write.
    ReleaseIfLarge(buffer.decoded);
    if (gate && !gate()) return Done(CorrectionOutcome::Unchanged);
    if (backup) {
        if (const int error = backup(path, bytes))
            return Refused(CorrectionOutcome::BackupFailed, error);
    }

    RewriteResult written;
    if (answer.utf8) {
        Utf8Content content(corrected, answer.hasBom);
        written = RewriteFile(fd.Get(), path, bytes, content, rewrite);
    } else {
        written = RewriteFile(fd.Get(), path, bytes, corrected, rewrite);
    }
    switch (written.status) {
        case RewriteResult::Status::Written:
            break;
        case RewriteResult::Status::Restored:
            return Refused(CorrectionOutcome::WriteFailed, written.error);
        case RewriteResult::Status::RestoreFailed:
            return {CorrectionOutcome::RestoreFailed,
                    RestoreFailedText(written.error, written.restoreError)};
    }
    // Some file systems report a failed write only when the file is closed (a renamed-over
    // file was flushed and closed before the rename).
    if (fd.Close() != 0 && written.method == RewriteResult::Method::InPlace)
        return Refused(CorrectionOutcome::RestoreFailed, errno);
    return Done(CorrectionOutcome::Rewritten);
}

}  // namespace qx
