// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Making the window's controls: each gets its objectName at birth (the interface strings
// file and the tests find controls by it), and the lists and text pages share one look.

#include <QString>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTreeView;
class QWidget;

namespace qx {

class LinkLabel;

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* NewLabel(const char* name, const QString& text, QWidget* parent);
LinkLabel* NewLink(const char* name, const QString& text, QWidget* parent);
QCheckBox* NewCheck(const char* name, const QString& text, QWidget* parent);
// A text page: monospaced, without line wrapping.
QPlainTextEdit* NewMemo(const char* name, QWidget* parent);
// A flat list of rows with several columns, extended selection and a context menu.
void SetUpList(QTreeView* list);

}  // namespace qx
