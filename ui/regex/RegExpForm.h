// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tester of the rule engine's regular expressions ("Мастер" of the rule editor): every
// second while the window is shown it lists the matches of the expression in the test text,
// each with its groups. Case-insensitive, like the rules without "Учитывать регистр".

#include <QString>
#include <memory>

#include "ui/regex/RegExpTestForm.h"

namespace qx {

class TRegExpr;

class RegExpForm : public RegExpTestForm {
    Q_OBJECT
public:
    RegExpForm(Messages& messages, QWidget* parent);
    ~RegExpForm() override;

    // Shows `expression` modally for editing; on OK puts the edited text into `expression`
    // and returns true. The test text and the option stay from the previous showing.
    bool EditExpression(QString& expression);

protected:
    void Evaluate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shared with the running evaluation, which may end after the window.
    std::shared_ptr<TRegExpr> re_;
};

}  // namespace qx
