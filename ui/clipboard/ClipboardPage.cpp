// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard/ClipboardPage.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/common/Controls.h"

namespace qx {

ClipboardPage::ClipboardPage(Clipboard& clipboard, QWidget* parent)
    : QWidget(parent), clipboard_(clipboard) {
    setObjectName(QStringLiteral("tsClipboard"));
    memClipboard_ = NewMemo("memClipboard", this);
    (new QVBoxLayout(this))->addWidget(memClipboard_);
}

void ClipboardPage::ShowClipboard() {
    if (clipboard_.HasText()) SetBoxText(clipboard_.Text());
}

std::string ClipboardPage::BoxText() const { return memClipboard_->toPlainText().toStdString(); }

void ClipboardPage::SetBoxText(std::string_view utf8) {
    memClipboard_->setUpdatesEnabled(false);
    memClipboard_->setPlainText(
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    memClipboard_->setUpdatesEnabled(true);
}

}  // namespace qx
