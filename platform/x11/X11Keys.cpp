// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Keys.h"

#include <QtGui/qguiapplication_platform.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

namespace qx {

namespace {

constexpr std::uint8_t kBadAccess = 10;

// One grab of one key with one set of modifiers on the root window, released when it goes.
class KeyGrab {
public:
    KeyGrab(xcb_connection_t* connection, xcb_window_t root, xcb_keycode_t key,
            std::uint16_t modifiers)
        : connection_(connection), root_(root), key_(key), modifiers_(modifiers) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            connection, 1, root, modifiers, key, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(connection, cookie), &std::free);
        if (error == nullptr) {
            held_ = true;
        } else {
            taken_ = error->error_code == kBadAccess;
        }
    }
    ~KeyGrab() {
        if (held_) {
            xcb_ungrab_key(connection_, key_, root_, modifiers_);
            xcb_flush(connection_);
        }
    }
    KeyGrab(const KeyGrab&) = delete;
    KeyGrab& operator=(const KeyGrab&) = delete;

    bool Taken() const { return taken_; }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_keycode_t key_;
    std::uint16_t modifiers_;
    bool held_ = false;
    bool taken_ = false;
};

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

// The WM_CLASS instance and class names of terminal emulators, lower case.
constexpr std::array<std::string_view, 24> kTerminals = {
    "xterm",
    "uxterm",
    "rxvt",
    "urxvt",
    "konsole",
    "gnome-terminal",
    "gnome-terminal-server",
    "xfce4-terminal",
    "mate-terminal",
    "lxterminal",
    "qterminal",
    "terminator",
    "tilix",
    "alacritty",
    "kitty",
    "st",
    "st-256color",
    "foot",
    "wezterm",
    "terminology",
    "sakura",
    "guake",
    "yakuake",
    "tilda",
};

bool IsTerminalClass(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kTerminals.begin(), kTerminals.end(), lower) != kTerminals.end() ||
           lower.find("terminal") != std::string::npos;
}

}  // namespace

struct X11Keys::Impl {
    Display* display = nullptr;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_keycode_t keyC = 0;
    xcb_keycode_t keyX = 0;
    // Both Shifts and Controls, and the modifiers a desktop shortcut may hold: Alt, Super, Meta.
    std::array<xcb_keycode_t, 10> modifierKeys{};
    std::vector<std::unique_ptr<KeyGrab>> grabs;
    std::function<void(Hotkey)> onPress;
    // The time of the last release of each hotkey's key: a held key repeats as a release and a
    // press with the same time.
    xcb_timestamp_t releasedC = 0;
    xcb_timestamp_t releasedX = 0;

    xcb_keycode_t Code(KeySym sym) const { return XKeysymToKeycode(display, sym); }

    void Fake(xcb_keycode_t key, bool down) const {
        if (key != 0) XTestFakeKeyEvent(display, key, down ? True : False, CurrentTime);
    }

    void SendCtrl(KeySym sym) const {
        const xcb_keycode_t control = Code(XK_Control_L);
        const xcb_keycode_t key = Code(sym);
        Fake(control, true);
        Fake(key, true);
        Fake(key, false);
        Fake(control, false);
        XFlush(display);
    }

    // The class names of `window` or of the nearest ancestor that has them.
    bool TerminalAt(xcb_window_t window) const {
        for (int depth = 0; depth < 32 && window != 0 && window != root; ++depth) {
            XcbReply<xcb_get_property_reply_t> property(
                xcb_get_property_reply(connection,
                                       xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS,
                                                        XCB_ATOM_STRING, 0, 256),
                                       nullptr),
                &std::free);
            if (property != nullptr && xcb_get_property_value_length(property.get()) > 0) {
                const char* value =
                    static_cast<const char*>(xcb_get_property_value(property.get()));
                const std::string_view both(
                    value, static_cast<std::size_t>(xcb_get_property_value_length(property.get())));
                // Two NUL-terminated names: instance, then class.
                const std::size_t split = both.find('\0');
                const std::string_view instance = both.substr(0, split);
                const std::string_view klass =
                    split == std::string_view::npos ? std::string_view() : both.substr(split + 1);
                return IsTerminalClass(instance) ||
                       IsTerminalClass(klass.substr(0, klass.find('\0')));
            }
            XcbReply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr),
                &std::free);
            if (tree == nullptr) return false;
            window = tree->parent;
        }
        return false;
    }
};

