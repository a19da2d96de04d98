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
    void init();
    void cleanup();

    void movesShiftBlocksOfSelectedRows_data();
    void movesShiftBlocksOfSelectedRows();
    void moveWhileFilterHidesRulesExchangesTheTwo();
    void deleteAsksThenKeepsTheScrollPosition();
    void copyGoesBelowItsRuleCheckedAndAloneSelected();
    void addShowsTheNewRuleEvenWhereTheViewsWouldHideIt();
    void enterAndDoubleClickEditOrAdd();

private:
    void Start(const std::vector<Rule>& rules);
    template <typename T>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    QTreeView* List() const { return Find<QTreeView>("lvReplaceStrings"); }
    EditReplaceStringForm* Editor() const { return window_->findChild<EditReplaceStringForm*>(); }
    QModelIndex Index(int row) const { return List()->model()->index(row, 0); }
    void SelectRows(std::initializer_list<int> rows) {
        List()->selectionModel()->clear();
        for (const int row : rows)
            List()->selectionModel()->setCurrentIndex(
                Index(row), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The rows' find texts, each followed by its mark: "ax b- cx".
    QString Shown() const {
        QStringList rows;
        for (int i = 0; i < List()->model()->rowCount(); ++i)
            rows << Index(i).data().toString() +
                        (Index(i).data(Qt::CheckStateRole).toInt() == Qt::Checked ? "x" : "-");
        return rows.join(QLatin1Char(' '));
    }
    QString RuleOrder() const {
        QString order;
        for (int i = 0; i < window_->Rules().Count(); ++i)
            order += QString::fromStdString(window_->Rules().Items(i)->Find);
        return order;
    }
    QList<int> SelectedRows() const {
        QList<int> rows;
        for (const QModelIndex& index : List()->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
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
    std::string SavedList() {
        window_->close();
        std::ifstream in(test::PathOf(*config_) / "Default.lst", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::unique_ptr<QTemporaryDir> config_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    std::unique_ptr<MainForm> window_;
};

void RuleCommandsTest::init() {
    config_ = std::make_unique<QTemporaryDir>();
    messages_ = {};
}

void RuleCommandsTest::cleanup() {
    window_.reset();
    config_.reset();
}

void RuleCommandsTest::Start(const std::vector<Rule>& rules) {
    std::ofstream(test::PathOf(*config_) / "Default.lst", std::ios::binary) << ListText(rules);
    MainFormEnv env;
    env.configFolder = test::PathOf(*config_);
    env.programFolder = test::PathOf(*config_);
    env.messages = &messages_;
    env.shell = &shell_;
    window_ = std::make_unique<MainForm>(std::move(env));
    window_->InitMainWindow();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    List()->setFocus();
}

void RuleCommandsTest::movesShiftBlocksOfSelectedRows_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QList<int>>("selectedAfter");
    QTest::newRow("top block stays") << QList<int>{0, 1} << "Ctrl+Up"
                                     << "abcde" << QList<int>{0, 1};
    QTest::newRow("block moves up") << QList<int>{1, 2} << "Ctrl+Up"
                                    << "bcade" << QList<int>{0, 1};
    QTest::newRow("link moves up") << QList<int>{2, 4} << "Вверх"
                                   << "acbed" << QList<int>{1, 3};
    QTest::newRow("bottom block stays") << QList<int>{3, 4} << "Вниз"
                                        << "abcde" << QList<int>{3, 4};
    QTest::newRow("two rows down") << QList<int>{0, 2} << "Ctrl+Down"
                                   << "badce" << QList<int>{1, 3};
}

void RuleCommandsTest::movesShiftBlocksOfSelectedRows() {
    QFETCH(QList<int>, selected);
    QFETCH(QString, how);
    QFETCH(QString, order);
    QFETCH(QList<int>, selectedAfter);
    Start(Letters("abcde"));
    // Each selected rule carries the mark the user gave it, not the one the file stored.
    for (const int row : selected) UncheckByMouse(row);
    SelectRows({});
    for (const int row : selected)
        List()->selectionModel()->select(Index(row),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    List()->selectionModel()->setCurrentIndex(Index(selected.last()),
                                              QItemSelectionModel::NoUpdate);
    if (how == "Ctrl+Up")
        QTest::keyClick(List(), Qt::Key_Up, Qt::ControlModifier);
    else if (how == "Ctrl+Down")
        QTest::keyClick(List(), Qt::Key_Down, Qt::ControlModifier);
    else
        QTest::mousePress(Find<QWidget>(how == "Вверх" ? "lblMoveUp" : "lblMoveDown"),
                          Qt::LeftButton);
    QCOMPARE(RuleOrder(), order);
    QCOMPARE(SelectedRows(), selectedAfter);
    QString expected;
    for (int i = 0; i < order.size(); ++i)
        expected += (i ? " " : "") + order.mid(i, 1) +
                    (selectedAfter.contains(i) ? QStringLiteral("-") : QStringLiteral("x"));
    QCOMPARE(Shown(), expected);
    if (!how.startsWith("Ctrl"))  // the links leave the focus on its row
        QCOMPARE(List()->currentIndex().row(), selected.last());
}

void RuleCommandsTest::moveWhileFilterHidesRulesExchangesTheTwo() {
    Start({{"ka"}, {"h1"}, {"kb"}, {"h2"}, {"h3"}, {"kc"}});
    Find<QCheckBox>("cbFilterReplaces")->click();
    QTest::keyClicks(Find<QLineEdit>("edtFilterReplaces"), "K");
    QTRY_COMPARE(Shown(), QStringLiteral("kax kbx kcx"));
    UncheckByMouse(2);
    SelectRows({2});
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(Shown(), QStringLiteral("kax kc- kbx"));
    // Only the two shown rules changed places; the hidden ones between kept theirs.
    QCOMPARE(RuleOrder(), QStringLiteral("kah1kch2h3kb"));
    Find<QCheckBox>("cbFilterReplaces")->click();
    // The refill that lifts the filter stores the marks of the rows shown: the hidden rules come
    // back unchecked.
    QCOMPARE(Shown(), QStringLiteral("kax h1- kc- h2- h3- kbx"));
    QCOMPARE(Items(SavedList()),
             Items(ListText(
                 {{"ka"}, {"h1", false}, {"kc", false}, {"h2", false}, {"h3", false}, {"kb"}})));
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
    QCOMPARE(window_->Rules().Count(), 80);
    QCOMPARE(List()->model()->rowCount(), 80);

    messages_.answer = true;
    QTest::mouseClick(Find<QWidget>("lblDelete"), Qt::LeftButton);
    QCOMPARE(messages_.asked.size(), std::size_t{2});
    QCOMPARE(window_->Rules().Count(), 78);
    QCOMPARE(List()->model()->rowCount(), 78);
    QCOMPARE(Index(top + 2).data().toString(), QStringLiteral("r%1").arg(top + 3));
    QCOMPARE(Index(top + 3).data().toString(), QStringLiteral("r%1").arg(top + 5));
    QCOMPARE(List()->indexAt(QPoint(1, 1)).row(), top);
    QVERIFY(!window_->Action("ADelete")->isEnabled());  // nothing selected any more
}

void RuleCommandsTest::copyGoesBelowItsRuleCheckedAndAloneSelected() {
    Start({{"a"}, {"b"}, {"c", false, 7}});
    UncheckByMouse(1);
    // The focused row is copied, whatever else is selected.
    SelectRows({0, 2});
    QTest::mouseClick(Find<QWidget>("lblCopy"), Qt::LeftButton);
    QCOMPARE(Shown(), QStringLiteral("ax b- c- cx"));
    QCOMPARE(List()->model()->index(3, 4).data().toString(), QStringLiteral("7"));
    QCOMPARE(window_->Rules().Items(3)->Repeat, 7);
    QCOMPARE(SelectedRows(), QList<int>{3});
    QCOMPARE(List()->currentIndex().row(), 3);

    // A copy from the middle goes directly below its rule; the marks below move with them.
    SelectRows({0});
    QTest::mouseClick(Find<QWidget>("lblCopy"), Qt::LeftButton);
    QCOMPARE(Shown(), QStringLiteral("ax ax b- c- cx"));
    QCOMPARE(RuleOrder(), QStringLiteral("aabcc"));
    QCOMPARE(Items(SavedList()),
             Items(ListText({{"a"}, {"a"}, {"b", false}, {"c", false, 7}, {"c", true, 7}})));
}

void RuleCommandsTest::addShowsTheNewRuleEvenWhereTheViewsWouldHideIt() {
    Start({{"one"}, {"two", false}, {"three"}});
    Find<QCheckBox>("cbCheckedOnly")->click();
    Find<QCheckBox>("cbFilterReplaces")->click();
    QTest::keyClicks(Find<QLineEdit>("edtFilterReplaces"), "o");
    QTRY_COMPARE(Shown(), QStringLiteral("onex"));
    SelectRows({0});
    List()->setFocus();

    // A rule the filter does not match, with the repeat "while there is something to replace".
    test::WhenShown(Editor(), [this] {
        test::TypeText(Editor()->findChild<QPlainTextEdit*>("memTextToFind"), "zz");
        auto* tillExists = Editor()->findChild<QWidget*>("rbRepeatTillExists");
        QTest::mouseClick(tillExists, Qt::LeftButton, {}, QPoint(6, tillExists->height() / 2));
        QTest::mouseClick(Editor()->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    QTest::keyClick(List(), Qt::Key_Insert);
    QCOMPARE(Shown(), QStringLiteral("onex zzx"));
    QCOMPARE(List()->model()->index(1, 4).data().toString(), QStringLiteral("?"));
    QCOMPARE(SelectedRows(), (QList<int>{0, 1}));
    QCOMPARE(List()->currentIndex().row(), 1);
    QCOMPARE(RuleOrder(), QStringLiteral("onetwothreezz"));

    // Cancel adds nothing.
    test::WhenShown(Editor(), [this] { QTest::keyClick(Editor(), Qt::Key_Escape); });
    QTest::keyClick(List(), Qt::Key_Insert);
    QCOMPARE(window_->Rules().Count(), 4);
    // The next refill applies the filter to it.
    Find<QCheckBox>("cbCheckedOnly")->click();
    QCOMPARE(Shown(), QStringLiteral("onex two-"));
}

void RuleCommandsTest::enterAndDoubleClickEditOrAdd() {
    Start({{"a"}, {"b"}});
    // Enter edits the focused rule; the mark the user cleared stays cleared.
    bool opened = false;
    test::WhenShown(Editor(), [this, &opened] {
        opened = true;
        auto* replace = Editor()->findChild<QPlainTextEdit*>("memReplaceWith");
        replace->setFocus();
        QTest::keyClick(replace, Qt::Key_End, Qt::ControlModifier);
        test::TypeText(replace, "!");
        QTest::mouseClick(Editor()->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    SelectRows({});
    QTest::keyClick(List(), Qt::Key_Return);
    QTest::qWait(30);
    QVERIFY(!opened);  // without a row, Enter does nothing

    UncheckByMouse(1);
    SelectRows({1});
    QTest::keyClick(List(), Qt::Key_Enter);
    QVERIFY(opened);
    QCOMPARE(List()->model()->index(1, 1).data().toString(), QStringLiteral("Rb!"));
    QCOMPARE(Shown(), QStringLiteral("ax b-"));

    // A double click on a row edits it; below the rows it adds one.
    const QRect row0 = List()->visualRect(Index(0));
    test::WhenShown(Editor(), [this] {
        QCOMPARE(Editor()->findChild<QPlainTextEdit*>("memTextToFind")->toPlainText(),
                 QStringLiteral("a"));
        QTest::keyClick(Editor(), Qt::Key_Escape);
    });
    // A user's double click: the first click, then the second as a double click.
    const QPoint onRow0(row0.center().x() + 40, row0.center().y());
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, onRow0);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, onRow0);
    QCOMPARE(window_->Rules().Count(), 2);
    test::WhenShown(Editor(), [this] {
        QVERIFY(Editor()->findChild<QPlainTextEdit*>("memTextToFind")->toPlainText().isEmpty());
        test::TypeText(Editor()->findChild<QPlainTextEdit*>("memTextToFind"), "c");
        QTest::mouseClick(Editor()->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    const QPoint below(row0.center().x() + 40, List()->viewport()->height() - 5);
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(Shown(), QStringLiteral("ax b- cx"));
    const std::string saved = Items(SavedList());
    std::string expected = Items(ListText({{"a"}, {"b", false}}));
    expected.insert(expected.find("Rb<") + 2, "!");
    QCOMPARE(saved.substr(0, expected.size()), expected);
    QVERIFY(saved.find("<Find>c</Find>", expected.size()) != std::string::npos);
}

}  // namespace qx

QTEST_MAIN(qx::RuleCommandsTest)
#include "RuleCommands_test.moc"
