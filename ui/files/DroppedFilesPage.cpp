// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/files/DroppedFilesPage.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/common/Controls.h"

namespace qx {

DroppedFilesPage::DroppedFilesPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsDropedFiles"));
    memDropedFiles_ = NewMemo("memDropedFiles", this);
    (new QVBoxLayout(this))->addWidget(memDropedFiles_);
}

void DroppedFilesPage::ShowPaths(const std::vector<std::filesystem::path>& paths) {
    memDropedFiles_->clear();
    for (const std::filesystem::path& path : paths)
        memDropedFiles_->appendPlainText(QString::fromStdString(path.string()));
}

}  // namespace qx
