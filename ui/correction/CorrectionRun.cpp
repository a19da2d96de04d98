// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction/CorrectionRun.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <algorithm>
#include <climits>
#include <exception>
#include <unordered_map>
#include <unordered_set>

#include "batch/CorrectionPreview.h"
#include "batch/FileListCorrection.h"
#include "engine/BufferCorrection.h"
#include "engine/CodePage.h"
#include "engine/EngineSinks.h"
#include "engine/FileIo.h"
#include "engine/RuleEngine.h"
#include "engine/RuleTally.h"
#include "engine/TRuleRows.h"
#include "platform/Clipboard.h"
#include "platform/Messages.h"
#include "platform/qt/QtClipboard.h"
#include "ui/common/MessageStrings.h"
#include "ui/common/QtText.h"
#include "ui/correction/ConditionsForm.h"
#include "ui/correction/DoneReplacesForm.h"
#include "ui/correction/RunUndo.h"
#include "ui/log/LogPage.h"
#include "ui/preview/PreviewForm.h"
#include "ui/tester/WarningTexts.h"

namespace qx {
namespace {

constexpr const char* kProgramCaption = "qxQuendro";
// How long the run may keep the event loop waiting between two looks at it.
constexpr qint64 kEventsEveryMs = 30;

std::string Text(const MessageStrings& strings, const char* name) {
    return strings.Text(name).toStdString();
}

std::string ReplaceCount(std::string format, std::size_t count) {
    const std::size_t at = format.find("%d");
    if (at != std::string::npos) format.replace(at, 2, std::to_string(count));
    return format;
}

// The clipboard page's box and the window's progress bar, as the buffer correction sees them.
class WindowBox final : public ClipboardBox {
public:
    WindowBox(QPlainTextEdit* box, QProgressBar& progress) : box_(box), progress_(progress) {}
    std::string BoxText() const override {
        return box_ ? box_->toPlainText().toStdString() : std::string();
    }
    void SetBoxText(std::string_view utf8) override {
        if (!box_) return;
        box_->setUpdatesEnabled(false);
        box_->setPlainText(FromUtf8(utf8));
        box_->setUpdatesEnabled(true);
    }
    void StartProgress(std::size_t maximum) override {
        progress_.setMaximum(static_cast<int>(std::min<std::size_t>(maximum, INT_MAX)));
        progress_.setValue(0);
    }

private:
    QPlainTextEdit* box_;
    QProgressBar& progress_;
};

}  // namespace

class CorrectionRun::WindowSinks final : public EngineSinks {
public:
    WindowSinks(DoneReplacesForm& viewer, QProgressBar& progress, LogPage& log)
        : viewer_(viewer), progress_(progress), log_(log) {}
    void AddDoneReplace(std::string_view found, std::string_view inserted,
                        std::string_view fileName) override {
        if (!holding_) {
            viewer_.AddDoneReplace(found, inserted, fileName);
            return;
        }
        held_.push_back({std::string(found), std::string(inserted), std::string(fileName)});
    }
    // During a run over files the records of a file wait until it is known to be rewritten:
    // a file left as it was (its copy failed, characters would be lost) has no replacements.
    void HoldRecords(bool on) {
        holding_ = on;
        held_.clear();
    }
    void FileDone(bool rewritten) {
        if (rewritten)
            for (const Held& record : held_)
                viewer_.AddDoneReplace(record.found, record.inserted, record.fileName);
        held_.clear();
    }
    void StepProgress() override {
        if (progress_.value() < progress_.maximum()) progress_.setValue(progress_.value() + 1);
    }
    void AppendLog(std::string_view line) override { log_.AppendLine(FromCp1251(line)); }

private:
    struct Held {
        std::string found;
        std::string inserted;
        std::string fileName;
    };
    std::vector<Held> held_;
    bool holding_ = false;
    DoneReplacesForm& viewer_;
    QProgressBar& progress_;
    LogPage& log_;
};

class CorrectionRun::BufferRecords final : public EngineSinks {
public:
    BufferRecords(DoneReplacesForm& viewer, LogPage& log) : viewer_(viewer), log_(log) {}
    void AddDoneReplace(std::string_view found, std::string_view inserted,
                        std::string_view) override {
        viewer_.AddDoneReplace(found, inserted, {});
    }
    void StepProgress() override {}
    void AppendLog(std::string_view line) override { log_.AppendLine(FromCp1251(line)); }

private:
    DoneReplacesForm& viewer_;
    LogPage& log_;
};

CorrectionRun::CorrectionRun(CorrectionRunEnv env) : QObject(env.window), env_(std::move(env)) {
    conditionsForm_ = new ConditionsForm(*env_.messages, env_.window);
    viewer_ = new DoneReplacesForm(*env_.messages, env_.window);
    previewForm_ = new PreviewForm(*env_.messages, env_.window);
    sinks_ = std::make_unique<WindowSinks>(*viewer_, *env_.progressBar, *env_.log);
    bufferSinks_ = std::make_unique<BufferRecords>(*viewer_, *env_.log);
    undo_ = std::make_unique<RunUndo>(env_.stateFolder, *env_.messages, *env_.log);
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), env_.window);
    escape_->setContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, &CorrectionRun::RequestStop);
    connect(env_.stopButton, &QPushButton::clicked, this, &CorrectionRun::RequestStop);
}

