// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction/DoneReplacesForm.h"

#include <QHeaderView>
#include <QMenu>
#include <QShowEvent>
#include <QTimer>

#include "engine/CodePage.h"
#include "engine/TextRoutines.h"
#include "ui/common/QtText.h"
#include "ui/correction/DoneReplaceForm.h"
#include "ui/correction/DoneReplacesModel.h"
#include "ui_DoneReplacesForm.h"

namespace qx {
namespace {

constexpr int kFilterDelayMs = 250;
constexpr int kNumberColumnWidth = 50;
constexpr int kTextColumnWidth = 250;
constexpr int kFileColumnWidth = 195;

}  // namespace

DoneReplacesForm::DoneReplacesForm(Messages& messages, QWidget* parent)
    : QxForm(messages, parent, Qt::Dialog), ui_(std::make_unique<Ui::DoneReplacesForm>()) {
    ui_->setupUi(this);
    model_ = new DoneReplacesModel(records_, this);
    QTableView* view = ui_->lvReplaces;
    view->setModel(model_);
    // Every row the same height, set once: the view never measures a million rows.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->setColumnWidth(DoneReplacesModel::kNumber, kNumberColumnWidth);
    view->setColumnWidth(DoneReplacesModel::kFound, kTextColumnWidth);
    view->setColumnWidth(DoneReplacesModel::kInserted, kTextColumnWidth);
    view->setColumnWidth(DoneReplacesModel::kFile, kFileColumnWidth);

    tmrUpdateList_ = new QTimer(this);
    tmrUpdateList_->setObjectName(QStringLiteral("tmrUpdateList"));
    tmrUpdateList_->setSingleShot(true);
    tmrUpdateList_->setInterval(kFilterDelayMs);
    connect(tmrUpdateList_, &QTimer::timeout, this, &DoneReplacesForm::RebuildReplacesView);
    // Restarted by every change, so that typing rebuilds once, after the last key.
    connect(ui_->edtFilter, &QLineEdit::textChanged, tmrUpdateList_, qOverload<>(&QTimer::start));
    connect(ui_->cbFilter, &QCheckBox::toggled, this, &DoneReplacesForm::FilterToggled);

    connect(ui_->AOpen, &QAction::triggered, this, &DoneReplacesForm::OpenSelected);
    connect(ui_->AFilterByFind, &QAction::triggered, this, &DoneReplacesForm::FilterByFind);
    connect(ui_->AFilterByReplace, &QAction::triggered, this, &DoneReplacesForm::FilterByReplace);
    connect(ui_->AFilterByFileName, &QAction::triggered, this, &DoneReplacesForm::FilterByFileName);
    connect(ui_->Button1, &QPushButton::clicked, ui_->AOpen, &QAction::trigger);
    connect(view, &QAbstractItemView::doubleClicked, ui_->AOpen, &QAction::trigger);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DoneReplacesForm::UpdateViewerControls);
    connect(ui_->btnClose, &QPushButton::clicked, this, [this] {
        if (IsShownModal())
            SetModalResult(0);
        else
            close();
    });

    pupReplaces_ = new QMenu(this);
    pupReplaces_->setObjectName(QStringLiteral("pupReplaces"));
    pupReplaces_->addAction(ui_->AOpen);
    pupReplaces_->addSeparator();
    pupReplaces_->addAction(ui_->AFilterByFind);
    pupReplaces_->addAction(ui_->AFilterByReplace);
    pupReplaces_->addAction(ui_->AFilterByFileName);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
        pupReplaces_->popup(view->viewport()->mapToGlobal(at));
    });

    detail_ = new DoneReplaceForm(messages, this);
    RebuildReplacesView();
}

DoneReplacesForm::~DoneReplacesForm() = default;

void DoneReplacesForm::AddDoneReplace(std::string_view found, std::string_view inserted,
                                      std::string_view fileName) {
    records_.AddDoneReplace(found, inserted, fileName);
}

void DoneReplacesForm::ClearDoneReplaces() {
    records_.Clear();
    RebuildReplacesView();
}

std::optional<std::size_t> DoneReplacesForm::SelectedRecord() const {
    const QModelIndexList rows = ui_->lvReplaces->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return model_->RecordAt(rows.first().row());
}

void DoneReplacesForm::RebuildReplacesView() {
    // A pending delayed rebuild would only repeat this one.
    tmrUpdateList_->stop();
    const std::optional<std::size_t> selected = SelectedRecord();

    bool lossless = true;
    const QString typed = ui_->edtFilter->text();
    const std::string filter = DecodeTokens(
        Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(typed.utf16()),
                                          static_cast<std::size_t>(typed.size())),
                      &lossless),
        false);
    if (!ui_->cbFilter->isChecked() || filter.empty())
        model_->ShowAll();
    else if (!lossless)
        // A character the code page lacks occurs in no record; its "?" must not match.
        model_->ShowRecords({});
    else
        model_->ShowRecords(records_.Matching(filter));

    if (selected) {
        if (const std::optional<int> row = model_->RowOf(*selected)) {
            const QModelIndex index = model_->index(*row, DoneReplacesModel::kNumber);
            ui_->lvReplaces->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            ui_->lvReplaces->scrollTo(index);
        }
    }
    ui_->lblCount->setText(QStringLiteral("%1 / %2").arg(model_->rowCount()).arg(Count()));
    UpdateViewerControls();
}

void DoneReplacesForm::UpdateViewerControls() {
    ui_->edtFilter->setEnabled(ui_->cbFilter->isChecked());
    const bool selected = SelectedRecord().has_value();
    for (QAction* action :
         {ui_->AOpen, ui_->AFilterByFind, ui_->AFilterByReplace, ui_->AFilterByFileName})
        action->setEnabled(selected);
    ui_->Button1->setEnabled(selected);
}

void DoneReplacesForm::FilterToggled(bool checked) {
    RebuildReplacesView();
    if (checked && ui_->edtFilter->isEnabled()) ui_->edtFilter->setFocus();
}

void DoneReplacesForm::SetFilter(const QString& text) {
    ui_->edtFilter->setText(text);
    if (ui_->cbFilter->isChecked())
        RebuildReplacesView();
    else
        ui_->cbFilter->setChecked(true);  // rebuilds through FilterToggled
}

void DoneReplacesForm::OpenSelected() {
    const std::optional<std::size_t> record = SelectedRecord();
    if (!record) return;
    // The detail window gets copies: the records may not change while it is open, but the
    // views into them must not depend on that.
    const TDoneReplace item = records_.Item(*record);
    detail_->ShowDoneReplace(std::string(item.FileName), std::string(item.Found),
                             std::string(item.Inserted));
}

void DoneReplacesForm::FilterByFind() {
    if (const std::optional<std::size_t> record = SelectedRecord())
        SetFilter(FromCp1251(EncodeTokens(records_.Found(*record))));
}

void DoneReplacesForm::FilterByReplace() {
    if (const std::optional<std::size_t> record = SelectedRecord())
        SetFilter(FromCp1251(EncodeTokens(records_.Inserted(*record))));
}

void DoneReplacesForm::FilterByFileName() {
    if (const std::optional<std::size_t> record = SelectedRecord())
        SetFilter(FromCp1251(records_.FileName(*record)));
}

void DoneReplacesForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        if (parentWidget() != nullptr) {
            const QRect owner = parentWidget()->window()->frameGeometry();
            move(owner.center() -
                 QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        }
        RebuildReplacesView();
    }
    QxForm::showEvent(event);
}

}  // namespace qx
