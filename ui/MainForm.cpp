// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "batch/FileList.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "storage/ListFile.h"
#include "ui/AboutForm.h"
#include "ui/CommandTable.h"
#include "ui/FileRowsModel.h"
#include "ui/ProgramInfo.h"
#include "ui/QtText.h"
#include "ui/RuleRowsModel.h"

namespace qx {
namespace {

// The masks every mask box starts with; what follows them is the user's mask history.
const char* const kBuiltInMasks[] = {"*.*",   "*.txt", "*.htm;*.html", "*.xml",
                                     "*.php", "*.js",  "*.ini"};

}  // namespace

MainForm::MainForm(MainFormEnv env)
    : QxForm(*env.messages, nullptr, Qt::Window),
      env_(std::move(env)),
      rules_(std::make_unique<TReplaces>()),
      files_(std::make_unique<TFiles>()),
      ruleRows_(std::make_unique<TRuleRows>(rules_.get())),
      conditions_(std::make_unique<TReplaceConditions>()),
      listFile_(std::make_unique<TListFile>(*rules_, *ruleRows_, *conditions_, messages())) {
    ruleModel_ = new RuleRowsModel(*ruleRows_, this);
    CreateActions();
    BuildLayout();
    ConnectCommands();

    // The window's state right after creation, before the settings are read.
    edtFolder_->clear();
    edtFolder_->setEditText(QString());
    for (const char* mask : kBuiltInMasks) cmbMask_->addItem(QString::fromLatin1(mask));
    cmbMask_->setEditText(QStringLiteral("*.*"));
    memClipboard_->clear();
    memDropedFiles_->clear();
    pageControl_->setCurrentWidget(tsFiles_);
    btnRefresh_->click();
    builtInMasks_ = cmbMask_->count();
    edtFilter_->clear();
    edtFilterReplaces_->clear();
    // Files dropped anywhere on the window reach its handler: the text boxes would otherwise
    // take a dropped file as text.
    for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
    SetOnDropFiles(
        [this](const std::vector<std::filesystem::path>& paths) { ProcessDroppedFiles(paths); });
    pageControl_->setTabVisible(pageControl_->indexOf(tsDropedFiles_), false);
    tmrUpdate_->start();
    // The dialogs are made once and keep their state between showings.
    about_ = new AboutForm(messages(), *env_.shell, this);
    UpdateActions();
}

MainForm::~MainForm() {
    // The views let go of their models, and the models of the rows, while the lists live.
    lvReplaceStrings_->setModel(nullptr);
    lvFiles_->setModel(nullptr);
    delete ruleModel_;
    delete fileModel_;
}

QAction* MainForm::Action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

QString MainForm::StringLabel(const char* name) const {
    const auto* label = pnlStrings_->findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QString();
}

void MainForm::ConnectCommands() {
    connect(Action("AExit"), &QAction::triggered, this, &QWidget::close);
    connect(Action("AHelp"), &QAction::triggered, this, &MainForm::OpenHelp);
    connect(Action("AWeb"), &QAction::triggered, this, &MainForm::OpenWebSite);
    connect(Action("AAbout"), &QAction::triggered, this, &MainForm::ShowAbout);
    connect(Action("ACheckSelectedFiles"), &QAction::triggered, this,
            [this] { fileModel_->CheckSelected(SelectedFileRows(), true); });
    connect(Action("AUnCheckSelectedFiles"), &QAction::triggered, this,
            [this] { fileModel_->CheckSelected(SelectedFileRows(), false); });
    connect(Action("ASelectAllFiles"), &QAction::triggered, this,
            [this] { fileModel_->CheckAll(true); });
    connect(Action("AUnSelectAllFiles"), &QAction::triggered, this,
            [this] { fileModel_->CheckAll(false); });
    connect(Action("AInvertAllFiles"), &QAction::triggered, this,
            [this] { fileModel_->InvertAll(); });

    // Keys: F5 anywhere, Enter in the folder and mask boxes, a mask picked from the list.
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    f5->setContext(Qt::WindowShortcut);
    connect(f5, &QShortcut::activated, btnRefresh_, &QPushButton::click);
    // An editable box keeps the focus itself and hands keys on to its line edit directly,
    // past any filter there: Enter is caught on the box.
    edtFolder_->installEventFilter(this);
    cmbMask_->installEventFilter(this);
    connect(cmbMask_, &QComboBox::activated, this, [this] {
        if (!ignoreMaskChoice_) btnRefresh_->click();
    });

    connect(btnRefresh_, &QPushButton::clicked, this, &MainForm::Refresh);
    connect(btnFolder_, &QPushButton::clicked, this, &MainForm::BrowseFolder);
    connect(cbRecursive_, &QCheckBox::clicked, this, &MainForm::ScanFolder);
    connect(cbFilter_, &QCheckBox::clicked, this, [this] {
        edtFilter_->setEnabled(cbFilter_->isChecked());
        if (edtFilter_->isEnabled()) edtFilter_->setFocus();
        FillFileView();
    });
    connect(cbCheckedOnlyFiles_, &QCheckBox::clicked, this, &MainForm::FillFileView);
    connect(edtFilter_, &QLineEdit::textChanged, this, &MainForm::FillFileView);
    connect(lvFiles_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainForm::UpdateActions);
    connect(fileModel_, &QAbstractItemModel::modelReset, this, &MainForm::UpdateActions);
    connect(lvFiles_, &QAbstractItemView::doubleClicked, this,
            [this] { fileModel_->ToggleFirstSelected(SelectedFileRows()); });
    connect(lvFiles_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pupFiles_->popup(lvFiles_->viewport()->mapToGlobal(at)); });

