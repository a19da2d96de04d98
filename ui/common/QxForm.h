// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// QxForm is the base of every window of the program: a window that can be shown modally and
// keeps its state between showings, repaints itself and its controls on demand, accepts files
// dropped from the desktop while a handler for them is set, and is restored from the
// minimised state when the application is activated (the first window only).

#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

class QEventLoop;

namespace qx {

class Messages;

class QxForm : public QWidget {
    Q_OBJECT
public:
    // Receives every dropped path in the desktop's order; may throw std::exception.
    using DropFilesHandler = std::function<void(const std::vector<std::filesystem::path>&)>;

    // `flags` Qt::Window for the main window, Qt::Dialog for the others (which then stay over
    // their parent).
    QxForm(Messages& messages, QWidget* parent, Qt::WindowFlags flags);
    ~QxForm() override;

    // The window accepts dropped files exactly while a handler is set.
    void SetOnDropFiles(DropFilesHandler handler);
    bool AcceptsDroppedFiles() const { return static_cast<bool>(onDropFiles_); }
    // Hands dropped paths to the handler; a handler's error is shown as "@535: " and its text.
    void DropFiles(const std::vector<std::filesystem::path>& paths);

    // Shows the window modally and returns the result set by SetModalResult (0 when closed).
    int ShowModal();
    void SetModalResult(int result);
    bool IsShownModal() const { return modalLoop_ != nullptr; }

    // When the first window created is minimised and enabled, shows it in its normal state.
    static void RestoreFirstFormIfMinimized();
    // Runs the restore check whenever the application becomes active.
    static void InstallRestoreOnActivation();

protected:
    Messages& messages() const { return messages_; }

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Messages& messages_;
    DropFilesHandler onDropFiles_;
    QEventLoop* modalLoop_ = nullptr;
    int modalResult_ = 0;
};

}  // namespace qx
