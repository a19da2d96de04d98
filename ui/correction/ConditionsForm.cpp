// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction/ConditionsForm.h"

#include <QKeyEvent>
#include <QShowEvent>

#include "engine/TReplaceConditions.h"
#include "ui/common/QtText.h"
#include "ui_ConditionsForm.h"

namespace qx {
namespace {

// A box holds lines; the condition holds them joined by CR LF, no break after the last.
void SetFragment(QPlainTextEdit* box, const std::string& text) {
    QString shown = FromCp1251(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setPlainText(shown);
    box->document()->setModified(false);
}

// A box the user did not touch leaves its fragment exactly as loaded, so that opening the
// dialog never rewrites a fragment that a list file brought with bare line feeds.
void StoreFragment(const QPlainTextEdit* box, std::string& text) {
    if (!box->document()->isModified()) return;
    QString typed = box->toPlainText();
    typed.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    text = ToCp1251(typed);
}

}  // namespace

ConditionsForm::ConditionsForm(Messages& messages, QWidget* parent)
    : QxForm(messages, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::ConditionsForm>()) {
    ui_->setupUi(this);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    // toggled, not clicked: a box set from the program re-applies the enabling as well.
    for (QCheckBox* box :
         {ui_->cbReplace, ui_->cbReplaceIfContains, ui_->cbReplaceIfAbsent, ui_->cbDontReplace,
          ui_->cbDontReplaceIfContains, ui_->cbDontReplaceIfAbsent})
        connect(box, &QCheckBox::toggled, this, &ConditionsForm::UpdateEnabling);
    connect(ui_->btnOK, &QPushButton::clicked, this, [this] { SetModalResult(kOk); });
    connect(ui_->btnCancel, &QPushButton::clicked, this, [this] { SetModalResult(kCancel); });

    Load(TReplaceConditions{});
    setFixedSize(sizeHint());
}

ConditionsForm::~ConditionsForm() = default;

bool ConditionsForm::Edit(TReplaceConditions& conditions) {
    Load(conditions);
    const int result = ShowModal();
    Store(conditions);
    return result == kOk;
}

void ConditionsForm::Load(const TReplaceConditions& conditions) {
    ui_->cbReplace->setChecked(conditions.ReplaceGroup);
    ui_->cbReplaceIfContains->setChecked(conditions.ReplaceIfContains);
    ui_->cbReplaceIfAbsent->setChecked(conditions.ReplaceIfAbsent);
    ui_->cbDontReplace->setChecked(conditions.DontReplaceGroup);
    ui_->cbDontReplaceIfContains->setChecked(conditions.DontReplaceIfContains);
    ui_->cbDontReplaceIfAbsent->setChecked(conditions.DontReplaceIfAbsent);
    SetFragment(ui_->memReplaceIfContains, conditions.ReplaceIfContainsText);
    SetFragment(ui_->memReplaceIfAbsent, conditions.ReplaceIfAbsentText);
    SetFragment(ui_->memDontReplaceIfContains, conditions.DontReplaceIfContainsText);
    SetFragment(ui_->memDontReplaceIfAbsent, conditions.DontReplaceIfAbsentText);
    UpdateEnabling();
}

void ConditionsForm::Store(TReplaceConditions& conditions) const {
    conditions.ReplaceGroup = ui_->cbReplace->isChecked();
    conditions.ReplaceIfContains = ui_->cbReplaceIfContains->isChecked();
    conditions.ReplaceIfAbsent = ui_->cbReplaceIfAbsent->isChecked();
    conditions.DontReplaceGroup = ui_->cbDontReplace->isChecked();
    conditions.DontReplaceIfContains = ui_->cbDontReplaceIfContains->isChecked();
    conditions.DontReplaceIfAbsent = ui_->cbDontReplaceIfAbsent->isChecked();
    StoreFragment(ui_->memReplaceIfContains, conditions.ReplaceIfContainsText);
    StoreFragment(ui_->memReplaceIfAbsent, conditions.ReplaceIfAbsentText);
    StoreFragment(ui_->memDontReplaceIfContains, conditions.DontReplaceIfContainsText);
    StoreFragment(ui_->memDontReplaceIfAbsent, conditions.DontReplaceIfAbsentText);
}

void ConditionsForm::UpdateEnabling() {
    const bool replace = ui_->cbReplace->isChecked();
    ui_->cbReplaceIfContains->setEnabled(replace);
    ui_->cbReplaceIfAbsent->setEnabled(replace);
    ui_->memReplaceIfContains->setEnabled(replace && ui_->cbReplaceIfContains->isChecked());
    ui_->memReplaceIfAbsent->setEnabled(replace && ui_->cbReplaceIfAbsent->isChecked());
    const bool dontReplace = ui_->cbDontReplace->isChecked();
    ui_->cbDontReplaceIfContains->setEnabled(dontReplace);
    ui_->cbDontReplaceIfAbsent->setEnabled(dontReplace);
    ui_->memDontReplaceIfContains->setEnabled(dontReplace &&
                                              ui_->cbDontReplaceIfContains->isChecked());
    ui_->memDontReplaceIfAbsent->setEnabled(dontReplace && ui_->cbDontReplaceIfAbsent->isChecked());
}

void ConditionsForm::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == 0) {
        ui_->btnOK->click();
        return;
    }
    QxForm::keyPressEvent(event);
}

void ConditionsForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && parentWidget() != nullptr) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QxForm::showEvent(event);
}

}  // namespace qx
