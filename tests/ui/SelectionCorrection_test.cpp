// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard and selection corrections of the main window with a desktop double: the
// target program answers the synthesised keys later, from the event loop, as a real one does.
#include "ui/clipboard/SelectionCorrection.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

#include "ModalDriver.h"
#include "TestDoubles.h"
#include "batch/TDoneReplaces.h"
#include "platform/Clipboard.h"
#include "platform/DesktopKeys.h"
#include "ui/clipboard/DesktopCorrections.h"
#include "ui/correction/CorrectionRun.h"
#include "ui/correction/DoneReplacesForm.h"
#include "ui/main/MainForm.h"

namespace qx {
namespace {

const std::string kList =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
    "<List xml:space=\"preserve\">\r\n"
    "  <Item> <Find>teh</Find> <Replace>the</Replace>  <Checked>1</Checked>  </Item>\r\n"
    "</List>\r\n";

class FakeClipboard final : public Clipboard {
public:
    bool HasText() const override { return text.has_value(); }
    std::string Text() const override { return text.value_or(""); }
    bool SetText(std::string_view utf8) override {
        text = std::string(utf8);
        ++sets;
        return true;
    }
    void Clear() override { text.reset(); }
    std::optional<std::string> SelectedText() const override { return primary; }

    std::optional<std::string> text;
    std::optional<std::string> primary;
    int sets = 0;
};

// The focused program: on Ctrl+C it copies its selection, on Ctrl+V it reads the clipboard,
// each a little later; the hotkey's keys are held for a few polls.
class FakeDesktop final : public DesktopKeys {
public:
    explicit FakeDesktop(FakeClipboard& clipboard) : clipboard_(clipboard) {}

    bool Available() const override { return true; }
    std::vector<Hotkey> Grab(std::function<void(Hotkey)> handler) override {
        onPress = std::move(handler);
        return taken;
    }
    void Ungrab() override {
        onPress = nullptr;
        ungrabbed = true;
    }
    FocusedWindow Focused() const override { return focused; }
    bool HotkeyKeysHeld() const override { return heldPolls-- > 0; }
    void ReleaseHotkeyKeys() override { events.push_back("release"); }
    void SendCopy() override {
        events.push_back(heldPolls > 0 ? "copy with keys held" : "copy");
        if (duringCopy) std::exchange(duringCopy, nullptr)();
        // The user presses again, and the other hotkey too, while the copy is awaited.
        if (onPress && pressesDuringCopy > 0) {
            --pressesDuringCopy;
            onPress(Hotkey::CorrectSelection);
            onPress(Hotkey::CorrectClipboard);
        }
        QTimer::singleShot(20, &context_, [this] {
            if (selection) clipboard_.SetText(*selection);
            if (selection && changed) changed();
        });
    }
    void SendPaste() override {
        events.push_back("paste");
        QTimer::singleShot(40, &context_, [this] {
            pasted = clipboard_.Text();
            ++requests;
        });
    }
    std::uint64_t ClipboardRequests() const override { return requests; }

    FakeClipboard& clipboard_;
    // The target's answers go with the double.
    QObject context_;
    std::function<void(Hotkey)> onPress;
    std::function<void()> changed;
    // Runs once, during the next copy.
    std::function<void()> duringCopy;
    std::vector<Hotkey> taken;
    // How many copies see the user press again.
    int pressesDuringCopy = 1;
    bool ungrabbed = false;
    FocusedWindow focused = FocusedWindow::Other;
    mutable int heldPolls = 3;
    std::optional<std::string> selection;
    std::vector<std::string> events;
    std::optional<std::string> pasted;
    std::uint64_t requests = 0;
};

}  // namespace

class SelectionCorrectionTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void clipboardCommandCorrectsClipboardAndBox();
    void selectionIsPastedCorrectedAndOldClipboardComesBack();
    void withoutSelectionTheBoxTextIsPasted();
    void terminalGetsNoKeys();
    void nothingFocusedDoesNothing();
    void keysHeldTooLongAreReleased();
    void takenHotkeyIsReportedOnTheLogPage();
    void secondPressWaitsAndEveryCorrectionIsRecorded();
    void busCallsWaitTheirTurnAndAreAnswered();
    void droppedFilesAreCorrectedOnlyAfterYes();
    void showHideTogglesTheWindowAndTheKeysStay();
    void selectionEndedByARuleNamesItAndGivesTheClipboardBack();

private:
    void Start();
    QString Box() const {
        return window_->findChild<QPlainTextEdit*>(QStringLiteral("memClipboard"))->toPlainText();
    }

    std::unique_ptr<QTemporaryDir> config_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    std::unique_ptr<FakeClipboard> clipboard_;
    std::unique_ptr<FakeDesktop> desktop_;
    std::unique_ptr<MainForm> window_;
};

