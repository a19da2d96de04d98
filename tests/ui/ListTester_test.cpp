// SPDX-License-Identifier: GPL-3.0-or-later
// The list tester and the warning marks of the rule list, in the main window, with a rule list
// and files in temporary folders.

#include "ui/tester/ListTester.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "TestDoubles.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "platform/Clipboard.h"
#include "storage/ListFile.h"
#include "ui/correction/CorrectionRun.h"
#include "ui/main/MainForm.h"
#include "ui/preview/PreviewForm.h"
#include "ui/rules/RuleRowsModel.h"
#include "ui/rules/RulesPanel.h"
#include "ui/tester/ListTestForm.h"
#include "ui/tester/RuleWarningMarks.h"

namespace fs = std::filesystem;
using namespace qx;

namespace {

class FakeClipboard final : public Clipboard {
public:
    bool HasText() const override { return !text.empty(); }
    std::string Text() const override { return text; }
    bool SetText(std::string_view utf8) override {
        text = std::string(utf8);
        return true;
    }
    void Clear() override { text.clear(); }
    std::optional<std::string> SelectedText() const override { return std::nullopt; }
    std::string text;
};

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TReplace Rule(std::string find, std::string replace, std::string flags = "", bool checked = true,
              std::string xPath = "") {
    return TReplace(std::move(find), std::move(replace), std::move(xPath), std::move(flags),
                    checked);
}

}  // namespace

class ListTesterTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsEveryRuleStepWithItsChangesAndCopiesTheResult();
    void brokenRuleIsMarkedBeforeAnyRunAndARunRefusesNamingIt();
    void afterARunTheRulesThatFoundNothingAreMarked();

private:
    void Start(const std::vector<TReplace>& rules);
    ListTestForm& OpenTester();
    void WaitForTest(ListTestForm& form);
    QString Tooltip(int row) const;
    bool Marked(int row) const;

    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<QTemporaryDir> data_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    FakeClipboard clipboard_;
    std::unique_ptr<MainForm> window_;
};

void ListTesterTest::init() {
    config_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    messages_ = {};
}

void ListTesterTest::cleanup() {
    window_.reset();
    data_.reset();
    config_.reset();
}

void ListTesterTest::Start(const std::vector<TReplace>& rules) {
    std::vector<const TReplace*> pointers;
    for (const TReplace& rule : rules) pointers.push_back(&rule);
    Write(test::PathOf(*config_) / "Default.lst", ListFileText(TReplaceConditions(), pointers));
    MainFormEnv env;
    env.configFolder = test::PathOf(*config_);
    env.programFolder = test::PathOf(*config_) / "program";
    env.messages = &messages_;
    env.shell = &shell_;
    env.clipboard = &clipboard_;
    window_ = std::make_unique<MainForm>(std::move(env));
    window_->InitMainWindow();
    window_->Tester().Marks().Update();
}

ListTestForm& ListTesterTest::OpenTester() {
    window_->Action("ATestList")->trigger();
    ListTestForm* form = window_->Tester().Form();
    [&] { QVERIFY(form != nullptr && form->isVisible()); }();
    return *form;
}

void ListTesterTest::WaitForTest(ListTestForm& form) {
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsTesting(), 20000);
}

QString ListTesterTest::Tooltip(int row) const {
    RuleRowsModel& model = window_->findChild<RulesPanel*>()->Model();
    return model.data(model.index(row, kColumnFind), Qt::ToolTipRole).toString();
}

bool ListTesterTest::Marked(int row) const {
    RuleRowsModel& model = window_->findChild<RulesPanel*>()->Model();
    return !model.data(model.index(row, kColumnFind), Qt::DecorationRole).isNull();
}

