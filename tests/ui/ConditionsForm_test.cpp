// SPDX-License-Identifier: GPL-3.0-or-later
// The conditions dialog driven by keys and clicks: names and captions, the enabling of each
// group, edits that stay whichever button closes it, a loaded set shown as it is.
#include "ui/correction/ConditionsForm.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "KeyTyping.h"
#include "TestDoubles.h"
#include "engine/TReplaceConditions.h"

namespace qx {
namespace {

template <class T>
T* Child(const QWidget& form, const char* name) {
    auto* child = form.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no control %s", name);
    return child;
}

QCheckBox* Box(const QWidget& form, const char* name) { return Child<QCheckBox>(form, name); }
QPlainTextEdit* Memo(const QWidget& form, const char* name) {
    return Child<QPlainTextEdit>(form, name);
}

// A click on the box itself, as the user aims at it.
void Click(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

// Runs Edit and, once the dialog is up, what the user does in it; that must close it.
bool EditAs(ConditionsForm& form, TReplaceConditions& conditions, std::function<void()> user) {
    QTimer::singleShot(0, &form, [&] {
        QVERIFY(form.isVisible());
        user();
    });
    return form.Edit(conditions);
}

}  // namespace

class ConditionsFormTest : public QObject {
    Q_OBJECT
private slots:
    void namesCaptionsAndStartState();
    void enablingFollowsGroupAndSwitch_data();
    void enablingFollowsGroupAndSwitch();
    void editsStayWhicheverWayTheDialogCloses();
    void loadedSetAppearsAndUntouchedTextsKeepTheirBytes();
};

void ConditionsFormTest::namesCaptionsAndStartState() {
    test::RecordingMessages messages;
    ConditionsForm form(messages, nullptr);
    QCOMPARE(form.objectName(), QStringLiteral("frmConditions"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Заменить при условии"));
    const std::pair<const char*, QString> boxes[] = {
        {"cbReplace", QStringLiteral("Заменять если:")},
        {"cbReplaceIfContains", QStringLiteral("Встречается текст:")},
        {"cbReplaceIfAbsent", QStringLiteral("Отсутствует текст:")},
        {"cbDontReplace", QStringLiteral("НЕ заменять если:")},
        {"cbDontReplaceIfContains", QStringLiteral("Встречается текст:")},
        {"cbDontReplaceIfAbsent", QStringLiteral("Отсутствует текст:")},
    };
    for (const auto& [name, caption] : boxes) {
        QCOMPARE(Box(form, name)->text(), caption);
        QVERIFY(!Box(form, name)->isChecked());
    }
    QCOMPARE(Child<QPushButton>(form, "btnOK")->text(), QStringLiteral("OK"));
    QVERIFY(Child<QPushButton>(form, "btnOK")->isDefault());
    QCOMPARE(Child<QPushButton>(form, "btnCancel")->text(), QStringLiteral("Отмена"));
    for (const char* name : {"memReplaceIfContains", "memReplaceIfAbsent",
                             "memDontReplaceIfContains", "memDontReplaceIfAbsent"}) {
        QVERIFY(Memo(form, name)->toPlainText().isEmpty());
        QVERIFY(!Memo(form, name)->isEnabled());
        QCOMPARE(Memo(form, name)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    }
    // Screen readers name every control.
    for (const QWidget* control : form.findChildren<QWidget*>())
        if (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QPushButton*>(control) ||
            qobject_cast<const QPlainTextEdit*>(control))
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
}

void ConditionsFormTest::enablingFollowsGroupAndSwitch_data() {
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<bool>("group");
    QTest::addColumn<bool>("contains");
    QTest::addColumn<bool>("absent");
    for (const char* prefix : {"Replace", "DontReplace"})
        for (int bits = 0; bits < 8; ++bits)
            QTest::addRow("%s-%d%d%d", prefix, bits & 1, (bits >> 1) & 1, (bits >> 2) & 1)
                << QByteArray(prefix) << bool(bits & 1) << bool(bits & 2) << bool(bits & 4);
}

// The switches are set by clicks, so a switch on under a group that is then turned off
// keeps its state and loses only its enabling.
void ConditionsFormTest::enablingFollowsGroupAndSwitch() {
    QFETCH(QByteArray, prefix);
    QFETCH(bool, group);
    QFETCH(bool, contains);
    QFETCH(bool, absent);
    test::RecordingMessages messages;
    ConditionsForm form(messages, nullptr);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QByteArray other = prefix == "Replace" ? "DontReplace" : "Replace";
    QCheckBox* groupBox = Box(form, "cb" + prefix);
    QCheckBox* containsBox = Box(form, "cb" + prefix + "IfContains");
    QCheckBox* absentBox = Box(form, "cb" + prefix + "IfAbsent");
    Click(groupBox);
    if (contains) Click(containsBox);
    if (absent) Click(absentBox);
    if (!group) Click(groupBox);
    QCOMPARE(groupBox->isChecked(), group);
    QCOMPARE(containsBox->isChecked(), contains);
    QCOMPARE(absentBox->isChecked(), absent);
    QCOMPARE(containsBox->isEnabled(), group);
    QCOMPARE(absentBox->isEnabled(), group);
    QCOMPARE(Memo(form, "mem" + prefix + "IfContains")->isEnabled(), group && contains);
    QCOMPARE(Memo(form, "mem" + prefix + "IfAbsent")->isEnabled(), group && absent);
    // The other group is untouched.
    QVERIFY(!Box(form, "cb" + other + "IfContains")->isEnabled());
    QVERIFY(!Memo(form, "mem" + other + "IfAbsent")->isEnabled());
}

void ConditionsFormTest::editsStayWhicheverWayTheDialogCloses() {
    test::RecordingMessages messages;
    ConditionsForm form(messages, nullptr);
    TReplaceConditions conditions;

    const bool confirmed = EditAs(form, conditions, [&] {
        Click(Box(form, "cbReplace"));
        Click(Box(form, "cbReplaceIfContains"));
        QPlainTextEdit* memo = Memo(form, "memReplaceIfContains");
        memo->setFocus();
        test::TypeText(memo, QStringLiteral("ab"));
        QTest::keyClick(memo, Qt::Key_Return);
        test::TypeText(memo, QStringLiteral("Яд"));
        QTest::mouseClick(Child<QPushButton>(form, "btnCancel"), Qt::LeftButton);
    });
    QVERIFY(!confirmed);
    QVERIFY(conditions.ReplaceGroup);
    QVERIFY(conditions.ReplaceIfContains);
    QVERIFY(!conditions.ReplaceIfAbsent);
    QVERIFY(!conditions.DontReplaceGroup);
    // Lines joined by CR LF, nothing after the last; the text in windows-1251.
    QCOMPARE(conditions.ReplaceIfContainsText, std::string("ab\r\n\xDF\xE4"));
    QCOMPARE(conditions.ReplaceIfAbsentText, std::string());

    // The next showing starts from the kept edits; Escape is a cancel that keeps them too.
    const bool escaped = EditAs(form, conditions, [&] {
        QCOMPARE(Memo(form, "memReplaceIfContains")->toPlainText(), QStringLiteral("ab\nЯд"));
        QVERIFY(Memo(form, "memReplaceIfContains")->isEnabled());
        Click(Box(form, "cbDontReplace"));
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    QVERIFY(!escaped);
    QVERIFY(conditions.DontReplaceGroup);
    QCOMPARE(conditions.ReplaceIfContainsText, std::string("ab\r\n\xDF\xE4"));

    // Enter on a check box presses the default button.
    const bool accepted = EditAs(form, conditions, [&] {
        Box(form, "cbReplaceIfAbsent")->setFocus();
        QTest::keyClick(Box(form, "cbReplaceIfAbsent"), Qt::Key_Space);
        QTest::keyClick(Box(form, "cbReplaceIfAbsent"), Qt::Key_Return);
    });
    QVERIFY(accepted);
    QVERIFY(conditions.DontReplaceGroup);
    QVERIFY(conditions.ReplaceIfAbsent);
    QVERIFY(!form.isVisible());
}

// A set loaded with a list file appears as it is, its enabling applied; a fragment the user
// does not touch comes back byte for byte, even with line breaks a box cannot hold.
void ConditionsFormTest::loadedSetAppearsAndUntouchedTextsKeepTheirBytes() {
    test::RecordingMessages messages;
    ConditionsForm form(messages, nullptr);
    TReplaceConditions conditions;
    conditions.DontReplaceGroup = true;
    conditions.DontReplaceIfAbsent = true;
    conditions.DontReplaceIfAbsentText = "one\ntwo\rthree";
    conditions.ReplaceIfContains = true;  // kept, though its group is off
    conditions.ReplaceIfContainsText = "\xCF\xF0\xE8\xE2\xE5\xF2\r\n[nw]";  // "Привет"
    const TReplaceConditions loaded = conditions;

    const bool accepted = EditAs(form, conditions, [&] {
        QVERIFY(Box(form, "cbDontReplace")->isChecked());
        QVERIFY(Memo(form, "memDontReplaceIfAbsent")->isEnabled());
        QVERIFY(!Memo(form, "memDontReplaceIfContains")->isEnabled());
        QVERIFY(Box(form, "cbReplaceIfContains")->isChecked());
        QVERIFY(!Box(form, "cbReplaceIfContains")->isEnabled());
        QVERIFY(!Memo(form, "memReplaceIfContains")->isEnabled());
        QCOMPARE(Memo(form, "memReplaceIfContains")->toPlainText(), QStringLiteral("Привет\n[nw]"));
        QTest::mouseClick(Child<QPushButton>(form, "btnOK"), Qt::LeftButton);
    });
    QVERIFY(accepted);
    QCOMPARE(conditions.DontReplaceIfAbsentText, loaded.DontReplaceIfAbsentText);
    QCOMPARE(conditions.ReplaceIfContainsText, loaded.ReplaceIfContainsText);
    QVERIFY(conditions.ReplaceIfContains && !conditions.ReplaceGroup);
}

}  // namespace qx

QTEST_MAIN(qx::ConditionsFormTest)
#include "ConditionsForm_test.moc"
