// SPDX-License-Identifier: GPL-3.0-or-later
// The rule edit dialog driven with keys and clicks: rule texts in and out of the memos, the
// enabling of OK, the regular-expression switch, the keys of the memos, the symbols menu and
// the character map, the tester, help, and what carries over from one use to the next.
#include "ui/rules/EditReplaceStringForm.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>

#include "ModalDriver.h"
#include "TestDoubles.h"
#include "engine/TReplace.h"
#include "ui/common/LinkLabel.h"
#include "ui/common/MemoText.h"
#include "ui/regex/RegExpForm.h"

namespace qx {
namespace {

using test::WhenShown;

// Near the left edge: a check box answers only on its box and caption.
void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      QPoint(std::min(8, widget->width() / 2), widget->height() / 2));
}

}  // namespace

class EditReplaceStringFormTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyControlCarriesItsNameAndCaption();
    void ruleTextsRoundTripThroughTheMemos();
    void okNeedsAFindTextOrAnXPath();
    void regexSwitchConvertsTheFindLineBreaks();
    void memoKeys();
    void symbolsMenuInsertsIntoItsMemo();
    void characterMapIsStartedOrMissingIsSaid();
    void masterEditsTheFindTextThroughTheTester();
    void helpOpensTheHelpFile();
    void choicesCarryOverToTheNextNewRule();

private:
    template <typename T>
    T* Get(const char* name) const {
        auto* w = form_->findChild<T*>(QString::fromLatin1(name));
        if (w == nullptr) qFatal("no control %s", name);
        return w;
    }
    // Shows the dialog for `rule`, lets `act` work in it, and returns Edit's result.
    bool EditWith(TReplace& rule, bool isNew, std::function<void()> act) {
        WhenShown(form_.get(), std::move(act));
        return form_->Edit(rule, isNew);
    }

    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    std::unique_ptr<RegExpForm> tester_;
    std::unique_ptr<EditReplaceStringForm> form_;
    QTemporaryDir dir_;
};

void EditReplaceStringFormTest::init() {
    messages_ = {};
    shell_ = {};
    tester_ = std::make_unique<RegExpForm>(messages_, nullptr);
    form_ = std::make_unique<EditReplaceStringForm>(messages_, shell_, *tester_,
                                                    test::PathOf(dir_) / "Help.htm", nullptr);
}

void EditReplaceStringFormTest::cleanup() {
    form_.reset();
    tester_.reset();
}

