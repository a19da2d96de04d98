// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/App.h"

#include "platform/qt/QtMessages.h"
#include "platform/qt/QtShell.h"
#include "storage/ConfigLocation.h"
#include "storage/ProgramFolder.h"
#include "ui/MainForm.h"
#include "ui/QxApplication.h"
#include "ui/QxForm.h"

namespace qx {

int RunInteractive(int argc, char** argv) {
    QxApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qxquendro"));
    QxForm::InstallRestoreOnActivation();

    QtMessages messages;
    QtShell shell;
    MainFormEnv env;
    env.programFolder = ProgramFolder();
    env.configFolder = ConfigFolder();
    env.messages = &messages;
    env.shell = &shell;

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
