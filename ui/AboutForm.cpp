// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AboutForm.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/Messages.h"
#include "platform/Shell.h"
#include "ui/LinkLabel.h"
#include "ui/ProgramInfo.h"

namespace qx {
namespace {

QLabel* NewLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

AboutForm::AboutForm(Messages& messages, Shell& shell, QWidget* parent)
    : QxForm(messages, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), shell_(shell) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("О программе"));

    auto* image = NewLabel("Image1", QString(), this);
    image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    image->setFixedSize(32, 32);

    // The name with a light shadow: a white copy one pixel lower right behind the black one.
    auto* nameBox = new QWidget(this);
    QFont nameFont(QStringLiteral("Times New Roman"));
    nameFont.setPixelSize(21);
    nameFont.setBold(true);
    auto* label2 = NewLabel("Label2", QString::fromUtf8(info::kProductName), nameBox);
    auto* label1 = NewLabel("Label1", QString::fromUtf8(info::kProductName), nameBox);
    for (QLabel* l : {label2, label1}) {
        l->setFont(nameFont);
        l->adjustSize();
    }
    label2->setStyleSheet(QStringLiteral("color: white;"));
    label1->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    label2->move(1, 1);
    label1->move(0, 0);
    nameBox->setFixedSize(label1->width() + 1, label1->height() + 1);

    auto* label4 = NewLabel("Label4", QStringLiteral("версия:"), this);
    auto* lblVersion = NewLabel("lblVersion", QString::fromUtf8(info::kFileVersion), this);
    auto* label3 = NewLabel("Label3", QStringLiteral("beta"), this);
    auto* stCopyright = NewLabel("stCopyright", QString::fromUtf8(info::kCopyright), this);

    QFont linkFont(QStringLiteral("Verdana"));
    auto* label6 = NewLabel("Label6", QStringLiteral("e-mail:"), this);
    lblMail_ = new LinkLabel(QStringLiteral("lblMail"), QString::fromUtf8(info::kMail), this);
    auto* label7 = NewLabel("Label7", QStringLiteral("Сайт:"), this);
    lblSite_ = new LinkLabel(QStringLiteral("lblSite"), QString::fromUtf8(info::kWebSite), this);
    for (LinkLabel* link : {lblMail_, lblSite_}) {
        linkFont.setUnderline(true);
        link->setFont(linkFont);
    }
    connect(lblMail_, &LinkLabel::clicked, this, &AboutForm::CopyMail);
    connect(lblSite_, &LinkLabel::clicked, this, &AboutForm::OpenSite);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);

    auto* button = new QPushButton(QStringLiteral("Закрыть"), this);
    button->setObjectName(QStringLiteral("Button1"));
    button->setDefault(true);
    connect(button, &QPushButton::clicked, this, &QWidget::close);

    auto* head = new QHBoxLayout;
    head->addWidget(image, 0, Qt::AlignTop);
    head->addSpacing(12);
    auto* nameColumn = new QVBoxLayout;
    nameColumn->addWidget(nameBox);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(label4);
    versionRow->addWidget(lblVersion);
    versionRow->addWidget(label3);
    versionRow->addStretch();
    nameColumn->addLayout(versionRow);
    head->addLayout(nameColumn, 1);

    auto* grid = new QGridLayout;
    grid->addWidget(label6, 0, 0);
    grid->addWidget(lblMail_, 0, 1, Qt::AlignLeft);
    grid->addWidget(label7, 1, 0);
    grid->addWidget(lblSite_, 1, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(stCopyright);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addWidget(bevel);
    layout->addLayout(buttons);
    // A dialog frame: the size is fixed, 284 by 168 unless the desktop's fonts need more.
    setFixedSize(layout->sizeHint().expandedTo(QSize(284, 168)));
}

void AboutForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && parentWidget() != nullptr) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QxForm::showEvent(event);
}

void AboutForm::CopyMail() {
    QApplication::clipboard()->setText(lblMail_->text());
    messages().Show("E-mail скопирован в буфер обмена.", info::kBoxCaption,
                    Messages::Icon::Information);
}

void AboutForm::OpenSite() {
    shell_.OpenUrl((QString::fromUtf8(info::kWebScheme) + lblSite_->text()).toStdString());
}

}  // namespace qx
