// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileRows.h"

#include <algorithm>

#include "batch/NameMatch.h"

namespace qx {

void FileRows::Fill(const TFiles& files, const FileViewFilter& filter) {
    rows_.clear();
    folder_ = files.Folder;
    const bool useText = filter.filterOn && !filter.filterText.empty();
    const std::string needle = useText ? FoldCase(filter.filterText) : std::string();
    for (int i = 0; i < files.Count(); ++i) {
        TFile* file = files.Items(i);
        if (filter.checkedOnly && !file->Checked) continue;
        if (useText &&
            FoldCase(RelativeName(folder_, file->FileName)).find(needle) == std::string::npos) {
            continue;
        }
        rows_.push_back(file);
    }
}

void FileRows::Clear() { rows_.clear(); }

std::string FileRows::Caption(int row) const { return RelativeName(folder_, Row(row).FileName); }

int FileRows::CheckedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const TFile* file) { return file->Checked; }));
}

std::string FileRows::CounterText() const {
    return std::to_string(CheckedCount()) + " / " + std::to_string(Count());
}

void FileRows::CheckSelected(std::span<const int> selected, bool checked) {
    for (int row : selected) {
        if (row >= 0 && row < Count()) rows_[static_cast<std::size_t>(row)]->Checked = checked;
    }
}

void FileRows::CheckAll(bool checked) {
    for (TFile* file : rows_) file->Checked = checked;
}

void FileRows::InvertAll() {
    for (TFile* file : rows_) file->Checked = !file->Checked;
}

void FileRows::ToggleFirstSelected(std::span<const int> selected) {
    int first = -1;
    for (int row : selected) {
        if (row >= 0 && row < Count() && (first < 0 || row < first)) first = row;
    }
    if (first >= 0) rows_[static_cast<std::size_t>(first)]->Checked ^= true;
}

}  // namespace qx
