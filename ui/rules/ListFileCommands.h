// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The list-file commands of the main window: a new list, loading, saving, adding the rules of
// another file, saving only the selected rules. The open and save dialogs both default to the
// extension "lst"; the save dialog asks before overwriting a file. A question "Сохранить
// список перед очисткой?" comes before the list is cleared or replaced.

#include <QString>
#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

namespace qx {

class Commands;
class MessageStrings;
class Messages;
class RulesPanel;
class TListFile;
class TRuleRows;

// Asks for a list file: `save` for the save dialog; `start` is the file or folder to begin
// at. Nothing when the user cancelled.
using ChooseListFile = std::function<std::optional<std::filesystem::path>(
    QWidget* parent, bool save, const std::filesystem::path& start)>;

// The desktop's file dialogs, as the commands use them.
std::optional<std::filesystem::path> ChooseListFileWithDialog(QWidget* parent, bool save,
                                                              const std::filesystem::path& start);

struct ListFileCommandsEnv {
    QWidget* window = nullptr;
    Messages* messages = nullptr;
    const MessageStrings* strings = nullptr;
    TListFile* listFile = nullptr;
    TRuleRows* rows = nullptr;
    RulesPanel* panel = nullptr;
    std::filesystem::path programFolder;
    ChooseListFile choose;  // empty: the desktop's dialogs
    std::function<void()> updateActions;
};

class ListFileCommands {
public:
    explicit ListFileCommands(ListFileCommandsEnv env);

    void New();
    void Load();
    bool SaveListWithDialog();
    void AddFromFile();
    void SaveSelectedToFile();

    // ANew, ALoad, ASave, AAddFromFile and ASaveSelectedToFile run these; the connections
    // last as long as the window.
    void Connect(const Commands& commands);

private:
    // The question before the list is cleared or replaced; false when the user cancelled or
    // the save he asked for did not happen.
    bool MaySaveBeforeClearing();
    std::optional<std::filesystem::path> Choose(bool save) const;

    ListFileCommandsEnv env_;
};

}  // namespace qx
