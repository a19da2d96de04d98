// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The notification-area icon of the main window: a left click toggles the window, the right
// button opens pupMain. Without a notification area there is no icon and the program works
// the same.

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace qx {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(QMenu& menu, QAction& showHide, QObject* parent);
    // True when the desktop shows the icon.
    bool Shown() const;

private:
    QSystemTrayIcon* icon_ = nullptr;
};

}  // namespace qx
