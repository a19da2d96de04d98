// SPDX-License-Identifier: GPL-3.0-or-later
// The preview of a run and the undo of the last run, through the main window's commands, on
// real files in temporary folders.

#include <sys/stat.h>

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "TestDoubles.h"
#include "engine/CodePage.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "storage/ListFile.h"
#include "ui/correction/CorrectionRun.h"
#include "ui/main/MainForm.h"
#include "ui/preview/PreviewForm.h"
#include "ui/preview/PreviewModel.h"

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

struct timespec Mtime(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mtim;
}

}  // namespace

class PreviewUndoTest : public QObject {
    Q_OBJECT
private slots:
    void previewThenWriteTheCheckedThenUndo();
};

void PreviewUndoTest::previewThenWriteTheCheckedThenUndo() {
    QTemporaryDir config;
    QTemporaryDir dataDir;
    const fs::path data = test::PathOf(dataDir);
    const std::map<std::string, std::string> before = {
        {"ansi.txt", Cp("мама мыла раму\r\n")},
        {"bom.txt",
         "\xEF\xBB\xBF"
         "мама и мама\n"},
        {"unchecked.txt", "мама"},
        {"edited.txt", "мама"},
        {"same.txt", Cp("ничего")},
    };
    for (const auto& [name, bytes] : before) Write(data / name, bytes);
    std::map<std::string, struct timespec> times;
    for (const auto& [name, bytes] : before) times[name] = Mtime(data / name);

    const TReplace rule(Cp("мама"), Cp("папа"), "", "", true);
    Write(test::PathOf(config) / "Default.lst", ListFileText(TReplaceConditions(), {&rule}));
    test::RecordingMessages messages;
    test::RecordingShell shell;
    MainFormEnv env;
    env.configFolder = test::PathOf(config);
    env.programFolder = test::PathOf(config) / "program";
    env.stateFolder = test::PathOf(config) / "state";
    env.messages = &messages;
    env.shell = &shell;
    MainForm window(std::move(env));
    window.InitMainWindow();
    window.Action("ABackupOnReplace")->setChecked(false);
    window.findChild<QComboBox*>(QStringLiteral("edtFolder"))
        ->setEditText(QString::fromStdString(data.string()));
    window.findChild<QComboBox*>(QStringLiteral("cmbMask"))->setEditText(QStringLiteral("*.txt"));
    window.findChild<QPushButton*>(QStringLiteral("btnRefresh"))->click();
    QVERIFY(!window.Action("AUndoLastRun")->isEnabled());

    PreviewForm& preview = window.Correction().PreviewWindow();
    bool looked = false;
    QTimer::singleShot(0, &preview, [&] {
        QVERIFY(QTest::qWaitFor([&] { return !preview.Computing(); }, 10000));
        // Nothing written yet.
        for (const auto& [name, bytes] : before) QCOMPARE(Read(data / name), bytes);
        for (const auto& [name, time] : times) QCOMPARE(Mtime(data / name).tv_nsec, time.tv_nsec);
        PreviewModel& model = preview.Model();
        QCOMPARE(model.rowCount(), 4);
        for (int row = 0; row < model.rowCount(); ++row) {
            const PreviewModel::Row& shown = model.At(row);
            QCOMPARE(shown.file.verdict, FilePreview::Verdict::WouldChange);
            QCOMPARE(shown.file.replacements, shown.caption == "bom.txt" ? 2u : 1u);
            if (shown.caption == "unchecked.txt")
                QVERIFY(model.setData(model.index(row, PreviewModel::kFile), Qt::Unchecked,
                                      Qt::CheckStateRole));
        }
        Write(data / "edited.txt", "мама, но уже другая");
        looked = true;
        preview.findChild<QPushButton*>(QStringLiteral("btnWriteChecked"))->click();
    });
    messages.answers = {false};  // the summary: leave the viewer closed
    window.Action("APreview")->trigger();
    QVERIFY(looked);

    QCOMPARE(Read(data / "ansi.txt"), Cp("папа мыла раму\r\n"));
    QCOMPARE(Read(data / "bom.txt"), std::string("\xEF\xBB\xBF"
                                                 "папа и папа\n"));
    QCOMPARE(Read(data / "unchecked.txt"), before.at("unchecked.txt"));
    QCOMPARE(Mtime(data / "unchecked.txt").tv_nsec, times["unchecked.txt"].tv_nsec);
    QCOMPARE(Read(data / "edited.txt"), std::string("мама, но уже другая"));
    const QString log = window.findChild<QPlainTextEdit*>(QStringLiteral("memLog"))->toPlainText();
    QVERIFY(log.contains(QStringLiteral("edited.txt: изменён после просмотра")));
    QCOMPARE(messages.asked.size(), std::size_t(1));
    QVERIFY(messages.asked[0].text.find("Изменены после просмотра") != std::string::npos);

    // The run is journalled: undo gives both files their bytes back.
    QVERIFY(window.Action("AUndoLastRun")->isEnabled());
    messages.answers = {true};
    window.Action("AUndoLastRun")->trigger();
    for (const auto& [name, bytes] : before)
        if (name != "edited.txt") QCOMPARE(Read(data / name), bytes);
    QVERIFY(messages.shown.back().text.starts_with("Возвращено файлов: 2."));
    QVERIFY(!window.Action("AUndoLastRun")->isEnabled());
}

QTEST_MAIN(PreviewUndoTest)
#include "PreviewUndo_test.moc"
