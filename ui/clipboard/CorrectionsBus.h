// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two desktop corrections as methods on the session D-Bus, for desktops where the program
// cannot hold Ctrl+Shift+C and Ctrl+Shift+X itself (a Wayland session, or keys another program
// holds): the user binds a command of the desktop's own shortcut settings to a call such as
// (one line)
//   gdbus call --session --dest org.example.qxquendro --object-path /org/example/qxquendro
//       --method org.example.qxquendro.Corrections.CorrectClipboard
//
// Each method answers true when its correction ran to its end. A call that arrives while a
// selection correction waits for the other program is answered once its own turn has come, as
// a hotkey press then waits.

#include <QDBusContext>
#include <QObject>
#include <functional>

#include "platform/DesktopKeys.h"

namespace qx {

// The names a desktop shortcut calls; the service is the program's application id.
inline constexpr char kBusService[] = "org.example.qxquendro";
inline constexpr char kBusPath[] = "/org/example/qxquendro";
inline constexpr char kBusInterface[] = "org.example.qxquendro.Corrections";

class CorrectionsBus : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    // Runs a correction as its hotkey does and reports its result through the callback, at
    // once or later.
    using Request = std::function<void(Hotkey, std::function<void(bool)>)>;

    CorrectionsBus(Request request, QObject* parent);
    ~CorrectionsBus() override;

    enum class Registration { NoBus, Registered, NameTaken };
    // Puts the methods on the session bus under kBusPath and asks for kBusService. With the
    // name taken (a second copy of the program runs) the methods are still reachable under the
    // connection's own name.
    Registration Register();

public slots:
    Q_SCRIPTABLE bool CorrectClipboard();
    Q_SCRIPTABLE bool CorrectSelection();

private:
    bool Call(Hotkey hotkey);

    Request request_;
    bool ownsName_ = false;
};

}  // namespace qx
