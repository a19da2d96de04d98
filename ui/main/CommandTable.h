// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's commands as data: name, caption, hint, shortcut and the rule that
// decides when each is enabled. Commands makes one QAction of each row; UpdateActions
// applies the rules.

#include <cstddef>
#include <span>

namespace qx {

// Every command, in table order; code names a command by this, never by its objectName.
enum class Command : std::size_t {
    New,
    Load,
    Save,
    AddFromFile,
    SaveSelectedToFile,
    Add,
    Copy,
    Edit,
    Delete,
    MoveUp,
    MoveDown,
    SelectAll,
    UnselectAll,
    Invert,
    CheckSelected,
    UncheckSelected,
    TestList,
    CheckSelectedFiles,
    UnCheckSelectedFiles,
    SelectAllFiles,
    UnSelectAllFiles,
    InvertAllFiles,
    Replace,
    CondReplace,
    Preview,
    CondPreview,
    UndoLastRun,
    ReplaceInClipboard,
    ReplaceSelectedText,
    ShowHide,
    CaseSensitive,
    Utf8,
    BackupOnReplace,
    Help,
    Web,
    About,
    ShowDoneReplaces,
    SaveStrings,
    Exit,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::Exit) + 1;

// When a command is enabled; "rows" are the rows of the rule list, "files" those of the
// file list, both as shown.
enum class EnableRule {
    Always,
    HasRows,       // at least one rule row
    RowSelected,   // a rule row is selected
    CanMoveRows,   // more than one rule row and one of them selected
    HasFiles,      // at least one file row
    FileSelected,  // a file row is selected
};

struct ListCounts {
    int rows = 0;
    int selectedRows = 0;
    int files = 0;
    int selectedFiles = 0;
};

struct CommandInfo {
    Command id;
    const char* name;      // the action's objectName
    const char* caption;   // UTF-8
    const char* hint;      // UTF-8; nullptr when the caption serves
    const char* shortcut;  // QKeySequence text; nullptr for none
    const char* group;     // "Replace", "Files", "Settings" or nullptr
    EnableRule rule;
    bool checkable;
    bool checkedInitially;
};

std::span<const CommandInfo> CommandTable();
bool IsEnabled(EnableRule rule, const ListCounts& counts);

}  // namespace qx
