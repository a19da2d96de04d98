// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tester/RuleWarningMarks.h"

#include <QTimer>

#include "engine/RuleWarnings.h"
#include "engine/TReplace.h"
#include "engine/TRuleRows.h"
#include "ui/rules/RuleRowsModel.h"

namespace qx {

RuleWarningMarks::RuleWarningMarks(TRuleRows& rows, RuleRowsModel& model,
                                   std::function<ReplaceFlags()> flags, QObject* parent)
    : QObject(parent), rows_(rows), model_(model), flags_(std::move(flags)) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kDelayMs);
    connect(timer_, &QTimer::timeout, this, &RuleWarningMarks::Update);
    connect(&model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                // The marks' own change is no reason to look again.
                if (roles.size() == 2 && roles.contains(Qt::DecorationRole) &&
                    roles.contains(Qt::ToolTipRole))
                    return;
                Refresh();
            });
    connect(&model_, &QAbstractItemModel::modelReset, this, &RuleWarningMarks::Refresh);
    connect(&model_, &QAbstractItemModel::layoutChanged, this, &RuleWarningMarks::Refresh);
    connect(&model_, &QAbstractItemModel::rowsInserted, this, &RuleWarningMarks::Refresh);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, &RuleWarningMarks::Refresh);
}

void RuleWarningMarks::SetTally(const ActiveRules& rows, const RuleTally& tally,
                                TallySource source) {
    facts_.clear();
    for (std::size_t row = 0; row < rows.RowCount() && row < tally.Rows().size(); ++row)
        if (const TReplace* rule = rows.ActiveRule(row); rule && tally.Rows()[row].texts > 0)
            facts_[RuleKey(*rule)] = tally.Rows()[row];
    source_ = source;
    Refresh();
}

void RuleWarningMarks::Refresh() { timer_->start(); }

void RuleWarningMarks::Update() {
    timer_->stop();
    // The facts of the run, moved to the rows where their rules are now.
    RuleTally tally;
    for (std::size_t row = 0; row < rows_.RowCount(); ++row) {
        const TReplace* rule = rows_.ActiveRule(row);
        if (rule == nullptr || facts_.empty()) continue;
        const auto found = facts_.find(RuleKey(*rule));
        if (found != facts_.end()) tally.At(row) = found->second;
    }
    std::unordered_map<const TReplace*, RuleMark> marks;
    for (const RuleWarning& warning : FindRuleWarnings(rows_, flags_(), &tally)) {
        RuleMark& mark = marks[rows_.ActiveRule(warning.row)];
        if (!mark.text.isEmpty()) mark.text += QLatin1Char('\n');
        mark.text += WarningText(warning, rows_, source_);
        mark.error = mark.error || warning.kind == RuleWarningKind::NotCompiled;
    }
    // An expression that does not compile keeps its mark on an unchecked row: unchecking it
    // repairs nothing, and the mark going would say it did. Each is compiled once.
    std::unordered_map<std::string, std::string> errors;
    for (std::size_t row = 0; row < rows_.RowCount(); ++row) {
        const TReplace* rule = rows_.Rule(row);
        if (rule == nullptr || !rule->IsRegex() || rows_.ActiveRule(row) != nullptr) continue;
        std::string key = RuleKey(*rule);
        const auto known = expressionErrors_.find(key);
        const std::string error =
            known != expressionErrors_.end() ? known->second : ExpressionError(*rule);
        errors.emplace(std::move(key), error);
        if (error.empty()) continue;
        marks[rule] = {WarningText({row, RuleWarningKind::NotCompiled, error, 0}, rows_, source_),
                       true};
    }
    expressionErrors_ = std::move(errors);
    model_.SetMarks(std::move(marks));
}

}  // namespace qx
