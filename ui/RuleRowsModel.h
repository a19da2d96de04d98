// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rule list view's model: the rule rows with their five column texts and check boxes.
// The rows stay authoritative; the model passes their changes on to the view and the view's
// check clicks and selection back to them.

#include <QAbstractTableModel>

#include "engine/TRuleRows.h"

class QItemSelectionModel;

namespace qx {

class RuleRowsModel : public QAbstractTableModel, private RuleRowsListener {
    Q_OBJECT
public:
    RuleRowsModel(TRuleRows& rows, QObject* parent);
    ~RuleRowsModel() override;

    TRuleRows& Rows() const { return rows_; }
    // Copies the view's selection into the rows' selection marks whenever it changes.
    void FollowSelection(QItemSelectionModel* selection);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void RowsAboutToBeReset() override;
    void RowsReset() override;
    void RowInserted(std::size_t row) override;
    void RowAboutToBeRemoved(std::size_t row) override;
    void RowRemoved(std::size_t row) override;
    void RowChanged(std::size_t row) override;

    TRuleRows& rows_;
};

}  // namespace qx
