// SPDX-License-Identifier: GPL-3.0-or-later
// The correction run and the list-file commands of the main window, on real files in
// temporary folders.

#include "ui/correction/CorrectionRun.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ModalDriver.h"
#include "TestDoubles.h"
#include "batch/RunJournal.h"
#include "engine/CodePage.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "storage/ListFile.h"
#include "ui/correction/DoneReplacesForm.h"
#include "ui/main/MainForm.h"

namespace fs = std::filesystem;
using namespace qx;

namespace {

std::string Cp(const char* utf8) { return *Utf8ToCp1251(utf8); }

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

class CorrectionRunTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void correctsCheckedFilesInTheirOwnEncodingsAndLogsTheSkipped();
    void conditionalRunLeavesRefusedFilesAlone();
    void ruleErrorIsShownAndCommandsComeBack();
    void stopEndsTheRunBetweenTwoFiles();
    void savedListComesBackAfterNewAndLoad();
    void aJournalWithoutRoomIsAnnouncedBeforeTheRun();

private:
    // Default.lst with the given rules, then the window, then a scan of the data folder.
    void Start(const std::vector<TReplace>& rules, const fs::path& stateFolder = {});
    void Scan();
    fs::path Data() const { return test::PathOf(*data_); }
    QString LogText() const {
        return window_->findChild<QPlainTextEdit*>(QStringLiteral("memLog"))->toPlainText();
    }

    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<QTemporaryDir> data_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    fs::path chosenList_;
    std::unique_ptr<MainForm> window_;
};

void CorrectionRunTest::init() {
    config_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    messages_ = {};
}

void CorrectionRunTest::cleanup() {
    window_.reset();
    data_.reset();
    config_.reset();
}

void CorrectionRunTest::Start(const std::vector<TReplace>& rules, const fs::path& stateFolder) {
    std::vector<const TReplace*> pointers;
    for (const TReplace& rule : rules) pointers.push_back(&rule);
    Write(test::PathOf(*config_) / "Default.lst", ListFileText(TReplaceConditions(), pointers));
    MainFormEnv env;
    env.configFolder = test::PathOf(*config_);
    env.programFolder = test::PathOf(*config_) / "program";
    env.stateFolder = stateFolder;
    env.messages = &messages_;
    env.shell = &shell_;
    env.chooseListFile = [this](QWidget*, bool, const fs::path&) {
        return std::optional<fs::path>(chosenList_);
    };
    window_ = std::make_unique<MainForm>(std::move(env));
    window_->InitMainWindow();
}

void CorrectionRunTest::Scan() {
    window_->findChild<QComboBox*>(QStringLiteral("edtFolder"))
        ->setEditText(QString::fromStdString(Data().string()));
    window_->findChild<QComboBox*>(QStringLiteral("cmbMask"))->setEditText(QStringLiteral("*.txt"));
    window_->findChild<QPushButton*>(QStringLiteral("btnRefresh"))->click();
}