void SelectionCorrectionTest::init() {
    config_ = std::make_unique<QTemporaryDir>();
    std::ofstream(test::PathOf(*config_) / "Default.lst", std::ios::binary) << kList;
    messages_ = {};
    clipboard_ = std::make_unique<FakeClipboard>();
    desktop_ = std::make_unique<FakeDesktop>(*clipboard_);
}

void SelectionCorrectionTest::Start() {
    MainFormEnv env;
    env.configFolder = test::PathOf(*config_);
    env.programFolder = test::PathOf(*config_) / "program";
    env.messages = &messages_;
    env.shell = &shell_;
    env.clipboard = clipboard_.get();
    env.keys = desktop_.get();
    window_ = std::make_unique<MainForm>(std::move(env));
    window_->InitMainWindow();
    auto* selection = window_->findChild<SelectionCorrection*>();
    QVERIFY(selection != nullptr);
    desktop_->changed = [selection] { selection->ClipboardChanged(); };
}

void SelectionCorrectionTest::cleanup() {
    window_.reset();
    desktop_.reset();
    clipboard_.reset();
    config_.reset();
}

void SelectionCorrectionTest::clipboardCommandCorrectsClipboardAndBox() {
    Start();
    clipboard_->text = "teh cat, teh dog";
    // The hotkey runs the same command.
    desktop_->onPress(Hotkey::CorrectClipboard);
    QCOMPARE(clipboard_->Text(), std::string("the cat, the dog"));
    QCOMPARE(Box(), QStringLiteral("the cat, the dog"));
    // A clipboard without text (a picture): the box's own text is corrected and put there.
    clipboard_->text.reset();
    window_->findChild<QPlainTextEdit*>(QStringLiteral("memClipboard"))
        ->setPlainText(QStringLiteral("teh typed"));
    window_->Action("AReplaceInClipboard")->trigger();
    QCOMPARE(clipboard_->Text(), std::string("the typed"));
    QVERIFY(messages_.shown.empty());
}

void SelectionCorrectionTest::selectionIsPastedCorrectedAndOldClipboardComesBack() {
    Start();
    clipboard_->text = "old clipboard";
    desktop_->selection = "teh word";
    QVERIFY(window_->CorrectSelection());
    // The copy waited for the keys, the presses during the run started nothing, and the
    // target read the corrected text before the old one came back.
    QCOMPARE(desktop_->events, (std::vector<std::string>{"copy", "paste"}));
    QCOMPARE(desktop_->pasted, std::optional<std::string>("the word"));
    QCOMPARE(clipboard_->Text(), std::string("old clipboard"));
    QCOMPARE(Box(), QStringLiteral("the word"));
}

void SelectionCorrectionTest::withoutSelectionTheBoxTextIsPasted() {
    Start();
    window_->findChild<QPlainTextEdit*>(QStringLiteral("memClipboard"))
        ->setPlainText(QStringLiteral("teh box"));
    QVERIFY(window_->CorrectSelection());
    QCOMPARE(desktop_->events, (std::vector<std::string>{"copy", "paste"}));
    QTRY_COMPARE(desktop_->pasted, std::optional<std::string>("the box"));
    // No text before: the corrected one stays.
    QCOMPARE(clipboard_->Text(), std::string("the box"));
}

void SelectionCorrectionTest::terminalGetsNoKeys() {
    Start();
    desktop_->focused = FocusedWindow::Terminal;
    clipboard_->text = "old clipboard";
    clipboard_->primary = "teh command";
    QVERIFY(window_->CorrectSelection());
    QVERIFY(desktop_->events.empty());
    // The corrected selection waits on the clipboard for the user to paste.
    QCOMPARE(clipboard_->Text(), std::string("the command"));
    // Nothing selected in the terminal: nothing happens.
    clipboard_->primary.reset();
    clipboard_->text = "kept";
    QVERIFY(!window_->CorrectSelection());
    QCOMPARE(clipboard_->Text(), std::string("kept"));
    QVERIFY(desktop_->events.empty());
}

void SelectionCorrectionTest::nothingFocusedDoesNothing() {
    Start();
    desktop_->focused = FocusedWindow::NoWindow;
    clipboard_->text = "teh";
    QVERIFY(!window_->CorrectSelection());
    QVERIFY(desktop_->events.empty());
    QCOMPARE(clipboard_->sets, 0);
    QCOMPARE(clipboard_->Text(), std::string("teh"));
}

void SelectionCorrectionTest::keysHeldTooLongAreReleased() {
    Start();
    desktop_->heldPolls = 1'000'000;
    desktop_->selection = "teh";
    QVERIFY(window_->CorrectSelection());
    QCOMPARE(desktop_->events[0], std::string("release"));
    QTRY_COMPARE(desktop_->pasted, std::optional<std::string>("the"));
}

