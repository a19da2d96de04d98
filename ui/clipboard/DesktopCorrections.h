// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The corrections that work while the main window is hidden or inactive: the clipboard
// ("Заменить в буфере обмена", Ctrl+Shift+C), the text selected in the focused program
// (Ctrl+Shift+X), and the tray icon with its menu pupMain that shows and hides the window.
// The two system-wide hotkeys are held from the window's creation until its close begins. A
// press while a selection correction still waits for the other program is kept and handled
// once it ends; one press waits at most (the user pressed twice, not ten times). The same two
// corrections are offered on the session D-Bus, queued the same way, for desktops where the
// hotkeys cannot be held.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "engine/TextRoutines.h"
#include "platform/DesktopKeys.h"

class QWidget;

namespace qx {

class Clipboard;
class ClipboardPage;
class Commands;
class EngineSinks;
class LogPage;
class Messages;
class SelectionCorrection;
class TRuleRows;
class TrayIcon;

struct DesktopCorrectionsEnv {
    QWidget* window = nullptr;
    Clipboard* clipboard = nullptr;
    // Null: no system-wide hotkeys and no selection correction.
    DesktopKeys* keys = nullptr;
    ClipboardPage* page = nullptr;
    LogPage* log = nullptr;
    Messages* messages = nullptr;
    TRuleRows* rules = nullptr;
    // Where the replacements of these corrections are recorded, with an empty file name.
    EngineSinks* records = nullptr;
    const Commands* commands = nullptr;
    std::function<ReplaceFlags()> replaceFlags;
    // Offer the corrections on the session bus (the program does; tests need no bus).
    bool sessionBus = false;
};

class DesktopCorrections : public QObject {
    Q_OBJECT
public:
    // A child of the window; connects AReplaceInClipboard, AReplaceSelectedText and AShowHide.
    explicit DesktopCorrections(DesktopCorrectionsEnv env);

    // CorrectBuffer with the window's rules and flags, without conditions; errors propagate.
    void CorrectClipboard();
    // CorrectSelection; false when it did not run to its end.
    bool CorrectSelection();
    // A correction as its hotkey starts it: at once, or while a selection correction waits for
    // the other program, once that one has ended; one waits at most. `done`, when given, gets
    // the result (false also for a request that was dropped).
    void Request(Hotkey hotkey, std::function<void(bool)> done = {});
    // AShowHide: hides a shown window, shows a hidden one in front.
    void ToggleShown();
    // The first step of the window's close: the hotkeys go back to the desktop.
    void ReleaseKeys();

private:
    struct Pending {
        Hotkey hotkey;
        std::function<void(bool)> done;
    };

    void GrabKeys();
    void OfferOnBus();
    // AReplaceInClipboard: an error reaches the user in a box; false then.
    bool CorrectClipboardShowingErrors();
    void RunPendingLater();

    DesktopCorrectionsEnv env_;
    SelectionCorrection* selection_ = nullptr;
    TrayIcon* trayIcon_ = nullptr;
    std::optional<Pending> pending_;
    QString selectionError_;  // the rule's error that ended the selection correction, if any
    bool released_ = false;
};

}  // namespace qx