void CorrectionRunTest::correctsCheckedFilesInTheirOwnEncodingsAndLogsTheSkipped() {
    const fs::path d = Data();
    fs::create_directory(d / "sub");
    Write(d / "ansi.txt", Cp("мама мыла раму"));
    Write(d / "sub" / "bom.txt",
          "\xEF\xBB\xBF"
          "мама и мама");
    Write(d / "plain.txt", "и мама");
    Write(d / "same.txt", Cp("ничего"));
    Write(d / "nobak.txt", "мама");
    fs::create_directory(d / "nobak.txt.bak");  // the copy cannot be made
    Write(d / "readonly.txt", "мама");
    fs::permissions(d / "readonly.txt", fs::perms::owner_read | fs::perms::group_read);
    Write(d / "locked.txt", "мама");
    const int lockFd = ::open((d / "locked.txt").c_str(), O_RDONLY);
    QVERIFY(lockFd >= 0 && ::flock(lockFd, LOCK_EX) == 0);
    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(5);
    fs::last_write_time(d / "same.txt", oldTime);

    Start({TReplace(Cp("мама"), Cp("папа"), "", "", true)});
    window_->findChild<QCheckBox*>(QStringLiteral("cbRecursive"))->setChecked(true);
    Scan();
    messages_.answers = {true, false};  // start the run, leave the viewer closed
    window_->Action("AReplace")->trigger();
    ::close(lockFd);

    QCOMPARE(Read(d / "ansi.txt"), Cp("папа мыла раму"));
    QCOMPARE(Read(d / "ansi.txt.bak"), Cp("мама мыла раму"));
    QCOMPARE(Read(d / "sub" / "bom.txt"), std::string("\xEF\xBB\xBF"
                                                      "папа и папа"));
    QCOMPARE(Read(d / "plain.txt"), std::string("и папа"));
    QCOMPARE(Read(d / "plain.txt.bak"), std::string("и мама"));
    QVERIFY(fs::last_write_time(d / "same.txt") == oldTime);
    for (const char* name : {"nobak.txt", "readonly.txt", "locked.txt"}) {
        QCOMPARE(Read(d / name), std::string("мама"));
        QVERIFY2(LogText().contains(QString::fromLatin1(name)), name);
    }
    QVERIFY(!LogText().contains(QStringLiteral("ansi.txt")));

    QCOMPARE(messages_.asked.size(), std::size_t(2));
    QVERIFY(messages_.asked[1].text.find("Произведено замен: 4.") != std::string::npos);
    // The question before the run doubts, the summary after it offers.
    QVERIFY(messages_.asked[0].icon == Messages::Icon::Question);
    QVERIFY(messages_.asked[1].icon == Messages::Icon::Information);
    const TDoneReplaces& records = window_->Correction().Viewer().Records();
    QCOMPARE(records.Count(), std::size_t(4));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < records.Count(); ++i) names.emplace_back(records.FileName(i));
    QVERIFY(std::find(names.begin(), names.end(), "sub/bom.txt") != names.end());
    QVERIFY(window_->Action("AReplace")->isEnabled());
}

void CorrectionRunTest::conditionalRunLeavesRefusedFilesAlone() {
    Write(Data() / "html.txt", "<html> a");
    Write(Data() / "text.txt", "a");
    Start({TReplace("a", "b", "", "", true)});
    Scan();
    TReplaceConditions& conditions = window_->Conditions();
    conditions.ReplaceGroup = conditions.ReplaceIfContains = true;
    conditions.ReplaceIfContainsText = "<HTML>";
    messages_.answers = {true, false};
    window_->Correction().RunCorrection(true);
    QCOMPARE(Read(Data() / "html.txt"), std::string("<html> b"));
    QCOMPARE(Read(Data() / "text.txt"), std::string("a"));
    // The plain command ignores the conditions.
    messages_.answers = {true, false};
    window_->Action("AReplace")->trigger();
    QCOMPARE(Read(Data() / "text.txt"), std::string("b"));
}

void CorrectionRunTest::ruleErrorIsShownAndCommandsComeBack() {
    Write(Data() / "a.txt", "abc");
    Start({TReplace("(", "x", "", "r", true)});
    Scan();
    messages_.answers = {true};
    window_->Action("AReplace")->trigger();
    QCOMPARE(Read(Data() / "a.txt"), std::string("abc"));
    QVERIFY(!messages_.shown.empty());
    QCOMPARE(messages_.shown.back().icon, Messages::Icon::Error);
    QVERIFY(!messages_.shown.back().text.empty());
    // Refused before the question, and no summary after it.
    QVERIFY(messages_.asked.empty());
    QVERIFY(!window_->Correction().Running());
    QVERIFY(window_->Action("AReplace")->isEnabled());
    QVERIFY(window_->findChild<QComboBox*>(QStringLiteral("edtFolder"))->isEnabled());
}

void CorrectionRunTest::stopEndsTheRunBetweenTwoFiles() {
    constexpr int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i) Write(Data() / ("f" + std::to_string(i) + ".txt"), "a");
    Start({TReplace("a", "b", "", "", true)});
    Scan();
    messages_.answers = {true, false};
    auto* stop = window_->findChild<QPushButton*>(QStringLiteral("btnStop"));
    QVERIFY(!stop->isVisible());
    QTimer::singleShot(0, stop, [stop, this] {
        QVERIFY(window_->Correction().Running());
        QVERIFY(!window_->Action("AReplace")->isEnabled());
        stop->click();
    });
    window_->Action("AReplace")->trigger();
    int corrected = 0;
    for (int i = 0; i < kFiles; ++i)
        corrected += Read(Data() / ("f" + std::to_string(i) + ".txt")) == "b" ? 1 : 0;
    QVERIFY(corrected > 0 && corrected < kFiles);
    QCOMPARE(window_->Correction().Viewer().Count(), std::size_t(corrected));
    const std::string& summary = messages_.asked.back().text;
    QVERIFY(summary.find("обработано файлов " + std::to_string(corrected) + " из ") !=
            std::string::npos);
    QVERIFY(window_->Action("AReplace")->isEnabled());
}