CorrectionRun::~CorrectionRun() = default;

EngineSinks& CorrectionRun::Sinks() const { return *sinks_; }

EngineSinks& CorrectionRun::BufferSinks() const { return *bufferSinks_; }

void CorrectionRun::CorrectDroppedFiles(const std::vector<std::filesystem::path>& paths,
                                        const std::function<bool()>& confirm) {
    RuleEngine engine(*env_.rules, *sinks_);
    // Before the question: a list that cannot run is not offered.
    if (!Prepared(engine)) return;
    if (confirm && !confirm()) return;
    EngineRules rules(engine, env_.replaceFlags());
    FileListCorrection correction(rules, nullptr, env_.utf8On());
    std::exception_ptr failure;
    correction.onFileDone = [&](const FileReport& report) {
        sinks_->FileDone(report.verdict == FileReport::Verdict::Corrected);
        if (report.verdict == FileReport::Verdict::Error) failure = report.cause;
        if (report.verdict != FileReport::Verdict::Skipped) return;
        env_.log->AppendLine(FromUtf8(report.path.string()) + QStringLiteral(": ") +
                             FromUtf8(report.result.reason));
    };
    // Dropped files are journalled like a run: the last correction can be taken back.
    if (!undo_->Attach(correction, paths)) return;
    sinks_->HoldRecords(true);
    try {
        correction.Run(paths);
    } catch (...) {
        sinks_->HoldRecords(false);
        undo_->Finish();
        throw;
    }
    sinks_->HoldRecords(false);
    undo_->Finish();
    env_.updateActions();
    if (failure) ShowError(failure);
}

void CorrectionRun::CondReplace() {
    if (running_) return;
    if (conditionsForm_->Edit(*env_.conditions)) RunCorrection(true);
}

std::size_t CorrectionRun::ActiveRuleCount() const {
    std::size_t count = 0;
    for (std::size_t row = 0; row < env_.rules->RowCount(); ++row)
        if (env_.rules->ActiveRule(row)) ++count;
    return count;
}

void CorrectionRun::CondPreview() {
    if (running_) return;
    if (conditionsForm_->Edit(*env_.conditions)) Preview(true);
}

void CorrectionRun::Preview(bool conditional) {
    if (running_) return;
    const std::size_t activeRules = ActiveRuleCount();
    if (activeRules == 0) {
        env_.messages->Show(Text(*env_.strings, "lblNoSelectedReplaces"),
                            Text(*env_.strings, "lblWarning"), Messages::Icon::Warning);
        return;
    }
    PreviewRequest request;
    request.files = env_.checkedFiles();
    if (request.files.empty()) {
        env_.messages->Show(Text(*env_.strings, "lblNoSelectedFiles"),
                            Text(*env_.strings, "lblWarning"), Messages::Icon::Warning);
        return;
    }
    // An expression that does not compile is shown before any file is read.
    {
        RuleEngine check(*env_.rules, *sinks_);
        if (!Prepared(check)) return;
    }
    request.rules = env_.rules;
    request.flags = env_.replaceFlags();
    request.conditions = conditional ? env_.conditions : nullptr;
    request.utf8 = env_.utf8On();
    const std::vector<PreviewChoice> chosen = previewForm_->Run(std::move(request));
    if (chosen.empty()) return;
    std::vector<RunFile> files;
    files.reserve(chosen.size());
    for (const PreviewChoice& choice : chosen) files.push_back(choice.file);
    env_.progressBar->setValue(0);
    viewer_->ClearDoneReplaces();
    RunOnFiles(conditional, activeRules, files, &chosen);
}

