// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application object of the interactive program. An error that no command handled itself
// ends that command and is shown in a message box with its text; the program goes on running.
// Qt's own dialogs (folder chooser, file dialogs, message box buttons) speak Russian like the
// rest of the program when Qt's Russian translations are installed.

#include <QApplication>
#include <QTranslator>

namespace qx {

class Messages;

class QxApplication : public QApplication {
    Q_OBJECT
public:
    QxApplication(int& argc, char** argv);

    // Where unhandled errors are shown; without it they end the program as usual.
    void SetMessages(Messages* messages) { messages_ = messages; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    Messages* messages_ = nullptr;
    QTranslator qtTexts_;
};

}  // namespace qx
