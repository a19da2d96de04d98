// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace qx {

bool QtClipboard::HasText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText();
}

std::string QtClipboard::Text() const { return QGuiApplication::clipboard()->text().toStdString(); }

bool QtClipboard::SetText(std::string_view utf8) {
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return true;
}

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

std::optional<std::string> QtClipboard::SelectedText() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) return std::nullopt;
    const QString text = clipboard->text(QClipboard::Selection);
    if (text.isEmpty()) return std::nullopt;
    return text.toStdString();
}

}  // namespace qx
