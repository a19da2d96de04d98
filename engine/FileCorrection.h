// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// CorrectFile: corrects one file on disk. The file is opened for reading and writing and locked
// (flock, exclusive, non-blocking) for the whole call, read whole, decoded from UTF-8 or taken
// as windows-1251, run through the rules, and written back in its own encoding only when a rule
// changed it (an unchanged file keeps its modification time): through a new file renamed over
// it, or in place where that would not keep its owner, mode, attributes or hard links
// (RewriteFile).
//
// Nothing is ever lost: a file holding characters that windows-1251 cannot represent is left as
// it is, and a write that fails half-way (full disk, file-size limit) puts the original bytes
// back. Such files come back as not handled, with the reason.
//
// Example:
//     CorrectionResult r = CorrectFile(path, kReplaceAll, nullptr, utf8Option, engine);
//     if (!r.Handled() && r.ShouldReport()) log(path + ": " + r.reason);

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "engine/CorrectionResult.h"
#include "engine/EngineRules.h"
#include "engine/FileIo.h"
#include "engine/TextRules.h"

namespace qx {

struct TReplaceConditions;

// Makes the backup copy of a file that is about to be rewritten, from the bytes it holds now;
// 0, or the errno of the failure, which leaves the file as it is (BackupFailed).
using BackupCopy = std::function<int(const std::filesystem::path& path, std::string_view bytes)>;

// Corrects the file at `path`. `conditions`, when not null, is consulted (CheckConditions) on
// the decoded text before any rule runs. `utf8Option` takes every file as UTF-8. `backup`, when
// set, runs only for a file the rules changed, before it is written. The current file name of
// the records is left as the caller set it. Errors of the rules (ERegExpr, XmlError) propagate
// after the file has been closed, unwritten.
CorrectionResult CorrectFile(const std::filesystem::path& path,
                             const TReplaceConditions* conditions, bool utf8Option,
                             TextRules& rules, const BackupCopy& backup = {});

// Asked for a file the rules changed, after they ran and before the backup and the write; false
// leaves the file untouched (reported as Unchanged; the caller that says no drops the report).
using WriteGate = std::function<bool()>;

// What a path that is a symbolic link means to the correction. A path the user named (a batch
// file list, a dropped file) or a link the folder scan listed as such leads to its file, which
// is corrected in place so the link stays. A path the scan saw as a regular file must still be
// one: a link found there now was put there by someone else after the scan (and could lead
// anywhere, /etc/passwd for a run as root), so nothing is written through it. The last
// component is opened without following a link even when it was a file a moment before, so
// the swap cannot slip in between the look and the open either.
enum class LinkUse { Follow, Refuse };

// Memory a thread reuses from file to file (the bytes read, the decoded and the corrected text),
// so that a run over many files does not take and give back each file's memory.
struct CorrectionBuffers {
    std::string bytes;
    std::string decoded;
    std::string corrected;
};

// What lstat said of a path, for a caller that looked at it before the call (to weigh the files
// of a list); `error` is its errno, 0 when it succeeded.
struct PathLook {
    int error = 0;
    struct stat info {};
};

// `buffers`, when given, hold the file's texts instead of memory of the call's own; `look`, when
// given, stands for the look at the path before it is opened.
CorrectionResult CorrectFile(const std::filesystem::path& path,
                             const TReplaceConditions* conditions, bool utf8Option,
                             TextRules& rules, const BackupCopy& backup, const WriteGate& gate,
                             LinkUse links = LinkUse::Follow, RewriteOptions rewrite = {},
                             CorrectionBuffers* buffers = nullptr, const PathLook* look = nullptr);

inline CorrectionResult CorrectFile(const std::filesystem::path& path, ReplaceFlags flags,
                                    const TReplaceConditions* conditions, bool utf8Option,
                                    RuleEngine& engine) {
    EngineRules rules(engine, flags);
    return CorrectFile(path, conditions, utf8Option, rules);
}

}  // namespace qx
