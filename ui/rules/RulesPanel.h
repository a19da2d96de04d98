// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rule list panel: the rule rows in lvReplaceStrings with its model, the command links
// above and below it, the "checked only" switch, the filter with its delay, the counter, the
// token legends and the context menu. The selection lives in the view's selection model only.

#include <QWidget>
#include <cstddef>
#include <vector>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QTreeView;

namespace qx {

class Commands;
class RuleRowsModel;
class TRuleRows;
struct ListCounts;
struct TSettings;

class RulesPanel : public QWidget {
    Q_OBJECT
public:
    // `rows` must outlive the panel.
    RulesPanel(TRuleRows& rows, const Commands& commands, QWidget* parent);

    // Hands the panel's switch and filter to the rows, for callers that refill on their own.
    void SyncRowFilters();
    // Rebuilds the rows from the rule list with the panel's filter.
    void FillReplaceList(bool checkedOnly, bool keepRuleChecks);
    // The refill of the panel's own changes: checked only as the switch says, marks stored.
    void Refill();
    // The selected rows, in the order the view reports them.
    std::vector<std::size_t> SelectedRows() const;
    TRuleRows& Rows() const { return rows_; }
    QTreeView* ListView() const { return lvReplaceStrings_; }
    RuleRowsModel& Model() const { return *model_; }

    // What the panel allows: its shown and selected rows.
    void AddCounts(ListCounts& counts) const;
    // The filter box is usable while its switch is on.
    void UpdateEnabling();
    void UpdateCounter();

    void StoreSettings(TSettings& settings) const;
    void RestoreSettings(const TSettings& settings);

signals:
    // Rows or selection changed: the commands' enabling may follow.
    void commandsMayChange();

private:
    QHBoxLayout* BuildLegend();

    TRuleRows& rows_;
    RuleRowsModel* model_ = nullptr;
    QTreeView* lvReplaceStrings_ = nullptr;
    QCheckBox* cbCheckedOnly_ = nullptr;
    QCheckBox* cbFilterReplaces_ = nullptr;
    QLineEdit* edtFilterReplaces_ = nullptr;
    QLabel* lblReplaceCount_ = nullptr;
    QTimer* tmrReplacesUpdate_ = nullptr;
    QMenu* pupReplaceStrings_ = nullptr;
};

}  // namespace qx