void EditReplaceStringFormTest::everyControlCarriesItsNameAndCaption() {
    QCOMPARE(form_->objectName(), QStringLiteral("frmEditReplaceString"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("Редактирование"));
    QVERIFY(form_->width() >= 592 && form_->height() >= 562);
    QCOMPARE(form_->minimumSize(), form_->maximumSize());  // a fixed dialog border
    // Memos are named by their labels, links, pages and buttons by their captions.
    const std::pair<const char*, const char*> captions[] = {
        {"memTextToFind", "Что найти:"}, {"seRepeatCount", "Повторять замену:"},
        {"lblRegExpr", "Мастер"},        {"tsXML", "XML"},
        {"edtXPath", "XML xPath:"},      {"btnHelp", "Справка ..."},
    };
    for (const auto& [name, caption] : captions)
        QCOMPARE(Get<QWidget>(name)->accessibleName(), QString::fromUtf8(caption));
    QVERIFY(!Get<QWidget>("lblToFindLen")->accessibleName().isEmpty());
    const QStringList items = {"miReturnWin",   "miReturnUnix", "miTab", "miCopyright",
                               "miReserved",    "miTire",       "miNum", "",
                               "miSelectSymbol"};
    QStringList names;
    for (QAction* action : form_->SymbolsMenu()->actions()) names << action->objectName();
    QCOMPARE(names, items);
    QCOMPARE(Get<QSpinBox>("seRepeatCount")->maximum(), 1000);
}

void EditReplaceStringFormTest::ruleTextsRoundTripThroughTheMemos() {
    // "a[nw]b" is two lines; a lone LF comes back as [nw]; other tokens, tabs and no-break
    // spaces stay exactly; capital R is the regular-expression option; 1500 is 1000.
    TReplace rule("a[nw]b", "x\ny[nu][t]\t\xA0\xB8", "//Item/@Name", "Rx", true);
    rule.Repeat = 1500;
    const bool ok = EditWith(rule, false, [this] {
        QCOMPARE(MemoLines(Get<QPlainTextEdit>("memTextToFind")),
                 QStringList({QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(Get<QLabel>("lblToFindLen")->text(), QStringLiteral("4"));
        QCOMPARE(Get<QLabel>("lblReplaceLen")->text(), QStringLiteral("14"));
        QVERIFY(Get<QCheckBox>("cbRegExpr")->isChecked());
        QVERIFY(Get<QCheckBox>("cbXML")->isChecked());
        QVERIFY(Get<QRadioButton>("rbRepeatCount")->isChecked());
        QCOMPARE(Get<QSpinBox>("seRepeatCount")->value(), 1000);
        // Every showing starts on the text page with the focus in the find memo.
        QCOMPARE(Get<QTabWidget>("PageControl1")->currentIndex(), 0);
        QVERIFY(Get<QPlainTextEdit>("memTextToFind")->hasFocus());
        Click(Get<QPushButton>("btnOk"));
    });
    QVERIFY(ok);
    QCOMPARE(rule.Find, std::string("a[nw]b"));
    QCOMPARE(rule.Replace, std::string("x[nw]y[nu][t]\t\xA0\xB8"));
    QCOMPARE(rule.Flags, std::string("r"));
    QCOMPARE(rule.Repeat, 1000);
    QCOMPARE(rule.xPath, std::string("//Item/@Name"));
    QVERIFY(rule.Checked);  // the caller's

    // Repeat 0 is "till nothing is left"; unchecking XML drops the xPath; Cancel changes nothing.
    TReplace loop("a", "b", "//x", "", false);
    loop.Repeat = 0;
    QVERIFY(EditWith(loop, false, [this] {
        QVERIFY(Get<QRadioButton>("rbRepeatTillExists")->isChecked());
        QVERIFY(!Get<QSpinBox>("seRepeatCount")->isEnabled());
        QVERIFY(!Get<QCheckBox>("cbRegExpr")->isChecked());
        Get<QTabWidget>("PageControl1")->setCurrentIndex(1);
        Click(Get<QCheckBox>("cbXML"));
        Click(Get<QPushButton>("btnOk"));
    }));
    QCOMPARE(loop.Repeat, 0);
    QCOMPARE(loop.xPath, std::string());
    const TReplace before = loop;
    QVERIFY(!EditWith(loop, false, [this] {
        QTest::keyClicks(Get<QPlainTextEdit>("memTextToFind"), QStringLiteral("zzz"));
        Click(Get<QPushButton>("btnCancel"));
    }));
    QCOMPARE(loop.Find, before.Find);
}

void EditReplaceStringFormTest::okNeedsAFindTextOrAnXPath() {
    form_->show();
    auto* ok = Get<QPushButton>("btnOk");
    auto* find = Get<QPlainTextEdit>("memTextToFind");
    QVERIFY(!ok->isEnabled());
    QTest::keyClick(find, Qt::Key_Space);
    QVERIFY(ok->isEnabled());
    QTest::keyClick(find, Qt::Key_Backspace);
    QVERIFY(!ok->isEnabled());

    Get<QTabWidget>("PageControl1")->setCurrentIndex(1);
    auto* xml = Get<QCheckBox>("cbXML");
    auto* path = Get<QLineEdit>("edtXPath");
    QVERIFY(!path->isEnabled());
    Click(xml);
    QVERIFY(path->isEnabled());
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(path, QStringLiteral("/"));
    QVERIFY(ok->isEnabled());
    Click(xml);
    QVERIFY(!ok->isEnabled());
    QCOMPARE(form_->GetXPath(), std::string());

    // Enter in the xPath edit is OK's, which does nothing while it is disabled.
    Click(xml);
    TReplace rule;
    QVERIFY(EditWith(rule, true, [this, path] {
        Get<QTabWidget>("PageControl1")->setCurrentIndex(1);
        path->setFocus();
        QTest::keyClicks(path, QStringLiteral("//a"));
        QTest::keyClick(path, Qt::Key_Return);
    }));
    QCOMPARE(rule.xPath, std::string("//a"));
    QCOMPARE(rule.Find, std::string());
}

void EditReplaceStringFormTest::regexSwitchConvertsTheFindLineBreaks() {
    form_->show();
    auto* find = Get<QPlainTextEdit>("memTextToFind");
    auto* replace = Get<QPlainTextEdit>("memReplaceWith");
    auto* regex = Get<QCheckBox>("cbRegExpr");
    auto* master = Get<LinkLabel>("lblRegExpr");
    QTest::keyClicks(find, QStringLiteral("a"));
    QTest::keyClick(find, Qt::Key_Return);
    QTest::keyClicks(find, QStringLiteral("b"));
    QTest::keyClicks(replace, QStringLiteral("x"));
    QTest::keyClick(replace, Qt::Key_Return);
    QVERIFY(!master->isEnabled());

    Click(regex);
    QCOMPARE(MemoText(find), QStringLiteral("a\\r\\nb"));
    QCOMPARE(MemoText(replace), QStringLiteral("x\n"));  // never converted
    QVERIFY(master->isEnabled());
    Click(regex);
    QCOMPARE(MemoText(find), QStringLiteral("a\nb"));
    QVERIFY(!master->isEnabled());

    // Loading a rule sets the switch without converting anything.
    form_->SetReplace(TReplace("a[nw]b\\r\\nc", "", "", "r", false));
    QVERIFY(regex->isChecked());
    QCOMPARE(MemoText(find), QStringLiteral("a\nb\\r\\nc"));
}

void EditReplaceStringFormTest::memoKeys() {
    TReplace rule("keep", "", "", "", false);
    const bool ok = EditWith(rule, false, [this] {
        auto* find = Get<QPlainTextEdit>("memTextToFind");
        auto* replace = Get<QPlainTextEdit>("memReplaceWith");
        find->selectAll();
        QTest::keyClick(find, Qt::Key_Tab);
        QCOMPARE(MemoText(find), QStringLiteral("\t"));
        QTest::keyClick(find, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(replace->hasFocus());
        QCOMPARE(MemoText(find), QStringLiteral("\t"));
        QTest::keyClick(replace, Qt::Key_Return);
        QCOMPARE(MemoText(replace), QStringLiteral("\n"));
        QTest::keyClick(replace, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(Get<QTabWidget>("PageControl1")->currentWidget()->objectName(),
                 QStringLiteral("tsXML"));
        QVERIFY(Get<QCheckBox>("cbXML")->hasFocus());
        // Esc in a memo closes as Cancel.
        replace->setFocus();
        QTest::keyClick(replace, Qt::Key_Escape);
    });
    QVERIFY(!ok);
    QCOMPARE(rule.Find, std::string("keep"));
    QVERIFY(!form_->isVisible());
}

void EditReplaceStringFormTest::symbolsMenuInsertsIntoItsMemo() {
    form_->show();
    auto* find = Get<QPlainTextEdit>("memTextToFind");
    auto* replace = Get<QPlainTextEdit>("memReplaceWith");
    QMenu* menu = form_->SymbolsMenu();
    auto item = [menu](const char* name) {
        return menu->findChild<QAction*>(QString::fromLatin1(name));
    };
    QVERIFY(!item("miReturnWin")->isVisible());
    QVERIFY(!item("miTab")->isVisible());

    SetMemoText(find, QStringLiteral("a-b"));
    QTextCursor cursor = find->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    find->setTextCursor(cursor);
    Click(Get<LinkLabel>("Label1"));
    QVERIFY(menu->isVisible());
    QVERIFY(!item("miNum")->isVisible());
    item("miTire")->trigger();
    menu->close();
    QCOMPARE(MemoText(find), QStringLiteral("a–b"));
    QCOMPARE(form_->GetTextToFind(), std::string("a\x96"
                                                 "b"));

    Click(Get<LinkLabel>("Label4"));
    QVERIFY(item("miNum")->isVisible());
    item("miNum")->trigger();
    item("miCopyright")->trigger();
    item("miReturnUnix")->trigger();
    menu->close();
    QCOMPARE(MemoText(replace), QStringLiteral("[nm]©[nu]"));
    QCOMPARE(MemoText(find), QStringLiteral("a–b"));
}

void EditReplaceStringFormTest::characterMapIsStartedOrMissingIsSaid() {
    const QByteArray savedPath = qgetenv("PATH");
    QAction* select = form_->SymbolsMenu()->findChild<QAction*>(QStringLiteral("miSelectSymbol"));

    qputenv("PATH", QFile::encodeName(dir_.path()));
    select->trigger();
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QVERIFY(QString::fromStdString(messages_.shown[0].text).contains(QStringLiteral("gucharmap")));

    // The second choice is taken when the first is missing.
    const QString marker = dir_.filePath(QStringLiteral("started"));
    const QString stub = dir_.filePath(QStringLiteral("kcharselect"));
    {
        std::ofstream script(stub.toStdString());
        script << "#!/bin/sh\n: > '" << marker.toStdString() << "'\n";
    }
    QFile::setPermissions(stub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    select->trigger();
    qputenv("PATH", savedPath);
    QTRY_VERIFY(QFile::exists(marker));
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(MemoText(Get<QPlainTextEdit>("memTextToFind")), QString());
}

void EditReplaceStringFormTest::masterEditsTheFindTextThroughTheTester() {
    TReplace rule("ab+", "", "", "r", false);
    // OK in the tester replaces the find text; Cancel keeps it.
    QVERIFY(EditWith(rule, false, [this] {
        WhenShown(tester_.get(), [this] {
            auto* edit = tester_->findChild<QLineEdit*>(QStringLiteral("edtRegExp"));
            QCOMPARE(edit->text(), QStringLiteral("ab+"));
            QTest::keyClicks(edit, QStringLiteral("(c)"));
            Click(tester_->findChild<QPushButton*>(QStringLiteral("btnCancel")));
        });
        Click(Get<LinkLabel>("lblRegExpr"));
        QCOMPARE(MemoText(Get<QPlainTextEdit>("memTextToFind")), QStringLiteral("ab+"));

        WhenShown(tester_.get(), [this] {
            auto* edit = tester_->findChild<QLineEdit*>(QStringLiteral("edtRegExp"));
            QCOMPARE(edit->text(), QStringLiteral("ab+"));
            QTest::keyClicks(edit, QStringLiteral("(c)"));
            QTest::keyClick(edit, Qt::Key_Return);  // the tester's OK
        });
        Click(Get<LinkLabel>("lblRegExpr"));
        QCOMPARE(MemoText(Get<QPlainTextEdit>("memTextToFind")), QStringLiteral("ab+(c)"));
        Click(Get<QPushButton>("btnOk"));
    }));
    QCOMPARE(rule.Find, std::string("ab+(c)"));
}

void EditReplaceStringFormTest::helpOpensTheHelpFile() {
    form_->show();
    Click(Get<QPushButton>("btnHelp"));
    QVERIFY(shell_.documents.empty());
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    std::ofstream(test::PathOf(dir_) / "Help.htm") << "<html></html>";
    Click(Get<QPushButton>("btnHelp"));
    QCOMPARE(shell_.documents.size(), std::size_t{1});
    QCOMPARE(shell_.documents[0], test::PathOf(dir_) / "Help.htm");
}

void EditReplaceStringFormTest::choicesCarryOverToTheNextNewRule() {
    TReplace first;
    QVERIFY(EditWith(first, true, [this] {
        QTest::keyClicks(Get<QPlainTextEdit>("memTextToFind"), QStringLiteral("\\d+"));
        Click(Get<QCheckBox>("cbRegExpr"));
        Click(Get<QRadioButton>("rbRepeatTillExists"));
        Get<QTabWidget>("PageControl1")->setCurrentIndex(1);
        Click(Get<QCheckBox>("cbXML"));
        QTest::keyClicks(Get<QLineEdit>("edtXPath"), QStringLiteral("//t"));
        Click(Get<QPushButton>("btnOk"));
    }));
    QCOMPARE(first.Flags, std::string("r"));
    QCOMPARE(first.Repeat, 0);
    QCOMPARE(first.xPath, std::string("//t"));

    // The options stay; the texts, the xPath and the repeat option start afresh.
    TReplace second;
    QVERIFY(EditWith(second, true, [this] {
        QVERIFY(Get<QCheckBox>("cbRegExpr")->isChecked());
        QVERIFY(Get<QCheckBox>("cbXML")->isChecked());
        QCOMPARE(Get<QLineEdit>("edtXPath")->text(), QString());
        QVERIFY(Get<QRadioButton>("rbRepeatCount")->isChecked());
        auto* spin = Get<QSpinBox>("seRepeatCount");
        QCOMPARE(spin->value(), 1);
        QTest::keyClicks(Get<QPlainTextEdit>("memTextToFind"), QStringLiteral("x"));
        spin->selectAll();
        QTest::keyClicks(spin, QStringLiteral("7"));
        Click(Get<QPushButton>("btnOk"));
    }));
    QCOMPARE(second.Repeat, 7);

    // A rule that repeats till nothing is left keeps the last count, unused.
    TReplace loop("a", "", "", "", false);
    loop.Repeat = 0;
    form_->SetReplace(loop);
    QCOMPARE(Get<QSpinBox>("seRepeatCount")->value(), 7);
    QCOMPARE(form_->GetRepeatCount(), 0);
}

}  // namespace qx

QTEST_MAIN(qx::EditReplaceStringFormTest)
#include "EditReplaceStringForm_test.moc"
