// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ConfigLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "storage/ProgramFolder.h"

namespace qx {
namespace {

constexpr std::string_view kConfigSubfolder = "qxquendro";

std::filesystem::path WithSeparator(std::filesystem::path folder) {
    if (folder.native().empty()) return "./";
    if (folder.native().back() != '/') folder += "/";
    return folder;
}

const char* HomeFromPasswd() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? entry->pw_dir : nullptr;
}

}  // namespace

std::filesystem::path ChooseConfigFolder(const std::filesystem::path& programFolder,
                                         const char* xdgConfigHome, const char* home) {
    if (!programFolder.empty() && ::access(programFolder.c_str(), W_OK) == 0) {
        return WithSeparator(programFolder);
    }
    std::filesystem::path base;
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        base = xdgConfigHome;
    } else if (home && home[0] != '\0') {
        base = std::filesystem::path(home) / ".config";
    } else {
        // Without any home there is nowhere better than the program folder.
        return WithSeparator(programFolder);
    }
    return WithSeparator(base / kConfigSubfolder);
}

std::filesystem::path ConfigFolder() {
    const std::filesystem::path program = ProgramFolder();
    const bool installed = DataFolder() != program;
    const char* home = std::getenv("HOME");
    if (!home || home[0] == '\0') home = HomeFromPasswd();
    std::filesystem::path folder = ChooseConfigFolder(installed ? std::filesystem::path() : program,
                                                      std::getenv("XDG_CONFIG_HOME"), home);
    if (folder != WithSeparator(program)) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);  // a failure shows when writing
    }
    return folder;
}

std::filesystem::path ConfigFile(std::string_view name) { return ConfigFolder() / name; }

std::filesystem::path ChooseStateFolder(const char* xdgStateHome, const char* home) {
    std::filesystem::path base;
    if (xdgStateHome && xdgStateHome[0] == '/') {
        base = xdgStateHome;
    } else if (home && home[0] != '\0') {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        return {};
    }
    return WithSeparator(base / kConfigSubfolder);
}

std::filesystem::path StateFolder() {
    const char* home = std::getenv("HOME");
    if (!home || home[0] == '\0') home = HomeFromPasswd();
    std::filesystem::path folder = ChooseStateFolder(std::getenv("XDG_STATE_HOME"), home);
    if (folder.empty()) return folder;
    std::error_code error;
    if (std::filesystem::create_directories(folder, error))
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    return folder;
}

}  // namespace qx
