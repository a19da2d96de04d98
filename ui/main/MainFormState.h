// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's stored state: Settings.xml and Default.lst in the configuration folder,
// read at start-up and written at close, each kept aside as a ".bak" copy when it could not
// be read (the user was told, and it may hold work worth mending), and the stored bounds
// brought onto a screen.

#include <filesystem>
#include <string_view>

#include "storage/Settings.h"

class QWidget;

namespace qx {

class Messages;
class TListFile;

class MainFormState {
public:
    // `listFile` and `messages` must outlive this object. The default list shipped in
    // `programFolder` is the one to start with until the user has one of his own.
    MainFormState(std::filesystem::path configFolder, std::filesystem::path programFolder,
                  TListFile& listFile, Messages& messages);

    // Reads the settings file over `settings`, whose histories it replaces.
    SettingsLoadResult LoadSettings(TSettings& settings);
    // Writes the file without a word, also when that fails (the old file then stays).
    void SaveSettings(const TSettings& settings);
    // Loads the default list into the rule list and rows, silently when there is none.
    void LoadDefaultList();
    // Writes the default list without a question, with the marks the rows show; says so when
    // it cannot be written.
    void SaveDefaultList();

    // Bounds stored with another screen layout (a monitor since unplugged) could open the
    // window where nobody sees it: then it opens at the top left of the primary screen.
    static void KeepOnScreen(QWidget& window);

private:
    std::filesystem::path ConfigFile(std::string_view name) const;

    std::filesystem::path configFolder_;
    std::filesystem::path programFolder_;
    TListFile& listFile_;
    Messages& messages_;
    // Default.lst was there at start-up but could not be read: it is kept aside at close.
    bool defaultListUnreadable_ = false;
    // Settings.xml was damaged at start-up: it is kept aside at close.
    bool settingsDamaged_ = false;
};

}  // namespace qx
