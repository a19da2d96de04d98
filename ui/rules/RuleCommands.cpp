// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/rules/RuleCommands.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTreeView>
#include <algorithm>
#include <memory>

#include "engine/TReplace.h"
#include "engine/TRuleRows.h"
#include "platform/Messages.h"
#include "ui/common/MessageStrings.h"
#include "ui/main/Commands.h"
#include "ui/rules/RulesPanel.h"

namespace qx {
namespace {

// The list is painted once, when the whole change is done.
class FrozenPainting {
public:
    explicit FrozenPainting(QWidget* widget) : widget_(widget), was_(widget->updatesEnabled()) {
        widget_->setUpdatesEnabled(false);
    }
    ~FrozenPainting() { widget_->setUpdatesEnabled(was_); }
    FrozenPainting(const FrozenPainting&) = delete;
    FrozenPainting& operator=(const FrozenPainting&) = delete;

private:
    QWidget* widget_;
    bool was_;
};

}  // namespace

RuleCommands::RuleCommands(RulesPanel& panel, const Commands& commands,
                           const MessageStrings& strings, Messages& messages, RuleEditor editor,
                           QObject* parent)
    : QObject(parent),
      panel_(panel),
      rows_(panel.Rows()),
      list_(panel.ListView()),
      commands_(commands),
      strings_(strings),
      messages_(messages),
      editor_(std::move(editor)) {
    using C = Command;
    const auto on = [this, &commands](Command command, auto handler) {
        connect(commands(command), &QAction::triggered, this, handler);
    };
    on(C::Add, [this] { Add(); });
    on(C::Copy, [this] { Copy(); });
    on(C::Edit, [this] { Edit(); });
    on(C::Delete, [this] { Delete(); });
    on(C::MoveUp, [this] { MoveUp(); });
    on(C::MoveDown, [this] { MoveDown(); });
    on(C::SelectAll, [this] { CheckAll(true); });
    on(C::UnselectAll, [this] { CheckAll(false); });
    on(C::Invert, [this] { InvertAll(); });
    on(C::CheckSelected, [this] { CheckSelected(true); });
    on(C::UncheckSelected, [this] { CheckSelected(false); });
    list_->installEventFilter(this);
    viewport_ = list_->viewport();
    viewport_->installEventFilter(this);
}

void RuleCommands::Run(Command command) const { commands_(command)->trigger(); }

bool RuleCommands::eventFilter(QObject* watched, QEvent* event) {
    // The list handles the key after the command, as it would without one.
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers().testFlag(Qt::ControlModifier);
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                Run(Command::Edit);
                break;
            case Qt::Key_Insert:
                Run(Command::Add);
                break;
            case Qt::Key_Delete:
                Run(Command::Delete);
                break;
            case Qt::Key_Up:
                if (ctrl) Run(Command::MoveUp);
                break;
            case Qt::Key_Down:
                if (ctrl) Run(Command::MoveDown);
                break;
            default:
                break;
        }
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == viewport_) {
        // The first click has selected the row under the mouse, or cleared the selection
        // below the last row: there a double click adds a rule.
        Run(list_->selectionModel()->hasSelection() ? Command::Edit : Command::Add);
    }
    return QObject::eventFilter(watched, event);
}

void RuleCommands::Add() {
    TReplaces* rules = rows_.List();
    if (rules == nullptr || !editor_) return;
    auto rule = std::make_unique<TReplace>();
    if (!editor_(*rule, true)) return;
    rule->Checked = true;
    TReplace* added = rule.get();
    rules->Add(std::move(rule));
    // Shown at the end even where the filter would hide it, until the next refill.
    const std::size_t row = rows_.AppendRow(added);
    const QModelIndex index = list_->model()->index(static_cast<int>(row), 0);
    list_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list_->scrollTo(index);
}

void RuleCommands::Edit() {
    const QModelIndex current = list_->currentIndex();
    TReplaces* rules = rows_.List();
    if (!current.isValid() || rules == nullptr || !editor_) return;
    auto row = static_cast<std::size_t>(current.row());
    if (row >= rows_.RowCount()) return;
    // Held for the dialog's time: whatever happens to the list meanwhile, the rule lives.
    const std::shared_ptr<TReplace> rule = rows_.Row(row).rule.lock();
    if (!rule) return;
    if (!editor_(*rule, false)) return;
    // The filter's timer may have rebuilt the rows while the dialog was open.
    if (row >= rows_.RowCount() || rows_.Rule(row) != rule.get()) row = RowOf(rule.get());
    if (row >= rows_.RowCount()) return;
    const bool mark = rows_.Checked(row);
    rows_.ShowReplace(row, rule.get());
    rows_.SetChecked(row, mark);
}

