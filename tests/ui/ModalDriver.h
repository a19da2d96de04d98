// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Acting inside a window shown modally: the test's steps run once the window is shown and
// active, and a window still open after them (a failed check returns early) is closed, so a
// failure is reported instead of hanging the test.

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/common/QxForm.h"

namespace qx::test {

inline void WhenShown(QxForm* window, std::function<void()> act) {
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [poll, window, act = std::move(act)] {
        if (!window->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        QApplication::setActiveWindow(window);
        if (!QTest::qWaitForWindowActive(window)) qWarning("window not active");
        act();
        if (window->isVisible() && window->IsShownModal()) window->SetModalResult(0);
    });
    poll->start(5);
}

}  // namespace qx::test
