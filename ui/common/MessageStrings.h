// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The hidden panel of message texts: one label per text, read when its message is shown, so
// a caption changed through the interface strings travels with the message.

#include <QWidget>

namespace qx {

class MessageStrings : public QWidget {
    Q_OBJECT
public:
    explicit MessageStrings(QWidget* parent);

    // The caption of the label called `name`; empty for an unknown name.
    QString Text(const char* name) const;
};

}  // namespace qx
