// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Controls.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeView>

#include "ui/common/LinkLabel.h"

namespace qx {

QLabel* NewLabel(const char* name, const QString& text, QWidget* parent) {
    return Named(new QLabel(text, parent), name);
}

LinkLabel* NewLink(const char* name, const QString& text, QWidget* parent) {
    return new LinkLabel(QString::fromLatin1(name), text, parent);
}

QCheckBox* NewCheck(const char* name, const QString& text, QWidget* parent) {
    return Named(new QCheckBox(text, parent), name);
}

QPlainTextEdit* NewMemo(const char* name, QWidget* parent) {
    auto* memo = Named(new QPlainTextEdit(parent), name);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(13);
    memo->setFont(mono);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}

void SetUpList(QTreeView* list) {
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
}

}  // namespace qx
