// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Building the file list from the folder box, the mask box and "Во всех вложенных подпапках",
// and the two histories of those boxes. The window copies its box texts in, shows the outcome
// and copies the histories back into the drop-downs. Texts are UTF-8.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "batch/FileList.h"

namespace qx {

// Shown, with a warning icon and an OK button, when the typed folder does not exist.
inline constexpr std::string_view kFolderNotFoundText = "Указанный каталог не найден";
inline constexpr std::string_view kFolderNotFoundCaption = "Внимание";

// The folder box keeps the most recently scanned folders, most recent first.
inline constexpr std::size_t kFolderHistoryLimit = 24;

// The first items of the mask box, before the masks the user added.
inline constexpr std::array<std::string_view, 7> kBuiltInMasks = {
    "*.*", "*.txt", "*.htm;*.html", "*.xml", "*.php", "*.js", "*.ini"};

// The masks of a mask text: separated by ";" or blanks, a quoted mask may hold blanks, two
// ";" in a row or a final ";" give an empty mask (which finds nothing). Returned in ascending
// order without regard to case, each mask once.
std::vector<std::string> ParseMasks(std::string_view maskText);

// The folder text without trailing separators ("/" itself stays).
std::string TrimFolderText(std::string_view folderText);

enum class ScanOutcome {
    Scanned,         // the list holds what was found, possibly nothing
    NoFolder,        // empty folder text: the list is empty, nothing to say
    FolderNotFound,  // show kFolderNotFoundText; the list is empty, the history unchanged
};

struct ScanResult {
    ScanOutcome outcome = ScanOutcome::NoFolder;
    // What the folder box shows afterwards: the scanned folder when it was already in the
    // history, else the text as typed.
    std::string folderText;
};

// Rebuilds `files` (every entry checked, ordered by full path without regard to case, a file
// matched by several masks listed once, names differing only in case both kept) and, when the
// folder exists, brings it to the top of `folderHistory`.
ScanResult ScanFolder(std::string_view folderText, std::string_view maskText, bool recursive,
                      TFiles& files, std::vector<std::string>& folderHistory);

// Puts `folder` at the top of the history: an entry equal without regard to case moves up
// (and takes the new spelling), otherwise the folder is inserted and the oldest entries beyond
// the limit dropped. Returns true when it was already there.
bool RememberFolder(std::vector<std::string>& folderHistory, std::string_view folder);

// Appends the mask text to the items of the mask box (built-in masks included) unless an item
// equal without regard to case is there. Returns true when it was appended.
bool RememberMask(std::vector<std::string>& maskItems, std::string_view maskText);

}  // namespace qx
