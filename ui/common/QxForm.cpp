// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/QxForm.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <exception>

#include "platform/Messages.h"
#include "ui/common/ProgramInfo.h"
#include "ui/common/QtText.h"

namespace qx {
namespace {

// Every window in the order of creation; the first is the main window.
std::vector<QPointer<QxForm>>& Forms() {
    static std::vector<QPointer<QxForm>> forms;
    return forms;
}

bool HoldsLocalFiles(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return false;
    for (const QUrl& url : data->urls())
        if (!url.isLocalFile()) return false;
    return !data->urls().isEmpty();
}

}  // namespace

QxForm::QxForm(Messages& messages, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), messages_(messages) {
    Forms().emplace_back(this);
}

QxForm::~QxForm() {
    auto& forms = Forms();
    std::erase_if(forms, [this](const QPointer<QxForm>& f) { return f.isNull() || f == this; });
}

void QxForm::SetOnDropFiles(DropFilesHandler handler) {
    onDropFiles_ = std::move(handler);
    setAcceptDrops(static_cast<bool>(onDropFiles_));
}

void QxForm::DropFiles(const std::vector<std::filesystem::path>& paths) {
    if (!onDropFiles_) return;
    try {
        onDropFiles_(paths);
    } catch (const std::exception& error) {
        const QString text = QStringLiteral("@535: ") + FromErrorText(error.what());
        messages_.Show(text.toStdString(), info::kBoxCaption, Messages::Icon::Error);
    }
}

void QxForm::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDroppedFiles() && HoldsLocalFiles(event->mimeData())) event->acceptProposedAction();
}

void QxForm::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDroppedFiles() && HoldsLocalFiles(event->mimeData())) event->acceptProposedAction();
}

void QxForm::dropEvent(QDropEvent* event) {
    if (!AcceptsDroppedFiles() || !HoldsLocalFiles(event->mimeData())) return;
    std::vector<std::filesystem::path> paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
    event->acceptProposedAction();
    DropFiles(paths);
}

int QxForm::ShowModal() {
    if (modalLoop_ != nullptr) return 0;
    modalResult_ = 0;
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
    return modalResult_;
}

void QxForm::SetModalResult(int result) {
    modalResult_ = result;
    hide();
}

// Escape closes a window shown modally without a result, as it closes any dialog box.
void QxForm::keyPressEvent(QKeyEvent* event) {
    if (modalLoop_ != nullptr && event->key() == Qt::Key_Escape && event->modifiers() == 0) {
        SetModalResult(0);
        return;
    }
    QWidget::keyPressEvent(event);
}

void QxForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (modalLoop_ != nullptr) modalLoop_->quit();
}

void QxForm::RestoreFirstFormIfMinimized() {
    for (const QPointer<QxForm>& form : Forms()) {
        if (form.isNull()) continue;
        if (form->isEnabled() && form->isMinimized()) {
            form->showNormal();
            form->setVisible(true);
        }
        return;
    }
}

void QxForm::InstallRestoreOnActivation() {
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, qGuiApp,
                     [](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) RestoreFirstFormIfMinimized();
                     });
}

}  // namespace qx
