// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer "Произведенные замены": every replacement of the last run in a list that paints
// only the rows in sight, a text filter over the found text, the inserted text and the file
// name, and a detail window for one record. The viewer owns the records; they accumulate until
// the next run clears them.

#include <memory>
#include <optional>
#include <string_view>

#include "batch/TDoneReplaces.h"
#include "ui/common/QxForm.h"

class QAction;
class QMenu;
class QTimer;

namespace Ui {
class DoneReplacesForm;
}

namespace qx {

class DoneReplaceForm;
class DoneReplacesModel;

class DoneReplacesForm : public QxForm {
    Q_OBJECT
public:
    DoneReplacesForm(Messages& messages, QWidget* parent);
    ~DoneReplacesForm() override;

    // The records, for the sinks of a run; adding does not touch the display.
    TDoneReplaces& Records() { return records_; }
    void AddDoneReplace(std::string_view found, std::string_view inserted,
                        std::string_view fileName);
    // Empties the records (at the start of every run) and the display.
    void ClearDoneReplaces();
    std::size_t Count() const { return records_.Count(); }

    // Rebuilds the shown rows from the records and the filter, keeping the selected record
    // selected and in sight when it passes. Showing the viewer does this too.
    void RebuildReplacesView();
    void UpdateViewerControls();

    // The four commands on the selected record; each does nothing without a selection.
    void OpenSelected();
    void FilterByFind();
    void FilterByReplace();
    void FilterByFileName();

    DoneReplaceForm& Detail() { return *detail_; }

protected:
    // Every showing places the viewer over the middle of the main window and rebuilds it.
    void showEvent(QShowEvent* event) override;

private:
    std::optional<std::size_t> SelectedRecord() const;
    void SetFilter(const QString& text);
    void FilterToggled(bool checked);

    std::unique_ptr<Ui::DoneReplacesForm> ui_;
    TDoneReplaces records_;
    DoneReplacesModel* model_ = nullptr;
    QTimer* tmrUpdateList_ = nullptr;
    QMenu* pupReplaces_ = nullptr;
    DoneReplaceForm* detail_ = nullptr;
};

}  // namespace qx
