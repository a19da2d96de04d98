// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/rules/RuleRowsModel.h"

#include <QApplication>
#include <QStyle>

#include "ui/common/QtText.h"

namespace qx {

RuleRowsModel::RuleRowsModel(TRuleRows& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows) {
    rows_.SetListener(this);
}

RuleRowsModel::~RuleRowsModel() { rows_.SetListener(nullptr); }

int RuleRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.RowCount());
}

int RuleRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRuleColumnCount;
}

QVariant RuleRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= rows_.RowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return FromCp1251(rows_.Text(row, static_cast<RuleColumn>(index.column())));
        case Qt::CheckStateRole:
            if (index.column() != kColumnFind) return {};
            return rows_.Checked(row) ? Qt::Checked : Qt::Unchecked;
        case Qt::DecorationRole: {
            const RuleMark* mark = Mark(row);
            if (index.column() != kColumnFind || mark == nullptr) return {};
            return QApplication::style()->standardIcon(mark->error ? QStyle::SP_MessageBoxCritical
                                                                   : QStyle::SP_MessageBoxWarning);
        }
        case Qt::ToolTipRole: {
            const RuleMark* mark = Mark(row);
            return mark ? QVariant(mark->text) : QVariant();
        }
        default:
            return {};
    }
}

void RuleRowsModel::SetMarks(std::unordered_map<const TReplace*, RuleMark> marks) {
    marks_ = std::move(marks);
    if (rows_.RowCount() == 0) return;
    emit dataChanged(index(0, 0),
                     index(static_cast<int>(rows_.RowCount()) - 1, kRuleColumnCount - 1),
                     {Qt::DecorationRole, Qt::ToolTipRole});
}

const RuleMark* RuleRowsModel::Mark(std::size_t row) const {
    if (marks_.empty() || row >= rows_.RowCount()) return nullptr;
    const auto found = marks_.find(rows_.Rule(row));
    return found == marks_.end() ? nullptr : &found->second;
}

bool RuleRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != kColumnFind ||
        static_cast<std::size_t>(index.row()) >= rows_.RowCount())
        return false;
    rows_.SetChecked(static_cast<std::size_t>(index.row()), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags RuleRowsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kColumnFind) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant RuleRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kColumnFind:
            return QStringLiteral("Что найти");
        case kColumnReplace:
            return QStringLiteral("Заменить на");
        case kColumnXPath:
            return QStringLiteral("xPath");
        case kColumnFlags:
            return QStringLiteral("Опции");
        case kColumnRepeat:
            return QStringLiteral("Повтор");
        default:
            return {};
    }
}

void RuleRowsModel::RowsAboutToBeReset() { beginResetModel(); }

void RuleRowsModel::RowsReset() { endResetModel(); }

void RuleRowsModel::RowAboutToBeInserted(std::size_t row) {
    beginInsertRows(QModelIndex(), static_cast<int>(row), static_cast<int>(row));
}

void RuleRowsModel::RowInserted(std::size_t /*row*/) { endInsertRows(); }

void RuleRowsModel::RowAboutToBeRemoved(std::size_t row) {
    beginRemoveRows(QModelIndex(), static_cast<int>(row), static_cast<int>(row));
}

void RuleRowsModel::RowRemoved(std::size_t /*row*/) { endRemoveRows(); }

void RuleRowsModel::RowChanged(std::size_t row) {
    const int r = static_cast<int>(row);
    emit dataChanged(index(r, 0), index(r, kRuleColumnCount - 1));
}

}  // namespace qx
