// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "batch/FileList.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "platform/qt/QtClipboard.h"
#include "storage/ConfigLocation.h"
#include "storage/ListFile.h"
#include "storage/StringsFile.h"
#include "ui/clipboard/ClipboardPage.h"
#include "ui/clipboard/DesktopCorrections.h"
#include "ui/clipboard/DroppedFiles.h"
#include "ui/common/AboutForm.h"
#include "ui/common/Controls.h"
#include "ui/common/InterfaceStrings.h"
#include "ui/common/LinkLabel.h"
#include "ui/common/MessageStrings.h"
#include "ui/common/ProgramInfo.h"
#include "ui/common/QtText.h"
#include "ui/correction/ConditionsForm.h"
#include "ui/correction/CorrectionRun.h"
#include "ui/correction/CorrectionRunParts.h"
#include "ui/correction/RunUndo.h"
#include "ui/files/DroppedFilesPage.h"
#include "ui/log/LogPage.h"
#include "ui/main/BottomBand.h"
#include "ui/main/HeaderBand.h"
#include "ui/main/MainFormState.h"
#include "ui/regex/RegExp2Form.h"
#include "ui/regex/RegExpForm.h"
#include "ui/rules/EditReplaceStringForm.h"
#include "ui/rules/RuleCommands.h"
#include "ui/rules/RulesPanel.h"
#include "ui/tester/ListTester.h"

