// SPDX-License-Identifier: GPL-3.0-or-later
// Drags files as a file manager does, for the end-to-end tests: a press of the mouse button in
// its window starts a drag of the given paths (text/uri-list over XDND), which the test's
// pointer then carries to the target. Its progress goes into a state file: "dragging" once the
// drag runs, "accepted" once the window under the pointer takes the files, "done" at the end.
//   DragFiles STATE-FILE PATH...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QSaveFile>
#include <QUrl>
#include <QWidget>

namespace {

void Say(const QString& stateFile, const char* state) {
    QSaveFile file(stateFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(state);
        file.commit();
    }
}

class DragSource : public QWidget {
public:
    DragSource(QString stateFile, QList<QUrl> urls)
        : stateFile_(std::move(stateFile)), urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("DragFiles"));
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* mime = new QMimeData;
        mime->setUrls(urls_);
        // On the heap: the target reads the files after the drop, once exec() has returned,
        // and the drag's data must still be there to answer it.
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);  // the drag owns it
        QObject::connect(drag, &QDrag::actionChanged, this, [this](Qt::DropAction action) {
            if (action != Qt::IgnoreAction) Say(stateFile_, "accepted");
        });
        Say(stateFile_, "dragging");
        drag->exec(Qt::CopyAction);
        Say(stateFile_, "done");
    }

private:
    QString stateFile_;
    QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) return 2;
    QList<QUrl> urls;
    for (int i = 2; i < argc; ++i)
        urls.push_back(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i])));
    DragSource source(QString::fromLocal8Bit(argv[1]), urls);
    source.setGeometry(0, 0, 120, 120);
    source.show();
    return QApplication::exec();
}
