// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileList.h"

namespace qx {

int TFiles::Add(std::unique_ptr<TFile> file) {
    if (!file) return -1;
    items_.push_back(std::move(file));
    return Count() - 1;
}

void TFiles::Clear() { items_.clear(); }

TFile* TFiles::Items(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<std::size_t>(index)].get();
}

std::string RelativeName(const std::filesystem::path& folder, const std::filesystem::path& file) {
    const std::string& full = file.native();
    std::string prefix = folder.native();
    if (prefix.empty()) return full;
    if (prefix.back() != '/') prefix.push_back('/');
    if (full.size() > prefix.size() && full.compare(0, prefix.size(), prefix) == 0) {
        return full.substr(prefix.size());
    }
    return full;
}

}  // namespace qx
