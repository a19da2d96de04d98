// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// CorrectionRun: what "Заменить" and "Заменить при условии ..." do. On the files page it
// corrects the checked files one after the other through the correction loop that batch mode
// uses, with ".bak" copies when asked, the progress bar, a line on the log page for every file
// left uncorrected, and a summary that offers the list of performed replacements. On any other
// page it corrects the clipboard text instead. "Просмотр замен ..." shows first what a run
// would change and writes what the user chooses from it. Every run over files is journalled so
// that "Отменить последнюю коррекцию" can take it back (RunUndo).
//
// The run goes on inside the window's event loop: between two files pending events are let
// through (the window repaints, the stop button and Escape work) while every command and every
// panel but the stop button is disabled.

#include <QObject>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/TextRoutines.h"

class QAction;
class QProgressBar;
class QPushButton;
class QShortcut;
class QWidget;

namespace qx {

class ActiveRules;
class ConditionsForm;
class DoneReplacesForm;
class PreviewForm;
class RunUndo;
struct PreviewChoice;
class EngineSinks;
class LogPage;
class MessageStrings;
class Messages;
class RuleEngine;
class RuleTally;
class TRuleRows;
struct TReplaceConditions;

// One file a run may correct: its path and the caption the file list shows for it (UTF-8).
struct RunFile {
    std::filesystem::path path;
    std::string caption;
    bool link = false;  // the scan found a symbolic link here, not the file itself
};

// What the run needs of the main window; every pointer must outlive the run.
struct CorrectionRunEnv {
    QWidget* window = nullptr;  // disabled during a run, the stop button's band excepted
    QWidget* stopBand = nullptr;
    QPushButton* stopButton = nullptr;
    QProgressBar* progressBar = nullptr;
    LogPage* log = nullptr;
    Messages* messages = nullptr;
    const MessageStrings* strings = nullptr;
    TRuleRows* rules = nullptr;
    TReplaceConditions* conditions = nullptr;
    std::function<bool()> filesPageShown;
    // The checked rows of the file view, in row order.
    std::function<std::vector<RunFile>()> checkedFiles;
    std::function<ReplaceFlags()> replaceFlags;
    std::function<bool()> backupOn;
    std::function<bool()> utf8On;
    // Re-applies the commands' enabling rules once a run is over.
    std::function<void()> updateActions;
    // Told, after a run over files that went to its end, what each rule did in it.
    std::function<void(const ActiveRules&, const RuleTally&)> ruleTally;
    // The undo journal's folder; empty: runs are not journalled.
    std::filesystem::path stateFolder;
};

class CorrectionRun : public QObject {
    Q_OBJECT
public:
    // The conditions dialog and the viewer are made here, as children of the window.
    explicit CorrectionRun(CorrectionRunEnv env);
    ~CorrectionRun() override;

    // "Заменить" (false) and, after the conditions dialog was confirmed, "Заменить при
    // условии ..." (true).
    void RunCorrection(bool conditional);
    // Shows the conditions dialog; a confirmed dialog starts a conditional run.
    void CondReplace();
    // "Просмотр замен ..." and, after the conditions dialog, its conditional variant: the
    // preview of a run over the checked files, and the write of the files chosen there.
    void Preview(bool conditional);
    void CondPreview();

    // Dropped files: each corrected with the window's rules, without backup copies, conditions
    // or summary; their records carry each file's path, added to those already listed. A file
    // left uncorrected gets a line on the log page; a rule's error is shown. `confirm`, asked
    // once the rules are known to compile, may still call it off.
    void CorrectDroppedFiles(const std::vector<std::filesystem::path>& paths,
                             const std::function<bool()>& confirm = {});

    // Between two files the run ends; what was corrected stays corrected.
    void RequestStop() { stopRequested_ = true; }
    bool Running() const { return running_; }

    DoneReplacesForm& Viewer() const { return *viewer_; }
    ConditionsForm& Conditions() const { return *conditionsForm_; }
    PreviewForm& PreviewWindow() const { return *previewForm_; }
    RunUndo& Undo() const { return *undo_; }
    // Where the engine reports during any correction of the window: the viewer's records,
    // the progress bar, the log page.
    EngineSinks& Sinks() const;
    // The records of a clipboard or selection correction, which may come between two files of
    // a run: added at once, with an empty file name, and the window's progress left alone.
    EngineSinks& BufferSinks() const;

    // Disables every action of the window and every panel but the stop button's band;
    // EnableCommands undoes it and re-applies the enabling rules.
    void DisableCommands();
    void EnableCommands();

private:
    class WindowSinks;
    class BufferRecords;
    std::size_t ActiveRuleCount() const;
    // `fromPreview`: the files chosen in the preview, written only while unchanged since.
    void RunOnFiles(bool conditional, std::size_t activeRules, const std::vector<RunFile>& files,
                    const std::vector<PreviewChoice>* fromPreview);
    void RunOnBuffer(bool conditional);
    // Compiles every checked expression; false, the faulty rule named to the user, when one
    // does not compile.
    bool Prepared(RuleEngine& engine);
    // The error that ended a correction, named by its rule where it has one.
    void ShowError(const std::exception_ptr& error);

    CorrectionRunEnv env_;
    std::unique_ptr<WindowSinks> sinks_;
    std::unique_ptr<BufferRecords> bufferSinks_;
    ConditionsForm* conditionsForm_ = nullptr;
    DoneReplacesForm* viewer_ = nullptr;
    PreviewForm* previewForm_ = nullptr;
    std::unique_ptr<RunUndo> undo_;
    QShortcut* escape_ = nullptr;
    std::vector<QWidget*> disabled_;
    std::vector<QAction*> disabledActions_;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace qx
