// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keyboard of the whole desktop: the two system-wide hotkeys, the window that has the
// keyboard focus in another program, and keystrokes synthesised into that program. The X11
// implementation lives in platform/x11; tests provide a double. Where the desktop gives no
// such access (no X11 server, a Wayland session) Available() is false and nothing happens.

#include <cstdint>
#include <functional>
#include <vector>

namespace qx {

enum class Hotkey {
    CorrectClipboard,  // Ctrl+Shift+C
    CorrectSelection,  // Ctrl+Shift+X
};

// What has the keyboard focus.
enum class FocusedWindow {
    NoWindow,
    // A terminal emulator: a synthesised Ctrl+C would interrupt the program running in it.
    Terminal,
    Other,
};

class DesktopKeys {
public:
    virtual ~DesktopKeys() = default;

    virtual bool Available() const = 0;
    // Grabs both hotkeys, also with CapsLock and NumLock on, until this object goes. Each
    // press (not the repeats of a held key) calls `onPress` on the thread of the window.
    // Returns the hotkeys another program already holds; they then do nothing here.
    virtual std::vector<Hotkey> Grab(std::function<void(Hotkey)> onPress) = 0;
    // Gives both hotkeys back to the desktop before this object goes; `onPress` is not called
    // any more.
    virtual void Ungrab() = 0;

    virtual FocusedWindow Focused() const = 0;
    // True while the user still holds a key of a hotkey (C, X, Shift or Control) or another
    // modifier (Alt, Super, Meta): a shortcut of the desktop's own that called the correction
    // over D-Bus may still be held, and would turn the synthesised Ctrl+C into something else.
    virtual bool HotkeyKeysHeld() const = 0;
    // Synthesises the release of every such key that is still down.
    virtual void ReleaseHotkeyKeys() = 0;
    // Ctrl+C and Ctrl+V into the focused window.
    virtual void SendCopy() = 0;
    virtual void SendPaste() = 0;
    // How many times other programs have asked this program for its clipboard's content so
    // far: a paste reads the clipboard after the keystroke, at the target's own pace.
    virtual std::uint64_t ClipboardRequests() const = 0;
};

}  // namespace qx
