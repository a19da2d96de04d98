// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CorrectionResult.h"

#include <cstring>

namespace qx {
namespace {

std::string WithError(std::string text, int error) {
    if (error != 0) {
        text += " (";
        text += std::strerror(error);
        text += ")";
    }
    return text;
}

}  // namespace

bool CorrectionResult::Handled() const {
    switch (outcome) {
        case CorrectionOutcome::Rewritten:
        case CorrectionOutcome::Unchanged:
        case CorrectionOutcome::Empty:
        case CorrectionOutcome::RefusedByConditions:
            return true;
        default:
            return false;
    }
}

bool CorrectionResult::ShouldReport() const {
    switch (outcome) {
        case CorrectionOutcome::WouldLoseCharacters:
        case CorrectionOutcome::LinkAppeared:
        case CorrectionOutcome::TooLarge:
        case CorrectionOutcome::BackupFailed:
        case CorrectionOutcome::WriteFailed:
        case CorrectionOutcome::RestoreFailed:
            return true;
        default:
            return false;
    }
}

std::string ReasonText(CorrectionOutcome outcome, int error) {
    switch (outcome) {
        case CorrectionOutcome::Rewritten:
        case CorrectionOutcome::Unchanged:
        case CorrectionOutcome::Empty:
        case CorrectionOutcome::RefusedByConditions:
            return {};
        case CorrectionOutcome::Missing:
            return "файл не найден";
        case CorrectionOutcome::NotRegularFile:
            return "не обычный файл (папка, канал, устройство или сокет)";
        case CorrectionOutcome::LinkAppeared:
            return "на месте файла появилась символическая ссылка; файл не исправлен";
        case CorrectionOutcome::ReadOnly:
            return "файл только для чтения";
        case CorrectionOutcome::Locked:
            return "файл заблокирован другой программой";
        case CorrectionOutcome::CannotOpen:
            return WithError("не удалось открыть файл", error);
        case CorrectionOutcome::CannotRead:
            return WithError("не удалось прочитать файл", error);
        case CorrectionOutcome::TooLarge:
            return "файл слишком велик: для его исправления не хватит памяти; файл оставлен "
                   "без изменений";
        case CorrectionOutcome::NotDecodable:
            return "текст не в кодировке UTF-8";
        case CorrectionOutcome::WouldLoseCharacters:
            return "текст оставлен без изменений: в нём есть символы, которых нет в "
                   "кодировке windows-1251";
        case CorrectionOutcome::BackupFailed:
            return WithError("не удалось сделать резервную копию", error) +
                   "; файл оставлен без изменений";
        case CorrectionOutcome::WriteFailed:
            return WithError("не удалось записать файл", error) +
                   "; прежнее содержимое восстановлено";
        case CorrectionOutcome::RestoreFailed:
            return WithError("не удалось записать файл", error) +
                   "; содержимое файла может быть повреждено";
    }
    return {};
}

std::string RestoreFailedText(int writeError, int restoreError) {
    return WithError("не удалось записать файл", writeError) +
           WithError("; не удалось и восстановить прежнее содержимое", restoreError);
}

}  // namespace qx