void CorrectionRunTest::savedListComesBackAfterNewAndLoad() {
    TReplace regex("a(b)", "$1", "", "r", false);
    regex.Repeat = 0;
    Start({TReplace("x", "y", "", "", true), regex});
    window_->Conditions().DontReplaceIfAbsentText = Cp("нужно");
    chosenList_ = Data() / "saved.lst";
    window_->Action("ASave")->trigger();
    QCOMPARE(messages_.shown.back().text, std::string("Список сохранен"));

    messages_.threeWayAnswer = Messages::Answer::Cancel;
    window_->Action("ANew")->trigger();
    QCOMPARE(window_->RuleRows().RowCount(), std::size_t(2));
    messages_.threeWayAnswer = Messages::Answer::No;
    window_->Action("ANew")->trigger();
    QCOMPARE(window_->RuleRows().RowCount(), std::size_t(0));
    QVERIFY(!window_->Action("ASave")->isEnabled());
    window_->Conditions() = TReplaceConditions();

    const std::size_t questions = messages_.asked.size();
    window_->Action("ALoad")->trigger();
    QCOMPARE(messages_.asked.size(), questions);  // nothing shown, nothing asked
    QCOMPARE(window_->RuleRows().RowCount(), std::size_t(2));
    const TReplace* second = window_->RuleRows().RulesOfRows({1}).front();
    QCOMPARE(second->Find, std::string("a(b)"));
    QCOMPARE(second->Repeat, 0);
    QVERIFY(!second->Checked);
    QCOMPARE(window_->Conditions().DontReplaceIfAbsentText, Cp("нужно"));
    QVERIFY(window_->Conditions().DontReplaceGroup);

    // A damaged file: the parse-error message, the rules stay.
    Write(Data() / "broken.lst", "<List><Item>");
    chosenList_ = Data() / "broken.lst";
    messages_.threeWayAnswer = Messages::Answer::No;
    window_->Action("ALoad")->trigger();
    QCOMPARE(messages_.shown.back().caption, std::string("Ошибка в файле"));
    QVERIFY(messages_.shown.back().text.find("broken.lst") != std::string::npos);
    QCOMPARE(window_->Rules().Count(), 2);
}

void CorrectionRunTest::aJournalWithoutRoomIsAnnouncedBeforeTheRun() {
    // The undo journal's folder on a small disk that is full: the run says that it could not
    // be undone before it touches a file; declined, nothing changes, agreed, the files are
    // corrected and there is nothing to undo.
    QTemporaryDir mountPoint;
    const fs::path disk = test::PathOf(mountPoint);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
        QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs: ") + std::strerror(errno)));
    struct Unmount {
        const fs::path& at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{disk};
    fs::create_directory(disk / "state");
    {
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    const std::string before = Cp("мама ") + std::string(100 * 1024, 'x');
    Write(Data() / "big.txt", before);

    Start({TReplace(Cp("мама"), Cp("папа"), "", "", true)}, disk / "state");
    window_->Action("ABackupOnReplace")->setChecked(false);
    Scan();
    messages_.answers = {true, false};  // start the run; not without undo
    window_->Action("AReplace")->trigger();
    QCOMPARE(Read(Data() / "big.txt"), before);
    QCOMPARE(messages_.asked.size(), std::size_t(2));
    QVERIFY2(messages_.asked[1].text.find("не хватает места") != std::string::npos,
             messages_.asked[1].text.c_str());

    messages_ = {};
    messages_.answers = {true, true, false};  // start; without undo; leave the viewer closed
    window_->Action("AReplace")->trigger();
    QCOMPARE(Read(Data() / "big.txt"), Cp("папа ") + std::string(100 * 1024, 'x'));
    QVERIFY(!window_->Action("AUndoLastRun")->isEnabled());
    QVERIFY(RunJournal::Runs(disk / "state").empty());
}

QTEST_MAIN(CorrectionRunTest)
#include "CorrectionRun_test.moc"
