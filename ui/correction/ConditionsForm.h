// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The conditions dialog "Заменить при условии": two groups of conditions on the fragments a
// text must or must not contain before a conditional run may correct it. The dialog edits the
// condition set in place; "Отмена" only means that no run is started, the edits stay.

#include <memory>

#include "ui/common/QxForm.h"

namespace Ui {
class ConditionsForm;
}

namespace qx {

struct TReplaceConditions;

class ConditionsForm : public QxForm {
    Q_OBJECT
public:
    enum Result { kOk = 1, kCancel = 2 };

    ConditionsForm(Messages& messages, QWidget* parent);
    ~ConditionsForm() override;

    // Shows `conditions` modally and writes every edit back into them, whichever way the
    // dialog is closed. True when the user confirmed with "OK" (a conditional run follows).
    bool Edit(TReplaceConditions& conditions);

protected:
    // Every showing places the dialog over the middle of the main window.
    void showEvent(QShowEvent* event) override;
    // Enter outside the text boxes presses "OK", the default button, as in any dialog box.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Load(const TReplaceConditions& conditions);
    void Store(TReplaceConditions& conditions) const;
    // A condition is editable only while its group is on; a text only while its condition is.
    void UpdateEnabling();

    std::unique_ptr<Ui::ConditionsForm> ui_;
};

}  // namespace qx