void ListTesterTest::showsEveryRuleStepWithItsChangesAndCopiesTheResult() {
    Start({Rule("colour", "color"), Rule("(\\d+)px", "$1", "r"), Rule("x", "y", "", false),
           Rule("a*", "-", "r", false), Rule("color", "colour")});
    ListTestForm& form = OpenTester();
    auto* sample = form.findChild<QPlainTextEdit*>(QStringLiteral("memSample"));
    auto* steps = form.findChild<QTreeWidget*>(QStringLiteral("lvSteps"));
    sample->setPlainText(QStringLiteral("colour 12px\nwide 3px"));
    WaitForTest(form);

    // One row per checked rule, numbered as the list numbers them.
    QCOMPARE(steps->topLevelItemCount(), 3);
    const QTreeWidgetItem* first = steps->topLevelItem(0);
    QCOMPARE(first->text(0), QStringLiteral("1"));
    QCOMPARE(first->text(3), QStringLiteral("1"));
    QCOMPARE(steps->topLevelItem(1)->text(3), QStringLiteral("2"));
    QCOMPARE(steps->topLevelItem(2)->text(0), QStringLiteral("5"));
    QCOMPARE(steps->topLevelItem(2)->text(3), QStringLiteral("1"));
    // The rule the last one undoes is told so, by the later rule's number.
    QVERIFY2(first->text(4).contains(QStringLiteral("№5 «color»")), qPrintable(first->text(4)));
    QVERIFY(steps->topLevelItem(1)->text(4).isEmpty());
    QCOMPARE(form.ResultText(), QStringLiteral("colour 12\nwide 3"));
    QVERIFY(Tooltip(0).contains(QStringLiteral("№5")));
    QVERIFY(!Marked(1));

    // The second rule's text before and after it, its two changes marked on both sides.
    QSignalSpy shown(&form, &ListTestForm::stepShown);
    steps->setCurrentItem(steps->topLevelItem(1));
    QTRY_VERIFY(!shown.isEmpty() && !form.IsTesting());
    auto* before = form.findChild<QPlainTextEdit*>(QStringLiteral("memBefore"));
    auto* after = form.findChild<QPlainTextEdit*>(QStringLiteral("memAfter"));
    QCOMPARE(before->toPlainText(), QStringLiteral("color 12px\nwide 3px"));
    QCOMPARE(after->toPlainText(), QStringLiteral("color 12\nwide 3"));
    QCOMPARE(before->extraSelections().size(), 2);
    QCOMPARE(before->extraSelections()[0].cursor.selectedText(), QStringLiteral("12px"));
    QCOMPARE(after->extraSelections()[1].cursor.selectedText(), QStringLiteral("3"));

    form.findChild<QPushButton*>(QStringLiteral("btnCopyResult"))->click();
    QCOMPARE(clipboard_.text, std::string("colour 12\nwide 3"));

    // A change of a rule tests again: unchecking the last rule leaves "color".
    window_->RuleRows().SetChecked(4, false);
    WaitForTest(form);
    QCOMPARE(steps->topLevelItemCount(), 2);
    QCOMPARE(form.ResultText(), QStringLiteral("color 12\nwide 3"));
    // CR LF breaks, as a file from Windows has them, are what a rule for [nw] finds.
    window_->RuleRows().SetChecked(2, true);
    window_->RuleRows().Rule(2)->Find = "[nw]";
    window_->RuleRows().ShowReplace(2, window_->RuleRows().Rule(2));
    window_->RuleRows().SetChecked(2, true);
    form.findChild<QCheckBox*>(QStringLiteral("cbWindowsBreaks"))->setChecked(true);
    WaitForTest(form);
    QCOMPARE(form.ResultText(), QStringLiteral("color 12ywide 3"));
}

