// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/CommandTable.h"

#include <iterator>

namespace qx {
namespace {

using C = Command;
using R = EnableRule;

constexpr CommandInfo kCommands[] = {
    {C::New, "ANew", "Новый список замен", nullptr, "Ctrl+N", nullptr, R::HasRows, false, false},
    {C::Load, "ALoad", "Загрузить ...", nullptr, "Ctrl+O", "Replace", R::Always, false, false},
    {C::Save, "ASave", "Сохранить ...", nullptr, "Ctrl+S", "Replace", R::HasRows, false, false},
    {C::AddFromFile, "AAddFromFile", "Добавить из файла ...", nullptr, nullptr, "Replace",
     R::Always, false, false},
    {C::SaveSelectedToFile, "ASaveSelectedToFile", "Сохранить выделенные в файл ...", nullptr,
     nullptr, "Replace", R::RowSelected, false, false},
    {C::Add, "AAdd", "Добавить", nullptr, nullptr, "Replace", R::Always, false, false},
    {C::Copy, "ACopy", "Копировать", nullptr, nullptr, "Replace", R::RowSelected, false, false},
    {C::Edit, "AEdit", "Редактировать", nullptr, nullptr, "Replace", R::RowSelected, false, false},
    {C::Delete, "ADelete", "Удалить", nullptr, nullptr, "Replace", R::RowSelected, false, false},
    {C::MoveUp, "AMoveUp", "AMoveUp", nullptr, nullptr, "Replace", R::CanMoveRows, false, false},
    {C::MoveDown, "AMoveDown", "AMoveDown", nullptr, nullptr, "Replace", R::CanMoveRows, false,
     false},
    {C::SelectAll, "ASelectAll", "Отметить все", nullptr, nullptr, "Replace", R::HasRows, false,
     false},
    {C::UnselectAll, "AUnselectAll", "Снять все отметки", nullptr, nullptr, "Replace", R::HasRows,
     false, false},
    {C::Invert, "AInvert", "Инвертировать", nullptr, nullptr, "Replace", R::HasRows, false, false},
    {C::CheckSelected, "ACheckSelected", "Отметить", nullptr, nullptr, "Replace", R::RowSelected,
     false, false},
    {C::UncheckSelected, "AUncheckSelected", "Снять отметки", nullptr, nullptr, "Replace",
     R::RowSelected, false, false},
    {C::TestList, "ATestList", "Проверить список замен ...", nullptr, nullptr, "Replace",
     R::HasRows, false, false},
    {C::CheckSelectedFiles, "ACheckSelectedFiles", "Отметить", nullptr, nullptr, "Files",
     R::FileSelected, false, false},
    {C::UnCheckSelectedFiles, "AUnCheckSelectedFiles", "Снять отметки", nullptr, nullptr, "Files",
     R::FileSelected, false, false},
    {C::SelectAllFiles, "ASelectAllFiles", "Отметить все", nullptr, nullptr, "Files", R::HasFiles,
     false, false},
    {C::UnSelectAllFiles, "AUnSelectAllFiles", "Снять все отметки", nullptr, nullptr, "Files",
     R::HasFiles, false, false},
    {C::InvertAllFiles, "AInvertAllFiles", "Инвертировать", nullptr, nullptr, "Files", R::HasFiles,
     false, false},
    {C::Replace, "AReplace", "Заменить", nullptr, nullptr, nullptr, R::HasRows, false, false},
    {C::CondReplace, "ACondReplace", "Заменить при условии ...", nullptr, nullptr, nullptr,
     R::HasRows, false, false},
    {C::Preview, "APreview", "Просмотр замен ...", nullptr, nullptr, nullptr, R::HasRows, false,
     false},
    {C::CondPreview, "ACondPreview", "Просмотр замен при условии ...", nullptr, nullptr, nullptr,
     R::HasRows, false, false},
    // Enabled by MainForm while the journal holds a run.
    {C::UndoLastRun, "AUndoLastRun", "Отменить последнюю коррекцию", nullptr, nullptr, nullptr,
     R::Always, false, false},
    // The global hotkeys, not these actions, carry Ctrl+Shift+C and Ctrl+Shift+X.
    {C::ReplaceInClipboard, "AReplaceInClipboard", "Заменить в буфере обмена [Ctrl+Shift+C]",
     "Заменить в буфере обмена [Ctrl+Shift+C]", nullptr, nullptr, R::Always, false, false},
    {C::ReplaceSelectedText, "AReplaceSelectedText", "Заменить выделенный текст", nullptr, nullptr,
     nullptr, R::Always, false, false},
    {C::ShowHide, "AShowHide", "Показать/скрыть", "Показать/скрыть главное окно", nullptr, nullptr,
     R::Always, false, false},
    {C::CaseSensitive, "ACaseSensitive", "Учитывать регистр", nullptr, nullptr, "Settings",
     R::Always, true, false},
    {C::Utf8, "AUtf8", "UTF-8", nullptr, nullptr, "Settings", R::Always, true, false},
    {C::BackupOnReplace, "ABackupOnReplace", "Создавать резервные копии файлов", nullptr, nullptr,
     "Settings", R::Always, true, true},
    {C::Help, "AHelp", "Справка", nullptr, "F1", nullptr, R::Always, false, false},
    {C::Web, "AWeb", "Сайт программы", nullptr, nullptr, nullptr, R::Always, false, false},
    {C::About, "AAbout", "О программе", nullptr, nullptr, nullptr, R::Always, false, false},
    // The records of the clipboard and selection corrections since the last run; the summary
    // of a run opens the same list.
    {C::ShowDoneReplaces, "AShowDoneReplaces", "Произведенные замены ...", nullptr, "Ctrl+D",
     nullptr, R::Always, false, false},
    {C::SaveStrings, "ASaveStrings", "ASaveStrings", nullptr, "Ctrl+Alt+S", nullptr, R::Always,
     false, false},
    {C::Exit, "AExit", "Закрыть", "Закрыть", nullptr, nullptr, R::Always, false, false},
};

// The enum and the table go together: row i is command i.
constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        if (static_cast<std::size_t>(kCommands[i].id) != i) return false;
    return std::size(kCommands) == kCommandCount;
}
static_assert(InEnumOrder(), "the command table must list every Command in enum order");

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

bool IsEnabled(EnableRule rule, const ListCounts& c) {
    switch (rule) {
        case R::Always:
            return true;
        case R::HasRows:
            return c.rows > 0;
        case R::RowSelected:
            return c.selectedRows > 0;
        case R::CanMoveRows:
            return c.rows > 1 && c.selectedRows > 0;
        case R::HasFiles:
            return c.files > 0;
        case R::FileSelected:
            return c.selectedFiles > 0;
    }
    return false;
}

}  // namespace qx
