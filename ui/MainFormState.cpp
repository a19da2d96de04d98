// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's lists and stored state: the file list, the rule rows, the settings and
// the default rule list.
#include <QComboBox>
#include <QTreeWidget>

#include "ui/MainForm.h"

namespace qx {

void MainForm::ScanFolder() { FillFileView(); }

void MainForm::FillFileView() {}

void MainForm::RememberMask() {}

void MainForm::FillReplaceList(bool /*checkedOnly*/, bool /*keepRuleChecks*/) {}

void MainForm::LoadSettings() {}

void MainForm::SaveSettings() {}

void MainForm::LoadDefaultList() {}

void MainForm::SaveDefaultList() {}

}  // namespace qx
