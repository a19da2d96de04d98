// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The About window: name, version, rights notice, mail address and web site. Its fixed
// layout is AboutForm.ui; the texts that come from the program's information are set here.

#include <memory>

#include "ui/common/QxForm.h"

namespace Ui {
class AboutForm;
}

namespace qx {

class Shell;

class AboutForm : public QxForm {
    Q_OBJECT
public:
    AboutForm(Messages& messages, Shell& shell, QWidget* parent);
    ~AboutForm() override;

    // Puts the mail address on the clipboard and says so.
    void CopyMail();
    // Opens the web site in the browser.
    void OpenSite();

protected:
    // Every showing places the window over the middle of the main window.
    void showEvent(QShowEvent* event) override;

private:
    Shell& shell_;
    std::unique_ptr<Ui::AboutForm> ui_;
};

}  // namespace qx
