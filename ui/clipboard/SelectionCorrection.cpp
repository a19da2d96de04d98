// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard/SelectionCorrection.h"

#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <optional>
#include <string>

#include "platform/Clipboard.h"
#include "platform/DesktopKeys.h"

namespace qx {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPoll{5};

// Clears the busy mark however the run ends.
class BusyMark {
public:
    explicit BusyMark(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyMark() { busy_ = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& busy_;
};

}  // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds cap) {
    const Clock::time_point deadline = Clock::now() + cap;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        QEventLoop loop;
        QTimer::singleShot(kPoll, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

SelectionCorrection::SelectionCorrection(DesktopKeys& keys, Clipboard& clipboard,
                                         std::function<void()> correctBuffer, QObject* parent)
    : QObject(parent),
      keys_(keys),
      clipboard_(clipboard),
      correctBuffer_(std::move(correctBuffer)) {}

bool SelectionCorrection::Run() {
    if (busy_) return false;
    const BusyMark mark(busy_);
    std::optional<std::string> previous;
    try {
        const FocusedWindow focused = keys_.Focused();
        if (focused == FocusedWindow::NoWindow) return false;
        if (focused == FocusedWindow::Terminal) return RunInTerminal();

        if (clipboard_.HasText()) previous = clipboard_.Text();
        // Empty, so that a control without a selection leaves the page's own text to correct.
        clipboard_.Clear();
        // The C of a synthesised Ctrl+C with the user's Shift still down makes Ctrl+Shift+C.
        if (!WaitUntil([this] { return !keys_.HotkeyKeysHeld(); }, waits_.keysReleased))
            keys_.ReleaseHotkeyKeys();

        const std::uint64_t changesBefore = changes_;
        keys_.SendCopy();
        // Nothing selected: no copy comes, and the cap ends the wait. The change signal of
        // the clearing above may still arrive late, hence the look at the text too.
        WaitUntil([&] { return changes_ != changesBefore && clipboard_.HasText(); }, waits_.copied);

        correctBuffer_();

        const std::uint64_t requestsBefore = keys_.ClipboardRequests();
        keys_.SendPaste();
        if (previous) {
            // The target reads the clipboard when it handles the keystroke; put the old text
            // back only once it has stopped asking.
            if (WaitUntil([&] { return keys_.ClipboardRequests() != requestsBefore; },
                          waits_.firstRequest)) {
                const Clock::time_point stop = Clock::now() + waits_.requestsAtMost;
                std::uint64_t seen = keys_.ClipboardRequests();
                Clock::time_point quietSince = Clock::now();
                WaitUntil(
                    [&] {
                        const std::uint64_t now = keys_.ClipboardRequests();
                        if (now != seen) {
                            seen = now;
                            quietSince = Clock::now();
                        }
                        return Clock::now() - quietSince >= waits_.quietAfterRequests ||
                               Clock::now() >= stop;
                    },
                    waits_.requestsAtMost);
            }
            clipboard_.SetText(*previous);
        }
        return true;
    } catch (const std::exception&) {
        // The sequence ends here. The clipboard was emptied on the way: the user's text goes
        // back rather than being lost.
        try {
            if (previous) clipboard_.SetText(*previous);
        } catch (const std::exception&) {
        }
        return false;
    }
}

bool SelectionCorrection::RunInTerminal() {
    const std::optional<std::string> selected = clipboard_.SelectedText();
    if (!selected) return false;
    if (!clipboard_.SetText(*selected)) return false;
    correctBuffer_();
    return true;
}

}  // namespace qx
