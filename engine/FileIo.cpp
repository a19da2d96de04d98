// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FileIo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/CodePage.h"

namespace qx {
namespace {

// Scopes open on this thread: only the outermost one changes the signal mask.
thread_local int tSignalScopes = 0;

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
    std::string_view Next() override { return std::exchange(given_, true) ? "" : text_; }
    void Rewind() override { given_ = false; }

private:
    std::string_view text_;
    bool given_ = false;
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

// The temporary file a replacement is written to; removed unless it was committed.
class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        fd_.Close();
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    bool Create(const std::filesystem::path& target) {
        std::string pattern =
            (target.parent_path() / ("." + target.filename().native() + ".XXXXXX")).native();
        fd_ = UniqueFd(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!fd_.Valid()) return false;
        path_ = pattern;
        return true;
    }
    int fd() const { return fd_.Get(); }
    const std::string& path() const { return path_; }
    bool Close() { return fd_.Close() == 0; }
    void Commit() { path_.clear(); }

private:
    UniqueFd fd_;
    std::string path_;
};

// Makes the rename itself durable; a failure here loses nothing that was not already saved.
void SyncFolder(const std::filesystem::path& folder) {
    const UniqueFd fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid()) (void)::fsync(fd.Get());
}

// 0, or the errno that stopped the save.
int ReplaceFile(const std::filesystem::path& path, std::string_view bytes, bool followLink) {
    std::error_code error;
    std::filesystem::path target = path;
    // Replace the file a link points to, not the link.
    const bool link = std::filesystem::is_symlink(target, error);
    if (link && followLink) {
        target = std::filesystem::weakly_canonical(target, error);
        if (error) return error.value();
    }
    mode_t mode = 0666 & ~[] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }();
    struct stat existing {};
    // A link that is not followed is replaced like a missing file.
    const bool replacing = !link || followLink ? ::stat(target.c_str(), &existing) == 0 : false;
    if (replacing) {
        if (!S_ISREG(existing.st_mode)) return EISDIR;
        // A read-only list stays read-only, also for root.
        if ((existing.st_mode & kAnyWriteBit) == 0 || ::access(target.c_str(), W_OK) != 0) {
            return EACCES;
        }
        mode = existing.st_mode & 07777;
    }
    TempFile temp;
    if (!temp.Create(target)) return errno;
    if (::fchmod(temp.fd(), mode) != 0) return errno;
    // Keep the owner where we may (root saving another user's list); elsewhere the new file is
    // ours, as any rewrite by its owner would leave it.
    if (replacing && ::fchown(temp.fd(), existing.st_uid, existing.st_gid) != 0) {
        (void)::fchown(temp.fd(), static_cast<uid_t>(-1), existing.st_gid);
    }
    if (const int failure = WriteAt(temp.fd(), bytes, 0)) return failure;
    if (::fsync(temp.fd()) != 0) return errno;
    if (!temp.Close()) return errno;
    if (::rename(temp.path().c_str(), target.c_str()) != 0) return errno;
    temp.Commit();
    SyncFolder(target.parent_path());
    return 0;
}

// The names of a file's extended attributes; false when they cannot be listed. A file system
// without them has none.
bool ListAttributes(int fd, std::vector<std::string>& names) {
    names.clear();
    std::string list;
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) return errno == ENOTSUP || errno == ENOSYS;
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::flistxattr(fd, list.data(), list.size());
        if (got < 0 && errno == ERANGE) continue;  // it grew meanwhile
        if (got < 0) return false;
        list.resize(static_cast<std::size_t>(got));
        break;
    }
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = list.find('\0', at);
        names.emplace_back(list, at, (end == std::string::npos ? list.size() : end) - at);
        at = end == std::string::npos ? list.size() : end + 1;
    }
    return true;
}

bool ReadAttribute(int fd, const std::string& name, std::string& value) {
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got =
            size == 0 ? 0 : ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        value.resize(static_cast<std::size_t>(got));
        return true;
    }
}

