// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rule list view's model: the rule rows with their five column texts and check boxes.
// The rows stay authoritative; the model passes their changes on to the view (an inserted or
// removed row as such, so the view keeps its selection) and the view's check clicks back.

#include <QAbstractTableModel>

#include "engine/TRuleRows.h"

namespace qx {

class RuleRowsModel : public QAbstractTableModel, private RuleRowsListener {
    Q_OBJECT
public:
    RuleRowsModel(TRuleRows& rows, QObject* parent);
    ~RuleRowsModel() override;

    TRuleRows& Rows() const { return rows_; }

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
};

}  // namespace qx
