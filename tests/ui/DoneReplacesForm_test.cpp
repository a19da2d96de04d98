// SPDX-License-Identifier: GPL-3.0-or-later
// The performed-replacements viewer driven by keys and clicks: the rows and their count, the
// delayed filter, the record kept selected across filters, the four commands and the context
// menu, and the detail window with real line breaks.
#include "ui/correction/DoneReplacesForm.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "KeyTyping.h"
#include "TestDoubles.h"
#include "ui/correction/DoneReplaceForm.h"

namespace qx {
namespace {

template <class T>
T* Child(const QWidget& form, const char* name) {
    auto* child = form.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no control %s", name);
    return child;
}

struct Viewer {
    test::RecordingMessages messages;
    DoneReplacesForm form{messages, nullptr};
    QTableView* view = Child<QTableView>(form, "lvReplaces");
    QLineEdit* filter = Child<QLineEdit>(form, "edtFilter");
    QCheckBox* cbFilter = Child<QCheckBox>(form, "cbFilter");
    QLabel* count = Child<QLabel>(form, "lblCount");

    void Show() {
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) qFatal("viewer not shown");
    }
    QString Cell(int row, int column) const {
        return view->model()->index(row, column).data().toString();
    }
    int Rows() const { return view->model()->rowCount(); }
    void ClickRow(int row) {
        const QModelIndex index = view->model()->index(row, 1);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    int SelectedRow() const {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    QAction* Action(const char* name) const { return Child<QAction>(form, name); }
    void Type(const QString& text) {
        filter->setFocus();
        test::TypeText(filter, text);
    }
};

// What a desktop delivers for a double click: a click, then the second press as a double click.
void DoubleClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
}

// Runs `open` (which shows the detail window modally) and inspects the window while it is up.
void WithDetail(DoneReplacesForm& viewer, const std::function<void()>& open,
                const std::function<void(DoneReplaceForm&)>& inspect) {
    DoneReplaceForm& detail = viewer.Detail();
    bool seen = false;
    // Polled: the clicks that open the window let pending events through before it is up.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &detail, [&] {
        if (!detail.isVisible()) return;
        poll.stop();
        seen = true;
        inspect(detail);
        QTest::mouseClick(Child<QPushButton>(detail, "btnClose"), Qt::LeftButton);
    });
    poll.start();
    open();
    QVERIFY(seen);
    QVERIFY(!detail.isVisible());
}

}  // namespace

class DoneReplacesFormTest : public QObject {
    Q_OBJECT
private slots:
    void namesCaptionsAndColumns();
    void filterCountsAndNumbersShownRows();
    void typingRebuildsOnceAfterTheLastKey();
    void selectedRecordStaysSelectedAcrossFilters();
    void lineBreakShownAsTokenFilteredByItAndOpenedAsBreak();
    void commandsNeedASelectedRecord();
    void clearedRecordsLeaveNoSelection();
};