// Gives the new file `to` exactly the extended attributes (ACLs among them) of `from`: copies
// each, and removes what it got by itself (a default ACL of the folder is inherited).
bool CarryAttributes(int from, int to) {
    std::vector<std::string> names;
    std::vector<std::string> present;
    if (!ListAttributes(from, names) || !ListAttributes(to, present)) return false;
    for (const std::string& name : present) {
        if (std::find(names.begin(), names.end(), name) == names.end() &&
            ::fremovexattr(to, name.c_str()) != 0)
            return false;
    }
    std::string value;
    for (const std::string& name : names) {
        if (!ReadAttribute(from, name, value)) return false;
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
    }
    return true;
}

// Whether `path` still names the file open on `fd` (nobody renamed another file over it).
bool NamesTheFile(const std::filesystem::path& path, const struct stat& file) {
    struct stat now {};
    return ::lstat(path.c_str(), &now) == 0 && now.st_dev == file.st_dev &&
           now.st_ino == file.st_ino;
}

enum class BesideOutcome { Written, NotPossible, Failed };

// Writes the replacement to a new file beside `path` and renames it over the file open on `fd`.
// NotPossible: the new file could not be made to be what the old one was; nothing happened.
// Failed (`error` set): writing it failed; the old file is untouched.
BesideOutcome WriteBeside(int fd, const std::filesystem::path& path, ContentSource& replacement,
                          bool sync, int& error) {
    struct stat file {};
    struct stat named {};
    if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode) || file.st_nlink != 1) {
        return BesideOutcome::NotPossible;
    }
    // A symbolic link (or a path that no longer leads to the file) is rewritten in place, so
    // the link stays and leads to the corrected file.
    if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) ||
        named.st_ino != file.st_ino || named.st_dev != file.st_dev) {
        return BesideOutcome::NotPossible;
    }
    TempFile temp;
    if (!temp.Create(path)) return BesideOutcome::NotPossible;
    struct stat made {};
    if (::fstat(temp.fd(), &made) != 0) return BesideOutcome::NotPossible;
    // The owner first: a change of owner clears set-user-ID bits and capabilities.
    if ((made.st_uid != file.st_uid || made.st_gid != file.st_gid) &&
        ::fchown(temp.fd(), file.st_uid, file.st_gid) != 0) {
        return BesideOutcome::NotPossible;
    }
    if (!CarryAttributes(fd, temp.fd())) return BesideOutcome::NotPossible;
    if (::fchmod(temp.fd(), file.st_mode & 07777) != 0) return BesideOutcome::NotPossible;

    const auto fail = [&error](int failure) {
        error = failure;
        return BesideOutcome::Failed;
    };
    const std::size_t size = replacement.Size();
    if (size > 0) {
        while (::fallocate(temp.fd(), 0, 0, static_cast<off_t>(size)) != 0) {
            if (errno == EINTR) continue;
            if (errno == EOPNOTSUPP || errno == ENOSYS) break;
            return fail(errno);
        }
    }
    std::size_t written = 0;
    for (std::string_view piece = replacement.Next(); !piece.empty(); piece = replacement.Next()) {
        if (const int failure = WriteAt(temp.fd(), piece, written)) return fail(failure);
        written += piece.size();
    }
    if (written < size) {  // fallocate reserved more than came
        if (const int failure = Truncate(temp.fd(), written)) return fail(failure);
    }
    // On disk before it takes the name: after a crash the name holds all of the new content.
    if (sync && ::fsync(temp.fd()) != 0) return fail(errno);
    if (!temp.Close()) return fail(errno);
    if (!NamesTheFile(path, file)) return fail(ESTALE);
    if (::rename(temp.path().c_str(), path.c_str()) != 0) return fail(errno);
    temp.Commit();
    if (sync) SyncFolder(path.parent_path());
    return BesideOutcome::Written;
}

}  // namespace

