// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rows of the file list view: which entries are shown under "только  отмеченные" and the
// text filter, the check-mark commands on the rows shown, and the "%d / %d" counter. A row
// refers to its entry, so a check mark set on a row is the entry's own; a hidden entry keeps
// its mark, and a correction run works on the rows shown.

#include <span>
#include <string>
#include <vector>

#include "batch/FileList.h"

namespace qx {

struct FileViewFilter {
    bool checkedOnly = false;  // "только  отмеченные"
    bool filterOn = false;     // "Фильтр"
    std::string filterText;    // as typed, UTF-8; compared without regard to case
};

class FileRows {
public:
    // Refills the rows from the list, in list order.
    void Fill(const TFiles& files, const FileViewFilter& filter);
    void Clear();

    int Count() const { return static_cast<int>(rows_.size()); }
    TFile& Row(int row) const { return *rows_.at(static_cast<std::size_t>(row)); }
    // The row's caption: the path relative to the list's folder, UTF-8.
    std::string Caption(int row) const;
    int CheckedCount() const;
    // "checked / rows", the label under the list.
    std::string CounterText() const;

    // "Отметить" and "Снять отметки": the selected rows (indices out of range are ignored).
    void CheckSelected(std::span<const int> selected, bool checked);
    // "Отметить все" and "Снять все отметки".
    void CheckAll(bool checked);
    // "Инвертировать".
    void InvertAll();
    // A double click: the first selected row changes its mark.
    void ToggleFirstSelected(std::span<const int> selected);

private:
    std::vector<TFile*> rows_;
    std::filesystem::path folder_;
};

}  // namespace qx
