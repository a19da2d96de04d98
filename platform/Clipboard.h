// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The clipboard and the clipboard page's text box as the clipboard correction sees them. The
// window provides the real ones (QClipboard, the memClipboard box and the progress bar); tests
// provide doubles. Texts are UTF-8: the desktop clipboard holds Unicode text, so there is no
// locale marker to put beside it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qx {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // True when the clipboard offers text.
    virtual bool HasText() const = 0;
    // The clipboard text, UTF-8.
    virtual std::string Text() const = 0;
    // Puts a text on the clipboard for other programs; false (or an exception) when the
    // clipboard could not be written.
    virtual bool SetText(std::string_view utf8) = 0;
    // Leaves the clipboard without any content, so that a later copy shows as new text.
    virtual void Clear() = 0;
    // The text another program has selected (the X11 PRIMARY selection); nullopt when nothing
    // is selected or the desktop has no such selection.
    virtual std::optional<std::string> SelectedText() const = 0;
};

// The text box of the clipboard page and the progress bar of the main window.
class ClipboardBox {
public:
    virtual ~ClipboardBox() = default;
    // The whole text of the box, UTF-8.
    virtual std::string BoxText() const = 0;
    // Replaces the whole text of the box, with the box's updates suspended during the change.
    virtual void SetBoxText(std::string_view utf8) = 0;
    // Sets the progress bar's maximum and puts it at position 0.
    virtual void StartProgress(std::size_t maximum) = 0;
};

}  // namespace qx
