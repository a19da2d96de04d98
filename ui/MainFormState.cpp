// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's lists and stored state: the file list, the rule rows, the settings and
// the default rule list.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTreeView>

#include "batch/FileList.h"
#include "batch/FolderScan.h"
#include "platform/Messages.h"
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

void MainForm::FillReplaceList(bool /*checkedOnly*/, bool /*keepRuleChecks*/) {}

void MainForm::LoadSettings() {}

void MainForm::SaveSettings() {}

void MainForm::LoadDefaultList() {}

void MainForm::SaveDefaultList() {}

}  // namespace qx
