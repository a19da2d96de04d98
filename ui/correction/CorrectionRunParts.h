// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pieces of the main window a correction run is made from: its panels, its commands and
// its message labels. BuildCorrectionRun turns them into the run's needs and connects
// "Заменить" and "Заменить при условии ..." to it.

#include <filesystem>
#include <functional>

#include "engine/TextRoutines.h"

class QTabWidget;
class QWidget;

namespace qx {

class ActiveRules;
class BottomBand;
class Commands;
class CorrectionRun;
class FilesPage;
class LogPage;
class MessageStrings;
class Messages;
class RuleTally;
class TRuleRows;
struct TReplaceConditions;

struct CorrectionRunParts {
    QWidget* window = nullptr;
    BottomBand* bottomBand = nullptr;  // the progress bar and the stop button
    QTabWidget* pages = nullptr;
    FilesPage* filesPage = nullptr;  // a run over files needs this page shown
    LogPage* log = nullptr;
    Messages* messages = nullptr;
    const MessageStrings* strings = nullptr;
    TRuleRows* rules = nullptr;
    TReplaceConditions* conditions = nullptr;
    const Commands* commands = nullptr;
    std::function<ReplaceFlags()> replaceFlags;
    std::function<void()> updateActions;
    // The undo journal's folder; empty: runs are not journalled.
    std::filesystem::path stateFolder;
    // Told each rule's replacements after a run over files, for the rule list's marks.
    std::function<void(const ActiveRules&, const RuleTally&)> ruleTally;
};

// The run is a child of the window; every part must outlive it.
CorrectionRun* BuildCorrectionRun(const CorrectionRunParts& parts);

}  // namespace qx
