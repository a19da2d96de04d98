// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/InPlaceRewrite.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace qx {
namespace {

// Blocks SIGXFSZ for its lifetime and discards one the writes raised, so that crossing the
// file-size limit gives EFBIG instead of killing the process with a half-written file.
class FileSizeSignalHold {
public:
    FileSizeSignalHold() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        pendingBefore_ = sigismember(&pending, SIGXFSZ) == 1;
    }
    ~FileSizeSignalHold() {
        if (!pendingBefore_) {
            sigset_t pending;
            sigemptyset(&pending);
            sigpending(&pending);
            if (sigismember(&pending, SIGXFSZ) == 1) {
                const timespec now{};
                sigtimedwait(&set_, nullptr, &now);
            }
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    FileSizeSignalHold(const FileSizeSignalHold&) = delete;
    FileSizeSignalHold& operator=(const FileSizeSignalHold&) = delete;

private:
    sigset_t set_{};
    sigset_t previous_{};
    bool pendingBefore_ = false;
};

// Writes `data` at `offset`; 0 or the errno of the failure.
int WriteAt(int fd, std::string_view data, std::size_t offset) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;  // no progress: treat as a failed write rather than spin
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

class WholeContent final : public ContentSource {
public:
    explicit WholeContent(std::string_view text) : text_(text) {}
    std::size_t Size() const override { return text_.size(); }
    std::string_view Next() override { return std::exchange(text_, {}); }

private:
    std::string_view text_;
};

int Truncate(int fd, std::size_t size) {
    while (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

// Allocates the blocks of a grown file before its content is touched. File systems without
// fallocate simply go on to the writes, which are checked all the same.
int Reserve(int fd, std::size_t oldSize, std::size_t newSize) {
    if (newSize <= oldSize) return 0;
    while (::fallocate(fd, 0, 0, static_cast<off_t>(newSize)) != 0) {
        if (errno == EINTR) continue;
        if (errno == EOPNOTSUPP || errno == ENOSYS) return 0;
        const int error = errno;
        Truncate(fd, oldSize);  // a partial allocation may have grown it; content is untouched
        return error;
    }
    return 0;
}

}  // namespace

RewriteResult RewriteInPlace(int fd, std::string_view original, ContentSource& replacement,
                             RewriteOptions options) {
    FileSizeSignalHold hold;
    RewriteResult result;

    if (options.reserveFirst) {
        if (const int error = Reserve(fd, original.size(), replacement.Size())) {
            result.status = RewriteResult::Status::Restored;
            result.error = error;
            return result;
        }
    }

    int error = 0;
    std::size_t written = 0;
    for (std::string_view piece = replacement.Next(); !piece.empty() && error == 0;
         piece = replacement.Next()) {
        error = WriteAt(fd, piece, written);
        written += piece.size();
    }
    if (error == 0 && written < original.size()) error = Truncate(fd, written);
    if (error == 0) return result;

    result.error = error;
    result.status = RewriteResult::Status::Restored;
    // The original's own extent was allocated before, so writing it back does not need space
    // that the failed write could not get.
    int restoreError = WriteAt(fd, original, 0);
    if (restoreError == 0) restoreError = Truncate(fd, original.size());
    if (restoreError != 0) {
        result.status = RewriteResult::Status::RestoreFailed;
        result.restoreError = restoreError;
    }
    return result;
}

RewriteResult RewriteInPlace(int fd, std::string_view original, std::string_view replacement,
                             RewriteOptions options) {
    WholeContent content(replacement);
    return RewriteInPlace(fd, original, content, options);
}

}  // namespace qx
