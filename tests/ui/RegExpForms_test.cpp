// SPDX-License-Identifier: GPL-3.0-or-later
// The two regular-expression test windows: their result lines side by side on the same cases,
// their timers, the hand-back of the expression, and long texts and run-away expressions that
// must neither freeze nor crash a window.
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ModalDriver.h"
#include "TestDoubles.h"
#include "ui/common/MemoText.h"
#include "ui/regex/RegExp2Form.h"
#include "ui/regex/RegExpForm.h"

namespace qx {
namespace {

QLineEdit* Expression(QWidget* w) { return w->findChild<QLineEdit*>(QStringLiteral("edtRegExp")); }
QPlainTextEdit* TestText(QWidget* w) {
    return w->findChild<QPlainTextEdit*>(QStringLiteral("memTestStrings"));
}
QPlainTextEdit* Result(QWidget* w) {
    return w->findChild<QPlainTextEdit*>(QStringLiteral("memResult"));
}
QCheckBox* SingleLines(QWidget* w) {
    return w->findChild<QCheckBox*>(QStringLiteral("cbSingleLines"));
}

// Puts in the inputs and returns the result once the evaluation has ended.
QString Evaluate(RegExpTestForm& form, const QString& expression, const QString& text,
                 bool singleLines) {
    SingleLines(&form)->setChecked(singleLines);
    SetMemoText(TestText(&form), text);
    Expression(&form)->setText(expression);  // keyClicks types ASCII only
    // One tick, now.
    QSignalSpy finished(&form, &RegExpTestForm::EvaluationFinished);
    QTimer* timer = form.Timer();
    const bool singleShot = timer->isSingleShot();
    const int interval = timer->interval();
    timer->setSingleShot(true);
    timer->start(1);
    const bool done = finished.wait(20000);
    timer->setSingleShot(singleShot);
    timer->setInterval(interval);
    return done ? MemoText(Result(&form)) : QStringLiteral("<no evaluation>");
}

}  // namespace

class RegExpFormsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void resultLines_data();
    void resultLines();
    void emptyInputOrInvalidExpression();
    void longTextsAndRunAwayExpressionsStayBounded();
    void testerTimerAndHandBack();
    void secondWindowEvaluatesAfterTheLastChange();
    void controlsCarryNamesAndCards();

private:
    test::RecordingMessages messages_;
    std::unique_ptr<RegExpForm> first_;
    std::unique_ptr<RegExp2Form> second_;
};

void RegExpFormsTest::init() {
    first_ = std::make_unique<RegExpForm>(messages_, nullptr);
    second_ = std::make_unique<RegExp2Form>(messages_, nullptr);
    first_->show();
    second_->show();
}

void RegExpFormsTest::cleanup() {
    first_.reset();
    second_.reset();
    QVERIFY(messages_.shown.empty());  // evaluations never report
}

void RegExpFormsTest::resultLines_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("singleLines");
    QTest::addColumn<QString>("first");   // the rule engine's window
    QTest::addColumn<QString>("second");  // the script-style window

    QTest::newRow("second group takes no part") << "(a)(x)?"
                                                << "a" << false << "a\n    $1.  a\n"
                                                << "a\n    $1.  a\n    $2.  \n--";
    QTest::newRow("single lines, the middle one matches") << "b"
                                                          << "x\nb\ny" << true << "\nb\n"
                                                          << "b";
    QTest::newRow("empty matches") << "x*"
                                   << "ab" << false << "\n\n"
                                   << "";
    QTest::newRow("letter case") << "ABC"
                                 << "abc" << false << "abc"
                                 << "";
    QTest::newRow("two matches in a line, single lines") << "a"
                                                         << "aa\nb" << true << "a\n"
                                                         << "a\na";
    QTest::newRow("^ at every line of the whole text") << "^."
                                                       << "ab\ncd" << false << "a\nc"
                                                       << "a\nc";
    QTest::newRow("match across the line break") << "b\\r\\nc"
                                                 << "ab\ncd" << false << "b\nc"
                                                 << "b\nc";
    QTest::newRow("Cyrillic letters and groups") << "(ё)(\\w)?"
                                                 << "Ёж" << false << "Ё\n    $1.  Ё\n"
                                                 << "";
    // The rule engine refuses a fifteenth group: its window keeps what it showed.
    QTest::newRow("fifteen groups")
        << "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)(o)"
        << "abcdefghijklmno" << false << ""
        << "abcdefghijklmno\n    $1.  a\n    $2.  b\n    $3.  c\n    $4.  d\n    $5.  e\n"
           "    $6.  f\n    $7.  g\n    $8.  h\n    $9.  i\n    $10.  j\n    $11.  k\n"
           "    $12.  l\n    $13.  m\n    $14.  n\n    $15.  o\n--";
}

