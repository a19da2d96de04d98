// SPDX-License-Identifier: GPL-3.0-or-later
// The rule rows in the main window: the default list shown at start-up, the checked-only and
// text filters with the filter's delay, the counter and command states, and the default list
// written back at close with the marks the rows show.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <fstream>
#include <iterator>

#include "TestDoubles.h"
#include "engine/TReplace.h"
#include "engine/TRuleRows.h"
#include "ui/main/MainForm.h"

namespace qx {
namespace {

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Three rules in windows-1251: "Привет" -> "Пока" (checked), three spaces -> tab (checked),
// a regular expression with repeat 0 (unchecked).
const std::string kDefaultList =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
    "<List xml:space=\"preserve\">\r\n"
    "  <Item> <Find>\xCF\xF0\xE8\xE2\xE5\xF2</Find> <Replace>\xCF\xEE\xEA\xE0</Replace>  "
    "<Checked>1</Checked>  </Item>\r\n"
    "  <Item> <Find>[sp][sp][sp]</Find> <Replace>[t]</Replace>  <Checked>1</Checked>  </Item>\r\n"
    "  <Item> <Find>a(b+)</Find> <Replace>$1abc</Replace>  <Flags>r</Flags>  "
    "<Repeat>0</Repeat>  </Item>\r\n"
    "</List>\r\n";

}  // namespace

class RuleRowsViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void defaultListIsShownAtStartUp();
    void commandsFollowRowsAndSelection();
    void checkedOnlySwitchHidesUncheckedRules();
    void filterTextAppliesAfterItsDelay();
    void closeSavesMarksShownInRows();
    void missingDefaultListLeavesListEmpty();
    void listBesideProgramStartsUsersOwnList();
    void unreadableDefaultListIsKeptAtClose();
    void rowEditsKeepTheSelectionAndOutliveDeletedRules();

private:
    void Start() { Start(Config(), Config()); }
    void Start(const std::filesystem::path& config, const std::filesystem::path& program);
    template <typename T>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    QTreeView* Rows() const { return Find<QTreeView>("lvReplaceStrings"); }
    QString Cell(int row, int column) const {
        return Rows()->model()->index(row, column).data().toString();
    }
    QString Marks() const {
        QString marks;
        for (int i = 0; i < Rows()->model()->rowCount(); ++i)
            marks += Rows()->model()->index(i, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked
                         ? QLatin1Char('x')
                         : QLatin1Char('-');
        return marks;
    }
    std::filesystem::path Config() const { return test::PathOf(*config_); }

    std::unique_ptr<QTemporaryDir> config_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    std::unique_ptr<MainForm> window_;
};

void RuleRowsViewTest::init() {
    config_ = std::make_unique<QTemporaryDir>();
    messages_ = {};
    WriteFile(Config() / "Default.lst", kDefaultList);
}

void RuleRowsViewTest::cleanup() {
    window_.reset();
    config_.reset();
}

void RuleRowsViewTest::Start(const std::filesystem::path& config,
                             const std::filesystem::path& program) {
    window_.reset();
    MainFormEnv env;
    env.configFolder = config;
    env.programFolder = program;
    env.messages = &messages_;
    env.shell = &shell_;
    window_ = std::make_unique<MainForm>(std::move(env));
    window_->InitMainWindow();
}

void RuleRowsViewTest::defaultListIsShownAtStartUp() {
    Start();
    QVERIFY(messages_.shown.empty());
    QCOMPARE(Rows()->model()->rowCount(), 3);
    QCOMPARE(Rows()->model()->columnCount(), 5);
    QCOMPARE(Rows()->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Что найти"));
    QCOMPARE(Rows()->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Повтор"));
    QCOMPARE(Cell(0, 0), QStringLiteral("Привет"));
    QCOMPARE(Cell(0, 1), QStringLiteral("Пока"));
    QCOMPARE(Cell(0, 4), QString());  // repeat 1 shows nothing
    QCOMPARE(Cell(1, 0), QStringLiteral("[sp][sp][sp]"));
    QCOMPARE(Cell(1, 1), QStringLiteral("[t]"));
    QCOMPARE(Cell(2, 3), QStringLiteral("r"));
    QCOMPARE(Cell(2, 4), QStringLiteral("?"));
    QCOMPARE(Marks(), QStringLiteral("xx-"));
    window_->UpdateCounters();
    QCOMPARE(Find<QLabel>("lblReplaceCount")->text(), QStringLiteral("2 / 3"));
}

void RuleRowsViewTest::commandsFollowRowsAndSelection() {
    Start();
    for (const char* name : {"AReplace", "ACondReplace", "ASave", "ANew", "ASelectAll"})
        QVERIFY2(window_->Action(name)->isEnabled(), name);
    for (const char* name : {"AEdit", "AMoveUp", "ADelete", "ASaveSelectedToFile"})
        QVERIFY2(!window_->Action(name)->isEnabled(), name);
    Rows()->selectionModel()->select(Rows()->model()->index(1, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    for (const char* name : {"AEdit", "AMoveUp", "AMoveDown", "ADelete", "ASaveSelectedToFile"})
        QVERIFY2(window_->Action(name)->isEnabled(), name);
    QVERIFY(Find<QWidget>("lblEdit")->isEnabled());
    QVERIFY(Find<QWidget>("lblMoveDown")->isEnabled());
}

void RuleRowsViewTest::checkedOnlySwitchHidesUncheckedRules() {
    Start();
    // Uncheck the first row, then show checked rules only: the refill stores the marks first.
    Rows()->model()->setData(Rows()->model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    Find<QCheckBox>("cbCheckedOnly")->click();
    QCOMPARE(Rows()->model()->rowCount(), 1);
    QCOMPARE(Cell(0, 0), QStringLiteral("[sp][sp][sp]"));
    Find<QCheckBox>("cbCheckedOnly")->click();
    QCOMPARE(Marks(), QStringLiteral("-x-"));
}

void RuleRowsViewTest::filterTextAppliesAfterItsDelay() {
    Start();
    auto* filterSwitch = Find<QCheckBox>("cbFilterReplaces");
    auto* filterText = Find<QLineEdit>("edtFilterReplaces");
    QVERIFY(!filterText->isEnabled());
    filterSwitch->click();
    QVERIFY(filterText->isEnabled());
    QCOMPARE(Rows()->model()->rowCount(), 3);  // empty filter text: every rule

    // Capital letters find a rule whose replacement holds them in small letters.
    filterText->setText(QStringLiteral("ABC"));
    QCOMPARE(Rows()->model()->rowCount(), 3);  // not before the delay
    QTRY_COMPARE(Rows()->model()->rowCount(), 1);
    QCOMPARE(Cell(0, 0), QStringLiteral("a(b+)"));

    filterText->setText(QStringLiteral("пРИв"));
    QTRY_COMPARE(Cell(0, 0), QStringLiteral("Привет"));
    QCOMPARE(Rows()->model()->rowCount(), 1);

    // Turning the filter off shows every rule again, at once.
    filterSwitch->click();
    QCOMPARE(Rows()->model()->rowCount(), 3);
}

void RuleRowsViewTest::closeSavesMarksShownInRows() {
    Start();
    Rows()->model()->setData(Rows()->model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    Rows()->model()->setData(Rows()->model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
    window_->close();
    QVERIFY(messages_.asked.empty());
    Start();
    QCOMPARE(Rows()->model()->rowCount(), 3);
    QCOMPARE(Marks(), QStringLiteral("-xx"));
    QCOMPARE(Cell(0, 0), QStringLiteral("Привет"));
}

void RuleRowsViewTest::missingDefaultListLeavesListEmpty() {
    std::filesystem::remove(Config() / "Default.lst");
    Start();
    QVERIFY(messages_.shown.empty());
    QCOMPARE(Rows()->model()->rowCount(), 0);
    QVERIFY(!window_->Action("AReplace")->isEnabled());
    // Closing writes the (empty) default list without asking.
    window_->close();
    QVERIFY(std::filesystem::exists(Config() / "Default.lst"));
    QVERIFY(messages_.asked.empty());
}

void RuleRowsViewTest::listBesideProgramStartsUsersOwnList() {
    // An installed program: its folder holds a list but is not where the user's files go.
    const std::filesystem::path program = Config() / "program";
    const std::filesystem::path user = Config() / "user";
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(user);
    std::filesystem::rename(Config() / "Default.lst", program / "Default.lst");

    Start(user, program);
    QCOMPARE(Rows()->model()->rowCount(), 3);
    QCOMPARE(Marks(), QStringLiteral("xx-"));
    Rows()->model()->setData(Rows()->model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    window_->close();
    QVERIFY(std::filesystem::exists(user / "Default.lst"));

    // From then on the user's own list counts; the shipped one is left as it was.
    Start(user, program);
    QCOMPARE(Marks(), QStringLiteral("-x-"));
    std::ifstream shipped(program / "Default.lst", std::ios::binary);
    QCOMPARE(std::string(std::istreambuf_iterator<char>(shipped), {}), kDefaultList);
}

void RuleRowsViewTest::unreadableDefaultListIsKeptAtClose() {
    const std::string damaged = kDefaultList.substr(0, kDefaultList.size() / 2);
    WriteFile(Config() / "Default.lst", damaged);
    Start();
    QCOMPARE(messages_.shown.size(), std::size_t{1});  // the parse error
    QCOMPARE(Rows()->model()->rowCount(), 0);
    window_->close();
    std::ifstream kept(Config() / "Default.lst.bak", std::ios::binary);
    QCOMPARE(std::string(std::istreambuf_iterator<char>(kept), {}), damaged);
    // The new default list is the (empty) list of this session.
    Start();
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(Rows()->model()->rowCount(), 0);
}

void RuleRowsViewTest::rowEditsKeepTheSelectionAndOutliveDeletedRules() {
    Start();
    auto* selection = Rows()->selectionModel();
    selection->select(Rows()->model()->index(1, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QSignalSpy resets(Rows()->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(Rows()->model(), &QAbstractItemModel::rowsInserted);

    // A row added above the selection moves the selection with its row.
    TRuleRows& rows = window_->RuleRows();
    rows.InsertRow(0, window_->Rules().Items(2));
    QCOMPARE(inserts.size(), 1);
    QCOMPARE(resets.size(), 0);
    QCOMPARE(Rows()->model()->rowCount(), 4);
    QCOMPARE(selection->selectedRows().size(), 1);
    QCOMPARE(selection->selectedRows().value(0).row(), 2);
    QCOMPARE(Cell(2, 0), QStringLiteral("[sp][sp][sp]"));
    QVERIFY(window_->Action("ACopy")->isEnabled());

    // The list lets go of the rule the two rows 0 and 3 show: they hold no rule any more, are
    // never applied, and the close saves the list without it.
    window_->Rules().Delete(2);
    QCOMPARE(rows.Rule(0), nullptr);
    QCOMPARE(rows.ActiveRule(3), nullptr);
    rows.RemoveRow(0);
    QCOMPARE(resets.size(), 0);
    QCOMPARE(selection->selectedRows().value(0).row(), 1);
    window_->close();
    std::ifstream saved(Config() / "Default.lst", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(saved), {});
    QVERIFY(text.find("a(b+)") == std::string::npos);
    QVERIFY(text.find("[sp][sp][sp]") != std::string::npos);
}

}  // namespace qx

QTEST_MAIN(qx::RuleRowsViewTest)
#include "RuleRowsView_test.moc"
