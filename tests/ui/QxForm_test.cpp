// SPDX-License-Identifier: GPL-3.0-or-later
// The form base and the About window: dropped files, errors of a drop handler, restoring a
// minimised first window, the About window's texts and links.
#include "ui/common/QxForm.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <stdexcept>

#include "TestDoubles.h"
#include "ui/common/AboutForm.h"
#include "ui/common/LinkLabel.h"

namespace qx {
namespace {

// The desktop's drop arrives through dropEvent; Qt delivers no synthetic drop offscreen.
struct DropTarget : QxForm {
    using QxForm::dropEvent;
    using QxForm::QxForm;
};

}  // namespace

class QxFormTest : public QObject {
    Q_OBJECT
private slots:
    void acceptsDropsOnlyWhileHandlerIsSet();
    void droppedFilesReachHandlerOnceInOrder();
    void dropEventFromDesktopCarriesLocalPaths();
    void handlerErrorIsShownWithPrefix();
    void minimisedFirstFormIsRestored();
    void modalFormReturnsItsResult();
    void aboutShowsNameVersionAndLinks();
    void aboutMailGoesToClipboard();
    void aboutSiteOpensWithScheme();
};

void QxFormTest::acceptsDropsOnlyWhileHandlerIsSet() {
    test::RecordingMessages messages;
    QxForm form(messages, nullptr, Qt::Window);
    QVERIFY(!form.acceptDrops());
    form.SetOnDropFiles([](const std::vector<std::filesystem::path>&) {});
    QVERIFY(form.acceptDrops());
    form.SetOnDropFiles(nullptr);
    QVERIFY(!form.acceptDrops());
    // Without a handler nothing is called and nothing is said.
    form.DropFiles({"/tmp/a.txt"});
    QVERIFY(messages.shown.empty());
}

void QxFormTest::droppedFilesReachHandlerOnceInOrder() {
    test::RecordingMessages messages;
    QxForm form(messages, nullptr, Qt::Window);
    std::vector<std::vector<std::filesystem::path>> calls;
    form.SetOnDropFiles(
        [&](const std::vector<std::filesystem::path>& paths) { calls.push_back(paths); });
    const std::vector<std::filesystem::path> five = {"/d/e.txt", "/d/a.txt", "/d/c.txt", "/d/b.txt",
                                                     "/d/d.txt"};
    form.DropFiles(five);
    QCOMPARE(calls.size(), std::size_t{1});
    QVERIFY(calls[0] == five);
}

void QxFormTest::dropEventFromDesktopCarriesLocalPaths() {
    test::RecordingMessages messages;
    DropTarget form(messages, nullptr, Qt::Window);
    std::vector<std::filesystem::path> got;
    form.SetOnDropFiles([&](const std::vector<std::filesystem::path>& paths) { got = paths; });
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/Файл один.txt")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/two.xml"))});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    form.dropEvent(&drop);
    QCOMPARE(got.size(), std::size_t{2});
    QCOMPARE(QString::fromStdString(got[0].string()), QStringLiteral("/tmp/Файл один.txt"));
    QCOMPARE(QString::fromStdString(got[1].string()), QStringLiteral("/tmp/two.xml"));

    // Web addresses are not files: such a drop is refused as a whole.
    got.clear();
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/x"))});
    QDropEvent webDrop(QPointF(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    form.dropEvent(&webDrop);
    QVERIFY(got.empty());
}

void QxFormTest::handlerErrorIsShownWithPrefix() {
    test::RecordingMessages messages;
    QxForm form(messages, nullptr, Qt::Window);
    form.SetOnDropFiles([](const std::vector<std::filesystem::path>&) {
        throw std::runtime_error("TRegExpr(comp): Unmatched ()");
    });
    form.DropFiles({"/tmp/a.txt"});
    QCOMPARE(messages.shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(messages.shown[0].text),
             QStringLiteral("@535: TRegExpr(comp): Unmatched ()"));
    QVERIFY(messages.shown[0].icon == Messages::Icon::Error);

    // An engine error in windows-1251 still reads right.
    form.SetOnDropFiles([](const std::vector<std::filesystem::path>&) {
        throw std::runtime_error("\xCE\xF8\xE8\xE1\xEA\xE0");  // "Ошибка"
    });
    form.DropFiles({"/tmp/a.txt"});
    QCOMPARE(QString::fromStdString(messages.shown.back().text), QStringLiteral("@535: Ошибка"));
}

void QxFormTest::minimisedFirstFormIsRestored() {
    test::RecordingMessages messages;
    QxForm first(messages, nullptr, Qt::Window);
    QxForm second(messages, nullptr, Qt::Window);
    first.show();
    second.show();
    first.showMinimized();
    second.showMinimized();
    QVERIFY(first.isMinimized());
    QxForm::RestoreFirstFormIfMinimized();
    QVERIFY(!first.isMinimized());
    QVERIFY(first.isVisible());
    QVERIFY(second.isMinimized());  // only the first window

    // A disabled first window (a correction is running) stays as it is.
    first.showMinimized();
    first.setEnabled(false);
    QxForm::RestoreFirstFormIfMinimized();
    QVERIFY(first.isMinimized());
}

void QxFormTest::modalFormReturnsItsResult() {
    test::RecordingMessages messages;
    QxForm form(messages, nullptr, Qt::Window);
    QTimer::singleShot(0, &form, [&] {
        QVERIFY(form.IsShownModal());
        form.SetModalResult(7);
    });
    QCOMPARE(form.ShowModal(), 7);
    QVERIFY(!form.isVisible());
    QTimer::singleShot(0, &form, [&] { form.close(); });
    QCOMPARE(form.ShowModal(), 0);  // closed: no result
    QTimer::singleShot(0, &form, [&] { QTest::keyClick(&form, Qt::Key_Escape); });
    QCOMPARE(form.ShowModal(), 0);  // Escape closes it
    QVERIFY(!form.isVisible());
}

void QxFormTest::aboutShowsNameVersionAndLinks() {
    test::RecordingMessages messages;
    test::RecordingShell shell;
    AboutForm about(messages, shell, nullptr);
    QCOMPARE(about.objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
    auto text = [&](const char* name) {
        auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
        return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(name);
    };
    QCOMPARE(text("Label1"), QStringLiteral("qxQuendro"));
    QCOMPARE(text("Label2"), QStringLiteral("qxQuendro"));
    QCOMPARE(text("Label4"), QStringLiteral("версия:"));
    QCOMPARE(text("lblVersion"), QStringLiteral("1.0.0.0"));
    QCOMPARE(text("Label3"), QStringLiteral("beta"));
    QCOMPARE(text("Label6"), QStringLiteral("e-mail:"));
    QCOMPARE(text("Label7"), QStringLiteral("Сайт:"));
    QVERIFY(text("lblMail").contains(QLatin1Char('@')));
    QVERIFY(!text("stCopyright").isEmpty());
    for (const char* name : {"Image1", "Bevel1", "Button1"})
        QVERIFY2(about.findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
    // A dialog frame: the user cannot resize it.
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QVERIFY(about.width() >= 284 && about.height() >= 168);
}

void QxFormTest::aboutMailGoesToClipboard() {
    test::RecordingMessages messages;
    test::RecordingShell shell;
    AboutForm about(messages, shell, nullptr);
    auto* mail = about.findChild<LinkLabel*>(QStringLiteral("lblMail"));
    QVERIFY(mail != nullptr);
    QTest::mouseClick(mail, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), mail->text());
    QCOMPARE(messages.shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(messages.shown[0].text),
             QStringLiteral("E-mail скопирован в буфер обмена."));
    QCOMPARE(QString::fromStdString(messages.shown[0].caption), QStringLiteral("qxQuendro"));
    QVERIFY(messages.shown[0].icon == Messages::Icon::Information);
}

void QxFormTest::aboutSiteOpensWithScheme() {
    test::RecordingMessages messages;
    test::RecordingShell shell;
    AboutForm about(messages, shell, nullptr);
    auto* site = about.findChild<LinkLabel*>(QStringLiteral("lblSite"));
    QVERIFY(site != nullptr);
    QTest::mouseClick(site, Qt::LeftButton);
    QCOMPARE(shell.urls.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(shell.urls[0]), QStringLiteral("http://") + site->text());
}

}  // namespace qx

QTEST_MAIN(qx::QxFormTest)
#include "QxForm_test.moc"
