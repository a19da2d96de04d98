// SPDX-License-Identifier: GPL-3.0-or-later
// Errors that no command handled: shown in a box with their text, and the program goes on.
#include "ui/common/QxApplication.h"

#include <QFile>
#include <QLibraryInfo>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "TestDoubles.h"

namespace qx {
namespace {

// A command that fails the way engine commands fail: an exception out of its handler.
class FailingObject : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) throw std::runtime_error("TRegExpr(exec): failed");
        if (event->type() == QEvent::User + 1)
            throw std::runtime_error("\xCE\xF8\xE8\xE1\xEA\xE0");  // windows-1251 "Ошибка"
        return QObject::event(event);
    }
};

}  // namespace

class QxApplicationTest : public QObject {
    Q_OBJECT
public:
    explicit QxApplicationTest(QxApplication& app) : app_(app) {}

private slots:
    void unhandledErrorIsShownAndProgramGoesOn();
    void withoutMessagesNothingIsCaught();
    void qtDialogsSpeakRussian();

private:
    QxApplication& app_;
};

void QxApplicationTest::unhandledErrorIsShownAndProgramGoesOn() {
    test::RecordingMessages messages;
    app_.SetMessages(&messages);
    FailingObject target;
    QEvent first(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&target, &first));
    QCoreApplication::postEvent(&target, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::processEvents();
    app_.SetMessages(nullptr);
    QCOMPARE(messages.shown.size(), std::size_t{2});
    QCOMPARE(QString::fromStdString(messages.shown[0].text),
             QStringLiteral("TRegExpr(exec): failed"));
    QCOMPARE(QString::fromStdString(messages.shown[0].caption), QStringLiteral("qxQuendro"));
    QVERIFY(messages.shown[0].icon == Messages::Icon::Error);
    QCOMPARE(QString::fromStdString(messages.shown[1].text), QStringLiteral("Ошибка"));
    // Ordinary events still arrive afterwards.
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    QTRY_VERIFY(fired);
}

void QxApplicationTest::withoutMessagesNothingIsCaught() {
    FailingObject target;
    QEvent event(QEvent::User);
    bool thrown = false;
    try {
        QCoreApplication::sendEvent(&target, &event);
    } catch (const std::runtime_error&) {
        thrown = true;
    }
    QVERIFY(thrown);
}

void QxApplicationTest::qtDialogsSpeakRussian() {
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(translations + QStringLiteral("/qtbase_ru.qm")))
        QSKIP("Qt's Russian translations are not installed");
    // A button of the folder chooser and of the message boxes.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
}

}  // namespace qx

int main(int argc, char** argv) {
    qx::QxApplication app(argc, argv);
    qx::QxApplicationTest test(app);
    return QTest::qExec(&test, argc, argv);
}

#include "QxApplication_test.moc"