void SelectionCorrectionTest::takenHotkeyIsReportedOnTheLogPage() {
    desktop_->taken = {Hotkey::CorrectSelection};
    Start();
    const QString log =
        window_->findChild<QPlainTextEdit*>(QStringLiteral("memLog"))->toPlainText();
    QVERIFY2(log.contains(QStringLiteral("Ctrl+Shift+X")), qPrintable(log));
    QVERIFY(!log.contains(QStringLiteral("Ctrl+Shift+C")));
    QCOMPARE(log.count(QLatin1Char('\n')), 0);
}

void SelectionCorrectionTest::secondPressWaitsAndEveryCorrectionIsRecorded() {
    Start();
    const TDoneReplaces& records = window_->Correction().Viewer().Records();
    auto recordsText = [&records] {
        std::string all;
        for (std::size_t i = 0; i < records.Count(); ++i)
            all += std::string(records.Found(i)) + ">" + std::string(records.Inserted(i)) + "@" +
                   std::string(records.FileName(i)) + ";";
        return all;
    };
    clipboard_->text = "teh old";
    desktop_->selection = "teh word";
    // Ctrl+Shift+X; during its copy the user presses Ctrl+Shift+X and then Ctrl+Shift+C.
    desktop_->onPress(Hotkey::CorrectSelection);
    QCOMPARE(desktop_->events, (std::vector<std::string>{"copy", "paste"}));
    QCOMPARE(clipboard_->Text(), std::string("teh old"));
    // The second Ctrl+Shift+X comes once the first is over; the Ctrl+Shift+C pressed after it
    // found one press already waiting and was dropped.
    QTRY_COMPARE(desktop_->events.size(), std::size_t{4});
    QCOMPARE(desktop_->events, (std::vector<std::string>{"copy", "paste", "copy", "paste"}));
    QTRY_COMPARE(clipboard_->Text(), std::string("teh old"));
    QTest::qWait(100);
    QCOMPARE(clipboard_->Text(), std::string("teh old"));
    QCOMPARE(desktop_->events.size(), std::size_t{4});
    // Both selections and then a clipboard correction are in the viewer, without file names.
    clipboard_->text = "teh cat";
    desktop_->onPress(Hotkey::CorrectClipboard);
    QCOMPARE(recordsText(), std::string("teh>the@;teh>the@;teh>the@;"));
    // Ctrl+D shows them outside a run.
    QString count;
    test::WhenShown(&window_->Correction().Viewer(), [&] {
        count =
            window_->Correction().Viewer().findChild<QLabel*>(QStringLiteral("lblCount"))->text();
    });
    window_->Action("AShowDoneReplaces")->trigger();
    QCOMPARE(count, QStringLiteral("3 / 3"));
    // "Заменить" on the clipboard page starts a new list.
    clipboard_->text = "teh teh";
    window_->findChild<QTabWidget*>(QStringLiteral("PageControl"))
        ->setCurrentWidget(window_->findChild<QWidget*>(QStringLiteral("tsClipboard")));
    window_->Action("AReplace")->trigger();
    QCOMPARE(recordsText(), std::string("teh>the@;teh>the@;"));

    // Closing the window gives the keys back at once.
    window_->close();
    QVERIFY(desktop_->ungrabbed);
}

void SelectionCorrectionTest::busCallsWaitTheirTurnAndAreAnswered() {
    Start();
    desktop_->pressesDuringCopy = 0;
    auto* desktop = window_->findChild<DesktopCorrections*>();
    QVERIFY(desktop != nullptr);
    std::vector<std::string> answers;
    auto answer = [&answers](std::string name) {
        return
            [&answers, name](bool done) { answers.push_back(name + (done ? ":true" : ":false")); };
    };
    clipboard_->text = "teh old";
    desktop_->selection = "teh word";
    // Two calls come while the first selection correction waits for the copy.
    desktop_->duringCopy = [&] {
        desktop->Request(Hotkey::CorrectSelection, answer("second"));
        desktop->Request(Hotkey::CorrectClipboard, answer("third"));
    };
    desktop->Request(Hotkey::CorrectSelection, answer("first"));
    // One waits at most: the third is answered at once, the second once it has run.
    QCOMPARE(answers, (std::vector<std::string>{"third:false", "first:true"}));
    QTRY_COMPARE(answers.size(), std::size_t{3});
    QCOMPARE(answers.back(), std::string("second:true"));
    QCOMPARE(desktop_->events, (std::vector<std::string>{"copy", "paste", "copy", "paste"}));
    QCOMPARE(*desktop_->pasted, std::string("the word"));
    QTRY_COMPARE(clipboard_->Text(), std::string("teh old"));

    // The close gives the keys back: a call still waiting, and any later one, answer false.
    answers.clear();
    desktop_->duringCopy = [&] {
        desktop->Request(Hotkey::CorrectClipboard, answer("waiting"));
        desktop->ReleaseKeys();
    };
    desktop->Request(Hotkey::CorrectSelection, answer("running"));
    desktop->Request(Hotkey::CorrectClipboard, answer("after"));
    QTest::qWait(50);
    QCOMPARE(answers, (std::vector<std::string>{"waiting:false", "running:true", "after:false"}));
}

