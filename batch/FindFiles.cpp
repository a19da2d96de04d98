// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FindFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace qx {
namespace {

// An open folder for reading; closed when it goes out of scope.
class DirReader {
public:
    // The scanned folder itself may be a symbolic link the user typed; folders met during the
    // walk are opened without following one, in case an entry was replaced by a link.
    DirReader(const std::string& path, bool followLink) {
        int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        if (!followLink) flags |= O_NOFOLLOW;
        const int fd = ::open(path.c_str(), flags);
        if (fd < 0) return;
        dir_ = ::fdopendir(fd);
        if (!dir_) ::close(fd);
    }
    ~DirReader() {
        if (dir_) ::closedir(dir_);
    }
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    bool IsOpen() const { return dir_ != nullptr; }
    int Fd() const { return ::dirfd(dir_); }
    const dirent* Next() { return ::readdir(dir_); }

private:
    DIR* dir_ = nullptr;
};

enum class Kind { File, LinkToFile, Folder, Other };

// Kind of an entry, asking the file system only when the folder listing does not tell.
Kind KindOf(int dirFd, const dirent& entry) {
    unsigned char type = entry.d_type;
    struct stat st;
    if (type == DT_UNKNOWN) {
        if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Kind::Other;
        if (S_ISREG(st.st_mode)) return Kind::File;
        if (S_ISDIR(st.st_mode)) return Kind::Folder;
        if (!S_ISLNK(st.st_mode)) return Kind::Other;
        type = DT_LNK;
    }
    switch (type) {
        case DT_REG:
            return Kind::File;
        case DT_DIR:
            return Kind::Folder;
        case DT_LNK:
            // A link counts as a file when it leads to one; links to folders are never walked.
            if (::fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) {
                return Kind::LinkToFile;
            }
            return Kind::Other;
        default:
            return Kind::Other;
    }
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path.push_back('/');
    path += name;
    return path;
}

class Walker {
public:
    Walker(const std::vector<FileMask>& masks, const FilePathReport& report, bool recursive)
        : masks_(masks),
          report_(report),
          recursive_(recursive),
          everything_(std::any_of(masks.begin(), masks.end(),
                                  [](const FileMask& mask) { return mask.MatchesEverything(); })) {}

    void Walk(const std::string& folder, bool top) {
        std::vector<std::string> subfolders;
        {
            DirReader dir(folder, top);
            if (!dir.IsOpen()) return;
            bool reporting = true;
            while (const dirent* entry = dir.Next()) {
                const std::string_view name = entry->d_name;
                if (name == "." || name == "..") continue;
                const bool wanted = reporting && Matches(name);
                // Only what is reported or walked needs its kind.
                if (!wanted && !(recursive_ && name.front() != '.')) continue;
                const Kind kind = KindOf(dir.Fd(), *entry);
                if ((kind == Kind::File || kind == Kind::LinkToFile) && wanted) {
                    reporting = report_(JoinPath(folder, name), kind == Kind::LinkToFile);
                } else if (kind == Kind::Folder && recursive_ && name.front() != '.') {
                    subfolders.emplace_back(name);
                }
            }
        }
        // The folder is closed before going down, so the depth of a tree costs no handles.
        for (const std::string& sub : subfolders) Walk(JoinPath(folder, sub), false);
    }

private:
    bool Matches(std::string_view name) {
        if (everything_) return true;
        FoldedCodePoints(name, folded_);  // once for all masks
        return std::any_of(masks_.begin(), masks_.end(),
                           [this](const FileMask& mask) { return mask.MatchesFolded(folded_); });
    }

    const std::vector<FileMask>& masks_;
    const FilePathReport& report_;
    bool recursive_;
    bool everything_;
    std::u32string folded_;
};

}  // namespace

void FindFiles(const std::filesystem::path& folder, const std::vector<FileMask>& masks,
               const FilePathReport& report, bool recursive) {
    if (!report || folder.empty()) return;
    Walker(masks, report, recursive).Walk(folder.native(), true);
}

void FindFiles(const std::filesystem::path& pattern, const FileReport& report, bool recursive) {
    const std::string& text = pattern.native();
    if (text.empty() || !report) return;
    const std::size_t slash = text.rfind('/');
    if (slash == std::string::npos) return;  // no folder part: nothing to walk
    const std::string folder = slash == 0 ? std::string("/") : text.substr(0, slash);
    const std::vector<FileMask> masks{FileMask(std::string_view(text).substr(slash + 1))};
    const FilePathReport asPath = [&report](const std::string& path, bool) {
        return report(std::filesystem::path(path));
    };
    FindFiles(std::filesystem::path(folder), masks, asPath, recursive);
}

}  // namespace qx
