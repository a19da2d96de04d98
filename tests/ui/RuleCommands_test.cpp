// SPDX-License-Identifier: GPL-3.0-or-later
// The rule list panel's commands driven in the main window with keys, links and the rule
// editor: moves of blocks (also while the filter hides rules), deletion with its question and
// the scroll position, copies, additions under the view filters, Enter and double clicks, and
// check marks set by the user that survive moves, copies and edits.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeView>
#include <fstream>
#include <iterator>

#include "KeyTyping.h"
#include "ModalDriver.h"
#include "TestDoubles.h"
#include "engine/TReplace.h"
#include "ui/main/MainForm.h"
#include "ui/rules/EditReplaceStringForm.h"

namespace qx {
namespace {

struct Rule {
    std::string find;
    bool checked = true;
    int repeat = 1;
};

// A list file with plain rules whose replace text is the find text in capitals.
std::string ListText(const std::vector<Rule>& rules) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<List xml:space=\"preserve\">\r\n";
    for (const Rule& r : rules) {
        text += "  <Item> <Find>" + r.find + "</Find> <Replace>R" + r.find + "</Replace>";
        if (r.checked) text += "  <Checked>1</Checked>";
        if (r.repeat != 1) text += "  <Repeat>" + std::to_string(r.repeat) + "</Repeat>";
        text += "  </Item>\r\n";
    }
    return text + "</List>\r\n";
}

// The rule lines of a list file's text, without the file's head and tail.
std::string Items(const std::string& listText) {
    std::string items;
    for (std::size_t at = listText.find("  <Item>"); at != std::string::npos;
         at = listText.find("  <Item>", at + 1))
        items += listText.substr(at, listText.find('\n', at) - at + 1);
    return items;
}

std::vector<Rule> Letters(const std::string& letters) {
    std::vector<Rule> rules;
    for (const char c : letters) rules.push_back({std::string(1, c)});
    return rules;
}

}  // namespace

class RuleCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { window_.reset(); }

    void movesShiftBlocksOfSelectedRows_data();
    void movesShiftBlocksOfSelectedRows();
    void moveWhileFilterHidesRulesExchangesTheTwo();
    void deleteAsksThenKeepsTheScrollPosition();
    void copyOfLastRowGoesToTheEndCheckedAndAloneSelected();
    void addShowsTheNewRuleWhereTheViewsWouldHideIt();
    void enterAndDoubleClickEditOrAdd();

private:
    void Start(const std::vector<Rule>& rules) {
        messages_ = {};
        config_ = std::make_unique<QTemporaryDir>();
        std::ofstream(test::PathOf(*config_) / "Default.lst", std::ios::binary) << ListText(rules);
        MainFormEnv env;
        env.configFolder = env.programFolder = test::PathOf(*config_);
        env.messages = &messages_;
        env.shell = &shell_;
        window_ = std::make_unique<MainForm>(std::move(env));
        window_->InitMainWindow();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        List()->setFocus();
    }
    template <typename T = QWidget>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    QTreeView* List() const { return Find<QTreeView>("lvReplaceStrings"); }
    EditReplaceStringForm* Editor() const { return window_->findChild<EditReplaceStringForm*>(); }
    QPlainTextEdit* Memo(const char* name) const {
        return Editor()->findChild<QPlainTextEdit*>(name);
    }
    void ClickOk() const {
        QTest::mouseClick(Editor()->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    }
    QModelIndex Index(int row, int column = 0) const { return List()->model()->index(row, column); }
    void SelectRows(std::initializer_list<int> rows) {
        List()->selectionModel()->clear();
        for (const int row : rows)
            List()->selectionModel()->setCurrentIndex(
                Index(row), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The rows' find texts, each followed by its mark and a star when selected: "ax b-* cx".
    QString Shown() const {
        QStringList rows;
        for (int i = 0; i < List()->model()->rowCount(); ++i)
            rows << Index(i).data().toString() +
                        (Index(i).data(Qt::CheckStateRole).toInt() == Qt::Checked ? "x" : "-") +
                        (List()->selectionModel()->isRowSelected(i, {}) ? "*" : "");
        return rows.join(QLatin1Char(' '));
    }
    QString RuleOrder() const {
        QString order;
        for (int i = 0; i < window_->Rules().Count(); ++i)
            order += QString::fromStdString(window_->Rules().Items(i)->Find);
        return order;
    }
    // A click on the row's check box, where the list's style draws it.
    void UncheckByMouse(int row) {
        QStyleOptionViewItem option;
        option.initFrom(List()->viewport());
        option.rect = List()->visualRect(Index(row));
        option.features =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        const QRect box =
            List()->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, List());
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, box.center());
    }
    // Closes the window and gives the rule lines it saved.
    std::string SavedItems() {
        window_->close();
        std::ifstream in(test::PathOf(*config_) / "Default.lst", std::ios::binary);
        return Items(std::string(std::istreambuf_iterator<char>(in), {}));
    }

    std::unique_ptr<QTemporaryDir> config_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    std::unique_ptr<MainForm> window_;
};

