// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The detail window "Подробности замены": one performed replacement in full, the found and
// the inserted text as they are, with their real line breaks and tabs, in a fixed-pitch font.

#include <memory>
#include <string_view>

#include "ui/common/QxForm.h"

namespace Ui {
class DoneReplaceForm;
}

namespace qx {

class DoneReplaceForm : public QxForm {
    Q_OBJECT
public:
    DoneReplaceForm(Messages& messages, QWidget* parent);
    ~DoneReplaceForm() override;

    // Puts the texts (windows-1251) into the window and shows it modally until it is closed.
    void ShowDoneReplace(std::string_view fileName, std::string_view found,
                         std::string_view inserted);

protected:
    // Every showing places the window over the middle of its owner.
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::DoneReplaceForm> ui_;
};

}  // namespace qx
