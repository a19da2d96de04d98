// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A caption that acts like a link: blue, underlined, hand cursor. Bound to a command it runs
// the command and is enabled and disabled together with it.

#include <QLabel>
#include <QPointer>

class QAction;
class QAbstractButton;

namespace qx {

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& name, const QString& text, QWidget* parent);
    // For forms made in the designer, which name the link and set its text afterwards.
    explicit LinkLabel(QWidget* parent = nullptr) : LinkLabel(QString(), QString(), parent) {}

    // `onPress`: act when a mouse button goes down (each press acts once) instead of on
    // release, for commands meant to be pressed repeatedly.
    void BindAction(QAction* action, bool onPress = false);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<QAction> action_;
    bool onPress_ = false;
};

// Binds a button or check box to a command: it runs the command and mirrors its enabled and
// checked states.
void BindButton(QAbstractButton* button, QAction* action);

}  // namespace qx
