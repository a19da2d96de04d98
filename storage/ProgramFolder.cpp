// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ProgramFolder.h"

#include <system_error>

namespace qx {

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

}  // namespace qx