X11Keys::X11Keys() : impl_(std::make_unique<Impl>()) {
    auto* x11 = qGuiApp == nullptr ? nullptr
                                   : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr || x11->connection() == nullptr) return;
    impl_->display = x11->display();
    impl_->connection = x11->connection();
    impl_->root = static_cast<xcb_window_t>(DefaultRootWindow(impl_->display));
    impl_->keyC = impl_->Code(XK_c);
    impl_->keyX = impl_->Code(XK_x);
    impl_->modifierKeys = {impl_->Code(XK_Shift_L),   impl_->Code(XK_Shift_R),
                           impl_->Code(XK_Control_L), impl_->Code(XK_Control_R),
                           impl_->Code(XK_Alt_L),     impl_->Code(XK_Alt_R),
                           impl_->Code(XK_Super_L),   impl_->Code(XK_Super_R),
                           impl_->Code(XK_Meta_L),    impl_->Code(XK_Meta_R)};
}

X11Keys::~X11Keys() { Ungrab(); }

void X11Keys::Ungrab() {
    if (!impl_->onPress) return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    impl_->grabs.clear();
    impl_->onPress = nullptr;
}

bool X11Keys::Available() const { return impl_->connection != nullptr; }

std::vector<Hotkey> X11Keys::Grab(std::function<void(Hotkey)> onPress) {
    std::vector<Hotkey> taken;
    if (!Available() || impl_->onPress) return taken;
    impl_->onPress = std::move(onPress);
    QCoreApplication::instance()->installNativeEventFilter(this);
    const std::uint16_t base = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    // CapsLock is Lock, NumLock is Mod2 on the usual keymaps.
    const std::uint16_t extras[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
    for (const auto& [key, hotkey] : {std::pair{impl_->keyC, Hotkey::CorrectClipboard},
                                      std::pair{impl_->keyX, Hotkey::CorrectSelection}}) {
        bool isTaken = key == 0;
        for (const std::uint16_t extra : extras) {
            if (key == 0) break;
            auto grab = std::make_unique<KeyGrab>(impl_->connection, impl_->root, key,
                                                  static_cast<std::uint16_t>(base | extra));
            isTaken = isTaken || grab->Taken();
            impl_->grabs.push_back(std::move(grab));
        }
        if (isTaken) taken.push_back(hotkey);
    }
    return taken;
}

FocusedWindow X11Keys::Focused() const {
    if (!Available()) return FocusedWindow::NoWindow;
    XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(impl_->connection, xcb_get_input_focus(impl_->connection),
                                  nullptr),
        &std::free);
    if (focus == nullptr || focus->focus == XCB_NONE ||
        focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return FocusedWindow::NoWindow;
    return impl_->TerminalAt(focus->focus) ? FocusedWindow::Terminal : FocusedWindow::Other;
}

bool X11Keys::HotkeyKeysHeld() const {
    if (!Available()) return false;
    XcbReply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(impl_->connection, xcb_query_keymap(impl_->connection), nullptr),
        &std::free);
    if (keymap == nullptr) return false;
    auto down = [&](xcb_keycode_t key) {
        return key != 0 && (keymap->keys[key / 8] & (1u << (key % 8))) != 0;
    };
    return down(impl_->keyC) || down(impl_->keyX) ||
           std::any_of(impl_->modifierKeys.begin(), impl_->modifierKeys.end(), down);
}

void X11Keys::ReleaseHotkeyKeys() {
    if (!Available()) return;
    for (const xcb_keycode_t key : {impl_->keyX, impl_->keyC}) impl_->Fake(key, false);
    for (const xcb_keycode_t key : impl_->modifierKeys) impl_->Fake(key, false);
    XFlush(impl_->display);
}

void X11Keys::SendCopy() {
    if (Available()) impl_->SendCtrl(XK_c);
}

void X11Keys::SendPaste() {
    if (Available()) impl_->SendCtrl(XK_v);
}

bool X11Keys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_SELECTION_REQUEST:
            ++requests_;
            return false;  // Qt answers it
        case XCB_KEY_RELEASE: {
            auto* key = reinterpret_cast<xcb_key_release_event_t*>(event);
            if (key->event != impl_->root) return false;
            if (key->detail == impl_->keyC) impl_->releasedC = key->time;
            if (key->detail == impl_->keyX) impl_->releasedX = key->time;
            return key->detail == impl_->keyC || key->detail == impl_->keyX;
        }
        case XCB_KEY_PRESS: {
            auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
            if (key->event != impl_->root) return false;
            const bool isC = key->detail == impl_->keyC;
            if (!isC && key->detail != impl_->keyX) return false;
            const xcb_timestamp_t released = isC ? impl_->releasedC : impl_->releasedX;
            if (released != key->time && impl_->onPress) {
                // Later, from the event loop: the handler waits for other programs, which it
                // cannot do inside the filter.
                const Hotkey hotkey = isC ? Hotkey::CorrectClipboard : Hotkey::CorrectSelection;
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [onPress = impl_->onPress, hotkey] { onPress(hotkey); }, Qt::QueuedConnection);
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace qx
