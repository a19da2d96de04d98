// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard/ClipboardPage.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/common/Controls.h"

namespace qx {

ClipboardPage::ClipboardPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsClipboard"));
    memClipboard_ = NewMemo("memClipboard", this);
    (new QVBoxLayout(this))->addWidget(memClipboard_);
}

void ClipboardPage::ShowClipboard() {
    memClipboard_->setPlainText(QApplication::clipboard()->text());
}

}  // namespace qx
