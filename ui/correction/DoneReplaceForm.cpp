// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction/DoneReplaceForm.h"

#include <QFontDatabase>
#include <QShowEvent>

#include "ui/common/QtText.h"
#include "ui_DoneReplaceForm.h"

namespace qx {
namespace {

// A found text can be a whole file without a line break (an expression such as ".*" over a
// 100 MB line): the box shows its beginning and an ellipsis, since laying out a line that long
// would hold the window for minutes.
constexpr std::size_t kShownBytes = 256 * 1024;

// The box breaks lines at LF only; CR LF and a bare CR are each one line break on screen.
QString AsLines(std::string_view text) {
    QString lines = FromCp1251(text.substr(0, kShownBytes));
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.size() > kShownBytes) lines += QChar(0x2026);
    return lines;
}

}  // namespace

DoneReplaceForm::DoneReplaceForm(Messages& messages, QWidget* parent)
    : QxForm(messages, parent, Qt::Dialog), ui_(std::make_unique<Ui::DoneReplaceForm>()) {
    ui_->setupUi(this);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui_->memOldValue->setFont(fixed);
    ui_->memNewValue->setFont(fixed);
    connect(ui_->btnClose, &QPushButton::clicked, this, [this] { SetModalResult(0); });
}

DoneReplaceForm::~DoneReplaceForm() = default;

void DoneReplaceForm::ShowDoneReplace(std::string_view fileName, std::string_view found,
                                      std::string_view inserted) {
    ui_->lblFile->setText(FromCp1251(fileName));
    ui_->memOldValue->setPlainText(AsLines(found));
    ui_->memNewValue->setPlainText(AsLines(inserted));
    ui_->btnClose->setFocus();
    ShowModal();
}

void DoneReplaceForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && parentWidget() != nullptr) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QxForm::showEvent(event);
}

}  // namespace qx
