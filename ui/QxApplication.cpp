// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QxApplication.h"

#include <exception>

#include "platform/Messages.h"
#include "ui/ProgramInfo.h"
#include "ui/QtText.h"

namespace qx {

QxApplication::QxApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QxApplication::notify(QObject* receiver, QEvent* event) {
    if (messages_ == nullptr) return QApplication::notify(receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        messages_->Show(FromErrorText(error.what()).toStdString(), info::kBoxCaption,
                        Messages::Icon::Error);
    }
    return false;
}

}  // namespace qx
