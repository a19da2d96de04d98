// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ProgramFolder.h"

#include <system_error>

namespace qx {

namespace {

constexpr const char* kDataSubfolder = "share/qxquendro";

}  // namespace

std::filesystem::path FolderWithSeparator(const std::filesystem::path& file) {
    const std::filesystem::path parent = file.parent_path();
    const std::string& folder = parent.native();
    if (folder.empty()) return "./";
    if (folder.back() == '/') return folder;
    return std::filesystem::path(folder) / "";
}

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && exe.is_absolute()) return FolderWithSeparator(exe);
    std::filesystem::path current = std::filesystem::current_path(error);
    if (error) return "./";
    return FolderWithSeparator(current / "");
}

std::filesystem::path ChooseDataFolder(const std::filesystem::path& programFolder) {
    // "/usr/bin/" has the file name "" and the parent "/usr/bin"; both spellings are accepted.
    std::filesystem::path bin = programFolder;
    if (!bin.has_filename()) bin = bin.parent_path();
    if (bin.filename() == "bin") {
        const std::filesystem::path data = (bin.parent_path() / kDataSubfolder).lexically_normal();
        std::error_code error;
        if (std::filesystem::is_directory(data, error)) return data / "";
    }
    return programFolder;
}

std::filesystem::path DataFolder() { return ChooseDataFolder(ProgramFolder()); }

}  // namespace qx
