// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CommandTable.h"

namespace qx {
namespace {

using R = EnableRule;

constexpr CommandInfo kCommands[] = {
    {"ANew", "Новый список замен", nullptr, "Ctrl+N", nullptr, R::HasRows, false, false},
    {"ALoad", "Загрузить ...", nullptr, "Ctrl+O", "Replace", R::Always, false, false},
    {"ASave", "Сохранить ...", nullptr, "Ctrl+S", "Replace", R::HasRows, false, false},
    {"AAddFromFile", "Добавить из файла ...", nullptr, nullptr, "Replace", R::Always, false, false},
    {"ASaveSelectedToFile", "Сохранить выделенные в файл ...", nullptr, nullptr, "Replace",
     R::RowSelected, false, false},
    {"AAdd", "Добавить", nullptr, nullptr, "Replace", R::Always, false, false},
    {"ACopy", "Копировать", nullptr, nullptr, "Replace", R::RowSelected, false, false},
    {"AEdit", "Редактировать", nullptr, nullptr, "Replace", R::RowSelected, false, false},
    {"ADelete", "Удалить", nullptr, nullptr, "Replace", R::RowSelected, false, false},
    {"AMoveUp", "AMoveUp", nullptr, nullptr, "Replace", R::CanMoveRows, false, false},
    {"AMoveDown", "AMoveDown", nullptr, nullptr, "Replace", R::CanMoveRows, false, false},
    {"ASelectAll", "Отметить все", nullptr, nullptr, "Replace", R::HasRows, false, false},
    {"AUnselectAll", "Снять все отметки", nullptr, nullptr, "Replace", R::HasRows, false, false},
    {"AInvert", "Инвертировать", nullptr, nullptr, "Replace", R::HasRows, false, false},
    {"ACheckSelected", "Отметить", nullptr, nullptr, "Replace", R::RowSelected, false, false},
    {"AUncheckSelected", "Снять отметки", nullptr, nullptr, "Replace", R::RowSelected, false,
     false},
    {"ACheckSelectedFiles", "Отметить", nullptr, nullptr, "Files", R::FileSelected, false, false},
    {"AUnCheckSelectedFiles", "Снять отметки", nullptr, nullptr, "Files", R::FileSelected, false,
     false},
    {"ASelectAllFiles", "Отметить все", nullptr, nullptr, "Files", R::HasFiles, false, false},
    {"AUnSelectAllFiles", "Снять все отметки", nullptr, nullptr, "Files", R::HasFiles, false,
     false},
    {"AInvertAllFiles", "Инвертировать", nullptr, nullptr, "Files", R::HasFiles, false, false},
    {"AReplace", "Заменить", nullptr, nullptr, nullptr, R::HasRows, false, false},
    {"ACondReplace", "Заменить при условии ...", nullptr, nullptr, nullptr, R::HasRows, false,
     false},
    // The global hotkeys, not these actions, carry Ctrl+Shift+C and Ctrl+Shift+X.
    {"AReplaceInClipboard", "Заменить в буфере обмена [Ctrl+Shift+C]",
     "Заменить в буфере обмена [Ctrl+Shift+C]", nullptr, nullptr, R::Always, false, false},
    {"AReplaceSelectedText", "Заменить выделенный текст", nullptr, nullptr, nullptr, R::Always,
     false, false},
    {"AShowHide", "Показать/скрыть", "Показать/скрыть главное окно", nullptr, nullptr, R::Always,
     false, false},
    {"ACaseSensitive", "Учитывать регистр", nullptr, nullptr, "Settings", R::Always, true, false},
    {"AUtf8", "UTF-8", nullptr, nullptr, "Settings", R::Always, true, false},
    {"ABackupOnReplace", "Создавать резервные копии файлов", nullptr, nullptr, "Settings",
     R::Always, true, true},
    {"AHelp", "Справка", nullptr, "F1", nullptr, R::Always, false, false},
    {"AWeb", "Сайт программы", nullptr, nullptr, nullptr, R::Always, false, false},
    {"AAbout", "О программе", nullptr, nullptr, nullptr, R::Always, false, false},
    {"ASaveStrings", "ASaveStrings", nullptr, "Ctrl+Alt+S", nullptr, R::Always, false, false},
    {"AExit", "Закрыть", "Закрыть", nullptr, nullptr, R::Always, false, false},
};

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