void RuleCommandsTest::movesShiftBlocksOfSelectedRows_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("shown");
    // The selected rows were unchecked by the user: each mark travels with its rule.
    QTest::newRow("top block stays") << QList<int>{0, 1} << "Ctrl+Up"
                                     << "a-* b-* cx dx ex";
    QTest::newRow("block moves up") << QList<int>{1, 2} << "Ctrl+Up"
                                    << "b-* c-* ax dx ex";
    QTest::newRow("link moves up") << QList<int>{2, 4} << "lblMoveUp"
                                   << "ax c-* bx e-* dx";
    QTest::newRow("bottom block stays") << QList<int>{3, 4} << "lblMoveDown"
                                        << "ax bx cx d-* e-*";
    QTest::newRow("two rows down") << QList<int>{0, 2} << "Ctrl+Down"
                                   << "bx a-* dx c-* ex";
}

void RuleCommandsTest::movesShiftBlocksOfSelectedRows() {
    QFETCH(QList<int>, selected);
    QFETCH(QString, how);
    QFETCH(QString, shown);
    Start(Letters("abcde"));
    for (const int row : selected) UncheckByMouse(row);
    SelectRows({});
    for (const int row : selected)
        List()->selectionModel()->select(Index(row),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    List()->selectionModel()->setCurrentIndex(Index(selected.last()),
                                              QItemSelectionModel::NoUpdate);
    if (how.startsWith("Ctrl"))
        QTest::keyClick(List(), how.endsWith("Up") ? Qt::Key_Up : Qt::Key_Down,
                        Qt::ControlModifier);
    else
        QTest::mousePress(Find(how.toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(Shown(), shown);
    QCOMPARE(RuleOrder(), QString(shown).remove(QRegularExpression("[-x* ]")));
    if (!how.startsWith("Ctrl"))  // the links leave the focus on its row
        QCOMPARE(List()->currentIndex().row(), selected.last());
}

void RuleCommandsTest::moveWhileFilterHidesRulesExchangesTheTwo() {
    Start({{"ka"}, {"h1"}, {"kb", false}, {"h2"}, {"kc"}});
    Find<QCheckBox>("cbFilterReplaces")->click();
    QTest::keyClicks(Find<QLineEdit>("edtFilterReplaces"), "K");
    QTRY_COMPARE(Shown(), QStringLiteral("kax kb- kcx"));
    // Both marks differ from the stored ones, and both travel with their rules.
    UncheckByMouse(1);
    UncheckByMouse(2);
    SelectRows({2});
    QTest::keyClick(List(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(Shown(), QStringLiteral("kax kc-* kbx"));
    // Only the two shown rules changed places; the hidden ones between kept theirs.
    QCOMPARE(RuleOrder(), QStringLiteral("kah1kch2kb"));
    // Lifting the filter stores the marks of the rows shown: hidden rules come back unchecked.
    Find<QCheckBox>("cbFilterReplaces")->click();
    QCOMPARE(Shown(), QStringLiteral("kax h1- kc- h2- kbx"));
    QCOMPARE(SavedItems(),
             Items(ListText({{"ka"}, {"h1", false}, {"kc", false}, {"h2", false}, {"kb"}})));
}

void RuleCommandsTest::deleteAsksThenKeepsTheScrollPosition() {
    std::vector<Rule> rules;
    for (int i = 0; i < 80; ++i) rules.push_back({"r" + std::to_string(i)});
    Start(rules);
    List()->scrollTo(Index(30), QAbstractItemView::PositionAtTop);
    const int top = List()->indexAt(QPoint(1, 1)).row();
    QVERIFY(top > 20);
    SelectRows({top + 2, top + 4});

    messages_.answer = false;
    QTest::keyClick(List(), Qt::Key_Delete);
    QCOMPARE(messages_.asked.size(), std::size_t{1});
    QCOMPARE(messages_.asked[0].text, std::string("Вы хотите удалить выделенные элементы?"));
    QCOMPARE(messages_.asked[0].caption, std::string("Внимание"));
    QCOMPARE(List()->model()->rowCount(), 80);

    messages_.answer = true;
    QTest::mouseClick(Find("lblDelete"), Qt::LeftButton);
    QCOMPARE(window_->Rules().Count(), 78);
    QCOMPARE(List()->model()->rowCount(), 78);
    QCOMPARE(Index(top + 2).data().toString(), QStringLiteral("r%1").arg(top + 3));
    QCOMPARE(Index(top + 3).data().toString(), QStringLiteral("r%1").arg(top + 5));
    QCOMPARE(List()->indexAt(QPoint(1, 1)).row(), top);
    QVERIFY(!window_->Action("ADelete")->isEnabled());  // nothing selected any more
}

void RuleCommandsTest::copyOfLastRowGoesToTheEndCheckedAndAloneSelected() {
    Start({{"a"}, {"b"}, {"c", false, 7}});
    UncheckByMouse(1);
    SelectRows({0, 2});  // the focused row is copied, whatever else is selected
    QTest::mouseClick(Find("lblCopy"), Qt::LeftButton);
    QCOMPARE(Shown(), QStringLiteral("ax b- c- cx*"));
    QCOMPARE(Index(3, 4).data().toString(), QStringLiteral("7"));
    QCOMPARE(List()->currentIndex().row(), 3);
    QCOMPARE(SavedItems(), Items(ListText({{"a"}, {"b", false}, {"c", false, 7}, {"c", true, 7}})));
}

void RuleCommandsTest::addShowsTheNewRuleWhereTheViewsWouldHideIt() {
    Start({{"one"}, {"two", false}, {"three"}});
    Find<QCheckBox>("cbCheckedOnly")->click();
    Find<QCheckBox>("cbFilterReplaces")->click();
    QTest::keyClicks(Find<QLineEdit>("edtFilterReplaces"), "o");
    QTRY_COMPARE(Shown(), QStringLiteral("onex"));
    SelectRows({0});
    // A rule the filter does not match, repeated while there is something to replace.
    test::WhenShown(Editor(), [this] {
        test::TypeText(Memo("memTextToFind"), "zz");
        auto* tillExists = Editor()->findChild<QWidget*>("rbRepeatTillExists");
        QTest::mouseClick(tillExists, Qt::LeftButton, {}, QPoint(6, tillExists->height() / 2));
        ClickOk();
    });
    QTest::keyClick(List(), Qt::Key_Insert);
    QCOMPARE(Shown(), QStringLiteral("onex* zzx*"));
    QCOMPARE(Index(1, 4).data().toString(), QStringLiteral("?"));
    QCOMPARE(List()->currentIndex().row(), 1);
    QCOMPARE(RuleOrder(), QStringLiteral("onetwothreezz"));
    // The next refill applies the filter to it.
    Find<QCheckBox>("cbCheckedOnly")->click();
    QCOMPARE(Shown(), QStringLiteral("onex two-"));
}

void RuleCommandsTest::enterAndDoubleClickEditOrAdd() {
    Start({{"a"}, {"b"}});
    bool opened = false;
    test::WhenShown(Editor(), [this, &opened] {
        opened = true;
        QTest::keyClick(Memo("memReplaceWith"), Qt::Key_End, Qt::ControlModifier);
        test::TypeText(Memo("memReplaceWith"), "!");
        ClickOk();
    });
    SelectRows({});
    QTest::keyClick(List(), Qt::Key_Return);
    QTest::qWait(30);
    QVERIFY(!opened);  // without a row, Enter does nothing

    // Enter edits the focused rule; the mark the user cleared stays cleared.
    UncheckByMouse(1);
    SelectRows({1});
    QTest::keyClick(List(), Qt::Key_Enter);
    QVERIFY(opened);
    QCOMPARE(Index(1, 1).data().toString(), QStringLiteral("Rb!"));
    QCOMPARE(Shown(), QStringLiteral("ax b-*"));

    // A double click below the rows (the first click clears the selection) adds a rule.
    test::WhenShown(Editor(), [this] {
        QVERIFY(Memo("memTextToFind")->toPlainText().isEmpty());
        test::TypeText(Memo("memTextToFind"), "c");
        ClickOk();
    });
    const QPoint below(100, List()->viewport()->height() - 5);
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(Shown(), QStringLiteral("ax b- cx*"));
    std::string expected = Items(ListText({{"a"}, {"b", false}}));
    expected.insert(expected.find("Rb<") + 2, "!");
    QCOMPARE(SavedItems().substr(0, expected.size()), expected);
}

}  // namespace qx

QTEST_MAIN(qx::RuleCommandsTest)
#include "RuleCommands_test.moc"
