// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/RunJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "batch/FileListCorrection.h"
#include "engine/FileIo.h"

namespace qx {
namespace {

constexpr std::string_view kSignature{"QXJRNL1\n", 8};
constexpr std::string_view kRunPrefix = "run-";
constexpr std::string_view kRunSuffix = ".qxj";
constexpr unsigned char kOriginal = 1;
constexpr unsigned char kWritten = 2;
constexpr std::size_t kHeadSize = 16;
constexpr std::size_t kDigestSize = std::tuple_size_v<ContentHash::Digest>;
constexpr std::size_t kReadPiece = 1 << 20;
// What the records of one file take besides its bytes: two heads and record digests, the index
// and path (a long one allowed for), the digests and size of the file.
constexpr std::uint64_t kRecordsPerFile = 2 * (kHeadSize + kDigestSize) + 12 + 256 + 3 * 40;

void PutNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
}

std::uint64_t GetNumber(std::string_view in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int k = bytes - 1; k >= 0; --k)
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(k)]);
    return value;
}

std::string_view DigestText(const ContentHash::Digest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

ContentHash::Digest DigestFrom(std::string_view in, std::size_t at) {
    ContentHash::Digest digest{};
    std::memcpy(digest.data(), in.data() + at, digest.size());
    return digest;
}

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

// Reads exactly `size` bytes at `offset`; false when the file ends before.
bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::string& out) {
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// The run number of a journal file name, or nothing for any other file.
std::optional<std::uint64_t> RunNumber(const std::filesystem::path& file) {
    const std::string name = file.filename().native();
    if (name.size() <= kRunPrefix.size() + kRunSuffix.size() || !name.starts_with(kRunPrefix) ||
        !name.ends_with(kRunSuffix))
        return std::nullopt;
    const std::string digits =
        name.substr(kRunPrefix.size(), name.size() - kRunPrefix.size() - kRunSuffix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoull(digits);
}

std::uint64_t SizeOf(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    return error ? 0 : size;
}

void SyncFolder(const std::filesystem::path& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid()) ::fsync(fd.Get());
}

}  // namespace

RunJournal::RunJournal(std::filesystem::path folder, std::uint64_t limit)
    : folder_(std::move(folder)), limit_(limit) {}

RunJournal::~RunJournal() = default;

bool RunJournal::HasRoom(std::uint64_t bytes, std::uint64_t files) const {
    // The folder is made at the first record; until then its nearest existing parent is asked.
    std::filesystem::path folder = folder_;
    struct statvfs disk {};
    while (::statvfs(folder.c_str(), &disk) != 0) {
        if (errno != ENOENT || !folder.has_relative_path()) return true;
        folder = folder.parent_path();
    }
    const std::uint64_t free = std::uint64_t{disk.f_bavail} * disk.f_frsize;
    return bytes + files * kRecordsPerFile + kSignature.size() <= free;
}

void RunJournal::Attach(FileListCorrection& correction) {
    correction.makeBackup = [this, previous = correction.makeBackup](
                                const std::filesystem::path& path, std::string_view bytes) {
        if (const int error = KeepOriginal(path, bytes)) return error;
        return previous ? previous(path, bytes) : 0;
    };
    correction.onFileDone = [this, previous = correction.onFileDone](const FileReport& report) {
        if (report.verdict == FileReport::Verdict::Corrected &&
            report.result.outcome == CorrectionOutcome::Rewritten)
            NoteWritten(report.path);
        if (previous) previous(report);
    };
}

std::vector<std::filesystem::path> RunJournal::Runs(const std::filesystem::path& folder) {
    std::vector<std::pair<std::uint64_t, std::filesystem::path>> numbered;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (const auto number = RunNumber(entry.path()))
            numbered.emplace_back(*number, entry.path());
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::filesystem::path> runs;
    for (auto& [number, path] : numbered) runs.push_back(std::move(path));
    return runs;
}

void RunJournal::DropAll(const std::filesystem::path& folder) {
    std::error_code error;
    for (const std::filesystem::path& run : Runs(folder)) std::filesystem::remove(run, error);
}

int RunJournal::Open() {
    std::error_code error;
    if (std::filesystem::create_directories(folder_, error))
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, error);
    Prune();
    const std::vector<std::filesystem::path> runs = Runs(folder_);
    const std::uint64_t number = runs.empty() ? 1 : *RunNumber(runs.back()) + 1;
    std::string name = std::to_string(number);
    name.insert(0, name.size() < 8 ? 8 - name.size() : 0, '0');
    file_ = folder_ / (std::string(kRunPrefix) + name + std::string(kRunSuffix));
    fd_ = UniqueFd(::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd_.Valid()) return errno;
    if (const int failure = WriteAll(fd_.Get(), kSignature)) {
        // A run file without its signature would be tried again for the next file and count
        // among the kept runs, pushing out runs that can be undone.
        fd_.Close();
        std::filesystem::remove(file_, error);
        return failure;
    }
    end_ = static_cast<off_t>(kSignature.size());
    SyncFolder(folder_);  // the new name survives a power cut along with what it holds
    return 0;
}

int RunJournal::Append(unsigned char type, std::string_view head, std::string_view bytes) {
    std::string record;
    record.push_back(static_cast<char>(type));
    record.append(7, '\0');
    PutNumber(record, head.size() + bytes.size(), 8);
    record += head;
    ContentHash digest;
    digest.Add(record);
    digest.Add(bytes);
    const ContentHash::Digest sum = digest.Finish();
    int error = WriteAll(fd_.Get(), record);
    if (error == 0) error = WriteAll(fd_.Get(), bytes);
    if (error == 0) error = WriteAll(fd_.Get(), DigestText(sum));
    if (error != 0) {
        // Cut back to the last complete record, so that the records after it can be read.
        if (::ftruncate(fd_.Get(), end_) == 0) ::lseek(fd_.Get(), end_, SEEK_SET);
        return error;
    }
    end_ += static_cast<off_t>(record.size() + bytes.size() + kDigestSize);
    return 0;
}

