// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace qx {
namespace {

// Closes a descriptor and removes the temporary file unless it was committed.
class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    bool Create(const std::filesystem::path& target) {
        std::string pattern =
            (target.parent_path() / ("." + target.filename().native() + ".XXXXXX")).native();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) return false;
        path_ = pattern;
        return true;
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void Commit() { path_.clear(); }

private:
    int fd_ = -1;
    std::string path_;
};

// 0, or the errno of the failed write.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Makes the rename itself durable; a failure here loses nothing that was not already saved.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

// 0, or the errno that stopped the save.
int ReplaceFile(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code error;
    std::filesystem::path target = path;
    // Replace the file a link points to, not the link.
    if (std::filesystem::is_symlink(target, error)) {
        target = std::filesystem::weakly_canonical(target, error);
        if (error) return error.value();
    }
    mode_t mode = 0666 & ~[] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }();
    struct stat existing {};
    const bool replacing = ::stat(target.c_str(), &existing) == 0;
    if (replacing) {
        if (!S_ISREG(existing.st_mode)) return EISDIR;
        // A read-only list stays read-only, also for root.
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
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
    if (const int failure = WriteAll(temp.fd(), bytes)) return failure;
    if (::fsync(temp.fd()) != 0) return errno;
    if (!temp.Close()) return errno;
    if (::rename(temp.path().c_str(), target.c_str()) != 0) return errno;
    temp.Commit();
    SyncFolder(target.parent_path());
    return 0;
}

}  // namespace

bool WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes, int* error) {
    const int failure = ReplaceFile(path, bytes);
    if (error != nullptr) *error = failure;
    return failure == 0;
}

}  // namespace qx
