// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>

namespace qx {

TrayIcon::TrayIcon(QMenu& menu, QAction& showHide, QObject* parent) : QObject(parent) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    icon_ = new QSystemTrayIcon(
        QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView), this);
    icon_->setObjectName(QStringLiteral("RxTrayIcon1"));
    icon_->setContextMenu(&menu);
    connect(icon_, &QSystemTrayIcon::activated, &showHide,
            [&showHide](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) showHide.trigger();
            });
    icon_->show();
}

bool TrayIcon::Shown() const { return icon_ != nullptr && icon_->isVisible(); }

}  // namespace qx