int RunJournal::KeepOriginal(const std::filesystem::path& path, std::string_view bytes) {
    const std::lock_guard lock(mutex_);
    if (!fd_.Valid()) {
        if (const int error = Open()) {
            fd_.Close();
            return error;
        }
    }
    std::string head;
    PutNumber(head, count_, 8);
    PutNumber(head, path.native().size(), 4);
    head += path.native();
    head += DigestText(ContentHash::Of(bytes));
    if (const int error = Append(kOriginal, head, bytes)) return error;
    // The file is touched only once its original is on disk.
    if (::fdatasync(fd_.Get()) != 0) return errno;
    lastIndex_[path.native()] = count_++;
    return 0;
}

void RunJournal::NoteWritten(const std::filesystem::path& path) {
    std::string now;
    if (ReadWholeFile(path, now) != 0) return;  // undo will find it changed
    const std::lock_guard lock(mutex_);
    const auto found = lastIndex_.find(path.native());
    if (found == lastIndex_.end() || !fd_.Valid()) return;
    std::string head;
    PutNumber(head, found->second, 8);
    head += DigestText(ContentHash::Of(now));
    PutNumber(head, now.size(), 8);
    // Not synced one by one: a record lost to a power cut makes undo only more careful.
    Append(kWritten, head, {});
}

void RunJournal::Finish() {
    const std::lock_guard lock(mutex_);
    if (fd_.Valid()) {
        ::fdatasync(fd_.Get());
        fd_.Close();
    }
    file_.clear();
    lastIndex_.clear();
    count_ = 0;
    Prune();
}

void RunJournal::Prune() const {
    std::vector<std::filesystem::path> runs = Runs(folder_);
    std::uint64_t total = 0;
    for (const std::filesystem::path& run : runs) total += SizeOf(run);
    std::error_code error;
    // The newest run stays whatever its size: its user was told it can be undone.
    for (std::size_t k = 0; k + 1 < runs.size(); ++k) {
        const bool tooMany = runs.size() - k > kKeptRuns;
        if (!tooMany && total <= limit_) break;
        if (runs[k] == file_) continue;
        total -= std::min(total, SizeOf(runs[k]));
        std::filesystem::remove(runs[k], error);
    }
}

std::vector<JournalEntry> RunJournal::Read(const std::filesystem::path& runFile) {
    std::vector<JournalEntry> entries;
    const UniqueFd fd(::open(runFile.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return entries;
    std::string piece;
    if (!ReadAt(fd.Get(), 0, kSignature.size(), piece) || piece != kSignature) return entries;
    std::map<std::uint64_t, std::size_t> byIndex;
    std::uint64_t at = kSignature.size();
    std::string head;
    for (;;) {
        if (!ReadAt(fd.Get(), at, kHeadSize, head)) break;
        const auto type = static_cast<unsigned char>(head[0]);
        const std::uint64_t length = GetNumber(head, 8, 8);
        if ((type != kOriginal && type != kWritten) || length > (std::uint64_t{1} << 48)) break;
        // The digest is checked piece by piece: a record may hold a large file.
        ContentHash digest;
        digest.Add(head);
        std::string meta;
        const std::size_t metaSize =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, type == kOriginal ? 12 : 48));
        if (!ReadAt(fd.Get(), at + kHeadSize, metaSize, meta)) break;
        JournalEntry entry;
        std::uint64_t index = 0;
        std::size_t fixed = 0;
        if (type == kOriginal) {
            if (length < 12) break;
            index = GetNumber(meta, 0, 8);
            const std::uint64_t pathSize = GetNumber(meta, 8, 4);
            if (length < 12 + pathSize + kDigestSize) break;
            std::string rest;
            if (!ReadAt(fd.Get(), at + kHeadSize + 12, pathSize + kDigestSize, rest)) break;
            entry.path = rest.substr(0, pathSize);
            entry.originalHash = DigestFrom(rest, pathSize);
            meta += rest;
            fixed = meta.size();
            entry.bytesOffset = at + kHeadSize + fixed;
            entry.size = length - fixed;
        } else {
            if (length != 48) break;
            fixed = meta.size();
        }
        digest.Add(meta);
        bool complete = true;
        for (std::uint64_t done = fixed; done < length;) {
            const std::size_t part =
                static_cast<std::size_t>(std::min<std::uint64_t>(kReadPiece, length - done));
            if (!ReadAt(fd.Get(), at + kHeadSize + done, part, piece)) {
                complete = false;
                break;
            }
            digest.Add(piece);
            done += part;
        }
        std::string sum;
        if (!complete || !ReadAt(fd.Get(), at + kHeadSize + length, kDigestSize, sum) ||
            sum != DigestText(digest.Finish()))
            break;
        at += kHeadSize + length + kDigestSize;
        if (type == kOriginal) {
            byIndex[index] = entries.size();
            entries.push_back(std::move(entry));
        } else {
            const auto found = byIndex.find(GetNumber(meta, 0, 8));
            if (found == byIndex.end()) continue;
            entries[found->second].writtenHash = DigestFrom(meta, 8);
            entries[found->second].writtenSize = GetNumber(meta, 40, 8);
        }
    }
    return entries;
}

}  // namespace qx
