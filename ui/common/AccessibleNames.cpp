// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/AccessibleNames.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTabWidget>

namespace qx {
namespace {

QString Caption(QString text) {
    text.remove(QLatin1Char('&'));
    return text.trimmed();
}

void Name(QWidget* widget, const QString& caption) {
    if (widget != nullptr && widget->accessibleName().isEmpty() && !caption.isEmpty())
        widget->setAccessibleName(Caption(caption));
}

}  // namespace

void NameControlsByCaption(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        Name(label, label->text());
        Name(label->buddy(), label->text());
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        Name(button, button->text());
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i) Name(tabs->widget(i), tabs->tabText(i));
}

}  // namespace qx
