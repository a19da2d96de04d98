// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The page of files dropped on the window: their paths, one a line. Its tab stays hidden.

#include <QWidget>
#include <filesystem>
#include <vector>

class QPlainTextEdit;

namespace qx {

class DroppedFilesPage : public QWidget {
    Q_OBJECT
public:
    explicit DroppedFilesPage(QWidget* parent);

    // Replaces the list with these paths.
    void ShowPaths(const std::vector<std::filesystem::path>& paths);

private:
    QPlainTextEdit* memDropedFiles_ = nullptr;
};

}  // namespace qx