void CorrectionRun::RunCorrection(bool conditional) {
    if (running_) return;
    const std::size_t activeRules = ActiveRuleCount();
    if (activeRules == 0) {
        env_.messages->Show(Text(*env_.strings, "lblNoSelectedReplaces"),
                            Text(*env_.strings, "lblWarning"), Messages::Icon::Warning);
        return;
    }
    env_.progressBar->setValue(0);
    // Cleared before the checks and the question: a run that stops at them leaves no records.
    viewer_->ClearDoneReplaces();
    if (!env_.filesPageShown()) {
        RunOnBuffer(conditional);
        env_.progressBar->setValue(0);
        return;
    }
    RunOnFiles(conditional, activeRules, env_.checkedFiles(), nullptr);
}

void CorrectionRun::RunOnBuffer(bool conditional) {
    auto* box = env_.window->findChild<QPlainTextEdit*>(QStringLiteral("memClipboard"));
    QtClipboard clipboard;
    WindowBox page(box, *env_.progressBar);
    RuleEngine engine(*env_.rules, *sinks_);
    engine.SetCurrentFileName({});
    try {
        const CorrectionResult result =
            CorrectBuffer(clipboard, page, env_.replaceFlags(),
                          conditional ? env_.conditions : nullptr, env_.utf8On(), engine);
        if (!result.Handled() && !result.reason.empty())
            env_.log->AppendLine(QStringLiteral("Буфер обмена: ") + FromUtf8(result.reason));
    } catch (const std::exception&) {
        ShowError(std::current_exception());
    }
}

