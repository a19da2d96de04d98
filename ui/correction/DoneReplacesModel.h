// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rows of the performed-replacements viewer over the records of a run: either every
// record or the records a filter let through, held as record indices. No row owns a copy of
// its texts; a row's texts are made when the view paints it.

#include <QAbstractTableModel>
#include <cstdint>
#include <optional>
#include <vector>

namespace qx {

class TDoneReplaces;

class DoneReplacesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kNumber, kFound, kInserted, kFile, kColumnCount };

    DoneReplacesModel(const TDoneReplaces& records, QObject* parent);

    // Rebuilds the rows from the records as they are now.
    void ShowAll();
    // `records` ascending, each below the records' count.
    void ShowRecords(std::vector<std::uint32_t> records);

    // The record shown in `row`, if that row exists and its record still does.
    std::optional<std::size_t> RecordAt(int row) const;
    // The row that shows `record`, if any.
    std::optional<int> RowOf(std::size_t record) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const TDoneReplaces& records_;
    // Without a filter the rows are the records themselves, so no index vector is kept.
    bool all_ = true;
    std::size_t allCount_ = 0;
    std::vector<std::uint32_t> rows_;
};

}  // namespace qx
