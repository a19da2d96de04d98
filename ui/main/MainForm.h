// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: owns the rule list, the file list, the rule rows, the conditions and the
// list file, and lays out the panels that show them: the header band, the rule list panel
// above, the files, clipboard and log pages below, the bottom band. It holds the commands,
// re-applies their enabling (UpdateActions) from what each panel allows, and runs the
// start-up and close sequences that restore and store its state.

#include <QPointer>
#include <filesystem>
#include <memory>

#include "engine/TextRoutines.h"
#include "ui/common/QxForm.h"
#include "ui/files/FilesPage.h"
#include "ui/main/Commands.h"
#include "ui/rules/ListFileCommands.h"

class QAction;
class QMenuBar;
class QSplitter;
class QTabWidget;
class QTimer;

namespace qx {

class AboutForm;
class BottomBand;
class CorrectionRun;
class ListTester;
class LogPage;
class Clipboard;
class ClipboardPage;
class DesktopCorrections;
class DesktopKeys;
class DroppedFiles;
class DroppedFilesPage;
class EditReplaceStringForm;
class MainFormState;
class MessageStrings;
class RegExp2Form;
class RegExpForm;
class RuleCommands;
class RulesPanel;
class Shell;
class TFiles;
class TListFile;
class TReplaces;
class TRuleRows;
struct TReplaceConditions;
struct TSettings;

// What the window needs from outside; tests pass temporary folders and doubles.
struct MainFormEnv {
    // Settings.xml and Default.lst live here.
    std::filesystem::path configFolder;
    // Help.htm and the shipped Default.lst live here.
    std::filesystem::path programFolder;
    Messages* messages = nullptr;
    Shell* shell = nullptr;
    // Empty: the desktop's folder dialog.
    BrowseForFolder browseForFolder;
    // Empty: the desktop's open and save dialogs for list files.
    ChooseListFile chooseListFile;
    // Null: the desktop clipboard.
    Clipboard* clipboard = nullptr;
    // Null: no system-wide hotkeys and no selection correction.
    DesktopKeys* keys = nullptr;
    // The undo journal's folder; empty: corrections are not journalled.
    std::filesystem::path stateFolder;
    // Offer the clipboard and selection corrections on the session D-Bus.
    bool sessionBus = false;
};

class MainForm : public QxForm {
    Q_OBJECT
public:
    explicit MainForm(MainFormEnv env);
    ~MainForm() override;

    // Interactive start-up: caption with the version, settings, the default rule list.
    void InitMainWindow();
    // Enables and disables the commands by what the panels allow.
    void UpdateActions();
    // Replace flags for every correction started from the window.
    ReplaceFlags CurrentReplaceFlags() const;

    // The caption of a hidden message label of pnlStrings, read when a message is shown.
    QString StringLabel(const char* name) const;
    // By objectName; nullptr for an unknown one.
    QAction* Action(const char* name) const { return commands_.Find(name); }

    // F5 and the refresh button: rescans on the files page, rereads the clipboard on its page.
    void Refresh();
    // Refreshes the two "checked / all" counters.
    void UpdateCounters();
    // Lists dropped files on their hidden page and, once the user agrees, corrects them.
    void ProcessDroppedFiles(const std::vector<std::filesystem::path>& paths);
    // CorrectBuffer with the window's rules and flags, without conditions; errors propagate.
    void CorrectClipboard();
    // CorrectSelection; false when it did not run to its end.
    bool CorrectSelection();

    TReplaces& Rules() { return *rules_; }
    TFiles& Files() { return *files_; }
    TRuleRows& RuleRows() { return *ruleRows_; }
    const std::filesystem::path& ConfigFolder() const { return env_.configFolder; }
    TReplaceConditions& Conditions() { return *conditions_; }
    CorrectionRun& Correction() { return *correctionRun_; }
    ListFileCommands& ListCommands() { return *listCommands_; }
    ListTester& Tester() { return *listTester_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildLayout();
    QWidget* BuildPages();
    void BuildMenus(QMenuBar* bar);
    void ConnectCommands();
    // The rule editor with its two expression testers, made once, and the panel's commands.
    void BuildRuleEditing();

    TSettings CollectSettings() const;
    void ApplySettings(const TSettings& settings);
    void LoadSettings();
    void ApplySplitterSizes();
    void ShowClipboardIfCurrent();
    // ASaveStrings: Strings.xml in the configuration folder.
    void SaveStrings();
    // The correction run, the clipboard and selection corrections with the tray, the drops.
    void BuildCorrection();

    MainFormEnv env_;
    std::unique_ptr<TReplaces> rules_;
    std::unique_ptr<TFiles> files_;
    std::unique_ptr<TRuleRows> ruleRows_;
    std::unique_ptr<TReplaceConditions> conditions_;
    std::unique_ptr<TListFile> listFile_;
    std::unique_ptr<MainFormState> state_;
    std::unique_ptr<Clipboard> ownClipboard_;
    Clipboard* clipboard_ = nullptr;
    Commands commands_;
    // The rule pane's height; applied again when the window is first shown, since a
    // splitter spreads its sizes only once it has its own size.
    int replacesHeight_ = 0;
    bool closed_ = false;
    bool shownOnce_ = false;

    MessageStrings* strings_ = nullptr;
    RulesPanel* rulesPanel_ = nullptr;
    FilesPage* filesPage_ = nullptr;
    ClipboardPage* clipboardPage_ = nullptr;
    DroppedFilesPage* droppedFilesPage_ = nullptr;
    LogPage* logPage_ = nullptr;
    DesktopCorrections* desktop_ = nullptr;
    DroppedFiles* droppedFiles_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    QTimer* tmrUpdate_ = nullptr;
    QPointer<AboutForm> about_;
    RegExpForm* regExp_ = nullptr;
    RegExp2Form* regExp2_ = nullptr;
    EditReplaceStringForm* editReplaceString_ = nullptr;
    RuleCommands* ruleCommands_ = nullptr;
    ListTester* listTester_ = nullptr;
    BottomBand* bottomBand_ = nullptr;
    CorrectionRun* correctionRun_ = nullptr;
    std::unique_ptr<ListFileCommands> listCommands_;
};

}  // namespace qx