void SelectionCorrectionTest::droppedFilesAreCorrectedOnlyAfterYes() {
    Start();
    const std::filesystem::path folder = test::PathOf(*config_) / "drop";
    std::filesystem::create_directories(folder / "sub");
    const std::vector<std::filesystem::path> dropped = {folder / "a.txt", folder / "sub",
                                                        folder / "missing.txt", folder / "b.txt"};
    std::ofstream(dropped[0], std::ios::binary) << "teh a";
    std::ofstream(dropped[3], std::ios::binary) << "teh b";
    auto contents = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    auto* pages = window_->findChild<QTabWidget*>(QStringLiteral("PageControl"));
    // The question comes while the paths are shown on their page.
    QString shownWhenAsked;
    messages_.onAsk = [&] { shownWhenAsked = pages->currentWidget()->objectName(); };

    messages_.answer = false;
    window_->DropFiles(dropped);
    QCOMPARE(shownWhenAsked, QStringLiteral("tsDropedFiles"));
    QCOMPARE(messages_.asked.size(), std::size_t{1});
    QCOMPARE(messages_.asked[0].text, std::string("Начать коррекцию в файлах?"));
    QCOMPARE(messages_.asked[0].caption, std::string("Подтверждение"));
    QCOMPARE(contents(dropped[0]), std::string("teh a"));
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("tsFiles"));

    messages_.answer = true;
    window_->DropFiles(dropped);
    // The folder and the missing path are passed over; no backup copies are made.
    QCOMPARE(contents(dropped[0]), std::string("the a"));
    QCOMPARE(contents(dropped[3]), std::string("the b"));
    QVERIFY(!std::filesystem::exists(folder / "missing.txt"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(folder),
                           std::filesystem::directory_iterator()),
             3);
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("tsFiles"));
    QVERIFY(messages_.shown.empty());
    // Their replacements are listed with each file's path.
    const TDoneReplaces& records = window_->Correction().Viewer().Records();
    QCOMPARE(records.Count(), std::size_t{2});
    QCOMPARE(std::string(records.FileName(0)), dropped[0].string());
    QCOMPARE(std::string(records.FileName(1)), dropped[3].string());
}

void SelectionCorrectionTest::showHideTogglesTheWindowAndTheKeysStay() {
    Start();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    // No notification area offscreen: the menu is there all the same.
    auto* menu = window_->findChild<QMenu*>(QStringLiteral("pupMain"));
    QVERIFY(menu != nullptr);
    QVERIFY(menu->actions().contains(window_->Action("AShowHide")));
    window_->Action("AShowHide")->trigger();
    QVERIFY(!window_->isVisible());
    // Hidden in the tray, the hotkeys still work.
    clipboard_->text = "teh";
    desktop_->onPress(Hotkey::CorrectClipboard);
    QCOMPARE(clipboard_->Text(), std::string("the"));
    window_->Action("AShowHide")->trigger();
    QVERIFY(window_->isVisible());
}

void SelectionCorrectionTest::selectionEndedByARuleNamesItAndGivesTheClipboardBack() {
    std::ofstream(test::PathOf(*config_) / "Default.lst", std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
           "<List xml:space=\"preserve\">\r\n"
           "  <Item> <Find>teh</Find> <Replace>the</Replace>  <Checked>1</Checked>  </Item>\r\n"
           "  <Item> <Find>(x</Find> <Replace>y</Replace> <Flags>r</Flags> <Checked>1</Checked>"
           " </Item>\r\n"
           "</List>\r\n";
    Start();
    clipboard_->text = "old clipboard";
    desktop_->selection = "teh word";
    QVERIFY(!window_->CorrectSelection());
    // Nothing pasted, the user's clipboard back, and the faulty rule told by its number.
    QCOMPARE(desktop_->events, (std::vector<std::string>{"copy"}));
    QCOMPARE(clipboard_->Text(), std::string("old clipboard"));
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QVERIFY2(messages_.shown[0].text.starts_with("Замена №2 «(x»:\n"),
             messages_.shown[0].text.c_str());
}

}  // namespace qx

QTEST_MAIN(qx::SelectionCorrectionTest)
#include "SelectionCorrection_test.moc"
