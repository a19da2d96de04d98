// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the rule list panel's commands do: add, copy, edit and delete rules, move the selected
// rows, and set the rows' check marks; plus the list's keys (Insert, Enter, Delete, Ctrl+Up,
// Ctrl+Down) and its double click, which run the same commands through their actions, so a
// disabled command does nothing.
//
// A row's check mark travels with its rule: a move carries both rows' marks along with their
// rules, and an edit keeps the edited row's mark, so a mark the user set or cleared since the
// last refill is never replaced by the rule's stored one.

#include <QObject>
#include <cstddef>
#include <functional>
#include <vector>

#include "ui/main/CommandTable.h"

class QTreeView;

namespace qx {

class Commands;
class MessageStrings;
class Messages;
class RulesPanel;
class TReplace;
class TRuleRows;

class RuleCommands : public QObject {
    Q_OBJECT
public:
    // Opens the rule editor modally for `rule` (a new one when `isNew`); true on OK, after it
    // wrote the rule's texts and options.
    using RuleEditor = std::function<bool(TReplace& rule, bool isNew)>;

    // `panel`, `commands`, `strings` and `messages` must outlive this object.
    RuleCommands(RulesPanel& panel, const Commands& commands, const MessageStrings& strings,
                 Messages& messages, RuleEditor editor, QObject* parent);

    void Add();
    void Copy();
    void Edit();
    void Delete();
    void MoveUp();
    void MoveDown();
    void CheckAll(bool checked);
    void InvertAll();
    void CheckSelected(bool checked);

    // Swaps the rules of rows `a` and `b`, their places in the rule list, their check marks
    // and their selection marks; the focus stays on its row. Nothing happens unless both rows
    // hold a rule of the list.
    void ExchangeReplaceRows(std::size_t a, std::size_t b);
    // Keep the scroll position across a deletion.
    void SaveTopRow();
    void RestoreTopRow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ExchangeRules(std::size_t a, std::size_t b);
    // Moves every selected row with an unselected neighbour one step (`up` or down).
    void MoveSelected(bool up);
    std::vector<bool> SelectionMarks() const;
    void Select(const std::vector<bool>& marks);
    // The row that shows `rule`, or RowCount() when none does.
    std::size_t RowOf(const TReplace* rule) const;
    void Run(Command command) const;

    RulesPanel& panel_;
    TRuleRows& rows_;
    QTreeView* list_;
    // Kept from when the filter was installed: a list being torn down still sends events but
    // can no longer be asked for its viewport.
    QWidget* viewport_ = nullptr;
    const Commands& commands_;
    const MessageStrings& strings_;
    Messages& messages_;
    RuleEditor editor_;
    int topRowIndex_ = 0;
};

}  // namespace qx
