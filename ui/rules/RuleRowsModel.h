// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rule list view's model: the rule rows with their five column texts and check boxes.
// The rows stay authoritative; the model passes their changes on to the view (an inserted or
// removed row as such, so the view keeps its selection) and the view's check clicks back.

#include <QAbstractTableModel>
#include <QString>
#include <unordered_map>

#include "engine/TRuleRows.h"

namespace qx {

// A warning on a row's rule, shown as an icon before its find text with the lines of `text` as
// the row's tooltip; `error` for a rule a correction refuses to run.
struct RuleMark {
    QString text;
    bool error = false;
};

class RuleRowsModel : public QAbstractTableModel, private RuleRowsListener {
    Q_OBJECT
public:
    RuleRowsModel(TRuleRows& rows, QObject* parent);
    ~RuleRowsModel() override;

    TRuleRows& Rows() const { return rows_; }

    // Replaces every mark; rules without one show none. Marks follow their rule, not the row.
    void SetMarks(std::unordered_map<const TReplace*, RuleMark> marks);
    // The mark of the row's rule, or nullptr.
    const RuleMark* Mark(std::size_t row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void RowsAboutToBeReset() override;
    void RowsReset() override;
    void RowAboutToBeInserted(std::size_t row) override;
    void RowInserted(std::size_t row) override;
    void RowAboutToBeRemoved(std::size_t row) override;
    void RowRemoved(std::size_t row) override;
    void RowChanged(std::size_t row) override;

    TRuleRows& rows_;
    std::unordered_map<const TReplace*, RuleMark> marks_;
};

}  // namespace qx
