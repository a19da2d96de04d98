// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The QActions of the command table, made once for a window and reached by Command. Menus,
// links and buttons all run these actions; Enable applies the table's enabling rules.

#include <array>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "ui/main/CommandTable.h"

class QAction;
class QBoxLayout;
class QMenu;
class QWidget;

namespace qx {

class Commands {
public:
    // The actions are children of `window` and added to it, so that their shortcuts work
    // while it is active, also those of commands in no menu.
    explicit Commands(QWidget& window);

    QAction* operator()(Command command) const {
        return actions_[static_cast<std::size_t>(command)];
    }
    // By objectName, for the interface strings and the tests; nullptr for an unknown name.
    QAction* Find(std::string_view name) const;

    // Enables and disables every action by its rule.
    void Enable(const ListCounts& counts) const;

    // Menu entries: a command, or nothing for a separator.
    using MenuEntry = std::optional<Command>;
    void FillMenu(QMenu& menu, std::initializer_list<MenuEntry> entries) const;

    // A link caption that runs a command; `onPress` as for LinkLabel::BindAction.
    struct Link {
        const char* name;
        const char* text;  // UTF-8
        Command command;
        int gapBefore;
        bool onPress = false;
    };
    // Adds the links to `row`, each after its gap, as children of `parent`.
    void AddLinks(QBoxLayout& row, QWidget& parent, std::initializer_list<Link> links) const;

private:
    std::array<QAction*, kCommandCount> actions_{};
};

}  // namespace qx