// Blocks SIGXFSZ and discards one the writes raised, so that crossing the file-size limit gives
// EFBIG instead of killing the process with a half-written file.
FileSizeSignalScope::FileSizeSignalScope() : outer_(tSignalScopes++ == 0) {
    if (!outer_) return;
    sigemptyset(&set_);
    sigaddset(&set_, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    pendingBefore_ = sigismember(&pending, SIGXFSZ) == 1;
}

FileSizeSignalScope::~FileSizeSignalScope() {
    --tSignalScopes;
    if (!outer_) return;
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

UniqueFd OpenToRead(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.Valid() && ::fstat(fd.Get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        fd.Close();
        errno = EISDIR;
    }
    return fd;
}

int ReadWholeFile(int fd, std::string& out) {
    struct stat info {};
    const std::size_t measured =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    // One byte more than measured: the end of the file is seen without growing the buffer,
    // which would double its capacity.
    out.resize(measured + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == out.size()) out.resize(out.size() * 2);  // it grew since it was measured
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return 0;
}

int ReadRegularFile(int fd, std::size_t size, std::string& out) {
    // One byte more than the size: a file that grew is noticed without a second read.
    ResizeForOverwrite(out, size + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == out.size()) out.resize(out.size() * 2);
        const std::size_t asked = out.size() - done;
        const ssize_t n = ::read(fd, out.data() + done, asked);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
        // A short read that reached the measured size is the end; one that stopped before it
        // (an interrupted read) is read on, or a truncated copy would be written back.
        if (static_cast<std::size_t>(n) < asked && done >= size) break;
    }
    out.resize(done);
    return 0;
}

std::size_t MemoryForReading() {
    std::size_t available = static_cast<std::size_t>(-1);
    if (std::FILE* info = std::fopen("/proc/meminfo", "re")) {
        char line[256];
        unsigned long long kib = 0;
        while (std::fgets(line, sizeof line, info) != nullptr) {
            if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
                available = static_cast<std::size_t>(kib) * 1024;
                break;
            }
        }
        std::fclose(info);
    }
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        std::size_t used = 0;
        if (std::FILE* statm = std::fopen("/proc/self/statm", "re")) {
            unsigned long long pages = 0;
            if (std::fscanf(statm, "%llu", &pages) == 1)
                used = static_cast<std::size_t>(pages) *
                       static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
            std::fclose(statm);
        }
        const std::size_t cap = static_cast<std::size_t>(limit.rlim_cur);
        available = std::min(available, cap > used ? cap - used : 0);
    }
    return available;
}

int ReadWholeFile(const std::filesystem::path& path, std::string& out) {
    const UniqueFd fd = OpenToRead(path);
    if (!fd.Valid()) return errno;
    return ReadWholeFile(fd.Get(), out);
}

RewriteResult RewriteInPlace(int fd, std::string_view original, ContentSource& replacement,
                             RewriteOptions options) {
    const FileSizeSignalScope hold;
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

RewriteResult RewriteFile(int fd, const std::filesystem::path& path, std::string_view original,
                          ContentSource& replacement, RewriteOptions options) {
    if (options.renameOver && original.size() >= options.renameAtLeast) {
        const FileSizeSignalScope hold;
        int error = 0;
        switch (WriteBeside(fd, path, replacement, options.syncRenamed, error)) {
            case BesideOutcome::Written: {
                RewriteResult result;
                result.method = RewriteResult::Method::Renamed;
                return result;
            }
            case BesideOutcome::Failed:
                // In place needs only the growth, not a second copy of the whole file.
                if (error != ENOSPC && error != EDQUOT) {
                    RewriteResult result;
                    result.status = RewriteResult::Status::Restored;
                    result.method = RewriteResult::Method::Renamed;
                    result.error = error;
                    return result;
                }
                break;
            case BesideOutcome::NotPossible:
                break;
        }
        replacement.Rewind();
    }
    return RewriteInPlace(fd, original, replacement, options);
}

RewriteResult RewriteFile(int fd, const std::filesystem::path& path, std::string_view original,
                          std::string_view replacement, RewriteOptions options) {
    WholeContent content(replacement);
    return RewriteFile(fd, path, original, content, options);
}

bool WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes, int* error,
                        bool followLink) {
    const int failure = ReplaceFile(path, bytes, followLink);
    if (error != nullptr) *error = failure;
    return failure == 0;
}

}  // namespace qx
