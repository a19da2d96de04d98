// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/HeaderBand.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/common/Controls.h"
#include "ui/common/LinkLabel.h"
#include "ui/common/ProgramInfo.h"
#include "ui/main/Commands.h"

namespace qx {
namespace {

// The logo: the program's name on a band of colour, drawn so no picture file is needed.
QPixmap Logo() {
    QPixmap logo(180, 51);
    logo.fill(Qt::white);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x2f, 0x5f, 0x9f));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 6, 172, 39), 8, 8);
    QFont f(QStringLiteral("Tahoma"));
    f.setBold(true);
    f.setPixelSize(20);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 6, 172, 39), Qt::AlignCenter, QStringLiteral("QX Quendro"));
    return logo;
}

}  // namespace

HeaderBand::HeaderBand(const Commands& commands, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlTop"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    // At least the classic 54 pixels; taller when a narrow window wraps the two texts.
    setMinimumHeight(54);

    auto* label1 = NewLabel(
        "Label1",
        QStringLiteral(
            "Программа для быстрого исправления файлов, выделенного текста и буфера обмена"),
        this);
    QFont bold(QStringLiteral("Tahoma"));
    bold.setPixelSize(11);
    bold.setBold(true);
    label1->setFont(bold);
    label1->setWordWrap(true);
    auto* label4 = NewLabel(
        "Label4",
        QStringLiteral("Заменяет указанный фрагмент текста во всех отмеченных файлах или буфере "
                       "обмена.\r\nПозволяет использовать Регулярные выражения и язык запросов "
                       "xPath."),
        this);
    label4->setWordWrap(true);

    auto* image = NewLink("Image1", QString(), this);
    image->setPixmap(Logo());
    image->setFixedSize(180, 51);
    image->setToolTip(QString::fromUtf8(info::kWebSite));
    connect(image, &LinkLabel::clicked, commands(Command::Web), &QAction::trigger);

    auto* lblHelp = NewLink("lblHelp", QStringLiteral("Справка"), this);
    lblHelp->BindAction(commands(Command::Help));
    auto* lblDravenor = NewLink("lblDravenor", QString::fromUtf8(info::kWebSite), this);
    lblDravenor->BindAction(commands(Command::Web));
    auto* lblTest = NewLink("lblTest", QStringLiteral("ТЕСТ"), this);
    lblTest->hide();

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(label1);
    texts->addWidget(label4);
    auto* links = new QVBoxLayout;
    links->setSpacing(2);
    links->addWidget(lblHelp, 0, Qt::AlignRight);
    links->addWidget(lblDravenor, 0, Qt::AlignRight);
    links->addWidget(lblTest, 0, Qt::AlignRight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 1, 2, 1);
    row->addLayout(texts, 1);
    row->addLayout(links);
    row->addWidget(image);
}

}  // namespace qx