void RuleCommands::Copy() {
    const QModelIndex current = list_->currentIndex();
    TReplaces* rules = rows_.List();
    if (!current.isValid() || rules == nullptr) return;
    const auto row = static_cast<std::size_t>(current.row());
    if (row >= rows_.RowCount()) return;
    TReplace* original = rows_.Rule(row);
    if (original == nullptr) return;
    const FrozenPainting frozen(list_);
    std::unique_ptr<TReplace> copy = original->Clone();
    copy->Checked = true;
    TReplace* added = copy.get();
    const int at = rules->IndexOf(original) + 1;
    rules->Move(rules->Add(std::move(copy)), at);
    // The rows below move down with their own marks.
    rows_.InsertRow(row + 1, added);
    list_->selectionModel()->setCurrentIndex(
        list_->model()->index(static_cast<int>(row + 1), 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RuleCommands::Delete() {
    TReplaces* rules = rows_.List();
    const std::vector<std::size_t> selected = panel_.SelectedRows();
    if (rules == nullptr || selected.empty()) return;
    if (!messages_.Ask(strings_.Text("lblDeleteSelectedItems").toStdString(),
                       strings_.Text("lblWarning").toStdString()))
        return;
    const FrozenPainting frozen(list_);
    SaveTopRow();
    // The rows of the deleted rules lose their rules at once and go with the refill, which
    // rebuilds the view in one step instead of row by row.
    for (TReplace* rule : rows_.RulesOfRows(selected)) rules->Delete(rules->IndexOf(rule));
    panel_.Refill();
    RestoreTopRow();
}

void RuleCommands::SaveTopRow() {
    const QModelIndex top = list_->indexAt(QPoint(1, 1));
    topRowIndex_ = top.isValid() ? top.row() : 0;
}

void RuleCommands::RestoreTopRow() {
    const int count = list_->model()->rowCount();
    if (count == 0) return;
    const int rowHeight = std::max(1, list_->visualRect(list_->model()->index(0, 0)).height());
    const int fit = std::max(1, list_->viewport()->height() / rowHeight);
    // Scrolling the last row that fitted under the old top row into view brings that top
    // row back, as far as the list is still long enough.
    topRowIndex_ = std::min(topRowIndex_ + fit - 1, count - 1);
    if (topRowIndex_ >= 0) list_->scrollTo(list_->model()->index(topRowIndex_, 0));
}

bool RuleCommands::ExchangeRules(std::size_t a, std::size_t b) {
    TReplaces* rules = rows_.List();
    if (rules == nullptr || a >= rows_.RowCount() || b >= rows_.RowCount()) return false;
    TReplace* ruleA = rows_.Rule(a);
    TReplace* ruleB = rows_.Rule(b);
    if (ruleA == nullptr || ruleB == nullptr) return false;
    // Hidden rules between the two keep their places in the list.
    rules->Exchange(rules->IndexOf(ruleA), rules->IndexOf(ruleB));
    const bool markA = rows_.Checked(a);
    const bool markB = rows_.Checked(b);
    rows_.ShowReplace(a, ruleB);
    rows_.SetChecked(a, markB);
    rows_.ShowReplace(b, ruleA);
    rows_.SetChecked(b, markA);
    return true;
}

void RuleCommands::ExchangeReplaceRows(std::size_t a, std::size_t b) {
    std::vector<bool> marks = SelectionMarks();
    if (!ExchangeRules(a, b)) return;
    std::vector<bool>::swap(marks[a], marks[b]);
    Select(marks);
}

std::vector<bool> RuleCommands::SelectionMarks() const {
    std::vector<bool> marks(rows_.RowCount(), false);
    for (const std::size_t row : panel_.SelectedRows())
        if (row < marks.size()) marks[row] = true;
    return marks;
}

// One selection change for the whole move, not one per exchanged row; the current row stays.
void RuleCommands::Select(const std::vector<bool>& marks) {
    QItemSelection selection;
    const QAbstractItemModel* model = list_->model();
    for (std::size_t first = 0; first < marks.size();) {
        if (!marks[first]) {
            ++first;
            continue;
        }
        std::size_t last = first;
        while (last + 1 < marks.size() && marks[last + 1]) ++last;
        selection.select(model->index(static_cast<int>(first), 0),
                         model->index(static_cast<int>(last), 0));
        first = last + 1;
    }
    list_->selectionModel()->select(
        selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RuleCommands::MoveSelected(bool up) {
    if (rows_.List() == nullptr || rows_.RowCount() < 2) return;
    const FrozenPainting frozen(list_);
    std::vector<bool> marks = SelectionMarks();
    const std::size_t count = marks.size();
    // A block of selected rows moves as a whole; one that touches the end stays.
    for (std::size_t step = 1; step < count; ++step) {
        const std::size_t row = up ? step : count - 1 - step;
        const std::size_t neighbour = up ? row - 1 : row + 1;
        if (marks[row] && !marks[neighbour] && ExchangeRules(row, neighbour))
            std::vector<bool>::swap(marks[row], marks[neighbour]);
    }
    Select(marks);
}

void RuleCommands::MoveUp() { MoveSelected(true); }

void RuleCommands::MoveDown() { MoveSelected(false); }

void RuleCommands::CheckAll(bool checked) {
    const FrozenPainting frozen(list_);
    for (std::size_t row = 0; row < rows_.RowCount(); ++row) rows_.SetChecked(row, checked);
}

void RuleCommands::InvertAll() {
    const FrozenPainting frozen(list_);
    for (std::size_t row = 0; row < rows_.RowCount(); ++row)
        rows_.SetChecked(row, !rows_.Checked(row));
}

void RuleCommands::CheckSelected(bool checked) {
    const FrozenPainting frozen(list_);
    for (const std::size_t row : panel_.SelectedRows()) rows_.SetChecked(row, checked);
}

std::size_t RuleCommands::RowOf(const TReplace* rule) const {
    for (std::size_t row = 0; row < rows_.RowCount(); ++row)
        if (rows_.Rule(row) == rule) return row;
    return rows_.RowCount();
}

}  // namespace qx
