// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The files page: the folder box with its chooser, the mask box, the subfolder switch and the
// refresh button above the file list, with its links, view filters, counter and context menu.
// The page scans the folder into the file list and keeps the two box histories.

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTreeView;

namespace qx {

class Commands;
class FileRows;
class FileRowsModel;
class MessageStrings;
class Messages;
class TFiles;
struct ListCounts;
struct TSettings;

// The folder chooser: title and start folder in, the chosen folder or nothing out.
using BrowseForFolder =
    std::function<std::optional<QString>(QWidget*, const QString&, const QString&)>;

class FilesPage : public QWidget {
    Q_OBJECT
public:
    // `files`, `strings` and `messages` must outlive the page. An empty `browse` uses the
    // desktop's folder dialog.
    FilesPage(TFiles& files, const Commands& commands, const MessageStrings& strings,
              Messages& messages, BrowseForFolder browse, QWidget* parent);

    // The refresh of this page: rescans and remembers the mask.
    void Rescan();
    // Rebuilds the file list from the folder box, the mask box and the subfolder switch.
    void ScanFolder();
    // Refills the rows from the file list through the two view filters.
    void FillFileView();
    // Adds the mask text to the mask history.
    void RememberMask();

    // The rows as shown (the view filters applied), with their check marks and captions.
    const FileRows& Rows() const;

    // What the page allows: its shown and selected rows.
    void AddCounts(ListCounts& counts) const;
    // The filter box is usable while its switch is on.
    void UpdateEnabling();
    void UpdateCounter();

    void StoreSettings(TSettings& settings) const;
    void RestoreSettings(const TSettings& settings);
    // Gives the mask box its width; a splitter spreads sizes only once it has its own size.
    void ApplySplitterSizes();

signals:
    // The refresh button, Enter in a box, a mask chosen, a folder picked.
    void refreshRequested();
    // Rows or selection changed: the commands' enabling may follow.
    void commandsMayChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildFolderRow();
    void BrowseFolder();
    std::vector<int> SelectedRows() const;

    TFiles& files_;
    const MessageStrings& strings_;
    Messages& messages_;
    BrowseForFolder browse_;
    FileRowsModel* model_ = nullptr;
    int maskWidth_ = 0;
    bool ignoreMaskChoice_ = false;

    QComboBox* edtFolder_ = nullptr;
    QPushButton* btnFolder_ = nullptr;
    QSplitter* splitter2_ = nullptr;
    QComboBox* cmbMask_ = nullptr;
    QPushButton* btnRefresh_ = nullptr;
    QCheckBox* cbRecursive_ = nullptr;
    QTreeView* lvFiles_ = nullptr;
    QCheckBox* cbCheckedOnlyFiles_ = nullptr;
    QCheckBox* cbFilter_ = nullptr;
    QLineEdit* edtFilter_ = nullptr;
    QLabel* lblFilesCount_ = nullptr;
    QMenu* pupFiles_ = nullptr;
};

}  // namespace qx