void CorrectionRun::RunOnFiles(bool conditional, std::size_t activeRules,
                               const std::vector<RunFile>& files,
                               const std::vector<PreviewChoice>* fromPreview) {
    if (files.empty()) {
        env_.messages->Show(Text(*env_.strings, "lblNoSelectedFiles"),
                            Text(*env_.strings, "lblWarning"), Messages::Icon::Warning);
        return;
    }
    env_.progressBar->setMaximum(
        static_cast<int>(std::min<std::size_t>(activeRules * files.size(), INT_MAX)));
    RuleEngine engine(*env_.rules, *sinks_);
    // Every expression is compiled before the question and the first file: a typo in the fifth
    // rule is named at once, and the whole folder stays untouched instead of half corrected.
    if (!Prepared(engine)) return;
    // From the preview the user asked for the write already.
    if (!fromPreview && !env_.messages->Ask(Text(*env_.strings, "lblStartReplace"),
                                            Text(*env_.strings, "lblConfirm")))
        return;

    // Records carry the file's name as the file list shows it.
    std::unordered_map<std::string, const RunFile*> byPath;
    std::vector<std::filesystem::path> paths;
    paths.reserve(files.size());
    for (const RunFile& file : files) {
        byPath.emplace(file.path.native(), &file);
        paths.push_back(file.path);
    }
    const auto captionOf = [&byPath](const std::filesystem::path& path) {
        const auto found = byPath.find(path.native());
        return found == byPath.end() ? path.native() : found->second->caption;
    };

    RuleTally tally;
    engine.SetObserver(&tally);
    EngineRules rules(engine, env_.replaceFlags());
    FileListCorrection correction(rules, conditional ? env_.conditions : nullptr, env_.utf8On());
    if (env_.backupOn()) {
        correction.makeBackup = WriteBackupCopy;
    }
    // Only a link the scan listed is followed: one that took a file's place since is refused.
    correction.linkUse = [&byPath](const std::filesystem::path& path) {
        const auto found = byPath.find(path.native());
        return found != byPath.end() && found->second->link ? LinkUse::Follow : LinkUse::Refuse;
    };
    std::unordered_set<std::string> changedSince;  // written files edited since the preview
    correction.recordName = [&captionOf](const std::filesystem::path& path) {
        return Utf8ToCp1251Lenient(captionOf(path));
    };
    std::exception_ptr failure;
    correction.onFileDone = [&](const FileReport& report) {
        sinks_->FileDone(report.verdict == FileReport::Verdict::Corrected);
        if (report.verdict == FileReport::Verdict::Error) failure = report.cause;
        if (report.verdict != FileReport::Verdict::Skipped) return;
        const std::string reason = changedSince.contains(report.path.native())
                                       ? std::string(CorrectionPreview::kChangedSinceText)
                                       : report.result.reason;
        env_.log->AppendLine(FromUtf8(captionOf(report.path)) + QStringLiteral(": ") +
                             FromUtf8(reason));
    };
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    correction.onProgress = [&sinceEvents](std::size_t, std::size_t) {
        if (sinceEvents.elapsed() < kEventsEveryMs) return;
        QApplication::processEvents();
        sinceEvents.restart();
    };
    correction.stopRequested = [this] { return stopRequested_; };

    if (!undo_->Attach(correction, paths)) return;
    // Outermost, so that a file edited since the preview is neither journalled nor copied.
    std::unordered_map<std::string, const FileFingerprint*> previewed;
    if (fromPreview) {
        for (const PreviewChoice& choice : *fromPreview)
            previewed.emplace(choice.file.path.native(), &choice.fingerprint);
        correction.makeBackup = [&previewed, &changedSince, next = correction.makeBackup](
                                    const std::filesystem::path& path, std::string_view bytes) {
            const auto found = previewed.find(path.native());
            const int error = found == previewed.end()
                                  ? CorrectionPreview::kChangedSince
                                  : CorrectionPreview::Unchanged(*found->second, path, bytes);
            if (error != 0) {
                changedSince.insert(path.native());
                return error;
            }
            return next ? next(path, bytes) : 0;
        };
    }

    FileListCorrection::Summary summary;
    DisableCommands();
    sinks_->HoldRecords(true);
    try {
        summary = correction.Run(paths);
    } catch (...) {
        undo_->Finish();
        sinks_->HoldRecords(false);
        EnableCommands();
        throw;
    }
    undo_->Finish();
    sinks_->HoldRecords(false);
    EnableCommands();
    if (summary.failed) {
        ShowError(failure);
        return;
    }
    if (!summary.stopped && env_.ruleTally) env_.ruleTally(*env_.rules, tally);
    std::string text = ReplaceCount(Text(*env_.strings, "lblCorrectionFinished"), viewer_->Count());
    if (summary.stopped)
        text = "Коррекция остановлена: обработано файлов " + std::to_string(summary.done) + " из " +
               std::to_string(files.size()) + ".\r\n" + text;
    if (!changedSince.empty())
        text = "Изменены после просмотра и потому не записаны файлов: " +
               std::to_string(changedSince.size()) + " (см. страницу Log).\r\n" + text;
    if (env_.messages->AskInformation(text, kProgramCaption)) viewer_->ShowModal();
    env_.progressBar->setValue(0);
}

bool CorrectionRun::Prepared(RuleEngine& engine) {
    try {
        engine.Prepare();
        return true;
    } catch (const std::exception& error) {
        env_.messages->Show(RefusedRunText(error).toStdString(), kProgramCaption,
                            Messages::Icon::Error);
        return false;
    }
}

void CorrectionRun::ShowError(const std::exception_ptr& error) {
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& what) {
        env_.messages->Show(RuleErrorText(what).toStdString(), kProgramCaption,
                            Messages::Icon::Error);
    }
}

void CorrectionRun::DisableCommands() {
    running_ = true;
    stopRequested_ = false;
    disabledActions_.clear();
    for (QAction* action : env_.window->findChildren<QAction*>()) {
        if (!action->isEnabled()) continue;
        action->setEnabled(false);
        disabledActions_.push_back(action);
    }
    disabled_.clear();
    for (QWidget* child : env_.window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == env_.stopBand || !child->isEnabled() || child->isWindow()) continue;
        child->setEnabled(false);
        disabled_.push_back(child);
    }
    env_.stopButton->setVisible(true);
    env_.stopButton->setEnabled(true);
    escape_->setEnabled(true);
}

void CorrectionRun::EnableCommands() {
    escape_->setEnabled(false);
    env_.stopButton->setVisible(false);
    for (QWidget* child : disabled_) child->setEnabled(true);
    for (QAction* action : disabledActions_) action->setEnabled(true);
    disabled_.clear();
    disabledActions_.clear();
    running_ = false;
    env_.updateActions();
}

}  // namespace qx
