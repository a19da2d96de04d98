// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/BottomBand.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include "ui/common/Controls.h"
#include "ui/common/LinkLabel.h"
#include "ui/main/Commands.h"

namespace qx {

BottomBand::BottomBand(const Commands& commands, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlBottom"));
    setFixedHeight(41);
    progressBar_ = Named(new QProgressBar(this), "ProgressBar");
    progressBar_->setTextVisible(false);
    progressBar_->setFixedWidth(200);
    progressBar_->setValue(0);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(progressBar_);
    row->addSpacing(12);
    const std::pair<const char*, Command> options[] = {{"cbUtf8", Command::Utf8},
                                                       {"cbCaseSensitive", Command::CaseSensitive}};
    for (const auto& [name, command] : options) {
        auto* box = NewCheck(name, commands(command)->text(), this);
        BindButton(box, commands(command));
        row->addWidget(box);
    }
    row->addStretch();
    btnStop_ = Named(new QPushButton(QStringLiteral("Остановить"), this), "btnStop");
    btnStop_->setVisible(false);
    row->addWidget(btnStop_);
    const std::pair<const char*, Command> buttons[] = {{"btnConvert", Command::Replace},
                                                       {"btnCondConvert", Command::CondReplace},
                                                       {"btnClose", Command::Exit}};
    for (const auto& [name, command] : buttons) {
        auto* button = Named(new QPushButton(commands(command)->text(), this), name);
        BindButton(button, commands(command));
        row->addWidget(button);
    }
}

}  // namespace qx
