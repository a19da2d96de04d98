// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Rewrites an open file in place through its descriptor, so that inode, mode, owner and hard
// links stay. A rewrite either completes or leaves the file holding its original bytes: every
// write is checked, and when one fails (full disk, file-size limit) the original is written back
// and the file cut to its old length.

#include <cstddef>
#include <string_view>

namespace qx {

// The new content, given piece by piece, so that a large file's new content need not be held
// in memory beside its old one (UTF-8 is encoded a piece at a time while it is written).
class ContentSource {
public:
    virtual ~ContentSource() = default;
    // The total size of the content, for reserving space.
    virtual std::size_t Size() const = 0;
    // The next piece; an empty piece when all has been given.
    virtual std::string_view Next() = 0;
};

struct RewriteResult {
    enum class Status {
        Written,        // the file now holds the replacement
        Restored,       // writing failed; the file holds its original bytes again
        RestoreFailed,  // writing failed and the original could not be put back
    };
    Status status = Status::Written;
    int error = 0;         // errno of the failed write
    int restoreError = 0;  // errno of the failed restore (RestoreFailed only)
};

struct RewriteOptions {
    // Reserve the space of a grown file before touching its content, so that a full disk or
    // a file-size limit is met before anything is overwritten. Off only to exercise the
    // restore path in tests.
    bool reserveFirst = true;
};

// `fd` is open for reading and writing on a regular file that holds exactly `original`.
// SIGXFSZ is held back during the call: the size limit shows as a failed write, not as the
// death of the process half-way through.
RewriteResult RewriteInPlace(int fd, std::string_view original, ContentSource& replacement,
                             RewriteOptions options = {});
RewriteResult RewriteInPlace(int fd, std::string_view original, std::string_view replacement,
                             RewriteOptions options = {});

}  // namespace qx
