// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The file list of the "Файлы" page: the files a folder scan found, each with the check mark
// that decides whether the next correction run works on it. The main window owns one TFiles
// for its whole life; rows of the view refer to the entries without owning them.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qx {

class TFile {
public:
    explicit TFile(std::filesystem::path fileName, bool checked = true)
        : Checked(checked), FileName(std::move(fileName)) {}

    bool Checked;
    std::filesystem::path FileName;  // full path, as the file system has it
    // The scan found a symbolic link to a file here; a run corrects through no other link.
    bool Link = false;
};

class TFiles {
public:
    TFiles() = default;
    TFiles(const TFiles&) = delete;
    TFiles& operator=(const TFiles&) = delete;

    // Takes ownership and returns the new entry's index; -1 when given no entry.
    int Add(std::unique_ptr<TFile> file);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    // The entry at `index`, or nullptr when the index is out of range.
    TFile* Items(int index) const;

    // The folder the list was built from, as typed, without a trailing separator.
    std::filesystem::path Folder;

private:
    std::vector<std::unique_ptr<TFile>> items_;
};

// The caption of an entry's row: its path relative to `folder` ("sub/name.txt"), UTF-8. A
// path outside the folder is shown whole.
std::string RelativeName(const std::filesystem::path& folder, const std::filesystem::path& file);

}  // namespace qx
