// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tester/ListTester.h"

#include "engine/ListTest.h"
#include "engine/TRuleRows.h"
#include "ui/rules/RuleRowsModel.h"
#include "ui/tester/ListTestForm.h"
#include "ui/tester/RuleWarningMarks.h"

namespace qx {

ListTester::ListTester(ListTesterEnv env, QObject* parent) : QObject(parent), env_(std::move(env)) {
    marks_ = new RuleWarningMarks(*env_.rows, *env_.model, env_.flags, this);
}

ListTestForm* ListTester::Form() const { return form_; }

void ListTester::ShowTester() {
    if (!form_) {
        ListTestEnv test;
        test.rows = env_.rows;
        test.rowsModel = env_.model;
        test.flags = env_.flags;
        test.utf8On = env_.utf8On;
        test.clipboard = env_.clipboard;
        test.sampleTally = [this](const RuleSnapshot& rows, const RuleTally& tally) {
            marks_->SetTally(rows, tally, TallySource::Sample);
        };
        form_ = new ListTestForm(*env_.messages, std::move(test), env_.window);
    }
    form_->ShowTester();
}

void ListTester::OptionsChanged() {
    marks_->Refresh();
    if (form_) form_->Retest();
}

void ListTester::RunTally(const ActiveRules& rows, const RuleTally& tally) {
    marks_->SetTally(rows, tally, TallySource::Run);
}

}  // namespace qx