namespace qx {

MainForm::MainForm(MainFormEnv env)
    : QxForm(*env.messages, nullptr, Qt::Window),
      env_(std::move(env)),
      rules_(std::make_unique<TReplaces>()),
      files_(std::make_unique<TFiles>()),
      ruleRows_(std::make_unique<TRuleRows>(rules_.get())),
      conditions_(std::make_unique<TReplaceConditions>()),
      listFile_(std::make_unique<TListFile>(*rules_, *ruleRows_, *conditions_, messages())),
      state_(std::make_unique<MainFormState>(env_.configFolder, env_.programFolder, *listFile_,
                                             messages())),
      commands_(*this),
      replacesHeight_(TSettings().replacesHeight) {
    clipboard_ = env_.clipboard;
    if (clipboard_ == nullptr) {
        ownClipboard_ = std::make_unique<QtClipboard>();
        clipboard_ = ownClipboard_.get();
    }
    BuildLayout();
    ConnectCommands();
    BuildRuleEditing();
    BuildCorrection();

    pageControl_->setCurrentWidget(filesPage_);
    Refresh();
    // Files dropped anywhere on the window reach its handler: the text boxes would otherwise
    // take a dropped file as text.
    for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
    SetOnDropFiles(
        [this](const std::vector<std::filesystem::path>& paths) { ProcessDroppedFiles(paths); });
    pageControl_->setTabVisible(pageControl_->indexOf(droppedFilesPage_), false);
    tmrUpdate_->start();
    // The dialogs are made once and keep their state between showings.
    about_ = new AboutForm(messages(), *env_.shell, this);
    UpdateActions();
}

MainForm::~MainForm() {
    // The panels show the lists this window owns: they go while the lists live, and what
    // they signal while they go no longer reaches this window.
    for (QObject* source : {static_cast<QObject*>(pageControl_), static_cast<QObject*>(rulesPanel_),
                            static_cast<QObject*>(filesPage_)})
        source->disconnect(this);
    delete splitter_;
}

void MainForm::BuildRuleEditing() {
    regExp_ = new RegExpForm(messages(), this);
    regExp2_ = new RegExp2Form(messages(), this);
    editReplaceString_ = new EditReplaceStringForm(messages(), *env_.shell, *regExp_,
                                                   env_.programFolder / "Help.htm", this);
    ruleCommands_ = new RuleCommands(
        *rulesPanel_, commands_, *strings_, messages(),
        [this](TReplace& rule, bool isNew) { return editReplaceString_->Edit(rule, isNew); }, this);
    ListFileCommandsEnv list;
    list.window = this;
    list.messages = &messages();
    list.strings = strings_;
    list.listFile = listFile_.get();
    list.rows = ruleRows_.get();
    list.panel = rulesPanel_;
    list.programFolder = env_.programFolder;
    list.choose = env_.chooseListFile;
    list.updateActions = [this] { UpdateActions(); };
    listCommands_ = std::make_unique<ListFileCommands>(std::move(list));
    listCommands_->Connect(commands_);
    ListTesterEnv tester{this,
                         &messages(),
                         ruleRows_.get(),
                         &rulesPanel_->Model(),
                         clipboard_,
                         [this] { return CurrentReplaceFlags(); },
                         [this] { return commands_(Command::Utf8)->isChecked(); }};
    listTester_ = new ListTester(std::move(tester), this);
    connect(commands_(Command::TestList), &QAction::triggered, listTester_,
            &ListTester::ShowTester);
    connect(commands_(Command::CaseSensitive), &QAction::toggled, listTester_,
            &ListTester::OptionsChanged);
    // The hidden "ТЕСТ" link of the header band.
    if (auto* lblTest = findChild<LinkLabel*>(QStringLiteral("lblTest")))
        connect(lblTest, &LinkLabel::clicked, regExp2_, &RegExp2Form::ShowTester);
}

void MainForm::BuildLayout() {
    setObjectName(QStringLiteral("frmMainForm"));
    setWindowTitle(QStringLiteral("QX Quendro"));
    setMinimumSize(800, 400);
    // The window's texts are 11 pixels high, in the desktop's family: the bands and rows are
    // laid out for that size.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    const TSettings defaults;
    move(defaults.left, defaults.top);
    resize(defaults.width, defaults.height);

    // The message labels first: the pages read their captions from them.
    strings_ = new MessageStrings(this);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    auto* menuBar = Named(new QMenuBar(this), "MainMenu");
    root->setMenuBar(menuBar);
    root->addWidget(new HeaderBand(commands_, this));

    splitter_ = Named(new QSplitter(Qt::Vertical, this), "Splitter");
    splitter_->setHandleWidth(4);
    splitter_->setChildrenCollapsible(false);
    rulesPanel_ = new RulesPanel(*ruleRows_, commands_, this);
    splitter_->addWidget(rulesPanel_);
    splitter_->addWidget(BuildPages());
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({replacesHeight_, 300});
    root->addWidget(splitter_, 1);
    bottomBand_ = new BottomBand(commands_, this);
    root->addWidget(bottomBand_);

    BuildMenus(menuBar);
    tmrUpdate_ = Named(new QTimer(this), "tmrUpdate");
    tmrUpdate_->setInterval(250);
}

QWidget* MainForm::BuildPages() {
    pageControl_ = Named(new QTabWidget(this), "PageControl");
    // The pages are made without a parent and get the tab widget as one when added: the
    // folder chooser's button takes its width from the font it is made with.
    filesPage_ =
        new FilesPage(*files_, commands_, *strings_, messages(), env_.browseForFolder, nullptr);
    pageControl_->addTab(filesPage_, QStringLiteral("Файлы"));
    clipboardPage_ = new ClipboardPage(*clipboard_, nullptr);
    pageControl_->addTab(clipboardPage_, QStringLiteral("Буфер обмена"));
    droppedFilesPage_ = new DroppedFilesPage(nullptr);
    pageControl_->addTab(droppedFilesPage_, QStringLiteral("Файлы"));
    logPage_ = new LogPage(nullptr);
    pageControl_->addTab(logPage_, QStringLiteral("Log"));
    return pageControl_;
}

void MainForm::BuildMenus(QMenuBar* bar) {
    using C = Command;
    commands_.FillMenu(*Named(bar->addMenu(QStringLiteral("Файл")), "miFile"),
                       {C::New,
                        C::Load,
                        C::Save,
                        {},
                        C::AddFromFile,
                        C::SaveSelectedToFile,
                        {},
                        C::Preview,
                        C::CondPreview,
                        C::UndoLastRun,
                        {},
                        C::Exit});
    commands_.FillMenu(*Named(bar->addMenu(QStringLiteral("Редактирование")), "miEdit"),
                       {C::Add, C::Copy, C::Edit, C::Delete, {}, C::TestList});
    commands_.FillMenu(*Named(bar->addMenu(QStringLiteral("Настройки")), "miSettings"),
                       {C::CaseSensitive, C::Utf8, C::BackupOnReplace});
    commands_.FillMenu(*Named(bar->addMenu(QStringLiteral("Справка")), "miHelp"),
                       {C::Help, C::Web, C::About});
}

void MainForm::ConnectCommands() {
    using C = Command;
    connect(commands_(C::Exit), &QAction::triggered, this, &QWidget::close);
    connect(commands_(C::Help), &QAction::triggered, this,
            [this] { env_.shell->OpenDocument(env_.programFolder / "Help.htm"); });
    connect(commands_(C::Web), &QAction::triggered, this,
            [this] { env_.shell->OpenUrl(std::string(info::kWebScheme) + info::kWebSite); });
    connect(commands_(C::About), &QAction::triggered, this, [this] { about_->ShowModal(); });
    connect(commands_(C::SaveStrings), &QAction::triggered, this, &MainForm::SaveStrings);

    // F5 anywhere in the window.
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    f5->setContext(Qt::WindowShortcut);
    connect(f5, &QShortcut::activated, this, &MainForm::Refresh);
    connect(filesPage_, &FilesPage::refreshRequested, this, &MainForm::Refresh);
    connect(filesPage_, &FilesPage::commandsMayChange, this, &MainForm::UpdateActions);
    connect(rulesPanel_, &RulesPanel::commandsMayChange, this, &MainForm::UpdateActions);

    connect(splitter_, &QSplitter::splitterMoved, this,
            [this] { replacesHeight_ = splitter_->sizes().value(0); });
    // The clipboard page shows the clipboard when it is turned to and whenever the program
    // comes back to the front.
    connect(pageControl_, &QTabWidget::currentChanged, this, [this] {
        UpdateActions();
        ShowClipboardIfCurrent();
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive) return;
                UpdateActions();
                ShowClipboardIfCurrent();
            });
    connect(tmrUpdate_, &QTimer::timeout, this, &MainForm::UpdateCounters);
}

