// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/files/FileRowsModel.h"

#include "ui/common/QtText.h"

namespace qx {

void FileRowsModel::Fill(const TFiles& files, const FileViewFilter& filter) {
    beginResetModel();
    rows_.Fill(files, filter);
    endResetModel();
}

void FileRowsModel::Clear() {
    beginResetModel();
    rows_.Clear();
    endResetModel();
}

void FileRowsModel::CheckSelected(std::span<const int> selected, bool checked) {
    rows_.CheckSelected(selected, checked);
    ChecksChanged();
}

void FileRowsModel::CheckAll(bool checked) {
    rows_.CheckAll(checked);
    ChecksChanged();
}

void FileRowsModel::InvertAll() {
    rows_.InvertAll();
    ChecksChanged();
}

void FileRowsModel::ToggleFirstSelected(std::span<const int> selected) {
    rows_.ToggleFirstSelected(selected);
    ChecksChanged();
}

void FileRowsModel::ChecksChanged() {
    if (rows_.Count() > 0)
        emit dataChanged(index(0), index(rows_.Count() - 1), {Qt::CheckStateRole});
}

int FileRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.Count();
}

QVariant FileRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.Count()) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return FromUtf8(rows_.Caption(index.row()));
        case Qt::CheckStateRole:
            return rows_.Row(index.row()).Checked ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
    }
}

bool FileRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rows_.Count())
        return false;
    rows_.Row(index.row()).Checked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags FileRowsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

QVariant FileRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return QStringLiteral("Файлы");
    return {};
}

}  // namespace qx