void DoneReplacesFormTest::namesCaptionsAndColumns() {
    Viewer v;
    QCOMPARE(v.form.objectName(), QStringLiteral("frmDoneReplaces"));
    QCOMPARE(v.form.windowTitle(), QStringLiteral("Произведенные замены"));
    QCOMPARE(v.form.minimumSize(), QSize(500, 300));
    QCOMPARE(v.cbFilter->text(), QStringLiteral("Фильтр"));
    QVERIFY(!v.cbFilter->isChecked());
    QVERIFY(!v.filter->isEnabled());
    QCOMPARE(v.count->text(), QStringLiteral("0 / 0"));
    QCOMPARE(Child<QPushButton>(v.form, "btnClose")->text(), QStringLiteral("Закрыть"));
    QVERIFY(Child<QLabel>(v.form, "Label5")->text().startsWith(QStringLiteral("[nw] - перевод")));
    const QStringList headers = {QStringLiteral("№"), QStringLiteral("Найдено"),
                                 QStringLiteral("Заменено на"), QStringLiteral("Файл")};
    for (int c = 0; c < headers.size(); ++c)
        QCOMPARE(v.view->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    QCOMPARE(v.view->columnWidth(1), 250);
    QCOMPARE(v.view->columnWidth(2), 250);
    QCOMPARE(v.view->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(v.view->selectionMode(), QAbstractItemView::SingleSelection);
    // The context menu: the detail command, a separator, the three filters.
    auto* menu = Child<QMenu>(v.form, "pupReplaces");
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 5);
    QCOMPARE(items[0], v.Action("AOpen"));
    QVERIFY(items[1]->isSeparator());
    QCOMPARE(items[2], v.Action("AFilterByFind"));
    QCOMPARE(items[3], v.Action("AFilterByReplace"));
    QCOMPARE(items[4], v.Action("AFilterByFileName"));
    QCOMPARE(items[0]->text(), QStringLiteral("Просмотр в отдельном окне"));
    QCOMPARE(items[2]->text(), QStringLiteral("Фильтр по выделенному Найдено"));
    QCOMPARE(items[3]->text(), QStringLiteral("Фильтр по выделенному Заменено"));
    QCOMPARE(items[4]->text(), QStringLiteral("Фильтр по выделенному файлу"));
    for (const QWidget* control : v.form.findChildren<QWidget*>())
        if (!control->objectName().isEmpty() &&
            (control->inherits("QAbstractButton") || control->inherits("QLineEdit") ||
             control->inherits("QAbstractItemView")))
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
}

void DoneReplacesFormTest::filterCountsAndNumbersShownRows() {
    Viewer v;
    v.form.AddDoneReplace("cat", "dog", "a.txt");
    v.form.AddDoneReplace("\xCA\xCE\xD2", "\xEA\xEE\xF2", "b.txt");  // "КОТ" -> "кот"
    v.form.AddDoneReplace("mouse", "rat", "sub/c.txt");
    // Records added while the viewer is up do not show until it is rebuilt.
    v.Show();
    QCOMPARE(v.count->text(), QStringLiteral("3 / 3"));
    QCOMPARE(v.Cell(1, 1), QStringLiteral("КОТ"));
    QCOMPARE(v.Cell(2, 3), QStringLiteral("sub/c.txt"));

    // A box checked but empty filters nothing; the focus goes to the filter text.
    QTest::mouseClick(v.cbFilter, Qt::LeftButton, {}, QPoint(8, v.cbFilter->height() / 2));
    QVERIFY(v.filter->isEnabled());
    QVERIFY(v.filter->hasFocus());
    QCOMPARE(v.count->text(), QStringLiteral("3 / 3"));

    v.Type(QStringLiteral("Кот"));  // in the inserted text of record 2, case ignored
    QTRY_COMPARE(v.count->text(), QStringLiteral("1 / 3"));
    QCOMPARE(v.Cell(0, 0), QStringLiteral("1"));  // the position among the shown rows
    QCOMPARE(v.Cell(0, 2), QStringLiteral("кот"));

    // The file name counts as much as the texts; a character windows-1251 lacks matches
    // nothing rather than every "?".
    v.filter->setText(QStringLiteral("SUB/"));
    QTRY_COMPARE(v.Cell(0, 1), QStringLiteral("mouse"));
    QCOMPARE(v.count->text(), QStringLiteral("1 / 3"));
    v.form.AddDoneReplace("?", "?", "d.txt");
    v.filter->setText(QStringLiteral("€"));
    QTRY_COMPARE(v.count->text(), QStringLiteral("0 / 4"));

    // Unchecking shows everything again at once, the filter text kept but disabled.
    QTest::mouseClick(v.cbFilter, Qt::LeftButton, {}, QPoint(8, v.cbFilter->height() / 2));
    QCOMPARE(v.count->text(), QStringLiteral("4 / 4"));
    QVERIFY(!v.filter->isEnabled());
    QCOMPARE(v.filter->text(), QStringLiteral("€"));
}

void DoneReplacesFormTest::typingRebuildsOnceAfterTheLastKey() {
    Viewer v;
    for (int i = 0; i < 50; ++i) v.form.AddDoneReplace(i % 2 ? "odd" : "even", "x", "f.txt");
    v.Show();
    v.cbFilter->setChecked(true);
    auto* timer = v.form.findChild<QTimer*>(QStringLiteral("tmrUpdateList"));
    QVERIFY(timer != nullptr);
    QCOMPARE(timer->interval(), 250);
    QVERIFY(!timer->isActive());
    int resets = 0;
    connect(v.view->model(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
    v.Type(QStringLiteral("od"));
    QTest::qWait(150);
    v.Type(QStringLiteral("d"));
    // 150 ms after the first keys nothing was rebuilt: the last key restarted the delay.
    QVERIFY(timer->isActive());
    QCOMPARE(resets, 0);
    QCOMPARE(v.count->text(), QStringLiteral("50 / 50"));
    QTRY_COMPARE(v.count->text(), QStringLiteral("25 / 50"));
    QTest::qWait(300);
    QCOMPARE(resets, 1);
}

void DoneReplacesFormTest::selectedRecordStaysSelectedAcrossFilters() {
    Viewer v;
    v.form.resize(600, 320);
    for (int i = 0; i < 3000; ++i)
        v.form.AddDoneReplace("w" + std::to_string(i), i % 3 == 0 ? "three" : "other",
                              "f" + std::to_string(i % 7) + ".txt");
    v.Show();
    v.ClickRow(2700);  // "w2700", a multiple of three, far down
    QCOMPARE(v.SelectedRow(), 2700);
    QVERIFY(v.Action("AOpen")->isEnabled());

    v.cbFilter->setChecked(true);
    v.Type(QStringLiteral("THREE"));
    QTRY_COMPARE(v.count->text(), QStringLiteral("1000 / 3000"));
    // Row 900 of the filtered rows is the same record, selected and in sight.
    QCOMPARE(v.SelectedRow(), 900);
    QCOMPARE(v.Cell(900, 1), QStringLiteral("w2700"));
    QVERIFY(v.view->viewport()->rect().contains(
        v.view->visualRect(v.view->model()->index(900, 1)).center()));

    // Narrowing by the file name of the selected record keeps it too.
    v.Action("AFilterByFileName")->trigger();
    QCOMPARE(v.filter->text(), QStringLiteral("f5.txt"));  // 2700 % 7 == 5
    QCOMPARE(v.count->text(), QStringLiteral("428 / 3000"));
    QCOMPARE(v.Cell(v.SelectedRow(), 1), QStringLiteral("w2700"));

    // A filter the record fails leaves nothing selected and the commands off; it is not
    // selected again when it comes back.
    v.filter->selectAll();
    v.Type(QStringLiteral("w1"));
    QTRY_COMPARE(v.SelectedRow(), -1);
    QVERIFY(!v.Action("AOpen")->isEnabled());
    QVERIFY(!Child<QPushButton>(v.form, "Button1")->isEnabled());
    v.cbFilter->setChecked(false);
    QCOMPARE(v.SelectedRow(), -1);
}

void DoneReplacesFormTest::lineBreakShownAsTokenFilteredByItAndOpenedAsBreak() {
    Viewer v;
    v.form.AddDoneReplace("\r\n", "\t", "one.txt");
    v.form.AddDoneReplace("a", "b\nc", "two.txt");  // a bare line feed: not a CR LF pair
    v.form.AddDoneReplace("x", "end\r\n", "three.txt");
    v.form.AddDoneReplace("  ", "\xCC\xC8\xD0\r\n\xEC\xE8\xF0", "four.txt");  // "МИР", "мир"
    v.Show();
    QCOMPARE(v.Cell(0, 1), QStringLiteral("[nw]"));
    QCOMPARE(v.Cell(0, 2), QStringLiteral("[t]"));
    QCOMPARE(v.Cell(1, 2), QStringLiteral("b[nu]c"));
    QCOMPARE(v.Cell(3, 1), QStringLiteral("[sp][sp]"));

    v.ClickRow(0);
    v.Action("AFilterByFind")->trigger();
    QVERIFY(v.cbFilter->isChecked());
    QCOMPARE(v.filter->text(), QStringLiteral("[nw]"));
    QCOMPARE(v.count->text(), QStringLiteral("3 / 4"));
    QCOMPARE(v.Cell(1, 3), QStringLiteral("three.txt"));
    QCOMPARE(v.SelectedRow(), 0);

    // A double click on the fourth record opens it with real line breaks, fixed pitch.
    const QModelIndex fourth = v.view->model()->index(2, 2);
    WithDetail(
        v.form, [&] { DoubleClick(v.view->viewport(), v.view->visualRect(fourth).center()); },
        [&](DoneReplaceForm& detail) {
            QCOMPARE(detail.objectName(), QStringLiteral("frmDoneReplace"));
            QCOMPARE(detail.windowTitle(), QStringLiteral("Подробности замены"));
            QCOMPARE(Child<QLabel>(detail, "lblFile")->text(), QStringLiteral("four.txt"));
            auto* found = Child<QPlainTextEdit>(detail, "memOldValue");
            auto* inserted = Child<QPlainTextEdit>(detail, "memNewValue");
            QCOMPARE(found->toPlainText(), QStringLiteral("  "));
            QCOMPARE(inserted->toPlainText(), QStringLiteral("МИР\nмир"));
            QCOMPARE(inserted->document()->blockCount(), 2);
            QVERIFY(inserted->isReadOnly());
            // Fixed pitch as drawn: Noto Sans Mono, a common monospace font, is not marked so.
            const QFontMetrics metrics(inserted->font());
            QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
                     metrics.horizontalAdvance(QStringLiteral("ЖЖЖЖ")));
        });

    // The button opens the selected record; the tab is a real tab there.
    v.cbFilter->setChecked(false);
    v.ClickRow(0);
    WithDetail(
        v.form, [&] { QTest::mouseClick(Child<QPushButton>(v.form, "Button1"), Qt::LeftButton); },
        [&](DoneReplaceForm& detail) {
            QCOMPARE(Child<QPlainTextEdit>(detail, "memOldValue")->document()->blockCount(), 2);
            QCOMPARE(Child<QPlainTextEdit>(detail, "memNewValue")->toPlainText(),
                     QStringLiteral("\t"));
        });
}

void DoneReplacesFormTest::commandsNeedASelectedRecord() {
    Viewer v;
    v.form.AddDoneReplace("a", "b", "one.txt");
    v.Show();
    for (const char* name : {"AOpen", "AFilterByFind", "AFilterByReplace", "AFilterByFileName"})
        QVERIFY2(!v.Action(name)->isEnabled(), name);
    // Without a selection the commands do nothing, even when reached directly.
    v.form.FilterByReplace();
    v.form.OpenSelected();
    QVERIFY(!v.cbFilter->isChecked());
    QVERIFY(v.filter->text().isEmpty());
    QVERIFY(!v.form.Detail().isVisible());
    // A double click below the last row selects nothing and opens nothing.
    DoubleClick(v.view->viewport(), QPoint(20, v.view->viewport()->height() - 5));
    QVERIFY(!v.form.Detail().isVisible());

    v.ClickRow(0);
    for (const char* name : {"AOpen", "AFilterByFind", "AFilterByReplace", "AFilterByFileName"})
        QVERIFY2(v.Action(name)->isEnabled(), name);
    v.Action("AFilterByReplace")->trigger();
    QCOMPARE(v.filter->text(), QStringLiteral("b"));
    QVERIFY(v.filter->isEnabled());
}

void DoneReplacesFormTest::clearedRecordsLeaveNoSelection() {
    Viewer v;
    v.form.AddDoneReplace("a", "b", "one.txt");
    v.form.AddDoneReplace("c", "d", "one.txt");
    v.Show();
    v.ClickRow(1);
    v.form.hide();
    // A new run empties the list while the viewer is hidden, then records again.
    v.form.ClearDoneReplaces();
    QCOMPARE(v.count->text(), QStringLiteral("0 / 0"));
    QCOMPARE(v.form.Count(), std::size_t{0});
    v.form.AddDoneReplace("e", "f", "two.txt");
    v.form.AddDoneReplace("g", "h", "two.txt");
    v.Show();
    QCOMPARE(v.count->text(), QStringLiteral("2 / 2"));
    QCOMPARE(v.SelectedRow(), -1);
    QCOMPARE(v.Cell(1, 1), QStringLiteral("g"));
    // Closing by the button or by Escape while shown modally.
    v.form.hide();
    QTimer::singleShot(0, &v.form, [&] {
        QTest::mouseClick(Child<QPushButton>(v.form, "btnClose"), Qt::LeftButton);
    });
    v.form.ShowModal();
    QVERIFY(!v.form.isVisible());
    QTimer::singleShot(0, &v.form, [&] { QTest::keyClick(v.view, Qt::Key_Escape); });
    v.form.ShowModal();
    QVERIFY(!v.form.isVisible());
}

}  // namespace qx

QTEST_MAIN(qx::DoneReplacesFormTest)
#include "DoneReplacesForm_test.moc"