    connect(cbCheckedOnly_, &QCheckBox::clicked, this,
            [this] { FillReplaceList(cbCheckedOnly_->isChecked(), false); });
    connect(cbFilterReplaces_, &QCheckBox::clicked, this, [this] {
        UpdateActions();
        if (edtFilterReplaces_->isEnabled()) edtFilterReplaces_->setFocus();
        FillReplaceList(cbCheckedOnly_->isChecked(), false);
    });
    // The rule list is rebuilt 250 ms after the last keystroke in the filter.
    connect(edtFilterReplaces_, &QLineEdit::textChanged, tmrReplacesUpdate_,
            qOverload<>(&QTimer::start));
    connect(tmrReplacesUpdate_, &QTimer::timeout, this,
            [this] { FillReplaceList(cbCheckedOnly_->isChecked(), false); });
    ruleModel_->FollowSelection(lvReplaceStrings_->selectionModel());
    connect(lvReplaceStrings_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainForm::UpdateActions);
    connect(ruleModel_, &QAbstractItemModel::modelReset, this, &MainForm::UpdateActions);
    connect(lvReplaceStrings_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                pupReplaceStrings_->popup(lvReplaceStrings_->viewport()->mapToGlobal(at));
            });

    connect(splitter_, &QSplitter::splitterMoved, this,
            [this] { replacesHeight_ = splitter_->sizes().value(0); });
    connect(splitter2_, &QSplitter::splitterMoved, this,
            [this] { maskWidth_ = splitter2_->sizes().value(1); });
    connect(pageControl_, &QTabWidget::currentChanged, this, &MainForm::UpdateActions);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive) UpdateActions();
            });
    connect(tmrUpdate_, &QTimer::timeout, this, &MainForm::UpdateCounters);
}

ListCounts MainForm::CurrentCounts() const {
    ListCounts c;
    c.rows = static_cast<int>(ruleRows_->RowCount());
    c.selectedRows = static_cast<int>(lvReplaceStrings_->selectionModel()->selectedRows().size());
    c.files = fileModel_->rowCount();
    c.selectedFiles = static_cast<int>(lvFiles_->selectionModel()->selectedRows().size());
    return c;
}

void MainForm::UpdateActions() {
    const ListCounts counts = CurrentCounts();
    for (const CommandInfo& command : CommandTable())
        Action(command.name)->setEnabled(IsEnabled(command.rule, counts));
    edtFilter_->setEnabled(cbFilter_->isChecked());
    edtFilterReplaces_->setEnabled(cbFilterReplaces_->isChecked());
    if (pageControl_->currentWidget() == tsClipboard_) RefreshClipboardView();
}

ReplaceFlags MainForm::CurrentReplaceFlags() const {
    return Action("ACaseSensitive")->isChecked() ? kReplaceAll : kReplaceAll | kIgnoreCase;
}

void MainForm::UpdateCounters() {
    lblFilesCount_->setText(FromUtf8(fileModel_->Rows().CounterText()));
    lblReplaceCount_->setText(
        QStringLiteral("%1 / %2").arg(ruleRows_->CheckedCount()).arg(ruleRows_->RowCount()));
}

void MainForm::InitMainWindow() {
    setWindowTitle(QStringLiteral("QX Quendro ") + QString::fromLatin1(info::kProductVersion));
    LoadSettings();
    LoadDefaultList();
    UpdateActions();
}

void MainForm::Refresh() {
    if (pageControl_->currentWidget() == tsFiles_) {
        ScanFolder();
        RememberMask();
    }
    UpdateActions();
}

std::vector<int> MainForm::SelectedFileRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : lvFiles_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    return rows;
}

void MainForm::BrowseFolder() {
    const QString title = QStringLiteral("Укажите папку с файлами");
    std::optional<QString> chosen;
    if (env_.browseForFolder) {
        chosen = env_.browseForFolder(this, title, edtFolder_->currentText());
    } else {
        const QString folder =
            QFileDialog::getExistingDirectory(this, title, edtFolder_->currentText());
        if (!folder.isEmpty()) chosen = folder;
    }
    if (!chosen) return;
    edtFolder_->setEditText(*chosen);
    btnRefresh_->click();
}

void MainForm::OpenHelp() { env_.shell->OpenDocument(env_.programFolder / "Help.htm"); }

void MainForm::OpenWebSite() {
    env_.shell->OpenUrl(std::string(info::kWebScheme) + info::kWebSite);
}

void MainForm::ShowAbout() { about_->ShowModal(); }

void MainForm::RefreshClipboardView() {
    memClipboard_->setPlainText(QApplication::clipboard()->text());
}

void MainForm::ProcessDroppedFiles(const std::vector<std::filesystem::path>& paths) {
    memDropedFiles_->clear();
    for (const std::filesystem::path& path : paths)
        memDropedFiles_->appendPlainText(QString::fromStdString(path.string()));
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == edtFolder_ || watched == cmbMask_)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnRefresh_->click();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut && watched == cmbMask_) {
        // Leaving the box with a typed text that equals an item makes the box report that
        // item as chosen; only a choice from the drop-down rescans.
        const QScopedValueRollback quiet(ignoreMaskChoice_, true);
        static_cast<QObject*>(watched)->event(event);
        return true;
    }
    return QxForm::eventFilter(watched, event);
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
        tmrUpdate_->stop();
        SaveSettings();
        SaveDefaultList();
    }
    event->accept();
}

}  // namespace qx
