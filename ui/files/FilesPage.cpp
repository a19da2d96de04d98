// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/files/FilesPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "batch/FileList.h"
#include "batch/FolderScan.h"
#include "platform/Messages.h"
#include "storage/Settings.h"
#include "ui/common/Controls.h"
#include "ui/common/MessageStrings.h"
#include "ui/common/QtText.h"
#include "ui/files/FileRowsModel.h"
#include "ui/main/Commands.h"

namespace qx {
namespace {

constexpr int kBuiltInMaskCount = static_cast<int>(kBuiltInMasks.size());

std::vector<std::string> ComboItems(const QComboBox* box) {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(box->count()));
    for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
    return items;
}

// Replaces the drop-down items and keeps the text typed in the box.
void SetComboItems(QComboBox* box, const std::vector<std::string>& items) {
    const QString text = box->currentText();
    box->clear();
    for (const std::string& item : items) box->addItem(FromUtf8(item));
    box->setEditText(text);
}

QComboBox* NewHistoryBox(const char* name, QWidget* parent) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    return box;
}

}  // namespace

FilesPage::FilesPage(TFiles& files, const Commands& commands, const MessageStrings& strings,
                     Messages& messages, BrowseForFolder browse, QWidget* parent)
    : QWidget(parent),
      files_(files),
      strings_(strings),
      messages_(messages),
      browse_(std::move(browse)),
      maskWidth_(TSettings().maskWidth) {
    setObjectName(QStringLiteral("tsFiles"));
    using C = Command;
    const TSettings defaults;
    BuildFolderRow();

    lvFiles_ = Named(new QTreeView(this), "lvFiles");
    model_ = new FileRowsModel(this);
    lvFiles_->setModel(model_);
    SetUpList(lvFiles_);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPixelSize(11);
    lvFiles_->setFont(verdana);
    lvFiles_->setColumnWidth(0, defaults.filesColumn1);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    commands.AddLinks(*bottom, *this,
                      {{"lblSelectAll", "Отметить все", C::SelectAllFiles, 0},
                       {"lblUnselectAll", "Снять отметки", C::UnSelectAllFiles, 12},
                       {"lblInvert", "Инвертировать", C::InvertAllFiles, 12}});
    bottom->addSpacing(24);
    cbCheckedOnlyFiles_ =
        NewCheck("cbCheckedOnlyFiles", QStringLiteral("только  отмеченные"), this);
    bottom->addWidget(cbCheckedOnlyFiles_);
    bottom->addSpacing(12);
    cbFilter_ = NewCheck("cbFilter", QStringLiteral("Фильтр"), this);
    bottom->addWidget(cbFilter_);
    bottom->addSpacing(4);
    edtFilter_ = Named(new QLineEdit(this), "edtFilter");
    edtFilter_->setMaximumWidth(200);
    bottom->addWidget(edtFilter_);
    bottom->addStretch();
    lblFilesCount_ = NewLabel("lblFilesCount", QStringLiteral("0 / 0"), this);
    bottom->addWidget(lblFilesCount_);
    bottom->addSpacing(8);

    auto* column = qobject_cast<QVBoxLayout*>(layout());
    column->addWidget(lvFiles_, 1);
    column->addLayout(bottom);

    pupFiles_ = Named(new QMenu(this), "pupFiles");
    commands.FillMenu(*pupFiles_, {C::CheckSelectedFiles,
                                   C::UnCheckSelectedFiles,
                                   {},
                                   C::Replace,
                                   C::CondReplace,
                                   C::Preview,
                                   C::CondPreview,
                                   {},
                                   C::SelectAllFiles,
                                   C::UnSelectAllFiles,
                                   C::InvertAllFiles});

    // The state before the settings are read: an empty folder box, the built-in masks.
    for (std::string_view mask : kBuiltInMasks) cmbMask_->addItem(FromUtf8(std::string(mask)));
    cmbMask_->setEditText(FromUtf8(defaults.curMask));

    connect(commands(C::CheckSelectedFiles), &QAction::triggered, this,
            [this] { model_->CheckSelected(SelectedRows(), true); });
    connect(commands(C::UnCheckSelectedFiles), &QAction::triggered, this,
            [this] { model_->CheckSelected(SelectedRows(), false); });
    connect(commands(C::SelectAllFiles), &QAction::triggered, this,
            [this] { model_->CheckAll(true); });
    connect(commands(C::UnSelectAllFiles), &QAction::triggered, this,
            [this] { model_->CheckAll(false); });
    connect(commands(C::InvertAllFiles), &QAction::triggered, this,
            [this] { model_->InvertAll(); });

    // An editable box keeps the focus itself and hands keys on to its line edit directly,
    // past any filter there: Enter is caught on the box.
    edtFolder_->installEventFilter(this);
    cmbMask_->installEventFilter(this);
    connect(cmbMask_, &QComboBox::activated, this, [this] {
        if (!ignoreMaskChoice_) emit refreshRequested();
    });
    connect(btnRefresh_, &QPushButton::clicked, this, &FilesPage::refreshRequested);
    connect(btnFolder_, &QPushButton::clicked, this, &FilesPage::BrowseFolder);
    connect(cbRecursive_, &QCheckBox::clicked, this, &FilesPage::ScanFolder);
    connect(cbFilter_, &QCheckBox::clicked, this, [this] {
        UpdateEnabling();
        if (edtFilter_->isEnabled()) edtFilter_->setFocus();
        FillFileView();
    });
    connect(cbCheckedOnlyFiles_, &QCheckBox::clicked, this, &FilesPage::FillFileView);
    connect(edtFilter_, &QLineEdit::textChanged, this, &FilesPage::FillFileView);
    connect(lvFiles_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FilesPage::commandsMayChange);
    connect(model_, &QAbstractItemModel::modelReset, this, &FilesPage::commandsMayChange);
    connect(lvFiles_, &QAbstractItemView::doubleClicked, this,
            [this] { model_->ToggleFirstSelected(SelectedRows()); });
    connect(lvFiles_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pupFiles_->popup(lvFiles_->viewport()->mapToGlobal(at)); });
    connect(splitter2_, &QSplitter::splitterMoved, this,
            [this] { maskWidth_ = splitter2_->sizes().value(1); });
}

