// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The warning marks of the rule list: shortly after the rows, their check marks or the options
// change, the checked rules are looked over (an expression that does not compile, one that can
// match empty text, inserted text a later rule finds again) and, with what the last correction
// run or the tester's sample saw, the rules that found nothing. Each marked row gets an icon and
// a tooltip; the list file is not touched.

#include <QObject>
#include <functional>
#include <string>
#include <unordered_map>

#include "engine/RuleTally.h"
#include "engine/TextRoutines.h"
#include "ui/tester/WarningTexts.h"

class QTimer;

namespace qx {

class ActiveRules;
class RuleRowsModel;
class TRuleRows;

class RuleWarningMarks : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 300;

    // `rows` and `model` must outlive this object.
    RuleWarningMarks(TRuleRows& rows, RuleRowsModel& model, std::function<ReplaceFlags()> flags,
                     QObject* parent);

    // What the rules of `rows` did over the texts of a run; replaces what an earlier run or
    // sample showed. Facts stay with a rule until it is edited.
    void SetTally(const ActiveRules& rows, const RuleTally& tally, TallySource source);
    TallySource Source() const { return source_; }
    // Looks the rules over again after the delay.
    void Refresh();
    // Now, without the delay (tests, and before a list is shown for the first time).
    void Update();

private:
    TRuleRows& rows_;
    RuleRowsModel& model_;
    std::function<ReplaceFlags()> flags_;
    QTimer* timer_ = nullptr;
    std::unordered_map<std::string, RuleFacts> facts_;  // by RuleKey
    // What the expressions of the unchecked rules gave when compiled, by RuleKey.
    std::unordered_map<std::string, std::string> expressionErrors_;
    TallySource source_ = TallySource::None;
};

}  // namespace qx
