// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The band at the bottom of the main window: the progress bar, the two option boxes and the
// buttons that start a correction or close the window.

#include <QWidget>

class QProgressBar;
class QPushButton;

namespace qx {

class Commands;

class BottomBand : public QWidget {
    Q_OBJECT
public:
    BottomBand(const Commands& commands, QWidget* parent);

    QProgressBar& ProgressBar() const { return *progressBar_; }
    // "Остановить": hidden but while a correction run goes on.
    QPushButton& StopButton() const { return *btnStop_; }

private:
    QProgressBar* progressBar_ = nullptr;
    QPushButton* btnStop_ = nullptr;
};

}  // namespace qx
