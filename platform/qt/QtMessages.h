// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Message boxes of the interactive program: QMessageBox over a parent window.

#include <QMessageBox>
#include <QPointer>

#include "platform/Messages.h"

class QWidget;

namespace qx {

class QtMessages final : public Messages {
public:
    explicit QtMessages(QWidget* parent = nullptr);
    void SetParent(QWidget* parent);

    void Show(std::string_view text, std::string_view caption, Icon icon) override;
    bool Ask(std::string_view text, std::string_view caption) override;
    bool AskInformation(std::string_view text, std::string_view caption) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view caption) override;

private:
    bool AskUnder(QMessageBox::Icon icon, std::string_view text, std::string_view caption);

    QPointer<QWidget> parent_;
};

}  // namespace qx
