// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Settings.xml": the main window's layout, its last folder and mask, its two filters, the
// three options of the "Настройки" menu and the folder and mask histories, kept between runs.
// The window copies its state into TSettings before saving and takes it back after loading;
// nothing here knows the window.
//
// The file is XML without a declaration, UTF-8, root "Settings", one child element per value:
//   <Settings><Masks>*.md	"my *.txt"</Masks><Folders>/home/u/a	/home/u/b	</Folders>
//   <Left>409</Left>...<BackupFiles>True</BackupFiles></Settings>
// (on one line). Integers are decimal, booleans "True" or "False"; the mask history is
// Tab-separated with quotes around masks holding blanks or quotes; every folder of the
// history is followed by a Tab.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace qx {

class Messages;

inline constexpr std::size_t kStoredMaskLimit = 42;  // mask history entries written

// Texts are UTF-8. The initial values are the window's state when it is created, which is
// also what it keeps when there is no settings file: the window lays itself out from them.
struct TSettings {
    // The masks the user added after the built-in ones, in drop-down order.
    std::vector<std::string> maskHistory;
    // The folder drop-down, most recent first.
    std::vector<std::string> folderHistory;

    int left = 409;
    int top = 123;
    int width = 800;
    int height = 639;
    int replacesColumn1 = 225;  // "Что найти"
    int replacesColumn2 = 220;  // "Заменить на"
    int replacesColumn3 = 200;  // "xPath"
    int filesColumn1 = 700;     // the column of the file list
    int maskWidth = 137;        // the mask box beside the folder box
    int replacesHeight = 257;   // the rule pane above the splitter

    std::string filesFolder;  // text of the folder box
    std::string curMask = "*.*";
    bool replacesCheckedOnly = false;
    std::string filter;          // file filter text
    std::string replacesFilter;  // rule filter text
    bool ignoreCase = true;      // the negation of "Учитывать регистр"
    bool utf8 = false;
    bool backupFiles = true;
    // How much the undo journal may hold, in megabytes, its last few runs together.
    int undoJournalMegabytes = 1024;
};

enum class SettingsStatus {
    NoFile,   // nothing was read; the window keeps its state
    Loaded,   // every value was read (a file that does not parse reads as one without values)
    Damaged,  // a value could not be read: the ones before it were taken, the rest kept
};

struct SettingsLoadResult {
    SettingsStatus status = SettingsStatus::NoFile;
    // The window should scan `filesFolder` now: loading finished with a folder text.
    bool scanFolder = false;
};

// Shown, with a warning icon, when the file is damaged.
inline constexpr std::string_view kSettingsDamagedText =
    "Файл Settings.xml поврежден. Часть настроек загрузить\r\nне удалось.";
inline constexpr std::string_view kSettingsDamagedCaption = "Внимание";

// Reads the file into `settings`. A missing file changes nothing; a damaged one shows the
// message through `messages`. The stored histories are appended to those in `settings`.
SettingsLoadResult LoadSettings(const std::filesystem::path& file, TSettings& settings,
                                Messages& messages);

// Writes `settings` to the file, replacing it whole or not at all. False when it could not be
// written; the caller goes on without a word.
bool SaveSettings(const std::filesystem::path& file, const TSettings& settings);

// The value encodings, for the window's tests and for tools.
std::string EncodeMaskHistory(const std::vector<std::string>& masks);
std::vector<std::string> DecodeMaskHistory(std::string_view text);
std::string EncodeFolderHistory(const std::vector<std::string>& folders);
std::vector<std::string> DecodeFolderHistory(std::string_view text);

}  // namespace qx
