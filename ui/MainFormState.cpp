// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's lists and stored state: the file list, the rule rows, the settings and
// the default rule list.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <algorithm>
#include <system_error>

#include "batch/FileList.h"
#include "batch/FolderScan.h"
#include "engine/TRuleRows.h"
#include "platform/Messages.h"
#include "storage/ListFile.h"
#include "storage/Settings.h"
#include "ui/FileRowsModel.h"
#include "ui/MainForm.h"
#include "ui/QtText.h"

namespace qx {
namespace {

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

}  // namespace

void MainForm::ScanFolder() {
    std::vector<std::string> history = ComboItems(edtFolder_);
    const ScanResult result = qx::ScanFolder(edtFolder_->currentText().toStdString(),
                                             cmbMask_->currentText().toStdString(),
                                             cbRecursive_->isChecked(), *files_, history);
    switch (result.outcome) {
        case ScanOutcome::Scanned:
            SetComboItems(edtFolder_, history);
            edtFolder_->setEditText(FromUtf8(result.folderText));
            break;
        case ScanOutcome::FolderNotFound:
            FillFileView();
            messages().Show(kFolderNotFoundText, StringLabel("lblWarning").toStdString(),
                            Messages::Icon::Warning);
            return;
        case ScanOutcome::NoFolder:
            break;
    }
    FillFileView();
}

void MainForm::FillFileView() {
    FileViewFilter filter;
    filter.checkedOnly = cbCheckedOnlyFiles_->isChecked();
    filter.filterOn = cbFilter_->isChecked();
    filter.filterText = edtFilter_->text().toStdString();
    fileModel_->Fill(*files_, filter);
}

void MainForm::RememberMask() {
    std::vector<std::string> items = ComboItems(cmbMask_);
    if (qx::RememberMask(items, cmbMask_->currentText().toStdString())) {
        const QString text = cmbMask_->currentText();
        cmbMask_->addItem(text);
        cmbMask_->setEditText(text);
    }
}

void MainForm::SyncRowFilters() {
    ruleRows_->SetCheckedOnlyView(cbCheckedOnly_->isChecked());
    ruleRows_->SetFilter(cbFilterReplaces_->isChecked(), ToCp1251(edtFilterReplaces_->text()));
}

void MainForm::FillReplaceList(bool checkedOnly, bool keepRuleChecks) {
    SyncRowFilters();
    ruleRows_->FillReplaceList(checkedOnly, keepRuleChecks);
    UpdateActions();
}

TSettings MainForm::CollectSettings() const {
    TSettings s;
    for (int i = builtInMasks_; i < cmbMask_->count(); ++i)
        s.maskHistory.push_back(cmbMask_->itemText(i).toStdString());
    s.folderHistory = ComboItems(edtFolder_);
    s.left = pos().x();
    s.top = pos().y();
    s.width = width();
    s.height = height();
    s.replacesColumn1 = lvReplaceStrings_->columnWidth(0);
    s.replacesColumn2 = lvReplaceStrings_->columnWidth(1);
    s.replacesColumn3 = lvReplaceStrings_->columnWidth(2);
    s.filesColumn1 = lvFiles_->columnWidth(0);
    s.maskWidth = maskWidth_;
    s.replacesHeight = replacesHeight_;
    s.filesFolder = edtFolder_->currentText().toStdString();
    s.curMask = cmbMask_->currentText().toStdString();
    s.replacesCheckedOnly = cbCheckedOnly_->isChecked();
    s.filter = edtFilter_->text().toStdString();
    s.replacesFilter = edtFilterReplaces_->text().toStdString();
    s.ignoreCase = !Action("ACaseSensitive")->isChecked();
    s.utf8 = Action("AUtf8")->isChecked();
    s.backupFiles = Action("ABackupOnReplace")->isChecked();
    return s;
}

void MainForm::ApplySettings(const TSettings& s) {
    move(s.left, s.top);
    resize(s.width, s.height);
    KeepOnScreen();
    lvReplaceStrings_->setColumnWidth(0, s.replacesColumn1);
    lvReplaceStrings_->setColumnWidth(1, s.replacesColumn2);
    lvReplaceStrings_->setColumnWidth(2, s.replacesColumn3);
    lvFiles_->setColumnWidth(0, s.filesColumn1);
    maskWidth_ = s.maskWidth;
    replacesHeight_ = s.replacesHeight;
    ApplySplitterSizes();
    cmbMask_->setEditText(FromUtf8(s.curMask));
    if (cbCheckedOnly_->isChecked() != s.replacesCheckedOnly) {
        cbCheckedOnly_->setChecked(s.replacesCheckedOnly);
        FillReplaceList(cbCheckedOnly_->isChecked(), false);
    }
    edtFilter_->setText(FromUtf8(s.filter));
    // Typing in the rule filter restarts its timer; a restored text is not typing.
    {
        const QSignalBlocker quiet(edtFilterReplaces_);
        edtFilterReplaces_->setText(FromUtf8(s.replacesFilter));
    }
    Action("ACaseSensitive")->setChecked(!s.ignoreCase);
    Action("AUtf8")->setChecked(s.utf8);
    Action("ABackupOnReplace")->setChecked(s.backupFiles);

    const QString mask = cmbMask_->currentText();
    while (cmbMask_->count() > builtInMasks_) cmbMask_->removeItem(cmbMask_->count() - 1);
    for (const std::string& entry : s.maskHistory) cmbMask_->addItem(FromUtf8(entry));
    cmbMask_->setEditText(mask);
    edtFolder_->clear();
    for (const std::string& entry : s.folderHistory) edtFolder_->addItem(FromUtf8(entry));
    edtFolder_->setEditText(FromUtf8(s.filesFolder));
}

void MainForm::KeepOnScreen() {
    // Bounds stored with another screen layout (a monitor since unplugged) could open the
    // window where nobody sees it; then it opens at the top left of the primary screen, with
    // its stored size. A window that shows a good part of itself stays on that screen, moved
    // just far enough, in each direction where it fits, to lie wholly on it: the initial bounds
    // are made for a large screen and would hide the bottom buttons under a laptop's panel.
    const QRect bounds(pos(), size());
    const QScreen* best = nullptr;
    long long bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(bounds);
        if (visible.width() < 100 || visible.height() < 50) continue;
        const long long area = static_cast<long long>(visible.width()) * visible.height();
        if (area > bestArea) best = screen, bestArea = area;
    }
    if (best == nullptr) {
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            move(primary->availableGeometry().topLeft());
        return;
    }
    const QRect area = best->availableGeometry();
    const auto fit = [](int start, int length, int areaStart, int areaLength) {
        if (length >= areaLength) return start;
        return std::clamp(start, areaStart, areaStart + areaLength - length);
    };
    move(fit(bounds.x(), bounds.width(), area.x(), area.width()),
         fit(bounds.y(), bounds.height(), area.y(), area.height()));
}

