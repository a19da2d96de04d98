// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/log/LogPage.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/common/Controls.h"

namespace qx {

LogPage::LogPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet1"));
    memLog_ = NewMemo("memLog", this);
    memLog_->setReadOnly(true);
    (new QVBoxLayout(this))->addWidget(memLog_);
}

void LogPage::AppendLine(const QString& line) { memLog_->appendPlainText(line); }

}  // namespace qx
