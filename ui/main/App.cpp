// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/App.h"

#include <cstdio>
#include <cstdlib>

#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMessages.h"
#include "platform/qt/QtShell.h"
#include "platform/x11/X11Keys.h"
#include "storage/ConfigLocation.h"
#include "storage/ProgramFolder.h"
#include "ui/common/QxApplication.h"
#include "ui/common/QxForm.h"
#include "ui/main/MainForm.h"

namespace qx {

namespace {

// Qt aborts the process when it cannot reach a display; say plainly what is missing instead.
bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int RunInteractive(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fputs(
            "qxquendro: no display to open the window on (DISPLAY is not set); "
            "batch mode needs none: qxquendro FILELIST LISTFILE\n",
            stderr);
        return 1;
    }
    QxApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qxquendro"));
    QxForm::InstallRestoreOnActivation();

    QtMessages messages;
    QtShell shell;
    QtClipboard clipboard;
    // Holds the hotkeys for as long as the window lives; on offscreen or Wayland it does nothing.
    X11Keys keys;
    MainFormEnv env;
    env.programFolder = DataFolder();
    env.configFolder = ConfigFolder();
    env.stateFolder = StateFolder();
    env.messages = &messages;
    env.shell = &shell;
    env.clipboard = &clipboard;
    env.keys = &keys;
    env.sessionBus = true;

    MainForm window(std::move(env));
    messages.SetParent(&window);
    app.SetMessages(&messages);
    window.InitMainWindow();
    window.show();
    const int status = QApplication::exec();
    app.SetMessages(nullptr);  // the boxes go before the application does
    return status;
}

}  // namespace qx
