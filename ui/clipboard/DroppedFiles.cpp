// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard/DroppedFiles.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTabWidget>
#include <functional>
#include <memory>

#include "platform/Messages.h"
#include "ui/common/MessageStrings.h"
#include "ui/correction/CorrectionRun.h"
#include "ui/files/DroppedFilesPage.h"

namespace qx {

DroppedFiles::DroppedFiles(DroppedFilesEnv env, QObject* parent)
    : QObject(parent), env_(std::move(env)) {}

void DroppedFiles::Process(const std::vector<std::filesystem::path>& paths) {
    env_.droppedPage->ShowPaths(paths);
    env_.pages->setCurrentWidget(env_.droppedPage);
    // Painted before the question covers the window.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // The files page comes back however this ends.
    const std::unique_ptr<QTabWidget, std::function<void(QTabWidget*)>> backToFiles(
        env_.pages, [this](QTabWidget* pages) { pages->setCurrentWidget(env_.filesPage); });
    // Asked once the rules are known to compile: a faulty rule is named instead.
    env_.correction->CorrectDroppedFiles(paths, [this] {
        return env_.messages->Ask(env_.strings->Text("lblStartReplace").toStdString(),
                                  env_.strings->Text("lblConfirm").toStdString());
    });
}

}  // namespace qx
