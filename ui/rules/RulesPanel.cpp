// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/rules/RulesPanel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "engine/TRuleRows.h"
#include "storage/Settings.h"
#include "ui/common/Controls.h"
#include "ui/common/QtText.h"
#include "ui/main/Commands.h"
#include "ui/rules/RuleRowsModel.h"

namespace qx {

RulesPanel::RulesPanel(TRuleRows& rows, const Commands& commands, QWidget* parent)
    : QWidget(parent), rows_(rows), model_(new RuleRowsModel(rows, this)) {
    setObjectName(QStringLiteral("pnlReplaces"));
    using C = Command;

    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    top->addWidget(NewLabel("lblReplacesCaption", QStringLiteral("Список замен:"), this));
    commands.AddLinks(*top, *this,
                      {{"lblLoad", "Загрузить", C::Load, 24},
                       {"lblAddFromFile", "Добавить из файла", C::AddFromFile, 12},
                       {"lblAdd", "Добавить", C::Add, 24},
                       {"lblCopy", "Копировать", C::Copy, 12},
                       {"lblEdit", "Редактировать", C::Edit, 12},
                       {"lblDelete", "Удалить", C::Delete, 12}});
    top->addSpacing(12);
    top->addWidget(NewLabel("lblMove", QStringLiteral("Переместить:"), this));
    // Moving is pressed repeatedly: each press moves once.
    commands.AddLinks(*top, *this,
                      {{"lblMoveUp", "Вверх", C::MoveUp, 6, true},
                       {"lblMoveDown", "Вниз", C::MoveDown, 6, true}});
    top->addStretch();

    const TSettings defaults;
    lvReplaceStrings_ = Named(new QTreeView(this), "lvReplaceStrings");
    lvReplaceStrings_->setModel(model_);
    SetUpList(lvReplaceStrings_);
    const int widths[] = {defaults.replacesColumn1, defaults.replacesColumn2,
                          defaults.replacesColumn3, 50, 50};
    for (int i = 0; i < kRuleColumnCount; ++i) lvReplaceStrings_->setColumnWidth(i, widths[i]);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    commands.AddLinks(*bottom, *this,
                      {{"lblReplSelectAll", "Отметить все", C::SelectAll, 0},
                       {"lblReplUnselectAll", "Снять отметки", C::UnselectAll, 12},
                       {"lblReplInvert", "Инвертировать", C::Invert, 12}});
    bottom->addSpacing(24);
    cbCheckedOnly_ = NewCheck("cbCheckedOnly", QStringLiteral("только  отмеченные"), this);
    bottom->addWidget(cbCheckedOnly_);
    bottom->addSpacing(12);
    cbFilterReplaces_ = NewCheck("cbFilterReplaces", QStringLiteral("Фильтр"), this);
    bottom->addWidget(cbFilterReplaces_);
    bottom->addSpacing(4);
    edtFilterReplaces_ = Named(new QLineEdit(this), "edtFilterReplaces");
    edtFilterReplaces_->setMaximumWidth(200);
    bottom->addWidget(edtFilterReplaces_);
    bottom->addStretch();
    lblReplaceCount_ = NewLabel("lblReplaceCount", QStringLiteral("0 / 0"), this);
    bottom->addWidget(lblReplaceCount_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 6, 2);
    column->setSpacing(4);
    column->addLayout(top);
    column->addWidget(lvReplaceStrings_, 1);
    column->addLayout(bottom);
    column->addLayout(BuildLegend());

    pupReplaceStrings_ = Named(new QMenu(this), "pupReplaceStrings");
    commands.FillMenu(*pupReplaceStrings_, {C::CheckSelected,
                                            C::UncheckSelected,
                                            {},
                                            C::Add,
                                            C::Edit,
                                            C::Delete,
                                            {},
                                            C::SelectAll,
                                            C::UnselectAll,
                                            C::Invert,
                                            {},
                                            C::SaveSelectedToFile,
                                            {},
                                            C::TestList});

    tmrReplacesUpdate_ = Named(new QTimer(this), "tmrReplacesUpdate");
    tmrReplacesUpdate_->setInterval(250);
    tmrReplacesUpdate_->setSingleShot(true);

    connect(cbCheckedOnly_, &QCheckBox::clicked, this, &RulesPanel::Refill);
    connect(cbFilterReplaces_, &QCheckBox::clicked, this, [this] {
        UpdateEnabling();
        if (edtFilterReplaces_->isEnabled()) edtFilterReplaces_->setFocus();
        Refill();
    });
    // The list is rebuilt 250 ms after the last keystroke in the filter.
    connect(edtFilterReplaces_, &QLineEdit::textChanged, tmrReplacesUpdate_,
            qOverload<>(&QTimer::start));
    connect(tmrReplacesUpdate_, &QTimer::timeout, this, &RulesPanel::Refill);
    connect(lvReplaceStrings_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RulesPanel::commandsMayChange);
    connect(model_, &QAbstractItemModel::modelReset, this, &RulesPanel::commandsMayChange);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &RulesPanel::commandsMayChange);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &RulesPanel::commandsMayChange);
    connect(lvReplaceStrings_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                pupReplaceStrings_->popup(lvReplaceStrings_->viewport()->mapToGlobal(at));
            });
}