void MainForm::BuildCorrection() {
    CorrectionRunParts run;
    run.window = this;
    run.bottomBand = bottomBand_;
    run.pages = pageControl_;
    run.filesPage = filesPage_;
    run.log = logPage_;
    run.messages = &messages();
    run.strings = strings_;
    run.rules = ruleRows_.get();
    run.conditions = conditions_.get();
    run.commands = &commands_;
    run.replaceFlags = [this] { return CurrentReplaceFlags(); };
    run.updateActions = [this] { UpdateActions(); };
    run.ruleTally = [this](const ActiveRules& rows, const RuleTally& tally) {
        listTester_->RunTally(rows, tally);
    };
    run.stateFolder = env_.stateFolder;
    correctionRun_ = BuildCorrectionRun(run);
    using C = Command;
    connect(commands_(C::Preview), &QAction::triggered, correctionRun_,
            [this] { correctionRun_->Preview(false); });
    connect(commands_(C::CondPreview), &QAction::triggered, correctionRun_,
            &CorrectionRun::CondPreview);
    connect(commands_(C::UndoLastRun), &QAction::triggered, this, [this] {
        correctionRun_->Undo().Undo();
        UpdateActions();
    });

    DesktopCorrectionsEnv desktop;
    desktop.window = this;
    desktop.clipboard = clipboard_;
    desktop.keys = env_.keys;
    desktop.page = clipboardPage_;
    desktop.log = logPage_;
    desktop.messages = &messages();
    desktop.rules = ruleRows_.get();
    desktop.records = &correctionRun_->BufferSinks();
    desktop.commands = &commands_;
    desktop.replaceFlags = run.replaceFlags;
    desktop.sessionBus = env_.sessionBus;
    desktop_ = new DesktopCorrections(std::move(desktop));

    DroppedFilesEnv drops;
    drops.pages = pageControl_;
    drops.filesPage = filesPage_;
    drops.droppedPage = droppedFilesPage_;
    drops.messages = &messages();
    drops.strings = strings_;
    drops.correction = correctionRun_;
    droppedFiles_ = new DroppedFiles(std::move(drops), this);
}

void MainForm::SaveStrings() {
    std::vector<StringsForm> forms;
    const QWidget* const exported[] = {this, about_.data(), editReplaceString_,
                                       &correctionRun_->Conditions()};
    for (const QWidget* form : exported)
        if (form != nullptr) forms.push_back(CollectFormStrings(*form));
    try {
        ExportStrings(forms, env_.configFolder / kStringsFileName);
    } catch (const std::exception& error) {
        messages().Show(FromErrorText(error.what()).toStdString(), info::kBoxCaption,
                        Messages::Icon::Error);
    }
}

QString MainForm::StringLabel(const char* name) const { return strings_->Text(name); }

