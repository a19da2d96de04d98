// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Typing any text as key presses: QTest::keyClicks takes Latin-1 only, a user types Cyrillic.

#include <QTest>

namespace qx::test {

inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

}  // namespace qx::test