void FilesPage::BuildFolderRow() {
    auto* pnlFolder = Named(new QWidget(this), "pnlFolder");
    edtFolder_ = NewHistoryBox("edtFolder", pnlFolder);
    btnFolder_ = Named(new QPushButton(QStringLiteral("..."), pnlFolder), "btnFolder");
    btnFolder_->setFixedWidth(btnFolder_->fontMetrics().horizontalAdvance(QStringLiteral("...")) +
                              16);
    auto* folderRow = new QHBoxLayout(pnlFolder);
    folderRow->setContentsMargins(0, 0, 0, 0);
    folderRow->setSpacing(2);
    folderRow->addWidget(edtFolder_, 1);
    folderRow->addWidget(btnFolder_);
    // The folder box keeps at least 100 pixels whatever the mask box takes.
    pnlFolder->setMinimumWidth(100);

    auto* pnlMask = Named(new QWidget(this), "pnlMask");
    cmbMask_ = NewHistoryBox("cmbMask", pnlMask);
    cmbMask_->setMaxVisibleItems(16);
    auto* maskRow = new QHBoxLayout(pnlMask);
    maskRow->setContentsMargins(0, 0, 0, 0);
    maskRow->addWidget(cmbMask_);

    splitter2_ = Named(new QSplitter(Qt::Horizontal, this), "Splitter2");
    splitter2_->setChildrenCollapsible(false);
    splitter2_->addWidget(pnlFolder);
    splitter2_->addWidget(pnlMask);
    splitter2_->setStretchFactor(0, 1);
    splitter2_->setStretchFactor(1, 0);
    splitter2_->setSizes({500, maskWidth_});

    btnRefresh_ = Named(new QPushButton(QStringLiteral("Обновить"), this), "btnRefresh");
    cbRecursive_ = NewCheck("cbRecursive", QStringLiteral("Во всех вложенных подпапках"), this);

    auto* row = new QHBoxLayout;
    row->addWidget(NewLabel("Label6", QStringLiteral("Папка:"), this));
    row->addWidget(splitter2_, 1);
    row->addWidget(btnRefresh_);
    row->addWidget(cbRecursive_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 4);
    column->addLayout(row);
}

void FilesPage::Rescan() {
    ScanFolder();
    RememberMask();
}

