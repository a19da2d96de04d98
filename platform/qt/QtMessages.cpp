// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtMessages.h"

#include <QMessageBox>
#include <QString>

namespace qx {
namespace {

// Message texts break their lines the Windows way; a box wants plain line feeds.
QString FromUtf8(std::string_view text) {
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

QMessageBox::Icon BoxIcon(Messages::Icon icon) {
    switch (icon) {
        case Messages::Icon::Information:
            return QMessageBox::Information;
        case Messages::Icon::Warning:
            return QMessageBox::Warning;
        case Messages::Icon::Error:
            return QMessageBox::Critical;
        case Messages::Icon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QtMessages::QtMessages(QWidget* parent) : parent_(parent) {}

void QtMessages::SetParent(QWidget* parent) { parent_ = parent; }

void QtMessages::Show(std::string_view text, std::string_view caption, Icon icon) {
    QMessageBox box(BoxIcon(icon), FromUtf8(caption), FromUtf8(text), QMessageBox::Ok,
                    parent_.data());
    box.exec();
}

bool QtMessages::Ask(std::string_view text, std::string_view caption) {
    return AskUnder(QMessageBox::Question, text, caption);
}

bool QtMessages::AskInformation(std::string_view text, std::string_view caption) {
    return AskUnder(QMessageBox::Information, text, caption);
}

bool QtMessages::AskUnder(QMessageBox::Icon icon, std::string_view text, std::string_view caption) {
    QMessageBox box(icon, FromUtf8(caption), FromUtf8(text), QMessageBox::Yes | QMessageBox::No,
                    parent_.data());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

Messages::Answer QtMessages::AskYesNoCancel(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::Information, FromUtf8(caption), FromUtf8(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_.data());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

}  // namespace qx
