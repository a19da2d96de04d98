// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/LinkLabel.h"

#include <QAbstractButton>
#include <QAction>
#include <QMouseEvent>

namespace qx {

LinkLabel::LinkLabel(const QString& name, const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setObjectName(name);
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    // Blue while usable; a disabled link keeps the platform's grey.
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::WindowText, Qt::blue);
    p.setColor(QPalette::Inactive, QPalette::WindowText, Qt::blue);
    setPalette(p);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void LinkLabel::BindAction(QAction* action, bool onPress) {
    action_ = action;
    onPress_ = onPress;
    setEnabled(action->isEnabled());
    connect(action, &QAction::changed, this, [this] {
        if (action_) setEnabled(action_->isEnabled());
    });
    connect(this, &LinkLabel::clicked, action, &QAction::trigger);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (onPress_ && isEnabled()) emit clicked();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (!onPress_ && isEnabled() && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        emit clicked();
}

void BindButton(QAbstractButton* button, QAction* action) {
    button->setEnabled(action->isEnabled());
    if (action->isCheckable()) {
        button->setCheckable(true);
        button->setChecked(action->isChecked());
    }
    // clicked() has already flipped a check box; the action then sets the same state.
    QObject::connect(button, &QAbstractButton::clicked, action, [action, button] {
        if (action->isCheckable())
            action->setChecked(button->isChecked());
        else
            action->trigger();
    });
    QObject::connect(action, &QAction::changed, button, [action, button] {
        button->setEnabled(action->isEnabled());
        if (action->isCheckable()) button->setChecked(action->isChecked());
    });
}

}  // namespace qx
