// SPDX-License-Identifier: GPL-3.0-or-later
// The real message boxes: texts, captions, icons and answers, each box answered by a timer.
#include "platform/qt/QtMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace qx {
namespace {

// Runs `answer` on the box once it is up.
void WhenBoxShows(std::function<void(QMessageBox*)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        answer(box);
    });
}

}  // namespace

class QtMessagesTest : public QObject {
    Q_OBJECT
private slots:
    void showsTextCaptionAndIcon();
    void askAnswersYesOrNo();
};

void QtMessagesTest::showsTextCaptionAndIcon() {
    QtMessages messages;
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenBoxShows([&](QMessageBox* box) {
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        box->accept();
    });
    messages.Show("Файл поврежден.\r\nВторая строка", "Внимание", Messages::Icon::Warning);
    QCOMPARE(text, QStringLiteral("Файл поврежден.\nВторая строка"));
    QCOMPARE(caption, QStringLiteral("Внимание"));
    QCOMPARE(icon, QMessageBox::Warning);
}

void QtMessagesTest::askAnswersYesOrNo() {
    QtMessages messages;
    for (const auto button : {QMessageBox::Yes, QMessageBox::No}) {
        bool defaultIsYes = false;
        WhenBoxShows([&](QMessageBox* box) {
            defaultIsYes = static_cast<QAbstractButton*>(box->defaultButton()) ==
                           box->button(QMessageBox::Yes);
            box->button(button)->click();
        });
        const bool answer = messages.Ask("Начать коррекцию в файлах?", "Подтверждение");
        QCOMPARE(answer, button == QMessageBox::Yes);
        QVERIFY(defaultIsYes);
    }
}

}  // namespace qx

QTEST_MAIN(qx::QtMessagesTest)
#include "QtMessages_test.moc"