void RegExpFormsTest::resultLines() {
    QFETCH(QString, expression);
    QFETCH(QString, text);
    QFETCH(bool, singleLines);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QCOMPARE(Evaluate(*first_, expression, text, singleLines), first);
    QCOMPARE(Evaluate(*second_, expression, text, singleLines), second);
}

void RegExpFormsTest::emptyInputOrInvalidExpression() {
    QCOMPARE(Evaluate(*first_, QStringLiteral("b"), QStringLiteral("abc"), false),
             QStringLiteral("b"));
    QCOMPARE(Evaluate(*second_, QStringLiteral("b"), QStringLiteral("abc"), false),
             QStringLiteral("b"));

    // An invalid expression keeps the rule engine's last result and empties the other.
    QCOMPARE(Evaluate(*first_, QStringLiteral("(b"), QStringLiteral("abc"), false),
             QStringLiteral("b"));
    QCOMPARE(Evaluate(*second_, QStringLiteral("(b"), QStringLiteral("abc"), false), QString());

    // An empty expression or test text evaluates nothing and leaves the result; so do the
    // ticks while nothing changes.
    Evaluate(*second_, QStringLiteral("c"), QStringLiteral("abc"), false);
    for (RegExpTestForm* form : {static_cast<RegExpTestForm*>(first_.get()),
                                 static_cast<RegExpTestForm*>(second_.get())}) {
        const QString shown = MemoText(Result(form));
        QSignalSpy finished(form, &RegExpTestForm::EvaluationFinished);
        form->Timer()->setInterval(1);
        form->Timer()->start();
        QTest::qWait(50);
        Expression(form)->clear();
        form->Timer()->start();
        QTest::qWait(50);
        SetMemoText(TestText(form), QString());
        QTest::keyClicks(Expression(form), QStringLiteral("a"));
        form->Timer()->start();
        QTest::qWait(50);
        form->Timer()->stop();
        QCOMPARE(finished.count(), 0);
        QCOMPARE(MemoText(Result(form)), shown);
    }
}

void RegExpFormsTest::longTextsAndRunAwayExpressionsStayBounded() {
    // A few megabytes with a match every other character: the list stops at its bound and
    // says so, in both windows and both modes.
    QString big;
    for (int i = 0; i < 20000; ++i) big += QStringLiteral("а b а b а b а b а b а b а b а b а b\n");
    for (bool single : {false, true}) {
        for (RegExpTestForm* form : {static_cast<RegExpTestForm*>(first_.get()),
                                     static_cast<RegExpTestForm*>(second_.get())}) {
            const QStringList lines =
                Evaluate(*form, QStringLiteral("[аb]"), big, single).split(QLatin1Char('\n'));
            QCOMPARE(lines.size(), ResultLines::kMaxLines);
            QCOMPARE(lines.last(), RegExpTestForm::MoreResultsLine());
        }
    }

    // Catastrophic backtracking gives up: the rule engine's window keeps its last result, the
    // other lists the lines that could be searched.
    const QString runAway = QStringLiteral("(a+)+$");
    const QString text = QString(30000, QLatin1Char('a')) + QStringLiteral("b\naa");
    Evaluate(*first_, QStringLiteral("b"), QStringLiteral("b"), false);
    QCOMPARE(Evaluate(*first_, runAway, text, false), QStringLiteral("b"));
    QCOMPARE(Evaluate(*second_, runAway, text, true), QStringLiteral("aa\n    $1.  aa\n--"));

    // A window closed while it evaluates waits for the evaluation instead of crashing: three
    // run-away lines keep it busy for a while.
    SetMemoText(TestText(second_.get()),
                text + QLatin1Char('\n') + text + QLatin1Char('\n') + text);
    second_->Timer()->start(1);
    QDeadlineTimer deadline(5000);
    while (!second_->IsEvaluating() && !deadline.hasExpired()) QCoreApplication::processEvents();
    QVERIFY(second_->IsEvaluating());
    second_.reset();
}

