// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The clipboard page: the clipboard's text in memClipboard, where the user may also edit it.

#include <QWidget>

class QPlainTextEdit;

namespace qx {

class ClipboardPage : public QWidget {
    Q_OBJECT
public:
    explicit ClipboardPage(QWidget* parent);

    // Shows the clipboard's text now, replacing what the page held.
    void ShowClipboard();

private:
    QPlainTextEdit* memClipboard_ = nullptr;
};

}  // namespace qx
