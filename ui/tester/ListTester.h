// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the main window holds of the list tester: the warning marks of its rule list, always on,
// and the tester window, made when it is first asked for. Both hear of each correction run's
// tally and of the tester's sample.

#include <QObject>
#include <QPointer>
#include <functional>

#include "engine/TextRoutines.h"

namespace qx {

class ActiveRules;
class Clipboard;
class ListTestForm;
class Messages;
class RuleRowsModel;
class RuleTally;
class RuleWarningMarks;
class TRuleRows;

struct ListTesterEnv {
    QWidget* window = nullptr;  // the tester's parent
    Messages* messages = nullptr;
    TRuleRows* rows = nullptr;
    RuleRowsModel* model = nullptr;
    Clipboard* clipboard = nullptr;
    std::function<ReplaceFlags()> flags;
    std::function<bool()> utf8On;
};

class ListTester : public QObject {
    Q_OBJECT
public:
    ListTester(ListTesterEnv env, QObject* parent);

    // "Проверить список замен ...".
    void ShowTester();
    // The options changed: the marks and the tester look again.
    void OptionsChanged();
    // What the rules did in a correction run that went to its end.
    void RunTally(const ActiveRules& rows, const RuleTally& tally);

    RuleWarningMarks& Marks() const { return *marks_; }
    // Null until first shown.
    ListTestForm* Form() const;

private:
    ListTesterEnv env_;
    RuleWarningMarks* marks_ = nullptr;
    QPointer<ListTestForm> form_;
};

}  // namespace qx
