// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The file list view's model: one checkable row per file shown, captioned with the path
// relative to the scanned folder. A check mark set on a row is its file entry's own.

#include <QAbstractListModel>
#include <span>

#include "batch/FileRows.h"

namespace qx {

class FileRowsModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileRowsModel(QObject* parent) : QAbstractListModel(parent) {}

    const FileRows& Rows() const { return rows_; }
    void Fill(const TFiles& files, const FileViewFilter& filter);
    void Clear();

    void CheckSelected(std::span<const int> selected, bool checked);
    void CheckAll(bool checked);
    void InvertAll();
    void ToggleFirstSelected(std::span<const int> selected);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void ChecksChanged();

    FileRows rows_;
};

}  // namespace qx
