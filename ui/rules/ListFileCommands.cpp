// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/rules/ListFileCommands.h"

#include <QAction>
#include <QFileDialog>
#include <exception>

#include "engine/TRuleRows.h"
#include "platform/Messages.h"
#include "storage/ListFile.h"
#include "ui/common/MessageStrings.h"
#include "ui/common/QtText.h"
#include "ui/main/Commands.h"
#include "ui/rules/RulesPanel.h"

namespace qx {
namespace {

constexpr const char* kProgramCaption = "qxQuendro";
constexpr const char* kListExtension = "lst";
constexpr const char* kListFilter = "Списки замен (*.lst)";

std::string Text(const MessageStrings& strings, const char* name) {
    return strings.Text(name).toStdString();
}

}  // namespace

std::optional<std::filesystem::path> ChooseListFileWithDialog(QWidget* parent, bool save,
                                                              const std::filesystem::path& start) {
    QFileDialog dialog(parent);
    dialog.setObjectName(save ? QStringLiteral("sdReplaceList") : QStringLiteral("odReplaceList"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open dialog takes a name that is not there: loading it then does nothing.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromLatin1(kListExtension));
    dialog.setNameFilter(FromUtf8(kListFilter));
    std::error_code error;
    if (std::filesystem::is_directory(start, error)) {
        dialog.setDirectory(QString::fromStdString(start.string()));
    } else {
        dialog.setDirectory(QString::fromStdString(start.parent_path().string()));
        dialog.selectFile(QString::fromStdString(start.filename().string()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

ListFileCommands::ListFileCommands(ListFileCommandsEnv env) : env_(std::move(env)) {}

void ListFileCommands::Connect(const Commands& commands) {
    using C = Command;
    const std::pair<C, void (ListFileCommands::*)()> listCommands[] = {
        {C::New, &ListFileCommands::New},
        {C::Load, &ListFileCommands::Load},
        {C::AddFromFile, &ListFileCommands::AddFromFile},
        {C::SaveSelectedToFile, &ListFileCommands::SaveSelectedToFile}};
    for (const auto& [command, method] : listCommands)
        QObject::connect(commands(command), &QAction::triggered, env_.window,
                         [this, method = method] { (this->*method)(); });
    QObject::connect(commands(C::Save), &QAction::triggered, env_.window,
                     [this] { SaveListWithDialog(); });
}

std::optional<std::filesystem::path> ListFileCommands::Choose(bool save) const {
    const std::filesystem::path& current = env_.listFile->CurrentListFile();
    const std::filesystem::path start = current.empty() ? env_.programFolder : current;
    return env_.choose ? env_.choose(env_.window, save, start)
                       : ChooseListFileWithDialog(env_.window, save, start);
}

bool ListFileCommands::SaveListWithDialog() {
    const auto path = Choose(true);
    if (!path) return false;
    if (!env_.listFile->SaveList(*path)) {
        env_.messages->Show(ListNotSavedText(*path), kListNotSavedCaption, Messages::Icon::Error);
        return false;
    }
    env_.messages->Show(Text(*env_.strings, "lblListSaved"), kProgramCaption,
                        Messages::Icon::Information);
    return true;
}

bool ListFileCommands::MaySaveBeforeClearing() {
    switch (env_.messages->AskYesNoCancel(Text(*env_.strings, "lblSaveList"),
                                          Text(*env_.strings, "lblConfirm"))) {
        case Messages::Answer::Yes:
            return SaveListWithDialog();
        case Messages::Answer::No:
            return true;
        case Messages::Answer::Cancel:
            break;
    }
    return false;
}

void ListFileCommands::New() {
    if (!MaySaveBeforeClearing()) return;
    env_.listFile->ClearList();
    env_.updateActions();
}

void ListFileCommands::Load() {
    if (env_.rows->RowCount() > 0 && !MaySaveBeforeClearing()) return;
    if (const auto path = Choose(false)) env_.listFile->LoadList(*path, false);
    env_.updateActions();
}

void ListFileCommands::AddFromFile() {
    if (const auto path = Choose(false)) env_.listFile->LoadList(*path, true);
    env_.updateActions();
}

void ListFileCommands::SaveSelectedToFile() {
    const auto path = Choose(true);
    if (path && !env_.listFile->SaveRows(*path, env_.panel->SelectedRows()))
        env_.messages->Show(ListNotSavedText(*path), kListNotSavedCaption, Messages::Icon::Error);
}

}  // namespace qx
