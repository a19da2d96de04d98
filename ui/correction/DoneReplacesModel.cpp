// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction/DoneReplacesModel.h"

#include <algorithm>
#include <climits>
#include <string>

#include "batch/TDoneReplaces.h"
#include "engine/TextRoutines.h"
#include "ui/common/QtText.h"

namespace qx {
namespace {

// A cell shows some dozens of characters; a found text may be a whole file. Beyond this many
// bytes a cell shows the beginning and an ellipsis.
constexpr std::size_t kCellBytes = 2000;
constexpr char kEllipsis = '\x85';  // windows-1251

QString CellText(std::string_view text) {
    if (text.size() <= kCellBytes) return FromCp1251(EncodeTokens(text));
    std::string head(text.substr(0, kCellBytes));
    head += kEllipsis;  // not a space either: the head is encoded as the whole text would be
    if (text.find_first_not_of(' ') == std::string_view::npos) head.pop_back();
    std::string shown = EncodeTokens(head);
    if (shown.back() != kEllipsis) shown += kEllipsis;
    return FromCp1251(shown);
}

}  // namespace

DoneReplacesModel::DoneReplacesModel(const TDoneReplaces& records, QObject* parent)
    : QAbstractTableModel(parent), records_(records) {}

void DoneReplacesModel::ShowAll() {
    beginResetModel();
    all_ = true;
    allCount_ = records_.Count();
    std::vector<std::uint32_t>().swap(rows_);
    endResetModel();
}

void DoneReplacesModel::ShowRecords(std::vector<std::uint32_t> records) {
    beginResetModel();
    all_ = false;
    rows_ = std::move(records);
    endResetModel();
}

std::optional<std::size_t> DoneReplacesModel::RecordAt(int row) const {
    if (row < 0 || row >= rowCount()) return std::nullopt;
    const std::size_t record = all_ ? static_cast<std::size_t>(row) : rows_[row];
    // The records may have been cleared since the rows were built.
    if (record >= records_.Count()) return std::nullopt;
    return record;
}

std::optional<int> DoneReplacesModel::RowOf(std::size_t record) const {
    if (all_) {
        if (record >= allCount_) return std::nullopt;
        return static_cast<int>(record);
    }
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), record);
    if (it == rows_.end() || *it != record) return std::nullopt;
    return static_cast<int>(it - rows_.begin());
}

int DoneReplacesModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(std::min<std::size_t>(all_ ? allCount_ : rows_.size(), INT_MAX));
}

int DoneReplacesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant DoneReplacesModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const std::optional<std::size_t> record = RecordAt(index.row());
    if (!record) return {};
    switch (index.column()) {
        case kNumber:
            return QString::number(index.row() + 1);
        case kFound:
            return CellText(records_.Found(*record));
        case kInserted:
            return CellText(records_.Inserted(*record));
        case kFile:
            return FromCp1251(records_.FileName(*record));
        default:
            return {};
    }
}

QVariant DoneReplacesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kNumber:
            return QStringLiteral("№");
        case kFound:
            return QStringLiteral("Найдено");
        case kInserted:
            return QStringLiteral("Заменено на");
        case kFile:
            return QStringLiteral("Файл");
        default:
            return {};
    }
}

Qt::ItemFlags DoneReplacesModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace qx
