// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/AboutForm.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

#include "platform/Messages.h"
#include "platform/Shell.h"
#include "ui/common/LinkLabel.h"
#include "ui/common/ProgramInfo.h"
#include "ui_AboutForm.h"

namespace qx {

AboutForm::AboutForm(Messages& messages, Shell& shell, QWidget* parent)
    : QxForm(messages, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      shell_(shell),
      ui_(std::make_unique<Ui::AboutForm>()) {
    ui_->setupUi(this);
    ui_->Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));

    // The name with a light shadow: a white copy one pixel lower right behind the black one.
    QFont nameFont(QStringLiteral("Times New Roman"));
    nameFont.setPixelSize(21);
    nameFont.setBold(true);
    for (QLabel* l : {ui_->Label2, ui_->Label1}) {
        l->setText(QString::fromUtf8(info::kProductName));
        l->setFont(nameFont);
        l->adjustSize();
    }
    ui_->Label2->setStyleSheet(QStringLiteral("color: white;"));
    ui_->Label1->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    ui_->Label2->move(1, 1);
    ui_->Label1->move(0, 0);
    ui_->nameBox->setFixedSize(ui_->Label1->width() + 1, ui_->Label1->height() + 1);

    ui_->lblVersion->setText(QString::fromUtf8(info::kFileVersion));
    ui_->stCopyright->setText(QString::fromUtf8(info::kCopyright));
    ui_->lblMail->setText(QString::fromUtf8(info::kMail));
    ui_->lblSite->setText(QString::fromUtf8(info::kWebSite));
    QFont linkFont(QStringLiteral("Verdana"));
    linkFont.setUnderline(true);
    for (LinkLabel* link : {ui_->lblMail, ui_->lblSite}) link->setFont(linkFont);
    connect(ui_->lblMail, &LinkLabel::clicked, this, &AboutForm::CopyMail);
    connect(ui_->lblSite, &LinkLabel::clicked, this, &AboutForm::OpenSite);
    connect(ui_->Button1, &QPushButton::clicked, this, &QWidget::close);

    // A dialog frame: the size is fixed, 284 by 168 unless the desktop's fonts need more.
    setFixedSize(layout()->sizeHint().expandedTo(QSize(284, 168)));
}

AboutForm::~AboutForm() = default;

void AboutForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && parentWidget() != nullptr) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QxForm::showEvent(event);
}

void AboutForm::CopyMail() {
    QApplication::clipboard()->setText(ui_->lblMail->text());
    messages().Show("E-mail скопирован в буфер обмена.", info::kBoxCaption,
                    Messages::Icon::Information);
}

void AboutForm::OpenSite() {
    shell_.OpenUrl((QString::fromUtf8(info::kWebScheme) + ui_->lblSite->text()).toStdString());
}

}  // namespace qx
