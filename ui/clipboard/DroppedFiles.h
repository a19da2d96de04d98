// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Files dropped on the main window: their paths shown on the hidden page, the question, and
// once the user agrees the files corrected. The files page comes back however this ends.

#include <QObject>
#include <filesystem>
#include <vector>

class QTabWidget;
class QWidget;

namespace qx {

class CorrectionRun;
class DroppedFilesPage;
class MessageStrings;
class Messages;

struct DroppedFilesEnv {
    QTabWidget* pages = nullptr;
    QWidget* filesPage = nullptr;
    DroppedFilesPage* droppedPage = nullptr;
    Messages* messages = nullptr;
    const MessageStrings* strings = nullptr;
    CorrectionRun* correction = nullptr;  // corrects the files once the user agrees
};

class DroppedFiles : public QObject {
    Q_OBJECT
public:
    DroppedFiles(DroppedFilesEnv env, QObject* parent);

    // ProcessDroppedFiles: the paths in drop order.
    void Process(const std::vector<std::filesystem::path>& paths);

private:
    DroppedFilesEnv env_;
};

}  // namespace qx