void MainForm::ApplySplitterSizes() {
    const int paneTotal = std::max(splitter_->height(), replacesHeight_ + 100);
    splitter_->setSizes({replacesHeight_, paneTotal - replacesHeight_});
    const int boxTotal = std::max(splitter2_->width(), maskWidth_ + 100);
    splitter2_->setSizes({boxTotal - maskWidth_, maskWidth_});
}

void MainForm::LoadSettings() {
    TSettings settings = CollectSettings();
    settings.maskHistory.clear();
    settings.folderHistory.clear();
    const SettingsLoadResult result =
        qx::LoadSettings(env_.configFolder / "Settings.xml", settings, messages());
    if (result.status == SettingsStatus::NoFile) return;
    settingsDamaged_ = result.status == SettingsStatus::Damaged;
    ApplySettings(settings);
    if (result.scanFolder) ScanFolder();
}

void MainForm::SaveSettings() {
    // A failed save is not reported: the close goes on and the old file stays. A file the
    // user was told is damaged may hold histories worth mending by hand: it is kept as
    // Settings.xml.bak.
    const std::filesystem::path file = env_.configFolder / "Settings.xml";
    if (settingsDamaged_) {
        std::error_code error;
        std::filesystem::rename(file, env_.configFolder / "Settings.xml.bak", error);
    }
    qx::SaveSettings(file, CollectSettings());
}

void MainForm::LoadDefaultList() {
    // A missing file leaves the list empty without a word. An installed program keeps the
    // user's list in the user's own folder; until there is one there, a list shipped beside
    // the program is the list to start with.
    SyncRowFilters();
    std::filesystem::path file = env_.configFolder / "Default.lst";
    std::error_code error;
    const bool ownList = std::filesystem::exists(file, error);
    if (!ownList && !env_.programFolder.empty()) file = env_.programFolder / "Default.lst";
    defaultListUnreadable_ = !listFile_->LoadList(file, false) && ownList;
    UpdateActions();
}

void MainForm::SaveDefaultList() {
    // Written without a question, with the marks the rows show. A list that could not be read
    // at start-up (the user was told) is the user's work all the same: it is kept as
    // Default.lst.bak rather than overwritten, and if it cannot be kept it stays untouched.
    const std::filesystem::path file = env_.configFolder / "Default.lst";
    if (defaultListUnreadable_) {
        std::error_code error;
        std::filesystem::rename(file, env_.configFolder / "Default.lst.bak", error);
        if (error && std::filesystem::exists(file)) return;
    }
    listFile_->SaveList(file, false);
}

}  // namespace qx
