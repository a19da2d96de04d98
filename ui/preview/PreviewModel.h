// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The file list of the preview: a row for each file that would change (checkable, checked at
// first, with its number of replacements) and for each file the correction would skip (with
// the reason). Files with nothing to change get no row. Rows are added while the preview runs.

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "batch/CorrectionPreview.h"

namespace qx {

class PreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kFile, kReplacements, kState, kColumnCount };

    struct Row {
        FilePreview file;
        std::string caption;  // UTF-8, as the file list shows it
        bool checked = true;
    };

    explicit PreviewModel(QObject* parent);

    void Clear();
    void Append(FilePreview file, std::string caption);
    const Row& At(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    // The files that would change: all of them, or only the checked ones.
    std::vector<const Row*> ToWrite(bool checkedOnly) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<Row> rows_;
};

}  // namespace qx
