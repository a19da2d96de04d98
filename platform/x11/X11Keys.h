// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// DesktopKeys on an X11 server, through the connection Qt has opened: key grabs on the root
// window, the focus window's WM_CLASS, XTest keystrokes, and the selection requests that reach
// the window's event filter. On any other platform (offscreen, Wayland) it is not available.

#include <QAbstractNativeEventFilter>
#include <memory>

#include "platform/DesktopKeys.h"

namespace qx {

class X11Keys final : public DesktopKeys, public QAbstractNativeEventFilter {
public:
    // Needs the QGuiApplication.
    X11Keys();
    ~X11Keys() override;
    X11Keys(const X11Keys&) = delete;
    X11Keys& operator=(const X11Keys&) = delete;

    bool Available() const override;
    std::vector<Hotkey> Grab(std::function<void(Hotkey)> onPress) override;
    void Ungrab() override;
    FocusedWindow Focused() const override;
    bool HotkeyKeysHeld() const override;
    void ReleaseHotkeyKeys() override;
    void SendCopy() override;
    void SendPaste() override;
    std::uint64_t ClipboardRequests() const override { return requests_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::uint64_t requests_ = 0;
};

}  // namespace qx