void ListTesterTest::brokenRuleIsMarkedBeforeAnyRunAndARunRefusesNamingIt() {
    Write(test::PathOf(*data_) / "a.txt", "abc");
    Start({Rule("a", "b"), Rule("a(", "x", "r"), Rule("q", "c")});
    QVERIFY(Marked(1));
    QVERIFY2(Tooltip(1).contains(QStringLiteral("Ошибка в регулярном выражении: TRegExpr(comp)")),
             qPrintable(Tooltip(1)));
    QVERIFY(!Marked(0) && !Marked(2));

    ListTestForm& form = OpenTester();
    form.findChild<QPlainTextEdit*>(QStringLiteral("memSample"))->setPlainText("abc");
    WaitForTest(form);
    auto* steps = form.findChild<QTreeWidget*>(QStringLiteral("lvSteps"));
    QCOMPARE(steps->topLevelItem(1)->text(3), QStringLiteral("ошибка"));
    QCOMPARE(steps->topLevelItem(0)->text(3), QStringLiteral("—"));  // nothing ran
    QCOMPARE(form.ResultText(), QStringLiteral("abc"));
    form.close();

    window_->findChild<QComboBox*>(QStringLiteral("edtFolder"))
        ->setEditText(QString::fromStdString(test::PathOf(*data_).string()));
    window_->findChild<QComboBox*>(QStringLiteral("cmbMask"))->setEditText(QStringLiteral("*.txt"));
    window_->findChild<QPushButton*>(QStringLiteral("btnRefresh"))->click();
    // Every way of starting a correction refuses at once, before its question, naming the rule;
    // the clipboard's, whose engine compiles as it goes, names it too.
    const auto refusedNamingTheRule = [this](const char* how, bool notStarted) {
        QVERIFY2(messages_.asked.empty(), how);
        QVERIFY2(messages_.shown.size() == 1, how);
        const std::string text = messages_.shown.back().text;
        QVERIFY2(text.starts_with("Замена №2 «a(»:\nTRegExpr(comp): "), (how + text).c_str());
        QCOMPARE(text.ends_with("\nКоррекция не начата."), notStarted);
        messages_ = {};
    };
    messages_ = {};
    messages_.answer = true;
    window_->Action("AReplace")->trigger();
    refusedNamingTheRule("run", true);
    window_->Action("APreview")->trigger();
    QVERIFY(!window_->Correction().PreviewWindow().isVisible());
    refusedNamingTheRule("preview", true);
    window_->DropFiles({test::PathOf(*data_) / "a.txt"});
    refusedNamingTheRule("dropped", true);
    clipboard_.text = "abc";
    window_->Action("AReplaceInClipboard")->trigger();
    refusedNamingTheRule("clipboard", false);
    QCOMPARE(clipboard_.text, std::string("abc"));
    std::ifstream in(test::PathOf(*data_) / "a.txt");
    std::string content;
    in >> content;
    QCOMPARE(content, std::string("abc"));

    // Unchecked, the broken rule keeps its mark (and only that one); repaired, it loses it.
    window_->RuleRows().SetChecked(1, false);
    window_->Tester().Marks().Update();
    QVERIFY(Marked(1));
    QVERIFY2(Tooltip(1).startsWith(QStringLiteral("Ошибка в регулярном выражении: ")),
             qPrintable(Tooltip(1)));
    window_->RuleRows().Rule(1)->Find = "a(b)";
    window_->Tester().Marks().Update();
    QVERIFY(!Marked(1));
}

void ListTesterTest::afterARunTheRulesThatFoundNothingAreMarked() {
    Write(test::PathOf(*data_) / "a.txt", "a one");
    Write(test::PathOf(*data_) / "b.txt", "two");
    Start({Rule("a", "b"), Rule("zzz", "y"), Rule("one", "1", "", false)});
    QVERIFY(!Marked(0) && !Marked(1) && !Marked(2));
    window_->findChild<QComboBox*>(QStringLiteral("edtFolder"))
        ->setEditText(QString::fromStdString(test::PathOf(*data_).string()));
    window_->findChild<QComboBox*>(QStringLiteral("cmbMask"))->setEditText(QStringLiteral("*.txt"));
    window_->findChild<QPushButton*>(QStringLiteral("btnRefresh"))->click();
    messages_.answers = {true, false};
    window_->Action("AReplace")->trigger();
    window_->Tester().Marks().Update();
    QVERIFY(!Marked(0));
    QVERIFY(Marked(1));
    QCOMPARE(Tooltip(1), QStringLiteral("Ничего не нашла при последней коррекции"));
    QVERIFY(!Marked(2));  // not checked: it did not run
    // An edited rule has not run yet: its mark goes.
    window_->RuleRows().Rule(1)->Find = "two";
    window_->Tester().Marks().Update();
    QVERIFY(!Marked(1));
}

QTEST_MAIN(ListTesterTest)
#include "ListTester_test.moc"
