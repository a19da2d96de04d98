// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The replace list file: an XML document in windows-1251 holding the four condition texts and
// one `Item` element per rule, under the root `List`. TListFile loads a file into the rule
// list, the rule rows and the conditions (replacing the rules or adding to them), and saves
// the whole list or the selected rows' rules. A file that is not well-formed XML is reported
// with the parser's reason, line, position and source line.
//
// Saving writes a temporary file beside the target and renames it over the target, so a full
// disk or a crash mid-write never leaves the user's list destroyed.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

class Messages;
class TReplace;
class TReplaces;
class TRuleRows;
class XmlDocument;
struct TReplaceConditions;
struct XmlParseError;

// Fixed texts of the parse-error message (UTF-8).
inline constexpr std::string_view kListParseErrorCaption = "Ошибка в файле";

// The message text for a list file that does not parse, UTF-8, lines separated by CR LF.
std::string ListParseErrorText(const XmlParseError& error);

// What a window says when SaveList failed (SaveList itself says nothing), UTF-8.
inline constexpr std::string_view kListNotSavedCaption = "Ошибка записи";
inline std::string ListNotSavedText(const std::filesystem::path& path) {
    return "Не удалось записать список замен в файл " + path.native() +
           " (нет места на диске или нет доступа). Прежний файл не изменён.";
}

// The bytes of a list file: declaration, root, the non-empty condition texts, one line per
// rule, every line ending in CR LF, windows-1251.
std::string ListFileText(const TReplaceConditions& conditions,
                         const std::vector<const TReplace*>& rules);

class TListFile {
public:
    // All four must outlive this object. `rows` shows `rules`.
    TListFile(TReplaces& rules, TRuleRows& rows, TReplaceConditions& conditions,
              Messages& messages);

    // Loads a list file. append false: its rules replace the current ones; true: copies of
    // them are added after the current ones. The conditions are replaced in both modes.
    // False without a message when no file is there; false after the parse-error message
    // when it is not well-formed (rules and conditions then stay as they were).
    bool LoadList(const std::filesystem::path& path, bool append);
    // Writes the conditions and every rule, with the check marks the rows show. False, without
    // a message, when it cannot be written.
    bool SaveList(const std::filesystem::path& path);
    // The same with only the rules of the given rows (the view's selection), in row order.
    bool SaveRows(const std::filesystem::path& path, std::vector<std::size_t> selectedRows);
    // Empties the rows and the rule list.
    void ClearList();

    // Set by every successful load or save; presets the file dialogs.
    const std::filesystem::path& CurrentListFile() const { return currentListFile_; }

private:
    void ReadConditions(XmlDocument& document);
    bool WriteRules(const std::filesystem::path& path, const std::vector<const TReplace*>& rules);

    TReplaces& rules_;
    TRuleRows& rows_;
    TReplaceConditions& conditions_;
    Messages& messages_;
    std::filesystem::path currentListFile_;
};

}  // namespace qx
