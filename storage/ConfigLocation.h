// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the program keeps the files it writes: "Settings.xml", "Default.lst" and
// "Strings.xml". That is the program folder, as on the desktop the program comes from; an
// installed program cannot write there, and then the user's configuration folder
// ($XDG_CONFIG_HOME/qxquendro/, by default ~/.config/qxquendro/) takes its place.

#include <filesystem>
#include <string_view>

namespace qx {

// The names of the files kept there, and the suffix of the copy a damaged one is kept as.
inline constexpr std::string_view kSettingsFileName = "Settings.xml";
inline constexpr std::string_view kDefaultListFileName = "Default.lst";
inline constexpr std::string_view kKeptCopySuffix = ".bak";

// The folder, with a trailing "/". When it is the configuration folder it is created (with
// its parents) if missing.
std::filesystem::path ConfigFolder();

// The choice itself, for a given program folder and environment: the program folder when it
// is writable, else the configuration folder. `xdgConfigHome` and `home` may be null; a
// relative $XDG_CONFIG_HOME is ignored, as the base-directory rules ask.
std::filesystem::path ChooseConfigFolder(const std::filesystem::path& programFolder,
                                         const char* xdgConfigHome, const char* home);

// A file of that folder: ConfigFile(kSettingsFileName).
std::filesystem::path ConfigFile(std::string_view name);

}  // namespace qx