void RegExpFormsTest::testerTimerAndHandBack() {
    first_->hide();
    QTimer* timer = first_->Timer();
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isActive());

    QString expression = QStringLiteral("a+");
    bool checkedInside = false;
    test::WhenShown(first_.get(), [&] {
        QVERIFY(first_->isVisible());
        QVERIFY(timer->isActive());
        // Selecting in the results rests the timer; the other controls wake it.
        Result(first_.get())->setFocus();
        QVERIFY(!timer->isActive());
        TestText(first_.get())->setFocus();
        QVERIFY(timer->isActive());
        Result(first_.get())->setFocus();
        Expression(first_.get())->setFocus();
        QVERIFY(timer->isActive());
        QTest::keyClicks(Expression(first_.get()), QStringLiteral("b"));
        checkedInside = true;
        QTest::mouseClick(first_->findChild<QPushButton*>(QStringLiteral("btnCancel")),
                          Qt::LeftButton);
    });
    QVERIFY(!first_->EditExpression(expression));
    QVERIFY(checkedInside);
    QCOMPARE(expression, QStringLiteral("a+"));
    QVERIFY(!timer->isActive());

    test::WhenShown(first_.get(), [&] {
        QCOMPARE(Expression(first_.get())->text(), QStringLiteral("a+"));
        QTest::keyClicks(Expression(first_.get()), QStringLiteral("?"));
        QTest::mouseClick(first_->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    QVERIFY(first_->EditExpression(expression));
    QCOMPARE(expression, QStringLiteral("a+?"));
    QVERIFY(!timer->isActive());
}

void RegExpFormsTest::secondWindowEvaluatesAfterTheLastChange() {
    second_->hide();
    QTimer* timer = second_->Timer();
    QCOMPARE(timer->interval(), 300);
    QVERIFY(timer->isSingleShot());
    SetMemoText(TestText(second_.get()), QStringLiteral("abc"));
    timer->stop();
    QSignalSpy finished(second_.get(), &RegExpTestForm::EvaluationFinished);
    test::WhenShown(second_.get(), [&] {
        QVERIFY(!timer->isActive());  // opening evaluates nothing
        QTest::keyClicks(Expression(second_.get()), QStringLiteral("b"));
        QVERIFY(timer->isActive());
        QTest::qWait(150);
        QTest::mouseClick(SingleLines(second_.get()), Qt::LeftButton);  // starts it again
        QTest::qWait(150);
        QCOMPARE(finished.count(), 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(MemoText(Result(second_.get())), QStringLiteral("b"));
        QVERIFY(!timer->isActive());
        second_->close();
    });
    second_->ShowTester();
    QCOMPARE(finished.count(), 1);
}

void RegExpFormsTest::controlsCarryNamesAndCards() {
    QCOMPARE(first_->objectName(), QStringLiteral("frmRegExp"));
    QCOMPARE(second_->objectName(), QStringLiteral("frmRegExp2"));
    QCOMPARE(first_->size(), QSize(900, 700));
    QCOMPARE(second_->size(), QSize(900, 600));
    QCOMPARE(Expression(first_.get())->accessibleName(), QStringLiteral("Регулярное выражение:"));
    // The cards show a backslash as a backslash: 30 entries and two headings, and 27 entries.
    auto entries = [](QWidget* w) {
        QStringList texts;
        for (QLabel* l : w->findChild<QWidget*>(QStringLiteral("pnlCard"))->findChildren<QLabel*>())
            texts << (l->objectName().isEmpty() ? l->text() : l->objectName());
        return texts;
    };
    QCOMPARE(entries(first_.get()).size(), 62);
    QVERIFY(entries(first_.get()).contains(QStringLiteral("Label12")));
    QCOMPARE(entries(second_.get()).size(), 54);
    QVERIFY(entries(second_.get()).contains(QStringLiteral("\\r\\n")));
}

}  // namespace qx

QTEST_MAIN(qx::RegExpFormsTest)
#include "RegExpForms_test.moc"
