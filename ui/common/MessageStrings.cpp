// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/MessageStrings.h"

#include <QLabel>

#include "ui/common/Controls.h"

namespace qx {

MessageStrings::MessageStrings(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlStrings"));
    hide();
    const std::pair<const char*, const char*> labels[] = {
        {"lblDeleteSelectedItems", "Вы хотите удалить выделенные элементы?"},
        {"lblWarning", "Внимание"},
        {"lblFolderNotFound", "Папка не найдена. Проверьте путь."},
        {"lblWrongFileMask", "Введенный текст не может быть маской файла."},
        {"lblNoSelectedFiles", "Нет выделенных файлов"},
        {"lblConfirm", "Подтверждение"},
        {"lblStartReplace", "Начать коррекцию в файлах?"},
        {"lblCorrectionFinished",
         "Коррекция завершена. Произведено замен: %d.\r\nОткрыть список произведенных замен?"},
        {"lblNoSelectedReplaces", "Нет отмеченных замен"},
        {"lblSaveList", "Сохранить список перед очисткой?"},
        {"lblListSaved", "Список сохранен"},
    };
    for (const auto& [name, text] : labels) NewLabel(name, QString::fromUtf8(text), this);
}

QString MessageStrings::Text(const char* name) const {
    const auto* label = findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QString();
}

}  // namespace qx
