// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// PreviewForm: "Просмотр замен". Applies the checked rules to the checked files without writing
// anything, a few files at a time between the window's events, and lists the files that would
// change (checkable, with their number of replacements) and those the correction would skip
// (with the reason). For the selected file it shows each changed place with its context as a
// unified difference in the file's own text, line breaks and tabs made visible and the changed
// characters marked. "Записать все" and "Записать отмеченные" close it with the files to
// write, each with the fingerprint of the bytes the preview saw; "Закрыть" writes nothing.
// "Стоп" ends the preview early; what was found so far can still be written.
//
// Example:
//     const std::vector<PreviewChoice> chosen = form.Run(request);
//     if (!chosen.empty()) write(chosen);

#include <QElapsedTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "batch/CorrectionPreview.h"
#include "engine/TextRoutines.h"
#include "ui/common/QxForm.h"
#include "ui/correction/CorrectionRun.h"

class QTimer;

namespace Ui {
class PreviewForm;
}

namespace qx {

class ActiveRules;
class EngineRules;
class PreviewModel;
class RuleEngine;
struct TReplaceConditions;

struct PreviewRequest {
    const ActiveRules* rules = nullptr;
    ReplaceFlags flags = kReplaceAll;
    const TReplaceConditions* conditions = nullptr;  // null: none
    bool utf8 = false;
    std::vector<RunFile> files;
};

// A file the user chose to write.
struct PreviewChoice {
    RunFile file;
    FileFingerprint fingerprint;
};

class PreviewForm : public QxForm {
    Q_OBJECT
public:
    PreviewForm(Messages& messages, QWidget* parent);
    ~PreviewForm() override;

    // Shows the preview of `request` modally; the files to write, none when it was closed.
    // The rules must compile (RuleEngine::Prepare); an error of a rule on a file ends the
    // preview with the error shown.
    std::vector<PreviewChoice> Run(PreviewRequest request);

    bool Computing() const { return computing_; }
    PreviewModel& Model() const { return *model_; }

private:
    void Step();
    void StopComputing(const QString& status);
    void ShowSelected();
    void Choose(bool checkedOnly);
    void UpdateStatus();

    std::unique_ptr<Ui::PreviewForm> ui_;
    PreviewModel* model_ = nullptr;
    QTimer* step_ = nullptr;
    PreviewRequest request_;
    std::unique_ptr<CorrectionPreview> preview_;
    std::unique_ptr<RuleEngine> engine_;
    std::unique_ptr<EngineRules> rules_;
    std::size_t next_ = 0;
    std::size_t changing_ = 0;
    std::size_t skipped_ = 0;
    std::size_t notXml_ = 0;  // left as they are: not XML, and only xPath rules would act
    int autoPicked_ = -1;     // the row the window selected by itself
    bool computing_ = false;
    QString ended_;  // why the preview ended early, for the status line
    std::vector<PreviewChoice> chosen_;
};

}  // namespace qx
