// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// CorrectSelection: corrects the text selected in the program that has the keyboard focus.
// The selection travels through the clipboard: the hotkey's keys released, Ctrl+C, the copy
// awaited, the clipboard corrected, Ctrl+V, and the previous clipboard text put back once the
// target has finished reading the corrected one. Every wait is bounded and lets the event loop
// run (without user input), since the other program answers through it.
//
// A terminal gets no keystrokes: Ctrl+C would interrupt its running program and Ctrl+V could
// run a corrected command line. There the selected text (PRIMARY) is corrected onto the
// clipboard, for the user to paste.

#include <QObject>
#include <chrono>
#include <functional>

namespace qx {

class Clipboard;
class DesktopKeys;

class SelectionCorrection : public QObject {
    Q_OBJECT
public:
    struct Waits {
        std::chrono::milliseconds keysReleased{1000};
        std::chrono::milliseconds copied{1000};
        std::chrono::milliseconds firstRequest{1000};
        std::chrono::milliseconds quietAfterRequests{100};
        std::chrono::milliseconds requestsAtMost{3000};
    };

    // `correctBuffer` is the clipboard correction (CorrectBuffer with the window's rules and
    // flags); it reads the clipboard, corrects, and puts the result on it.
    SelectionCorrection(DesktopKeys& keys, Clipboard& clipboard,
                        std::function<void()> correctBuffer, QObject* parent);

    // True when the sequence ran to its end. While one runs, further calls return false at
    // once: the waits let hotkey presses through, and a held key repeats.
    bool Run();
    bool Busy() const { return busy_; }
    void SetWaits(const Waits& waits) { waits_ = waits; }

public slots:
    // Connected to the clipboard's change signal.
    void ClipboardChanged() { ++changes_; }

private:
    bool RunInTerminal();

    DesktopKeys& keys_;
    Clipboard& clipboard_;
    std::function<void()> correctBuffer_;
    Waits waits_;
    bool busy_ = false;
    std::uint64_t changes_ = 0;
};

// Lets the event loop run, user input aside, until `done` or the deadline; true when done.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds cap);

}  // namespace qx