QHBoxLayout* RulesPanel::BuildLegend() {
    QWidget* legend = this;
    auto* label5 = NewLabel("Label5",
                            QStringLiteral("[nw] - перевод строки (windows)\n"
                                           "[nu] - перевод строки (unix)\n[t] - табуляция"),
                            legend);
    auto* label2 =
        NewLabel("Label2",
                 QStringLiteral("[sp] - пробел\n[nm] - порядковый номер производимой замены\n"
                                "$1, $2, ... $9 - найденные подстроки, группы (...) в регулярных "
                                "выражениях"),
                 legend);
    const QColor darkRed(0x80, 0, 0);
    for (QLabel* l : {label5, label2}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, darkRed);
        l->setPalette(pal);
    }
    auto* row = new QHBoxLayout;
    row->addWidget(label5);
    row->addSpacing(24);
    row->addWidget(label2);
    row->addStretch();
    return row;
}

void RulesPanel::SyncRowFilters() {
    rows_.SetCheckedOnlyView(cbCheckedOnly_->isChecked());
    rows_.SetFilter(cbFilterReplaces_->isChecked(), ToCp1251(edtFilterReplaces_->text()));
}

void RulesPanel::FillReplaceList(bool checkedOnly, bool keepRuleChecks) {
    SyncRowFilters();
    rows_.FillReplaceList(checkedOnly, keepRuleChecks);
    emit commandsMayChange();
}

void RulesPanel::Refill() { FillReplaceList(cbCheckedOnly_->isChecked(), false); }

std::vector<std::size_t> RulesPanel::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : lvReplaceStrings_->selectionModel()->selectedRows())
        rows.push_back(static_cast<std::size_t>(index.row()));
    return rows;
}

void RulesPanel::AddCounts(ListCounts& counts) const {
    counts.rows = static_cast<int>(rows_.RowCount());
    counts.selectedRows =
        static_cast<int>(lvReplaceStrings_->selectionModel()->selectedRows().size());
}

void RulesPanel::UpdateEnabling() {
    edtFilterReplaces_->setEnabled(cbFilterReplaces_->isChecked());
}

void RulesPanel::UpdateCounter() {
    lblReplaceCount_->setText(
        QStringLiteral("%1 / %2").arg(rows_.CheckedCount()).arg(rows_.RowCount()));
}

void RulesPanel::StoreSettings(TSettings& s) const {
    s.replacesColumn1 = lvReplaceStrings_->columnWidth(0);
    s.replacesColumn2 = lvReplaceStrings_->columnWidth(1);
    s.replacesColumn3 = lvReplaceStrings_->columnWidth(2);
    s.replacesCheckedOnly = cbCheckedOnly_->isChecked();
    s.replacesFilter = edtFilterReplaces_->text().toStdString();
}

void RulesPanel::RestoreSettings(const TSettings& s) {
    lvReplaceStrings_->setColumnWidth(0, s.replacesColumn1);
    lvReplaceStrings_->setColumnWidth(1, s.replacesColumn2);
    lvReplaceStrings_->setColumnWidth(2, s.replacesColumn3);
    if (cbCheckedOnly_->isChecked() != s.replacesCheckedOnly) {
        cbCheckedOnly_->setChecked(s.replacesCheckedOnly);
        FillReplaceList(cbCheckedOnly_->isChecked(), false);
    }
    // Typing in the filter restarts its timer; a restored text is not typing.
    const QSignalBlocker quiet(edtFilterReplaces_);
    edtFilterReplaces_->setText(FromUtf8(s.replacesFilter));
}

}  // namespace qx
