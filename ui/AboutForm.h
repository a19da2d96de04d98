// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The About window: name, version, rights notice, mail address and web site.

#include "ui/QxForm.h"

namespace qx {

class Shell;
class LinkLabel;

class AboutForm : public QxForm {
    Q_OBJECT
public:
    AboutForm(Messages& messages, Shell& shell, QWidget* parent);

    // Puts the mail address on the clipboard and says so.
    void CopyMail();
    // Opens the web site in the browser.
    void OpenSite();

protected:
    // Every showing places the window over the middle of the main window.
    void showEvent(QShowEvent* event) override;

private:
    Shell& shell_;
    LinkLabel* lblMail_ = nullptr;
    LinkLabel* lblSite_ = nullptr;
};

}  // namespace qx
