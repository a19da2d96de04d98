// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tester of JavaScript-style regular expressions, as scripts and web pages use them:
// case-sensitive, every match of each subject, evaluated 300 ms after the last change.

#include <memory>

#include "ui/regex/RegExpTestForm.h"

namespace qx {

class JsRegExp;

class RegExp2Form : public RegExpTestForm {
    Q_OBJECT
public:
    RegExp2Form(Messages& messages, QWidget* parent);
    ~RegExp2Form() override;

    // Shown modally; nothing is handed back. Opening evaluates nothing by itself.
    void ShowTester();

protected:
    void Evaluate() override;

private:
    void Restart();

    std::shared_ptr<JsRegExp> re_;
};

}  // namespace qx
