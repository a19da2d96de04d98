// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The log page: what the corrections report, read only.

#include <QWidget>

class QPlainTextEdit;

namespace qx {

class LogPage : public QWidget {
    Q_OBJECT
public:
    explicit LogPage(QWidget* parent);

    // Adds a line at the end.
    void AppendLine(const QString& line);

private:
    QPlainTextEdit* memLog_ = nullptr;
};

}  // namespace qx