void MainForm::UpdateActions() {
    // During a correction run every command stays off; the run re-applies the rules at its end.
    if (correctionRun_ && correctionRun_->Running()) return;
    ListCounts counts;
    rulesPanel_->AddCounts(counts);
    filesPage_->AddCounts(counts);
    commands_.Enable(counts);
    commands_(Command::UndoLastRun)->setEnabled(correctionRun_ && correctionRun_->Undo().CanUndo());
    rulesPanel_->UpdateEnabling();
    filesPage_->UpdateEnabling();
}

ReplaceFlags MainForm::CurrentReplaceFlags() const {
    return commands_(Command::CaseSensitive)->isChecked() ? kReplaceAll : kReplaceAll | kIgnoreCase;
}

void MainForm::UpdateCounters() {
    filesPage_->UpdateCounter();
    rulesPanel_->UpdateCounter();
}

void MainForm::InitMainWindow() {
    setWindowTitle(QStringLiteral("QX Quendro ") + QString::fromLatin1(info::kProductVersion));
    LoadSettings();
    rulesPanel_->SyncRowFilters();
    state_->LoadDefaultList();
    UpdateActions();
}

void MainForm::Refresh() {
    if (pageControl_->currentWidget() == filesPage_) filesPage_->Rescan();
    ShowClipboardIfCurrent();
    UpdateActions();
}

void MainForm::ShowClipboardIfCurrent() {
    if (pageControl_->currentWidget() == clipboardPage_) clipboardPage_->ShowClipboard();
}

void MainForm::ProcessDroppedFiles(const std::vector<std::filesystem::path>& paths) {
    droppedFiles_->Process(paths);
}

void MainForm::CorrectClipboard() { desktop_->CorrectClipboard(); }

bool MainForm::CorrectSelection() { return desktop_->CorrectSelection(); }

TSettings MainForm::CollectSettings() const {
    TSettings s;
    s.left = pos().x();
    s.top = pos().y();
    s.width = width();
    s.height = height();
    s.replacesHeight = replacesHeight_;
    s.ignoreCase = !commands_(Command::CaseSensitive)->isChecked();
    s.utf8 = commands_(Command::Utf8)->isChecked();
    s.backupFiles = commands_(Command::BackupOnReplace)->isChecked();
    if (correctionRun_) s.undoJournalMegabytes = correctionRun_->Undo().LimitMegabytes();
    rulesPanel_->StoreSettings(s);
    filesPage_->StoreSettings(s);
    return s;
}

void MainForm::ApplySettings(const TSettings& s) {
    move(s.left, s.top);
    resize(s.width, s.height);
    MainFormState::KeepOnScreen(*this);
    replacesHeight_ = s.replacesHeight;
    rulesPanel_->RestoreSettings(s);
    filesPage_->RestoreSettings(s);
    ApplySplitterSizes();
    commands_(Command::CaseSensitive)->setChecked(!s.ignoreCase);
    commands_(Command::Utf8)->setChecked(s.utf8);
    commands_(Command::BackupOnReplace)->setChecked(s.backupFiles);
    if (correctionRun_) correctionRun_->Undo().SetLimitMegabytes(s.undoJournalMegabytes);
}

void MainForm::LoadSettings() {
    TSettings settings = CollectSettings();
    const SettingsLoadResult result = state_->LoadSettings(settings);
    if (result.status == SettingsStatus::NoFile) return;
    ApplySettings(settings);
    if (result.scanFolder) filesPage_->ScanFolder();
}

void MainForm::ApplySplitterSizes() {
    const int total = std::max(splitter_->height(), replacesHeight_ + 100);
    splitter_->setSizes({replacesHeight_, total - replacesHeight_});
    filesPage_->ApplySplitterSizes();
}

void MainForm::showEvent(QShowEvent* event) {
    QxForm::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        ApplySplitterSizes();
    }
}

void MainForm::closeEvent(QCloseEvent* event) {
    // The close runs once, without any question: settings first, then the default list.
    if (!closed_) {
        closed_ = true;
        desktop_->ReleaseKeys();
        // A run still going ends after the file at hand.
        correctionRun_->RequestStop();
        tmrUpdate_->stop();
        state_->SaveSettings(CollectSettings());
        state_->SaveDefaultList();
    }
    event->accept();
}

}  // namespace qx
