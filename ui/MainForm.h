// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: the rule list above, the file list, clipboard and log pages below, the
// command table as actions shared by menus, buttons and links, and the start-up and close
// sequences that restore and store the settings and the default rule list. The scan, the
// rule rows, the list file and the settings file live in their own classes; the window
// shows them and calls them.

#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "engine/TextRoutines.h"
#include "ui/QxForm.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimer;
class QTreeView;
class QMenuBar;

namespace qx {

class AboutForm;
class Shell;
class FileRowsModel;
class RuleRowsModel;
class TListFile;
class TRuleRows;
struct TReplaceConditions;
class TFiles;
class TReplaces;
struct ListCounts;
struct TSettings;

// What the window needs from outside; tests pass temporary folders and doubles.
struct MainFormEnv {
    // Settings.xml and Default.lst live here.
    std::filesystem::path configFolder;
    // Help.htm and the shipped Default.lst live here (DataFolder()).
    std::filesystem::path programFolder;
    Messages* messages = nullptr;
    Shell* shell = nullptr;
    // The folder chooser: title and start folder in, the chosen folder or nothing out.
    // Empty: the desktop's folder dialog.
    std::function<std::optional<QString>(QWidget*, const QString&, const QString&)> browseForFolder;
};

class MainForm : public QxForm {
    Q_OBJECT
public:
    explicit MainForm(MainFormEnv env);
    ~MainForm() override;

    // Interactive start-up: caption with the version, settings, the default rule list.
    void InitMainWindow();
    // Re-applies the enabling rules of the command table and the dependent states.
    void UpdateActions();
    // Replace flags for every correction started from the window.
    ReplaceFlags CurrentReplaceFlags() const;

    // The caption of a hidden message label of pnlStrings, read when a message is shown.
    QString StringLabel(const char* name) const;
    QAction* Action(const char* name) const;

    // The refresh button: rescans when the files page is shown.
    void Refresh();
    // Rebuilds the file list from the folder box, the mask box and the subfolder switch.
    void ScanFolder();
    // Refills the file rows from the file list through the two view filters.
    void FillFileView();
    // Adds the mask text to the mask history.
    void RememberMask();
    // Rebuilds the rule rows from the rule list.
    void FillReplaceList(bool checkedOnly, bool keepRuleChecks);
    // Refreshes the two "checked / all" counters.
    void UpdateCounters();

    // Lists dropped files on their page.
    void ProcessDroppedFiles(const std::vector<std::filesystem::path>& paths);

    TReplaces& Rules() { return *rules_; }
    TFiles& Files() { return *files_; }
    TRuleRows& RuleRows() { return *ruleRows_; }
    const std::filesystem::path& ConfigFolder() const { return env_.configFolder; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the window (MainFormLayout.cpp).
    void CreateActions();
    void BuildLayout();
    QMenuBar* BuildMenuBar();
    QWidget* BuildTopBand();
    QWidget* BuildReplacesPanel();
    QWidget* BuildPages();
    QWidget* BuildFilesPage();
    QWidget* BuildBottomBand();
    void BuildStrings();
    void BuildPopupMenus();
    void ConnectCommands();

    // Settings and the default list (MainFormState.cpp).
    void LoadSettings();
    void SaveSettings();
    void LoadDefaultList();
    void SaveDefaultList();
    TSettings CollectSettings() const;
    void ApplySettings(const TSettings& settings);
    void ApplySplitterSizes();
    void KeepOnScreen();
    void SyncRowFilters();

    void BrowseFolder();
    void OpenHelp();
    void OpenWebSite();
    void ShowAbout();
    void RefreshClipboardView();
    ListCounts CurrentCounts() const;
    std::vector<int> SelectedFileRows() const;

    MainFormEnv env_;
    std::unique_ptr<TReplaces> rules_;
    std::unique_ptr<TFiles> files_;
    FileRowsModel* fileModel_ = nullptr;
    std::unique_ptr<TRuleRows> ruleRows_;
    std::unique_ptr<TReplaceConditions> conditions_;
    std::unique_ptr<TListFile> listFile_;
    RuleRowsModel* ruleModel_ = nullptr;
    int builtInMasks_ = 0;
    // Heights and widths the splitters keep; applied again when the window is first shown,
    // since a splitter spreads its sizes only once it has its own size.
    int replacesHeight_ = 257;
    int maskWidth_ = 137;
    bool closed_ = false;
    bool shownOnce_ = false;
    bool ignoreMaskChoice_ = false;
    // Default.lst was there at start-up but could not be read: it is kept aside at close.
    bool defaultListUnreadable_ = false;
    // Settings.xml was damaged at start-up: it is kept aside at close.
    bool settingsDamaged_ = false;

    QPointer<AboutForm> about_;
    QMenuBar* menuBar_ = nullptr;
    QMenu* pupReplaceStrings_ = nullptr;
    QMenu* pupFiles_ = nullptr;
    QMenu* pupMain_ = nullptr;
    QLabel* image1_ = nullptr;
    QWidget* pnlReplaces_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeView* lvReplaceStrings_ = nullptr;
    QCheckBox* cbCheckedOnly_ = nullptr;
    QCheckBox* cbFilterReplaces_ = nullptr;
    QLineEdit* edtFilterReplaces_ = nullptr;
    QLabel* lblReplaceCount_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    QWidget* tsFiles_ = nullptr;
    QWidget* tsClipboard_ = nullptr;
    QWidget* tsDropedFiles_ = nullptr;
    QComboBox* edtFolder_ = nullptr;
    QPushButton* btnFolder_ = nullptr;
    QSplitter* splitter2_ = nullptr;
    QWidget* pnlFolder_ = nullptr;
    QWidget* pnlMask_ = nullptr;
    QComboBox* cmbMask_ = nullptr;
    QPushButton* btnRefresh_ = nullptr;
    QCheckBox* cbRecursive_ = nullptr;
    QTreeView* lvFiles_ = nullptr;
    QCheckBox* cbCheckedOnlyFiles_ = nullptr;
    QCheckBox* cbFilter_ = nullptr;
    QLineEdit* edtFilter_ = nullptr;
    QLabel* lblFilesCount_ = nullptr;
    QPlainTextEdit* memClipboard_ = nullptr;
    QPlainTextEdit* memDropedFiles_ = nullptr;
    QPlainTextEdit* memLog_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QWidget* pnlStrings_ = nullptr;
    QTimer* tmrUpdate_ = nullptr;
    QTimer* tmrReplacesUpdate_ = nullptr;
};

}  // namespace qx
