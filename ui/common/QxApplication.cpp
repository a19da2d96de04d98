// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/QxApplication.h"

#include <QLibraryInfo>
#include <QLocale>
#include <exception>

#include "platform/Messages.h"
#include "ui/common/ProgramInfo.h"
#include "ui/common/QtText.h"

namespace qx {

QxApplication::QxApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The program's own texts are Russian whatever the desktop's language; without the
    // translation files Qt's texts stay English.
    if (qtTexts_.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTexts_);
}

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
