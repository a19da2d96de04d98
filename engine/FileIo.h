// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading and writing whole files, the one place where the program does either.
//
// A user's file is rewritten the way careful editors save: the new content goes to a new file
// beside it, is flushed to disk and renamed over the old one, so that a crash or a kill at any
// moment leaves the old content or the new one under the name, never a mix. That is done only
// when the new file can be everything the old one was: a single link (a rename would cut the
// others off), the same owner and group, permission bits, extended attributes and ACLs (the
// system.posix_acl_* attributes). Otherwise (hard links, an owner the process may not give
// away, a folder it cannot create files in, a file system that refuses an attribute, a path
// that is a symbolic link) the file is rewritten in place through its open descriptor, which
// keeps inode, mode, owner and hard links: every write is checked, and when one fails (full
// disk, file-size limit) the original is written back and the file cut to its old length. Only
// a crash in the middle of an in-place rewrite can leave a mix, which is what the backup copy
// (".bak") is for.
//
// The program's own files (rule lists, the settings file) are replaced whole instead, through a
// temporary file and a rename, so that a full disk or a crash never leaves half of one.

#include <signal.h>
#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/UniqueFd.h"

namespace qx {

// A file with none of these permission bits is read-only for the program, also when it runs as
// root (who could open it for writing all the same).
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

// Opens a file for reading; not valid (errno set, EISDIR for a folder) when it cannot be.
UniqueFd OpenToRead(const std::filesystem::path& path);
// Reads everything from the descriptor's current offset to the end into `out`; 0 or the errno of
// the failure. Memory is taken once for the size the file has when the read starts.
int ReadWholeFile(int fd, std::string& out);
// Reads a regular file of `size` bytes (as fstat gave it) from the descriptor's current offset
// into `out`: one read when the size still holds (a short read at that size is the end), to
// the real end when it grew or shrank since it was measured.
int ReadRegularFile(int fd, std::size_t size, std::string& out);
// The memory the process can still take for reading and correcting a file, in bytes: the
// system's available memory (free and reclaimable), less where an address-space limit is
// nearer. A file that needs more is refused before it is read, rather than have the process
// killed by the kernel for want of memory half-way through writing it.
std::size_t MemoryForReading();

// Opens and reads the file at `path`; 0 or the errno of the failure.
int ReadWholeFile(const std::filesystem::path& path, std::string& out);

// The new content, given piece by piece, so that a large file's new content need not be held
// in memory beside its old one (UTF-8 is encoded a piece at a time while it is written).
class ContentSource {
public:
    virtual ~ContentSource() = default;
    // The total size of the content, for reserving space.
    virtual std::size_t Size() const = 0;
    // The next piece; an empty piece when all has been given.
    virtual std::string_view Next() = 0;
    // Starts again from the first piece (for a second way of writing after the first failed).
    virtual void Rewind() = 0;
};

struct RewriteResult {
    enum class Status {
        Written,        // the file now holds the replacement
        Restored,       // writing failed; the file holds its original bytes again
        RestoreFailed,  // writing failed and the original could not be put back
    };
    enum class Method {
        InPlace,  // through the open descriptor
        Renamed,  // a new file written beside it and renamed over it
    };
    Status status = Status::Written;
    Method method = Method::InPlace;
    int error = 0;         // errno of the failed write
    int restoreError = 0;  // errno of the failed restore (RestoreFailed only)
};

struct RewriteOptions {
    // Reserve the space of a grown file before touching its content, so that a full disk or
    // a file-size limit is met before anything is overwritten. Off only to exercise the
    // restore path in tests.
    bool reserveFirst = true;
    // RewriteFile tries a new file and a rename first; off to rewrite in place only.
    bool renameOver = true;
    // ...for files of at least this many bytes only. A small file is rewritten in place with
    // one write (and a truncation when it shrinks), too quick for a kill to land in between in
    // practice, and at a quarter of the cost of making a new file: a run over many small files
    // can take that.
    std::size_t renameAtLeast = 0;
    // The new file and its folder reach the disk before and after the rename, so that a power
    // cut leaves the old content or the new one. A killed process leaves one of the two either
    // way (the page cache outlives it); off, a run over many files does not wait for the disk
    // once per file, which is what `sed -i` does too.
    bool syncRenamed = true;
};

// Holds SIGXFSZ back on the calling thread for its lifetime, so that the rewrites made meanwhile
// do not change the signal mask each time: a run over many files makes one and keeps it.
class FileSizeSignalScope {
public:
    FileSizeSignalScope();
    ~FileSizeSignalScope();
    FileSizeSignalScope(const FileSizeSignalScope&) = delete;
    FileSizeSignalScope& operator=(const FileSizeSignalScope&) = delete;

private:
    sigset_t set_{};
    sigset_t previous_{};
    bool pendingBefore_ = false;
    bool outer_ = false;  // this scope set the mask (no enclosing one on this thread)
};

// `fd` is open for reading and writing on a regular file that holds exactly `original`.
// SIGXFSZ is held back during the call (by a FileSizeSignalScope, unless one is open already): the
// size limit shows as a failed write, not as the death of the process half-way through.
RewriteResult RewriteInPlace(int fd, std::string_view original, ContentSource& replacement,
                             RewriteOptions options = {});
RewriteResult RewriteInPlace(int fd, std::string_view original, std::string_view replacement,
                             RewriteOptions options = {});

// Rewrites the regular file open (for reading and writing) on `fd` as `path`, holding exactly
// `original`: through a new file and a rename where everything the old file had can be carried
// over to it, else in place (see above). A new file that does not fit on the disk falls back to
// the in-place rewrite, which needs only the growth. Written, or the file under `path` holds its
// original bytes (Restored), except for a failed restore of an in-place rewrite.
RewriteResult RewriteFile(int fd, const std::filesystem::path& path, std::string_view original,
                          ContentSource& replacement, RewriteOptions options = {});
RewriteResult RewriteFile(int fd, const std::filesystem::path& path, std::string_view original,
                          std::string_view replacement, RewriteOptions options = {});

// Writes `bytes` to `path` through a temporary file in the same folder and a rename. An
// existing target keeps its permission bits; a target without write permission is refused.
// A symbolic link is followed: the file it points to is replaced, the link stays; with
// `followLink` false (a backup copy, whose name anyone who may write in the folder could have
// taken with a link to somewhere else) the link itself is replaced by the file. The owner is
// kept where the process may set it; other hard links of the target keep the old content.
// False (and the target untouched) on any failure; `error`, when given, receives the errno
// that stopped it (0 on success).
bool WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes,
                        int* error = nullptr, bool followLink = true);

}  // namespace qx
