// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A link label that Designer forms create: uic builds widgets from their parent alone and
// sets the name and the caption afterwards.

#include "ui/LinkLabel.h"

namespace qx {

class FormLinkLabel : public LinkLabel {
    Q_OBJECT
public:
    explicit FormLinkLabel(QWidget* parent) : LinkLabel(QString(), QString(), parent) {}
};

}  // namespace qx
