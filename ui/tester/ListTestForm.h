// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Проверка списка замен": the checked rules applied to a sample text exactly as a correction
// applies them, one row per rule with its number of replacements and its warnings; the selected
// rule's text before and after it, with the changed places marked; the final text to copy. The
// test runs again shortly after the sample, the rules or the options change, on a worker thread,
// so that a long sample or a run-away expression never holds the window up.

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "engine/TextRoutines.h"
#include "ui/common/QxForm.h"
#include "ui/tester/BackgroundJob.h"

class QAbstractItemModel;
class QPlainTextEdit;
class QTimer;

namespace Ui {
class ListTestForm;
}

namespace qx {

class ActiveRules;
class Clipboard;
class RuleSnapshot;
class RuleTally;

struct ListTestEnv {
    const ActiveRules* rows = nullptr;  // the rule rows; must outlive the window
    // The rows' model: any change of it tests again.
    QAbstractItemModel* rowsModel = nullptr;
    std::function<ReplaceFlags()> flags;
    std::function<bool()> utf8On;
    Clipboard* clipboard = nullptr;
    // Empty: the desktop's open dialog. An empty path: nothing chosen.
    std::function<std::filesystem::path()> chooseSampleFile;
    // Told what every finished test saw, for the marks of the rule list.
    std::function<void(const RuleSnapshot&, const RuleTally&)> sampleTally;
};

class ListTestForm : public QxForm {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 300;

    ListTestForm(Messages& messages, ListTestEnv env, QWidget* parent);
    ~ListTestForm() override;

    // Shows the window (not modally: the list stays editable) and tests the list.
    void ShowTester();
    // Tests again after the delay.
    void Retest();
    // Takes the file's text as the sample, decoded as a correction of the file would decode it;
    // false (and a line in the status) when it cannot be read or decoded.
    bool LoadSample(const std::filesystem::path& path);
    // Puts the final text on the clipboard.
    void CopyResult();

    // A test or the marks of a step are being computed or on their way.
    bool IsTesting() const;
    // The final text of the last test (UTF-16 of the working text, line breaks as typed).
    QString ResultText() const;

signals:
    // A test has finished and its rows are on screen.
    void testFinished();
    // The texts of the selected step are on screen with their marks.
    void stepShown();

private:
    struct Outcome;
    struct StepView;
    std::string Sample() const;
    void StartTest();
    void ShowOutcome(std::shared_ptr<const Outcome>& outcome);
    void ShowSelectedStep();
    void ShowStepView(StepView& view);

    std::unique_ptr<Ui::ListTestForm> ui_;
    ListTestEnv env_;
    QTimer* timer_ = nullptr;
    // The text of the file loaded last, used as it is while the box shows it unchanged (a box
    // keeps no CR of CR LF).
    std::string loadedText_;
    bool loadedUnchanged_ = false;
    bool settingSample_ = false;
    std::shared_ptr<const Outcome> outcome_;
    std::unique_ptr<BackgroundJob<std::shared_ptr<const Outcome>>> tests_;
    std::unique_ptr<BackgroundJob<std::shared_ptr<StepView>>> steps_;
};

}  // namespace qx
