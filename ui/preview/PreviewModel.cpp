// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview/PreviewModel.h"

#include <QBrush>
#include <QColor>

#include "ui/common/QtText.h"

namespace qx {
namespace {

bool Changes(const FilePreview& file) { return file.verdict == FilePreview::Verdict::WouldChange; }

}  // namespace

PreviewModel::PreviewModel(QObject* parent) : QAbstractTableModel(parent) {}

void PreviewModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void PreviewModel::Append(FilePreview file, std::string caption) {
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back({std::move(file), std::move(caption), true});
    endInsertRows();
}

std::vector<const PreviewModel::Row*> PreviewModel::ToWrite(bool checkedOnly) const {
    std::vector<const Row*> rows;
    for (const Row& row : rows_)
        if (Changes(row.file) && (row.checked || !checkedOnly)) rows.push_back(&row);
    return rows;
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const bool changes = Changes(row.file);
    if (role == Qt::CheckStateRole && index.column() == kFile && changes)
        return row.checked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ForegroundRole && !changes) return QBrush(QColor(0x80, 0x80, 0x80));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
        case kFile:
            return FromUtf8(row.caption);
        case kReplacements:
            return changes ? QVariant(static_cast<qulonglong>(row.file.replacements)) : QVariant();
        case kState:
            if (changes) return QStringLiteral("будет изменён");
            // A text file in a folder with XML files is not an error worth the parser's words.
            if (row.file.notXml) return QStringLiteral("не XML: правила с xPath его не меняют");
            return QStringLiteral("пропущен: ") + FromUtf8(row.file.reason);
        default:
            return {};
    }
}

bool PreviewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != kFile || !index.isValid()) return false;
    Row& row = rows_.at(static_cast<std::size_t>(index.row()));
    if (!Changes(row.file)) return false;
    row.checked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kFile:
            return QStringLiteral("Файл");
        case kReplacements:
            return QStringLiteral("Замен");
        case kState:
            return QStringLiteral("Что будет");
        default:
            return {};
    }
}

Qt::ItemFlags PreviewModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == kFile &&
        Changes(rows_.at(static_cast<std::size_t>(index.row())).file))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

}  // namespace qx
