// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderScan.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "batch/FindFiles.h"
#include "batch/NameMatch.h"
#include "storage/DelimitedText.h"

namespace qx {
namespace {

// A path with its folded form computed once, for sorting many paths.
struct FoundPath {
    std::string folded;
    std::string path;
    bool link = false;
    bool operator<(const FoundPath& other) const {
        const int order = folded.compare(other.folded);
        return order != 0 ? order < 0 : path < other.path;
    }
};

}  // namespace

std::vector<std::string> ParseMasks(std::string_view maskText) {
    std::vector<std::string> masks = SplitDelimited(maskText, ';');
    std::stable_sort(masks.begin(), masks.end(), [](const std::string& a, const std::string& b) {
        return FoldCase(a) < FoldCase(b);
    });
    masks.erase(
        std::unique(masks.begin(), masks.end(),
                    [](const std::string& a, const std::string& b) { return EqualsFolded(a, b); }),
        masks.end());
    return masks;
}

std::string TrimFolderText(std::string_view folderText) {
    while (folderText.size() > 1 && folderText.back() == '/') folderText.remove_suffix(1);
    return std::string(folderText);
}

ScanResult ScanFolder(std::string_view folderText, std::string_view maskText, bool recursive,
                      TFiles& files, std::vector<std::string>& folderHistory) {
    ScanResult result;
    result.folderText = std::string(folderText);
    const std::string folder = TrimFolderText(folderText);
    files.Folder = folder;
    files.Clear();
    if (folder.empty()) return result;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        result.outcome = ScanOutcome::FolderNotFound;
        return result;
    }

    // A mask may name a subfolder ("sub/*.txt"); masks are grouped by the folder they search,
    // so that each folder tree is walked once however many masks there are.
    std::map<std::string, std::vector<FileMask>> walks;
    for (const std::string& mask : ParseMasks(maskText)) {
        const std::string pattern = folder == "/" ? "/" + mask : folder + "/" + mask;
        const std::size_t slash = pattern.rfind('/');
        const std::string base = slash == 0 ? std::string("/") : pattern.substr(0, slash);
        walks[base].emplace_back(std::string_view(pattern).substr(slash + 1));
    }
    std::vector<FoundPath> found;
    // Every path begins with the folder, so the order is decided by what follows it.
    const std::size_t common = folder == "/" ? 1 : folder.size() + 1;
    const FilePathReport collect = [&found, common](const std::string& path, bool link) {
        found.push_back(
            {FoldCase(std::string_view(path).substr(std::min(common, path.size()))), path, link});
        return true;
    };
    for (const auto& [base, masks] : walks) FindFiles(base, masks, collect, recursive);

    std::sort(found.begin(), found.end());
    found.erase(
        std::unique(found.begin(), found.end(),
                    [](const FoundPath& a, const FoundPath& b) { return a.path == b.path; }),
        found.end());
    for (FoundPath& entry : found) {
        auto file = std::make_unique<TFile>(std::move(entry.path));
        file->Link = entry.link;
        files.Add(std::move(file));
    }

    result.outcome = ScanOutcome::Scanned;
    if (RememberFolder(folderHistory, folder)) result.folderText = folder;
    return result;
}

bool RememberFolder(std::vector<std::string>& folderHistory, std::string_view folder) {
    const auto known =
        std::find_if(folderHistory.begin(), folderHistory.end(),
                     [folder](const std::string& entry) { return EqualsFolded(entry, folder); });
    const bool wasKnown = known != folderHistory.end();
    if (wasKnown) folderHistory.erase(known);
    folderHistory.insert(folderHistory.begin(), std::string(folder));
    if (folderHistory.size() > kFolderHistoryLimit) folderHistory.resize(kFolderHistoryLimit);
    return wasKnown;
}

bool RememberMask(std::vector<std::string>& maskItems, std::string_view maskText) {
    const bool known =
        std::any_of(maskItems.begin(), maskItems.end(),
                    [maskText](const std::string& item) { return EqualsFolded(item, maskText); });
    if (!known) maskItems.emplace_back(maskText);
    return !known;
}

}  // namespace qx