void FilesPage::ScanFolder() {
    std::vector<std::string> history = ComboItems(edtFolder_);
    const ScanResult result = qx::ScanFolder(edtFolder_->currentText().toStdString(),
                                             cmbMask_->currentText().toStdString(),
                                             cbRecursive_->isChecked(), files_, history);
    switch (result.outcome) {
        case ScanOutcome::Scanned:
            SetComboItems(edtFolder_, history);
            edtFolder_->setEditText(FromUtf8(result.folderText));
            break;
        case ScanOutcome::FolderNotFound:
            FillFileView();
            messages_.Show(kFolderNotFoundText, strings_.Text("lblWarning").toStdString(),
                           Messages::Icon::Warning);
            return;
        case ScanOutcome::NoFolder:
            break;
    }
    FillFileView();
}

void FilesPage::FillFileView() {
    FileViewFilter filter;
    filter.checkedOnly = cbCheckedOnlyFiles_->isChecked();
    filter.filterOn = cbFilter_->isChecked();
    filter.filterText = edtFilter_->text().toStdString();
    model_->Fill(files_, filter);
}

void FilesPage::RememberMask() {
    std::vector<std::string> items = ComboItems(cmbMask_);
    if (qx::RememberMask(items, cmbMask_->currentText().toStdString())) {
        const QString text = cmbMask_->currentText();
        cmbMask_->addItem(text);
        cmbMask_->setEditText(text);
    }
}

std::vector<int> FilesPage::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : lvFiles_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    return rows;
}

const FileRows& FilesPage::Rows() const { return model_->Rows(); }

void FilesPage::AddCounts(ListCounts& counts) const {
    counts.files = model_->rowCount();
    counts.selectedFiles = static_cast<int>(lvFiles_->selectionModel()->selectedRows().size());
}

void FilesPage::UpdateEnabling() { edtFilter_->setEnabled(cbFilter_->isChecked()); }

void FilesPage::UpdateCounter() { lblFilesCount_->setText(FromUtf8(model_->Rows().CounterText())); }

void FilesPage::BrowseFolder() {
    const QString title = QStringLiteral("Укажите папку с файлами");
    std::optional<QString> chosen;
    if (browse_) {
        chosen = browse_(window(), title, edtFolder_->currentText());
    } else {
        const QString folder =
            QFileDialog::getExistingDirectory(window(), title, edtFolder_->currentText());
        if (!folder.isEmpty()) chosen = folder;
    }
    if (!chosen) return;
    edtFolder_->setEditText(*chosen);
    emit refreshRequested();
}

void FilesPage::StoreSettings(TSettings& s) const {
    for (int i = kBuiltInMaskCount; i < cmbMask_->count(); ++i)
        s.maskHistory.push_back(cmbMask_->itemText(i).toStdString());
    s.folderHistory = ComboItems(edtFolder_);
    s.filesColumn1 = lvFiles_->columnWidth(0);
    s.maskWidth = maskWidth_;
    s.filesFolder = edtFolder_->currentText().toStdString();
    s.curMask = cmbMask_->currentText().toStdString();
    s.filter = edtFilter_->text().toStdString();
}

void FilesPage::RestoreSettings(const TSettings& s) {
    lvFiles_->setColumnWidth(0, s.filesColumn1);
    maskWidth_ = s.maskWidth;
    edtFilter_->setText(FromUtf8(s.filter));
    cmbMask_->setEditText(FromUtf8(s.curMask));
    const QString mask = cmbMask_->currentText();
    while (cmbMask_->count() > kBuiltInMaskCount) cmbMask_->removeItem(cmbMask_->count() - 1);
    for (const std::string& entry : s.maskHistory) cmbMask_->addItem(FromUtf8(entry));
    cmbMask_->setEditText(mask);
    edtFolder_->clear();
    for (const std::string& entry : s.folderHistory) edtFolder_->addItem(FromUtf8(entry));
    edtFolder_->setEditText(FromUtf8(s.filesFolder));
}

void FilesPage::ApplySplitterSizes() {
    const int total = std::max(splitter2_->width(), maskWidth_ + 100);
    splitter2_->setSizes({total - maskWidth_, maskWidth_});
}

bool FilesPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == edtFolder_ || watched == cmbMask_)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit refreshRequested();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut && watched == cmbMask_) {
        // Leaving the box with a typed text that equals an item makes the box report that
        // item as chosen; only a choice from the drop-down rescans.
        const QScopedValueRollback quiet(ignoreMaskChoice_, true);
        watched->event(event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qx
