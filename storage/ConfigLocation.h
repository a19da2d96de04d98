// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the program keeps the files it writes: "Settings.xml", "Default.lst" and
// "Strings.xml". That is the program folder, as on the desktop the program comes from; an
// installed program cannot write there, and then the user's configuration folder
// ($XDG_CONFIG_HOME/qxquendro/, by default ~/.config/qxquendro/) takes its place. A program
// installed with its read-only files in <prefix>/share/qxquendro/ always uses the user's
// folder: run by root it could write to /usr/bin, which is no place for a user's files.

#include <filesystem>
#include <string_view>

namespace qx {

// The names of the files kept there, and the suffix of the copy a damaged one is kept as.
inline constexpr std::string_view kSettingsFileName = "Settings.xml";
inline constexpr std::string_view kDefaultListFileName = "Default.lst";
inline constexpr std::string_view kStringsFileName = "Strings.xml";
inline constexpr std::string_view kKeptCopySuffix = ".bak";

// The folder, with a trailing "/". When it is the configuration folder it is created (with
// its parents) if missing.
std::filesystem::path ConfigFolder();

// The choice itself, for a given program folder and environment: the program folder when it
// is writable, else the configuration folder; an empty program folder stands for an installed
// program and always gives the configuration folder ("./" when there is no home at all).
// `xdgConfigHome` and `home` may be null; a relative $XDG_CONFIG_HOME is ignored, as the
// base-directory rules ask.
std::filesystem::path ChooseConfigFolder(const std::filesystem::path& programFolder,
                                         const char* xdgConfigHome, const char* home);

// A file of that folder: ConfigFile(kSettingsFileName).
std::filesystem::path ConfigFile(std::string_view name);

// Where the program keeps what it may need again but the user never edits: the journal that
// lets the last corrections be undone. $XDG_STATE_HOME/qxquendro/, by default
// ~/.local/state/qxquendro/, with a trailing "/"; a relative $XDG_STATE_HOME is ignored. Empty
// when there is no home at all. StateFolder() creates it (only the user may enter it: it holds
// copies of the user's files).
std::filesystem::path ChooseStateFolder(const char* xdgStateHome, const char* home);
std::filesystem::path StateFolder();

}  // namespace qx
