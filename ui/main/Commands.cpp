// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/Commands.h"

#include <QAction>
#include <QBoxLayout>
#include <QMenu>
#include <QWidget>

#include "ui/common/InterfaceStrings.h"
#include "ui/common/LinkLabel.h"

namespace qx {

Commands::Commands(QWidget& window) {
    for (const CommandInfo& command : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(command.caption), &window);
        action->setObjectName(QString::fromLatin1(command.name));
        if (command.hint != nullptr) action->setToolTip(QString::fromUtf8(command.hint));
        action->setProperty(kHintProperty, QString::fromUtf8(command.hint ? command.hint : ""));
        if (command.shortcut != nullptr)
            action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
        if (command.group != nullptr)
            action->setProperty("group", QString::fromLatin1(command.group));
        action->setCheckable(command.checkable);
        action->setChecked(command.checkedInitially);
        window.addAction(action);
        actions_[static_cast<std::size_t>(command.id)] = action;
    }
}

QAction* Commands::Find(std::string_view name) const {
    for (const CommandInfo& command : CommandTable())
        if (name == command.name) return (*this)(command.id);
    return nullptr;
}

void Commands::Enable(const ListCounts& counts) const {
    for (const CommandInfo& command : CommandTable())
        (*this)(command.id)->setEnabled(IsEnabled(command.rule, counts));
}

void Commands::FillMenu(QMenu& menu, std::initializer_list<MenuEntry> entries) const {
    for (const MenuEntry& entry : entries) {
        if (entry)
            menu.addAction((*this)(*entry));
        else
            menu.addSeparator();
    }
}

void Commands::AddLinks(QBoxLayout& row, QWidget& parent, std::initializer_list<Link> links) const {
    for (const Link& link : links) {
        if (link.gapBefore > 0) row.addSpacing(link.gapBefore);
        auto* label =
            new LinkLabel(QString::fromLatin1(link.name), QString::fromUtf8(link.text), &parent);
        label->BindAction((*this)(link.command), link.onPress);
        row.addWidget(label);
    }
}

}  // namespace qx
