// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// RunJournal: the undo journal of the window's corrections. Before a file is rewritten its
// original bytes are appended to the journal of the run and synced to disk, so that the run can
// be undone however it ended, a killed process or a power cut included; once the file is
// written, the digest of what it then holds is appended too. Undo (JournalUndo) puts back only
// files that still hold what the run wrote.
//
// The journal is a folder (StateFolder()) with one file per run, "run-<number>.qxj", numbered
// in the order the runs began. A file is the 8-byte signature and then records:
//     type (1 byte), 7 zero bytes, payload length (8 bytes, little-endian), payload,
//     SHA-256 of everything before it in the record (32 bytes)
// Original (type 1): index (8), path length (4), path, SHA-256 of the bytes (32), the bytes.
// Written  (type 2): index of its original record (8), SHA-256 (32) and size (8) of the
//                    file after the write.
// A record cut short or failing its digest ends the file for the reader; every complete
// record before it counts. The newest few runs are kept, within a limit of their total size;
// the oldest go first.
//
// Example:
//     RunJournal journal(StateFolder(), limit);
//     if (!journal.Fits(estimate) && !ask()) return;
//     journal.Attach(correction);
//     correction.Run(files);
//     journal.Finish();

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/ContentHash.h"
#include "engine/UniqueFd.h"

namespace qx {

class FileListCorrection;

// One file of a run as the journal holds it.
struct JournalEntry {
    std::filesystem::path path;
    std::uint64_t size = 0;  // of the original
    ContentHash::Digest originalHash{};
    std::uint64_t bytesOffset = 0;  // where the original bytes start in the journal file
    std::optional<ContentHash::Digest> writtenHash;
    std::uint64_t writtenSize = 0;
};

class RunJournal {
public:
    // How many runs are kept at most, whatever their size.
    static constexpr std::size_t kKeptRuns = 5;

    // `folder` is the journal's folder (created when missing); `limit` the total bytes the
    // kept runs may take.
    RunJournal(std::filesystem::path folder, std::uint64_t limit);
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Whether a run rewriting files of `bytes` bytes in all can be kept.
    bool Fits(std::uint64_t bytes) const { return bytes <= limit_; }
    // Whether the disk of the journal's folder has room for the originals of `files` files of
    // `bytes` bytes in all, with their records; a folder whose disk cannot be asked counts as
    // having room (a failed write still leaves the file alone).
    bool HasRoom(std::uint64_t bytes, std::uint64_t files) const;

    // Journals the files the correction rewrites: its makeBackup keeps the original first (a
    // file whose original cannot be kept is not rewritten), its onFileDone notes what a
    // rewritten file holds. The hooks set before stay and run after the journal's.
    void Attach(FileListCorrection& correction);

    // Keeps the original bytes of a file about to be rewritten; 0 or the errno of the failure.
    // Thread-safe. The run's file is made at the first call.
    int KeepOriginal(const std::filesystem::path& path, std::string_view bytes);
    // Notes what the file holds now that it was rewritten.
    void NoteWritten(const std::filesystem::path& path);
    // Syncs and closes the run's file and drops the oldest runs beyond the limits. A run that
    // kept nothing leaves no file.
    void Finish();

    // A run that cannot be kept: the earlier runs are dropped, for undo after it would no
    // longer undo the last correction.
    static void DropAll(const std::filesystem::path& folder);

    // The run files of the folder, oldest first.
    static std::vector<std::filesystem::path> Runs(const std::filesystem::path& folder);
    // The complete records of one run file, the written digests joined to their originals.
    static std::vector<JournalEntry> Read(const std::filesystem::path& runFile);

private:
    int Open();
    int Append(unsigned char type, std::string_view head, std::string_view bytes);
    void Prune() const;

    std::filesystem::path folder_;
    std::uint64_t limit_;
    std::filesystem::path file_;
    UniqueFd fd_;
    off_t end_ = 0;  // end of the last complete record
    std::uint64_t count_ = 0;
    std::map<std::string, std::uint64_t> lastIndex_;  // path -> its latest original record
    std::mutex mutex_;
};

}  // namespace qx
