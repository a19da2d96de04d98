// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction/CorrectionRunParts.h"

#include <QAction>
#include <QTabWidget>

#include "batch/FileRows.h"
#include "ui/correction/CorrectionRun.h"
#include "ui/correction/DoneReplacesForm.h"
#include "ui/files/FilesPage.h"
#include "ui/main/BottomBand.h"
#include "ui/main/Commands.h"

namespace qx {

CorrectionRun* BuildCorrectionRun(const CorrectionRunParts& parts) {
    CorrectionRunEnv run;
    run.window = parts.window;
    run.stopBand = parts.bottomBand;
    run.stopButton = &parts.bottomBand->StopButton();
    run.progressBar = &parts.bottomBand->ProgressBar();
    run.log = parts.log;
    run.messages = parts.messages;
    run.strings = parts.strings;
    run.rules = parts.rules;
    run.conditions = parts.conditions;
    run.filesPageShown = [parts] { return parts.pages->currentWidget() == parts.filesPage; };
    run.checkedFiles = [filesPage = parts.filesPage] {
        std::vector<RunFile> files;
        const FileRows& rows = filesPage->Rows();
        for (int row = 0; row < rows.Count(); ++row)
            if (rows.Row(row).Checked)
                files.push_back({rows.Row(row).FileName, rows.Caption(row), rows.Row(row).Link});
        return files;
    };
    const Commands& commands = *parts.commands;
    run.replaceFlags = parts.replaceFlags;
    run.backupOn = [&commands] { return commands(Command::BackupOnReplace)->isChecked(); };
    run.utf8On = [&commands] { return commands(Command::Utf8)->isChecked(); };
    run.updateActions = parts.updateActions;
    run.ruleTally = parts.ruleTally;
    run.stateFolder = parts.stateFolder;
    auto* correction = new CorrectionRun(std::move(run));

    QObject::connect(commands(Command::Replace), &QAction::triggered, correction,
                     [correction] { correction->RunCorrection(false); });
    QObject::connect(commands(Command::CondReplace), &QAction::triggered, correction,
                     &CorrectionRun::CondReplace);
    QObject::connect(commands(Command::ShowDoneReplaces), &QAction::triggered, correction,
                     [correction] { correction->Viewer().ShowModal(); });
    return correction;
}

}  // namespace qx
