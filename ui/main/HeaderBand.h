// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The white band at the top of the main window: what the program does, the help and web
// site links, and the logo that opens the web site.

#include <QWidget>

namespace qx {

class Commands;

class HeaderBand : public QWidget {
    Q_OBJECT
public:
    HeaderBand(const Commands& commands, QWidget* parent);
};

}  // namespace qx
