// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The clipboard page: the clipboard's text in memClipboard, where the user may also edit it.
// It is the text box every clipboard correction reads and writes.

#include <QWidget>

#include "platform/Clipboard.h"

class QPlainTextEdit;

namespace qx {

class ClipboardPage : public QWidget, public ClipboardBox {
    Q_OBJECT
public:
    ClipboardPage(Clipboard& clipboard, QWidget* parent);

    // RefreshClipboardView: when the clipboard holds text, the box shows it instead of what it
    // held; otherwise the box keeps its text.
    void ShowClipboard();

    std::string BoxText() const override;
    void SetBoxText(std::string_view utf8) override;
    // The progress of a clipboard correction is too short to show.
    void StartProgress(std::size_t) override {}

private:
    Clipboard& clipboard_;
    QPlainTextEdit* memClipboard_ = nullptr;
};

}  // namespace qx
